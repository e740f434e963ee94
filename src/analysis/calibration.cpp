#include "analysis/calibration.h"

#include <array>
#include <cmath>
#include <set>

#include "base/messages.h"
#include "base/textfields.h"

namespace karnea {
namespace {

constexpr double kSmallDivisor = 1e-7;
constexpr double kSingularDiagonal = 1e-6;

double Divisor(double d) {
    return std::fabs(d) < kSmallDivisor ? kSmallDivisor : d;
}

void ResetCoefficients(CalibrationRecord& calibration) {
    calibration.calibrationCoefficients.fill(0.0);
    for (int i = 0; i < kCoefficientsUsed; ++i) {
        calibration.calibrationHeader[header::coefficient0 + i] = "_";
    }
}

// The normal equations A c = r (1-based), solved by a Crout decomposition
// with partial pivoting as the program has always done it.
struct NormalEquations {
    std::array<std::array<double, 6>, 6> a{};
    std::array<double, 6> r{};
};

int Solve(NormalEquations& eq, std::array<double, 6>& solution) {
    auto& A = eq.a;
    std::array<int, 6> p = {0, 1, 2, 3, 4, 5};
    int code = kFitDone;
    for (int k = 1; k <= 5 && code == kFitDone; ++k) {
        for (int idx = k; idx <= 5; ++idx) {
            const int i = p[idx];
            double sum = 0.0;
            for (int m = 1; m < k; ++m) {
                sum += A[i][m] * A[p[m]][k];
            }
            A[i][k] -= sum;
        }
        if (k == 5) {
            break;
        }
        int best = k;
        for (int idx = k + 1; idx <= 5; ++idx) {
            if (std::fabs(A[p[idx]][k]) > std::fabs(A[p[best]][k])) {
                best = idx;
            }
        }
        if (A[p[best]][k] == 0.0) {
            code = kFitZeroPivot;
            break;
        }
        std::swap(p[best], p[k]);
        const int w = p[k];
        for (int l = k + 1; l <= 5; ++l) {
            double sum = 0.0;
            for (int m = 1; m < k; ++m) {
                sum += A[p[m]][l] * A[w][m];
            }
            A[w][k] = Divisor(A[w][k]);
            A[w][l] = (A[w][l] - sum) / A[w][k];
        }
    }
    const double h = A[p[5]][5];
    if (h == 0.0) {
        code = kFitZeroPivot;
    }
    if (std::fabs(h) < kSingularDiagonal) {
        return kFitSingular;
    }
    if (code != kFitDone) {
        return code;
    }
    std::array<double, 6> y{};
    for (int l = 1; l <= 5; ++l) {
        double sum = 0.0;
        for (int m = 1; m < l; ++m) {
            sum += y[p[m]] * A[p[l]][m];
        }
        y[p[l]] = (eq.r[p[l]] - sum) / Divisor(A[p[l]][l]);
    }
    for (int l = 4; l >= 1; --l) {
        double sum = 0.0;
        for (int m = l + 1; m <= 5; ++m) {
            sum += y[p[m]] * A[p[l]][m];
        }
        y[p[l]] -= sum;
    }
    for (int l = 1; l <= 5; ++l) {
        solution[l] = y[p[l]];
    }
    return kFitDone;
}

}  // namespace

bool IsPresent(double value) {
    return value >= -9999.9;
}

std::string DerivedText(double value) {
    if (!std::isfinite(value) || !(value > -9999.9)) {
        return {};
    }
    return FormatDerived("%g", value);
}

int FitCalibrationPolynomial(CalibrationRecord& calibration, bool showMessage, Messages& messages) {
    ResetCoefficients(calibration);
    const CalibrationRows& rows = calibration.calibrationRows;
    const int n = std::min(CountCalibrationRows(rows, calibrationField::pm),
                           CountCalibrationRows(rows, calibrationField::vmCopy));
    if (n <= 5) {
        if (showMessage) {
            messages.Show(msg::tooFewPoints);
        }
        return kFitTooFewPoints;
    }
    // Fewer than five distinct volumes (the origin included) leave the
    // equations singular; rounding would otherwise pass for a solution.
    std::set<double> volumes = {0.0};
    for (int row = 1; row <= n; ++row) {
        volumes.insert(TextToDouble(rows[row][calibrationField::vm]));
    }
    if (volumes.size() < 5) {
        return kFitSingular;
    }

    std::array<std::array<long double, 5>, 5> sums{};
    std::array<long double, 5> rhs{};
    for (int row = 1; row <= n; ++row) {
        const auto x = static_cast<long double>(TextToDouble(rows[row][calibrationField::vm]));
        const auto y = static_cast<long double>(TextToDouble(rows[row][calibrationField::pm]));
        const long double x2 = x * x;
        const std::array<long double, 5> b = {1.0L, x, x2, x2 * x, x2 * x2};
        for (std::size_t j = 0; j < 5; ++j) {
            for (std::size_t k = 0; k < 5; ++k) {
                sums[j][k] += b[k] * b[j];
            }
            rhs[j] += y * b[j];
        }
    }
    sums[0][0] += 2.0L;  // the two origin points
    NormalEquations eq;
    for (std::size_t j = 0; j < 5; ++j) {
        for (std::size_t k = 0; k < 5; ++k) {
            eq.a[j + 1][k + 1] = static_cast<double>(sums[j][k]);
        }
        eq.r[j + 1] = static_cast<double>(rhs[j]);
    }
    std::array<double, 6> c{};
    const int code = Solve(eq, c);
    if (code != kFitDone) {
        return code;
    }
    // Volumes too large for doubles overflow the sums; no such fit is kept.
    for (int i = 1; i <= kCoefficientsUsed; ++i) {
        if (!std::isfinite(c[static_cast<std::size_t>(i)])) {
            return kFitSingular;
        }
    }
    for (int i = 0; i < kCoefficientsUsed; ++i) {
        const double value = c[static_cast<std::size_t>(i + 1)];
        calibration.calibrationCoefficients[static_cast<std::size_t>(i)] = value;
        calibration.calibrationHeader[header::coefficient0 + i] = FormatDerived("%g", value);
    }
    return kFitDone;
}

double EvaluateCalibrationPolynomial(double v, const Coefficients& c) {
    const double a = v;
    const double b = v * v;
    return b * (c[3] * a + c[2]) + b * b * c[4] + c[1] * a + c[0];
}

double InterpolateCalibrationRows(const CalibrationRows& loaded, double v) {
    double previousV = 0.0;
    double previousP = 0.0;
    for (int i = 1; i <= kCalibrationRowCount - 1; ++i) {
        const CalibrationRow& row = loaded[i];
        if (!IsNumber(row[calibrationField::pm]) || !IsNumber(row[calibrationField::vm])) {
            return kMissingValue;
        }
        const double vi = TextToDouble(row[calibrationField::vm]);
        const double pi = TextToDouble(row[calibrationField::pm]);
        if (v <= vi) {
            if (i == 1) {
                return pi;
            }
            const double dv = vi - previousV;
            if (std::fabs(dv) <= 0.001) {
                return pi;
            }
            return previousP + (pi - previousP) * (v - previousV) / dv;
        }
        previousV = vi;
        previousP = pi;
    }
    return previousP;
}

}  // namespace karnea
