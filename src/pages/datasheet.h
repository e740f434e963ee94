// The data-sheet pages of a test: 40 reading rows a page.
#pragma once

#include <string>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class PageComposer;

// A table cell: empty for a text that is not a number, else the number with
// the format of `decimals`.
std::string NumberCell(const std::string& text, int decimals);

// The cell text of test row `row`, field `field` (1..9) as the data sheet and
// the dialogs show it, with the decimals of the settings; empty for a text
// that is not a number.
std::string RowValue(const TestRows& rows, const Settings& settings, int row, int field);

// Data-sheet page `pageIndex` (1 lists rows 1..40), block offset 43.
void DrawDataSheet(PageComposer& page, const TestRecord& test, int pageIndex);

// What the table pages (data sheet and calibration table) share: the outer
// box from x 5 to `right` and y 5 to 190 with the heading rules at 12.5 and
// 20; the SI note ending at x; the bottom y of rows 1..40 (a step of
// 170 / 44.5 mm and a half-step gap above every five rows).
void DrawSheetFrame(PageComposer& page, double right);
void DrawSiNote(PageComposer& page, double x);
template <typename Each>
void ForEachSheetRow(Each each) {
    const double step = (190 - 20) * 0.02247191011235955;
    double y = 20;
    for (int r = 1; r <= 40; ++r) {
        if ((r - 1) % 5 == 0) {
            y += step / 2;
        }
        y += step;
        if (!each(r, y)) {
            return;
        }
    }
}

}  // namespace karnea
