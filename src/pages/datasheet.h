// The data-sheet pages of a test: 40 reading rows a page.
#pragma once

#include <string>

namespace karnea {

class PageComposer;
struct Workspace;

// The cell text of test row `row`, field `field` (1..9) as the data sheet and
// the dialogs show it; empty for a text that is not a number.
std::string RowValue(const Workspace& ws, int row, int field);

// Data-sheet page `pageIndex` (1 lists rows 1..40), block offset 43.
void DrawDataSheet(PageComposer& page, int pageIndex);

}  // namespace karnea
