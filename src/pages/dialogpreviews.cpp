#include "pages/dialogpreviews.h"

#include <algorithm>

#include "base/textfields.h"
#include "pages/surface.h"
#include "records/choices.h"

namespace karnea {
namespace {

constexpr long kGrey = 0x808080;
constexpr long kBlue = 0xFF0000;  // 0x00BBGGRR
constexpr long kBlack = 0x000000;
constexpr long kWhite = 0xFFFFFF;
constexpr int kRadius = 3;
constexpr int kLabelHeight = 12;
// A label box is this high; its text stands a little below the box's top.
constexpr int kLabelBox = 20;
constexpr int kLabelInset = 4;
// The gap between a test point and its label.
constexpr int kLabelGap = 6;

// Positions in the area, y upwards, and their device coordinates.
struct Plot {
    Surface& surface;
    PreviewArea area;
    int deviceY(double y) const { return area.height - static_cast<int>(y); }

    void Circle(double x, double y, long colour, int radius = kRadius) const {
        surface.DrawCircle(static_cast<int>(x), deviceY(y), radius, 2, colour);
    }
    void Cross(double x, double y, long colour = kBlack) const {
        const int cx = static_cast<int>(x);
        const int cy = deviceY(y);
        surface.DrawLine(cx - 3, cy - 3, cx + 3, cy + 3, 1, colour);
        surface.DrawLine(cx - 3, cy + 3, cx + 3, cy - 3, 1, colour);
    }
    // A label whose box has its bottom at `bottom` (y upwards); the text is
    // aligned on `x` as `align` says.
    void Label(double x, double bottom, TextAlign align, const std::string& text,
               const std::string& face, long colour = kBlue) const {
        surface.SelectFont(face, kLabelHeight, 0, colour);
        surface.SetTextAlign(align);
        surface.DrawText(static_cast<int>(x), deviceY(bottom + kLabelBox) + kLabelInset, text);
    }
};

int LastRowWith(const auto& rows, int field) {
    int last = 0;
    for (int row = 1; row <= rows.size(); ++row) {
        if (!rows[row][field].empty()) {
            last = row;
        }
    }
    return last;
}

}  // namespace

double PreviewMap(double v, double a, double b, double p, double q) {
    if (b - a < 0.01) {
        return 0.0;
    }
    const double mapped = p + (v - a) / (b - a) * (q - p);
    return mapped >= -999999.9 && mapped <= 99999.9 ? mapped : 0.0;
}

void DrawTestPreview(Surface& surface, PreviewArea area, const TestRecord& test,
                     const TestPreviewScale& s, int currentRow, int pDecimals,
                     const std::string& face) {
    const Plot plot{surface, area};
    const TestRows& rows = test.testRows;
    const int volume = StepVolumeField(test.testHeader);
    const auto x = [&](const TestRow& r) {
        return PreviewMap(TextToDouble(r[testField::p]), s.pMin, s.pMax, 2, area.width);
    };
    const auto yV = [&](const TestRow& r) {
        return PreviewMap(TextToDouble(r[volume]), s.vMin, s.vMax, 0, area.height);
    };
    const auto yDv = [&](const TestRow& r) {
        return PreviewMap(TextToDouble(r[testField::dv]), s.dvMin, s.dvMax, 0, area.height);
    };
    const int last = LastRowWith(rows, testField::pm);
    for (int row = 1; row <= last; ++row) {
        plot.Circle(x(rows[row]), yV(rows[row]), kGrey);
        plot.Cross(x(rows[row]), yDv(rows[row]));
    }
    if (currentRow < 1 || currentRow > rows.size() || !IsNumber(rows[currentRow][testField::p])) {
        return;
    }
    const TestRow& r = rows[currentRow];
    plot.Circle(x(r), yV(r), kBlue);
    plot.Cross(x(r), yDv(r));
    const std::string p =
        FormatNumber(DecimalsFormat(std::min(pDecimals, 6)), TextToDouble(r[testField::p]));
    const std::string text = r[testField::pm] + " " + r[testField::vol15] + "," +
                             r[testField::vol30] + "," + r[volume] + " (" + p + ")";
    const bool beyondMiddle = TextToDouble(r[testField::p]) >= (s.pMin + s.pMax) / 2;
    plot.Label(beyondMiddle ? x(r) - kLabelGap : x(r) + kLabelGap, yV(r) - kLabelBox / 2.0,
               beyondMiddle ? TextAlign::rightTop : TextAlign::leftTop, text, face);
}

void DrawCalibrationPreview(Surface& surface, PreviewArea area, const CalibrationRows& rows,
                            const CalibrationPreviewScale& s, int currentRow,
                            const std::string& face) {
    const Plot plot{surface, area};
    const auto x = [&](const CalibrationRow& r) {
        return PreviewMap(TextToDouble(r[calibrationField::pm]), s.pmMin, s.pmMax, 2, area.width);
    };
    const auto y = [&](const CalibrationRow& r) {
        return PreviewMap(TextToDouble(r[calibrationField::vmCopy]), s.vmMin - 0.6, s.vmMax, 0,
                          area.height);
    };
    const int last = LastRowWith(rows, calibrationField::pm);
    for (int row = 1; row <= last; ++row) {
        plot.Circle(x(rows[row]), y(rows[row]), kGrey);
    }
    if (currentRow < 1 || currentRow > rows.size() ||
        !IsNumber(rows[currentRow][calibrationField::vmCopy])) {
        return;
    }
    const CalibrationRow& r = rows[currentRow];
    plot.Circle(x(r), y(r), kBlue);
    // The label's box (158 wide) stands left of a point in the right half,
    // above a point low on the volume axis, else beside it.
    int dx = 4;
    int dy = -2;
    if (x(r) > (2 + area.width) / 2.0) {
        dx = -80;
    } else if (TextToDouble(r[calibrationField::vm]) < 20) {
        dx = 10;
        dy = 8;
    }
    plot.Label(x(r) + dx, y(r) + dy, TextAlign::leftTop,
               r[calibrationField::pm] + " " + r[calibrationField::vmCopy], face);
}

void DrawLoadedCalibrationPreview(Surface& surface, PreviewArea area, const CalibrationRows& rows,
                                  int count) {
    const Plot plot{surface, area};
    for (int row = 1; row <= count && row <= rows.size(); ++row) {
        const CalibrationRow& r = rows[row];
        plot.Circle(PreviewMap(TextToDouble(r[calibrationField::pm]), -2, 300, 0, area.width),
                    PreviewMap(TextToDouble(r[calibrationField::vm]), -2, 1000, 0, area.height),
                    kGrey, 2);
    }
}

void DrawAnalysisPreview(Surface& surface, PreviewArea area, const TestRecord& test, int usableRows,
                         const AnalysisPreviewState& s, int dvDecimals, const std::string& face) {
    const Plot plot{surface, area};
    const int volume = StepVolumeField(test.testHeader);
    const auto point = [&](int row, long colour, long labelColour) {
        const TestRow& r = test.testRows[row];
        const double p = TextToDouble(r[testField::p]);
        const double x = PreviewMap(p, s.pMin, s.pMax, 0, area.width);
        const double y = PreviewMap(TextToDouble(r[volume]), s.vMin, s.vMax, 0, area.height);
        plot.Circle(x, y, colour);
        plot.Cross(x, PreviewMap(TextToDouble(r[testField::dv]), 0, s.dvMax, 0, area.height),
                   colour);
        const std::string dv =
            FormatNumber(DecimalsFormat(std::min(dvDecimals, 6)), TextToDouble(r[testField::dv]));
        const std::string text = r[testField::pm] + " " + r[testField::vol15] + "," +
                                 r[testField::vol30] + "," + r[volume] + " (" + dv + ")";
        // The label box reaches from 2 above the point to 20 below it.
        const double left = x > 0.7 * area.width ? x - 130 : x + 4;
        plot.Label(left, y + 2 - kLabelBox, TextAlign::leftTop, text, face, labelColour);
    };
    for (int row = 1; row <= usableRows && row <= kTestRowCount; ++row) {
        long colour = kGrey;
        for (std::size_t i = 0; i < 3; ++i) {
            if (row == s.displayedRows[i]) {
                colour = kPointColours[i];
            }
        }
        point(row, colour, kWhite);
    }
    if (s.currentRow >= 1 && s.currentRow <= kTestRowCount) {
        const long colour = kPointColours[static_cast<std::size_t>(s.currentPoint)];
        point(s.currentRow, colour, colour);
    }
}

}  // namespace karnea
