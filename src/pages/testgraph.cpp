#include "pages/testgraph.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/encoding.h"
#include "base/textfields.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"

namespace karnea {
namespace {

constexpr int kMaxLabels = 101;

// The graph's frame (mm, graph block): P from left to right, V and the
// creep from bottom to top.
constexpr double kLeft = 20;
constexpr double kRight = 140;
constexpr double kTop = 45;
constexpr double kBottom = 165;
// The most grid divisions an axis is drawn with.
constexpr int kMaxGridDivisions = 120;

// Decimals shown by the labels of an axis: the characters after the first
// "." of its minimum or step text, whichever has more, at most 6.
int LabelDecimals(const std::string& minimum, const std::string& step) {
    const auto after = [](const std::string& text) {
        const std::size_t dot = text.find('.');
        return dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
    };
    return std::min(std::max(after(minimum), after(step)), 6);
}

// Calls `each(v)` for v = lo, lo + step, ... while v <= hi, at most 101 times.
template <typename Each>
void ForEachLabel(double lo, double hi, double step, Each each) {
    double v = lo;
    for (int n = 0; n < kMaxLabels && v <= hi; ++n, v += step) {
        each(v);
    }
}

// The summary values print with the setting as it stands (kept in the list).
const char* SummaryFormat(int decimals) {
    return kDecimalsFormats[static_cast<std::size_t>(std::clamp(decimals, 0, 7))];
}

}  // namespace

void DrawResultSummary(PageComposer& page, const TestRecord& test) {
    const Settings& s = page.settings();
    const HeaderTexts& h = test.testHeader;
    const auto x = [](int i) { return 5 + 37.5 * i; };
    const int outer = s.frameLineWidth;
    const int rule = s.ruleLineWidth;

    page.DrawLineMm(x(0), 44, x(0), 63, outer);
    page.DrawLineMm(x(4), 44, x(4), 63, outer);
    page.DrawLineMm(x(0), 44, x(4), 44, outer);
    page.DrawLineMm(x(0), 63, x(4), 63, outer);
    page.DrawLineMm(x(0), 55, x(4), 55, rule);
    for (int i = 1; i <= 3; ++i) {
        page.DrawLineMm(x(i), 44, x(i), 63, rule);
    }
    const std::array<std::string, 4> captions = {Sjis("初期圧力 Po"), Sjis("降伏圧力 Pf"),
                                                 Sjis("極限圧力 Pl"),
                                                 s.modulusName + " " + s.modulusSymbol};
    for (int i = 0; i < 4; ++i) {
        page.DrawTextInBoxMm(x(i), 44, x(i + 1), 49.5, captions[static_cast<std::size_t>(i)]);
    }
    const std::string unit = Sjis("kN/㎡");
    for (int i = 0; i < 4; ++i) {
        page.DrawTextInBoxMm(x(i), 49.5, x(i + 1), 55, unit);
    }
    const bool showPl = PlShown(h);
    const std::array<int, 4> values = {header::poEffective, header::pfEffective, header::plValue,
                                       header::modulusValue};
    for (int i = 0; i < 4; ++i) {
        const std::string& text = h[values[static_cast<std::size_t>(i)]];
        // A modulus the analysis could not compute leaves its box empty.
        const std::optional<double> value =
            i == 3 ? StoredModulus(h)
                   : (IsNumber(text) ? std::optional<double>(TextToDouble(text)) : std::nullopt);
        if (!value || (i == 2 && !showPl)) {
            continue;
        }
        const int decimals = i == 3 ? s.emDecimals : s.pointDecimals;
        page.DrawTextInBoxMm(x(i), 55, x(i + 1), 63,
                             FormatDerived(SummaryFormat(decimals), *value));
    }
}

namespace {

// The graph's three scales, as the header gives them.
struct GraphScales {
    explicit GraphScales(const HeaderTexts& hd)
        : pMin(TextToDouble(hd[header::pAxisMin])),
          pMax(TextToDouble(hd[header::pAxisMax])),
          pStep(TextToDouble(hd[header::pAxisStep])),
          vMin(TextToDouble(hd[header::vAxisMin])),
          vMax(TextToDouble(hd[header::vAxisMax])),
          vStep(TextToDouble(hd[header::vAxisStep])),
          dvMin(TextToDouble(hd[header::dvAxisMin])),
          dvMax(TextToDouble(hd[header::dvAxisMax])),
          dvStep(TextToDouble(hd[header::dvAxisStep])) {}
    double x(double p) const { return MapScale(p, pMin, pMax, kLeft, kRight); }
    double y(double v) const { return MapScale(v, vMin, vMax, kBottom, kTop); }
    double yCreep(double dv) const { return MapScale(dv, dvMin, dvMax, kBottom, kTop); }

    double pMin, pMax, pStep;
    double vMin, vMax, vStep;
    double dvMin, dvMax, dvStep;
};

// The frame, and the grid of the divisions the header asks for.
void DrawFrameAndGrid(PageComposer& page, const HeaderTexts& hd) {
    const Settings& s = page.settings();
    const int outer = s.frameLineWidth;
    const long gridColour = GridColour(s);
    page.DrawLineMm(kLeft, kTop, kRight, kTop, outer);
    page.DrawLineMm(kLeft, kBottom, kRight, kBottom, outer);
    page.DrawLineMm(kLeft, kTop, kLeft, kBottom, outer);
    page.DrawLineMm(kRight, kTop, kRight, kBottom, outer);
    const int n = TextToInt(hd[header::gridDivisionsP]);
    if (n >= 2 && n <= kMaxGridDivisions) {
        for (int i = 1; i < n; ++i) {
            const double x = kLeft + i * (kRight - kLeft) / n;
            page.DrawDashedLineMm(x, kTop, x, kBottom, s.gridDashLength, s.gridGapLength,
                                  s.gridLineWidth, gridColour);
        }
    }
    const int m = TextToInt(hd[header::gridDivisionsV]);
    if (m >= 2 && m <= kMaxGridDivisions) {
        for (int j = 1; j < m; ++j) {
            const double y = kBottom - j * (kBottom - kTop) / m;
            page.DrawDashedLineMm(kLeft, y, kRight, y, s.gridDashLength, s.gridGapLength,
                                  s.gridLineWidth, gridColour);
        }
    }
}

// The labels of the three scales and the name of the P axis.
void DrawScaleLabels(PageComposer& page, const HeaderTexts& hd, const GraphScales& g, double h) {
    page.SetAlign(TextAlign::centerTop);
    const char* pFormat =
        DecimalsFormat(LabelDecimals(hd[header::pAxisMin], hd[header::pAxisStep]));
    ForEachLabel(g.pMin, g.pMax, g.pStep, [&](double v) {
        page.DrawTextMm(g.x(v), kBottom + 1, FormatDerived(pFormat, v));
    });
    page.DrawTextMm((kLeft + kRight) / 2, kBottom + 1.5 * h, Sjis("Ｐ (kN/㎡)"));
    page.SetAlign(TextAlign::rightTop);
    const char* vFormat =
        DecimalsFormat(LabelDecimals(hd[header::vAxisMin], hd[header::vAxisStep]));
    ForEachLabel(g.vMin, g.vMax, g.vStep, [&](double v) {
        page.DrawTextMm(kLeft - 1, g.y(v) - 0.5 * h, FormatDerived(vFormat, v));
    });
    page.SetAlign(TextAlign::leftTop);
    ForEachLabel(g.dvMin, g.dvMax, g.dvStep, [&](double v) {
        page.DrawTextMm(kRight, g.yCreep(v) - 0.5 * h,
                        FormatText("%4d", TruncateToInt(std::floor(v + 0.01))));
    });
}

// The readings up to the first that cannot be drawn: the volume as a
// circle, the creep as a cross, and the chosen points marked.
void DrawReadings(PageComposer& page, const TestRecord& test, const GraphScales& g, double h) {
    const Settings& s = page.settings();
    const HeaderTexts& hd = test.testHeader;
    const int outer = s.frameLineWidth;
    const int rule = s.ruleLineWidth;
    page.SetAlign(TextAlign::leftTop);
    const int volumeField = StepVolumeField(hd);
    const bool showMarks = s.hidePointLetters == 0;
    const bool showPl = PlShown(hd);
    const int poRow = TextToInt(hd[header::poRow]);
    const int pfRow = TextToInt(hd[header::pfRow]);
    const int plRow = TextToInt(hd[header::plRow]);
    for (int row = 1; row <= kTestRowCount; ++row) {
        const TestRow& r = test.testRows[row];
        if (!IsNumber(r[volumeField]) || !IsNumber(r[testField::p])) {
            break;
        }
        const double v = TextToDouble(r[volumeField]);
        const double x = g.x(TextToDouble(r[testField::p]));
        const double y = g.y(v);
        const double yc = g.yCreep(TextToDouble(r[testField::dv]));
        // A reading beyond the scales is cut at the frame, so that nothing
        // of it stands over the calculation box or the labels (one on the
        // frame stays whole).
        const bool inside =
            x >= kLeft && x <= kRight && std::min(y, yc) >= kTop && std::max(y, yc) <= kBottom;
        if (!inside) {
            page.ClipToMm(kLeft, kTop, kRight, kBottom);
        }
        page.DrawCircleMm(x, y, 1, outer);
        page.DrawCircleMm(x, y, 0.2, outer);
        page.DrawLineMm(x - 1, yc + 1, x + 1, yc - 1, outer);
        page.DrawLineMm(x - 1, yc - 1, x + 1, yc + 1, outer);
        if (!inside) {
            page.ClipOff();
        }
        if (!showMarks) {
            continue;
        }
        // The marks of a reading beyond the scales point at the frame.
        const double ym = std::clamp(y, kTop, kBottom);
        const auto markUp = [&](const std::string& text) {
            const double top = std::max(ym - 12, 44.0);
            page.DrawLineMm(x, ym - 1, x, top, rule);
            page.DrawTextMm(x - 0.5 * h, top - h, text);
        };
        if (row == poRow) {
            markUp(Sjis("Po’"));
        }
        if (row == pfRow) {
            markUp(Sjis("Pf’"));
        }
        if (showPl && row == plRow) {
            if (v > g.vMin + 0.85 * (g.vMax - g.vMin)) {
                page.DrawLineMm(x, ym + 1, x, ym + 11, rule);
                page.DrawTextMm(x - 0.5 * h, ym + 14 - h, "Pl");
            } else {
                markUp("Pl");
            }
        }
    }
}

// The names of the V and creep axes with their unit, across or along.
void DrawVolumeAxisNames(PageComposer& page, double h) {
    const Settings& s = page.settings();
    const std::string unit = Sjis(VolumeUnitOf(s) == VolumeUnit::cm3 ? "(cm3)" : "(ml)");
    const double xv = std::max(kLeft - 4 * h, 5.2);
    const double yv = 105 + h;
    const std::string vName = Sjis(" Ｖ");
    const std::string dvName = Sjis("ΔＶ");
    if (s.rotateAxisNames == 0) {
        page.SetAlign(TextAlign::leftTop);
        page.DrawTextMm(xv, yv, vName);
        page.DrawTextMm(xv, yv + 1.5 * h, unit);
        page.DrawTextMm(146, yv, dvName);
        page.DrawTextMm(146, yv + 1.5 * h, unit);
    } else {
        page.SelectRoleFont(FontRole::graph, 90);
        page.DrawTextMm(xv, yv + 8, vName + unit);
        page.DrawTextMm(150, yv + 8, dvName + unit);
    }
}

// The box of the six calculation lines above the graph (the Pl line left
// out while Pl is hidden).
void DrawCalculationLines(PageComposer& page, const HeaderTexts& hd) {
    const int outer = page.settings().frameLineWidth;
    page.DrawLineMm(kLeft, 5, kRight, 5, outer);
    page.DrawLineMm(kLeft, 40, kRight, 40, outer);
    page.DrawLineMm(kLeft, 5, kLeft, 40, outer);
    page.DrawLineMm(kRight, 5, kRight, 40, outer);
    page.SelectRoleFont(FontRole::calculation);
    page.SetAlign(TextAlign::leftTop);
    const bool showPl = PlShown(hd);
    for (int k = 0; k < 6; ++k) {
        if (header::poLine + k == header::plLine && !showPl) {
            continue;
        }
        page.DrawTextMm(25, 5 + 2.5 + 5 * k, hd[header::poLine + k]);
    }
}

}  // namespace

void DrawTestGraph(PageComposer& page, const TestRecord& test, double h) {
    const HeaderTexts& hd = test.testHeader;
    const GraphScales scales(hd);
    DrawFrameAndGrid(page, hd);
    DrawScaleLabels(page, hd, scales, h);
    DrawReadings(page, test, scales, h);
    DrawVolumeAxisNames(page, h);
    DrawCalculationLines(page, hd);
}

}  // namespace karnea
