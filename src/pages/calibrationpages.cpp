#include "pages/calibrationpages.h"

#include "analysis/calibration.h"
#include "pages/datasheet.h"
#include "pages/pagecomposer.h"
#include "base/encoding.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr double kCurveStepFactor = 0.038461538461538464;

const CalibrationRows* ReadingSet(const Workspace& ws, int selector) {
    if (selector == kOpenCalibrationReadings) {
        return &ws.calibrationRows;
    }
    if (selector == kLoadedCalibrationReadings) {
        return &ws.loadedCalibrationRows;
    }
    return nullptr;
}

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

}  // namespace

std::string CalibrationCell(const Workspace& ws, int row, int field, int selector) {
    const CalibrationRows* rows = ReadingSet(ws, selector);
    if (rows == nullptr || field < 1 || field > 3 || row < 1 || row > kCalibrationRowCount) {
        return {};
    }
    const std::string& text = (*rows)[row][field];
    if (!IsNumber(text)) {
        return {};
    }
    const int decimals = field == 1 ? ws.settings.pmDecimals : ws.settings.volumeDecimals;
    return FormatDerived(DecimalsFormat(decimals), TextToDouble(text));
}

void DrawCalibrationGraph(PageComposer& page, double h, int selector) {
    const Workspace& ws = page.ws();
    const Settings& s = ws.settings;
    const int outer = s.frameLineWidth;
    const int rule = s.ruleLineWidth;
    const long gridColour = GridColour(ws);

    page.DrawLineMm(11, 5, 161, 5, outer);
    page.DrawLineMm(11, 165, 161, 165, outer);
    page.DrawLineMm(11, 5, 11, 165, outer);
    page.DrawLineMm(161, 5, 161, 165, outer);
    for (int i = 1; i <= 14; ++i) {
        page.DrawDashedLineMm(11 + 10 * i, 5, 11 + 10 * i, 165, s.gridDashLength, s.gridGapLength,
                              s.gridLineWidth, gridColour);
    }
    for (int j = 1; j <= 15; ++j) {
        page.DrawDashedLineMm(11, 165 - 10 * j, 161, 165 - 10 * j, s.gridDashLength,
                              s.gridGapLength, s.gridLineWidth, gridColour);
    }

    page.SetAlign(TextAlign::centerTop);
    for (int i = 0; i <= 3; ++i) {
        page.DrawTextMm(11 + 50 * i, 166, FormatText("%d", 100 * i));
    }
    page.DrawTextMm(86, 165 + 1.5 * h, Sjis("Ｐm (kN/㎡)"));
    page.SetAlign(TextAlign::rightTop);
    for (int i = 0; i <= 8; ++i) {
        page.DrawTextMm(10, 165 - 20 * i - 0.5 * h,
                        FormatDerived(DecimalsFormat(s.pmDecimals), 100 * i + 0.000001));
    }
    if (s.rotateAxisNames == 0) {
        page.DrawTextMm(9, 85 + h, Sjis("Ｖm（cm）"));
    } else {
        page.SelectRoleFont(graphFont, 90);
        page.SetAlign(TextAlign::leftTop);
        page.DrawTextMm(0, 85 - h, Sjis("Ｖm （cm）"));
    }

    const bool linear = TextToInt(ws.calibrationHeader[header::fitMethod]) == 0;
    if (selector == kOpenCalibrationReadings) {
        bool havePrevious = false;
        double px = 0;
        double py = 0;
        for (const CalibrationRow& row : ws.calibrationRows) {
            if (!IsNumber(row[calibrationField::vm]) || !IsNumber(row[calibrationField::pm])) {
                continue;
            }
            const double x = MapScale(TextToDouble(row[calibrationField::pm]), 0, 300, 11, 161);
            const double y = MapScale(TextToDouble(row[calibrationField::vm]), 800, 0, 5, 165);
            if (linear && havePrevious) {
                page.DrawLineMm(px, py, x, y, rule);
            }
            page.DrawCircleMm(x, y, 1, outer);
            havePrevious = true;
            px = x;
            py = y;
        }
    }
    if (!linear) {
        const double step = (800 - 0) * kCurveStepFactor;
        double px = 0;
        double py = 0;
        for (int i = 0; i * step <= 800; ++i) {
            const double v = i * step;
            const double p = EvaluateCalibrationPolynomial(v, ws.calibrationCoefficients);
            const double x = MapScale(p, 0, 300, 11, 161);
            const double y = MapScale(v, 800, 0, 5, 165);
            if (i > 0 && x > 3 && x <= 169) {
                page.DrawLineMm(px, py, x, y, rule);
            }
            px = x;
            py = y;
        }
    }
}

void DrawCalibrationTable(PageComposer& page, double, int selector) {
    const Workspace& ws = page.ws();
    const Settings& s = ws.settings;
    DrawSheetFrame(page, 155);
    page.DrawLineMm(75, 5, 75, 190, s.ruleLineWidth);
    DrawSiNote(page, 154);

    page.SetAlign(TextAlign::leftTop);
    page.DrawTextInBoxMm(11, 5, 30, 12.5, Sjis("セル圧力 Pm"));
    page.DrawTextInBoxMm(81, 5, 100, 12.5, Sjis("注入水量 Vm"));
    page.DrawTextInBoxMm(15, 12.5, 30, 20, Sjis("kN/㎡"));
    page.DrawTextInBoxMm(85, 12.5, 100, 20, s.volumeUnit == 1 ? "cm3" : "ml");

    page.SetAlign(TextAlign::rightBottom);
    ForEachSheetRow([&](int r, double y) {
        page.DrawTextMm(25, y - 0.5, CalibrationCell(ws, r, 1, selector));
        page.DrawTextMm(95, y - 0.5, CalibrationCell(ws, r, 2, selector));
        return true;
    });
}

}  // namespace karnea
