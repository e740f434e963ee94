#include "pages/calibrationpages.h"

#include "analysis/calibration.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "pages/datasheet.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"

namespace karnea {
namespace {

// The graph's frame (mm, graph block): 150 mm across for Pm 0..300 (a
// division of 10 mm is 20 kN/m2) and 160 mm up for Vm 0..800 (10 mm is 50 ml).
constexpr double kLeft = 11;
constexpr double kRight = 161;
constexpr double kTop = 5;
constexpr double kBottom = 165;
constexpr int kPmDivisions = 15;
constexpr int kVmDivisions = 16;
constexpr double kDivision = 10;
// The fitted curve is sampled 26 times up the Vm axis (the factor is 1/26).
constexpr double kCurveStepFactor = 0.038461538461538464;
// Curve samples outside this band (mm) draw no segment.
constexpr double kCurveLeftLimit = 3;
constexpr double kCurveRightLimit = 169;

double GraphX(double pm) {
    return MapScale(pm, 0, kCalibrationGraphPmMax, kLeft, kRight);
}

double GraphY(double vm) {
    return MapScale(vm, kCalibrationGraphVmMax, 0, kTop, kBottom);
}

}  // namespace

std::string CalibrationCell(const CalibrationRows& rows, const Settings& s, int row, int field) {
    if (field < 1 || field > 3 || row < 1 || row > kCalibrationRowCount) {
        return {};
    }
    return NumberCell(rows[row][field], field == 1 ? s.pmDecimals : s.volumeDecimals);
}

void DrawCalibrationGraph(PageComposer& page, const CalibrationRecord& calibration, double h) {
    const Settings& s = page.settings();
    const int outer = s.frameLineWidth;
    const int rule = s.ruleLineWidth;
    const long gridColour = GridColour(s);

    page.DrawLineMm(kLeft, kTop, kRight, kTop, outer);
    page.DrawLineMm(kLeft, kBottom, kRight, kBottom, outer);
    page.DrawLineMm(kLeft, kTop, kLeft, kBottom, outer);
    page.DrawLineMm(kRight, kTop, kRight, kBottom, outer);
    for (int i = 1; i < kPmDivisions; ++i) {
        const double x = kLeft + kDivision * i;
        page.DrawDashedLineMm(x, kTop, x, kBottom, s.gridDashLength, s.gridGapLength,
                              s.gridLineWidth, gridColour);
    }
    for (int j = 1; j < kVmDivisions; ++j) {
        const double y = kBottom - kDivision * j;
        page.DrawDashedLineMm(kLeft, y, kRight, y, s.gridDashLength, s.gridGapLength,
                              s.gridLineWidth, gridColour);
    }

    // Pm labels every 100 kN/m2 (50 mm), Vm labels every 100 ml (20 mm).
    page.SetAlign(TextAlign::centerTop);
    for (int i = 0; i <= 3; ++i) {
        page.DrawTextMm(kLeft + 50 * i, kBottom + 1, FormatText("%d", 100 * i));
    }
    page.DrawTextMm((kLeft + kRight) / 2, kBottom + 1.5 * h, Sjis("Ｐm (kN/㎡)"));
    page.SetAlign(TextAlign::rightTop);
    for (int i = 0; i <= 8; ++i) {
        page.DrawTextMm(kLeft - 1, kBottom - 20 * i - 0.5 * h,
                        FormatDerived(DecimalsFormat(s.pmDecimals), 100 * i + 0.000001));
    }
    if (s.rotateAxisNames == 0) {
        page.DrawTextMm(9, 85 + h, Sjis("Ｖm（cm）"));
    } else {
        page.SelectRoleFont(FontRole::graph, 90);
        page.SetAlign(TextAlign::leftTop);
        page.DrawTextMm(0, 85 - h, Sjis("Ｖm （cm）"));
    }

    const bool linear = FitMethodOf(calibration.calibrationHeader) == FitMethod::linear;
    bool havePrevious = false;
    double px = 0;
    double py = 0;
    for (const CalibrationRow& row : calibration.calibrationRows) {
        if (!IsNumber(row[calibrationField::vm]) || !IsNumber(row[calibrationField::pm])) {
            continue;
        }
        const double x = GraphX(TextToDouble(row[calibrationField::pm]));
        const double y = GraphY(TextToDouble(row[calibrationField::vm]));
        if (linear && havePrevious) {
            page.DrawLineMm(px, py, x, y, rule);
        }
        page.DrawCircleMm(x, y, 1, outer);
        havePrevious = true;
        px = x;
        py = y;
    }
    if (!linear) {
        const double step = kCalibrationGraphVmMax * kCurveStepFactor;
        for (int i = 0; i * step <= kCalibrationGraphVmMax; ++i) {
            const double v = i * step;
            const double x =
                GraphX(EvaluateCalibrationPolynomial(v, calibration.calibrationCoefficients));
            const double y = GraphY(v);
            if (i > 0 && x > kCurveLeftLimit && x <= kCurveRightLimit) {
                page.DrawLineMm(px, py, x, y, rule);
            }
            px = x;
            py = y;
        }
    }
}

void DrawCalibrationTable(PageComposer& page, const CalibrationRows& rows) {
    const Settings& s = page.settings();
    DrawSheetFrame(page, 155);
    page.DrawLineMm(75, 5, 75, 190, s.ruleLineWidth);
    DrawSiNote(page, 154);

    page.SetAlign(TextAlign::leftTop);
    page.DrawTextInBoxMm(11, 5, 30, 12.5, Sjis("セル圧力 Pm"));
    page.DrawTextInBoxMm(81, 5, 100, 12.5, Sjis("注入水量 Vm"));
    page.DrawTextInBoxMm(15, 12.5, 30, 20, Sjis("kN/㎡"));
    page.DrawTextInBoxMm(85, 12.5, 100, 20, VolumeUnitOf(s) == VolumeUnit::cm3 ? "cm3" : "ml");

    page.SetAlign(TextAlign::rightBottom);
    ForEachSheetRow([&](int r, double y) {
        page.DrawTextMm(25, y - 0.5, CalibrationCell(rows, s, r, 1));
        page.DrawTextMm(95, y - 0.5, CalibrationCell(rows, s, r, 2));
        return true;
    });
}

}  // namespace karnea
