#include "pages/datasheet.h"

#include <array>

#include "base/encoding.h"
#include "base/textfields.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"

namespace karnea {
namespace {

constexpr int kRowsPerPage = 40;

struct Column {
    int field;
    const char* caption;
    bool volume;
    double left8, right8;  // 8-column layout; left8 < 0: not shown
    double left9, right9;
};

constexpr std::array<Column, 9> kColumns = {{
    {1, "セル圧力Pm", false, 5, 26, 5, 26},
    {2, "V15”", true, 26, 46, 26, 41},
    {3, "V30”", true, 46, 66, 41, 56},
    {4, "V60”", true, 66, 86, 56, 71},
    {5, "V120”", true, -1, -1, 71, 86},
    {6, "Pm+Pz", false, 86, 104, 86, 104},
    {7, "Pi", false, 104, 122, 104, 122},
    {8, "P", false, 122, 140.5, 122, 140.5},
    {9, "ΔV", true, 140.5, 156, 140.5, 156},
}};

}  // namespace

std::string NumberCell(const std::string& text, int decimals) {
    return IsNumber(text) ? FormatDerived(DecimalsFormat(decimals), TextToDouble(text))
                          : std::string();
}

std::string RowValue(const TestRows& rows, const Settings& s, int row, int field) {
    if (field < 1 || field > 9 || row < 1 || row > kTestRowCount) {
        return {};
    }
    const int decimals = field == 1                 ? s.pmDecimals
                         : field >= 6 && field <= 8 ? s.pressureDecimals
                                                    : s.volumeDecimals;
    return NumberCell(rows[row][field], decimals);
}

void DrawSheetFrame(PageComposer& page, double right) {
    const Settings& s = page.settings();
    page.DrawLineMm(5, 5, right, 5, s.frameLineWidth);
    page.DrawLineMm(5, 190, right, 190, s.frameLineWidth);
    page.DrawLineMm(5, 5, 5, 190, s.frameLineWidth);
    page.DrawLineMm(right, 5, right, 190, s.frameLineWidth);
    page.DrawLineMm(5, 12.5, right, 12.5, s.ruleLineWidth);
    page.DrawLineMm(5, 20, right, 20, s.ruleLineWidth);
}

void DrawSiNote(PageComposer& page, double x) {
    const Settings& s = page.settings();
    if (s.showSiCoefficient != 0 && IsNumber(s.siCoefficient)) {
        page.SetAlign(TextAlign::rightBottom);
        page.DrawTextMm(x, 4, Sjis("1kgf/c㎡＝") + s.siCoefficient + Sjis("kN/㎡"));
    }
}

void DrawDataSheet(PageComposer& page, const TestRecord& test, int pageIndex) {
    const Settings& s = page.settings();
    DrawSheetFrame(page, 156);
    page.DrawLineMm(26, 5, 26, 190, s.ruleLineWidth);
    page.DrawLineMm(86, 5, 86, 190, s.ruleLineWidth);
    DrawSiNote(page, 155);
    const bool nine = Shows120Column(test.testHeader);
    const auto shown = [&](const Column& c) { return nine || c.left8 >= 0; };

    page.SetAlign(TextAlign::leftTop);
    const std::string volumeUnit = VolumeUnitOf(s) == VolumeUnit::cm3 ? "cm3" : "ml";
    const std::string pressureUnit = Sjis("kN/㎡");
    for (const Column& c : kColumns) {
        if (!shown(c)) {
            continue;
        }
        const double left = nine ? c.left9 : c.left8;
        const double right = nine ? c.right9 : c.right8;
        page.DrawTextInBoxMm(left, 12.5, right, 20, c.volume ? volumeUnit : pressureUnit);
        page.DrawTextInBoxMm(left, 5, right, 12.5, Sjis(c.caption));
    }

    page.SetAlign(TextAlign::rightBottom);
    ForEachSheetRow([&](int r, double y) {
        const int row = kRowsPerPage * (pageIndex - 1) + r;
        if (row > kTestRowCount) {
            return false;
        }
        for (const Column& c : kColumns) {
            if (!shown(c)) {
                continue;
            }
            const double right = nine ? c.right9 : c.right8;
            const bool narrow = nine && c.field >= 2 && c.field <= 5;
            page.DrawTextMm(right - (narrow ? 3 : 4), y - 0.5,
                            RowValue(test.testRows, s, row, c.field));
        }
        return true;
    });
}

}  // namespace karnea
