#include "analysis/reduction.h"

#include "analysis/calibration.h"

#include <cmath>
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr std::string_view kCalibrationBad = "CALのデータが異常です";

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

// A height difference in kgf/cm2, rounded as the program writes it ("%.3f").
double Rounded(double value) {
    return TextToDouble(FormatText("%.3f", value));
}

// Pw and Pz are written with "%g" whatever their size; only a value that is
// no number at all is left empty.
std::string PressureText(double value) {
    return std::isfinite(value) ? FormatDerived("%g", value) : std::string();
}

}  // namespace

std::string ComputeWaterPressureText(std::string_view depth, std::string_view waterLevel,
                                     std::string_view siCoefficient) {
    if (!IsNumber(depth)) {
        return {};
    }
    const double w = IsNumber(waterLevel) ? TextToDouble(waterLevel) : 0.0;
    const double h = Rounded((TextToDouble(depth) - w) * -0.1);
    if (h < 0) {
        return "0.0";
    }
    return PressureText(h * TextToDouble(siCoefficient));
}

std::string ComputeHoseHeadText(std::string_view depth, std::string_view machineHeight,
                                std::string_view siCoefficient) {
    if (!IsNumber(depth) || !IsNumber(machineHeight)) {
        return {};
    }
    const double h = Rounded((TextToDouble(machineHeight) - TextToDouble(depth)) * 0.1);
    return PressureText(h * TextToDouble(siCoefficient));
}

void ReduceReadingRow(Workspace& ws, int row, double pz) {
    TestRow& r = ws.testRows[row];
    const int volumeField = StepVolumeField(ws.testHeader);
    const double pmPlusPz = TextToDouble(r[testField::pm]) + pz;
    const double v = TextToDouble(r[volumeField]);
    const bool haveV = IsNumber(r[volumeField]);

    double pi = kMissingValue;
    if (haveV) {
        pi = TextToInt(ws.testHeader[header::fitMethod]) != 0
                 ? EvaluateCalibrationPolynomial(v, ws.testCoefficients)
                 : InterpolateCalibrationRows(ws, v);
    }
    const double p = IsPresent(pmPlusPz) && IsPresent(pi) ? pmPlusPz - pi : kMissingValue;
    const double dv = haveV && IsNumber(r[testField::vol30]) ? v - TextToDouble(r[testField::vol30])
                                                             : kMissingValue;

    r[testField::pmPlusPz] = DerivedText(pmPlusPz);
    r[testField::pi] = DerivedText(pi);
    r[testField::p] = DerivedText(p);
    r[testField::dv] = DerivedText(dv);
    r[testField::spare] = "0";
}

bool LoadedCalibrationUsable(const Workspace& ws) {
    const CalibrationRow& first = ws.loadedCalibrationRows[1];
    return IsNumber(first[calibrationField::pm]) && IsNumber(first[calibrationField::vm]);
}

void RecomputeTestRows(Workspace& ws, Messages& messages) {
    if (!LoadedCalibrationUsable(ws)) {
        messages.Show(kCalibrationBad);
    }
    const double pz = TextToDouble(ws.testHeader[header::pz]);
    const int n = CountTestRows(ws, testField::pm);
    for (int row = 1; row <= n; ++row) {
        ReduceReadingRow(ws, row, pz);
    }
}

}  // namespace karnea
