#include "entry/readingsgrid.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"

namespace karnea {
namespace {

// Pressures closer than this are the same pressure.
constexpr double kSamePressure = 0.000001;
constexpr double kLowestPressure = -100.0;
constexpr double kHighestPressure = 30000.0;
// The duplicate report of OK lists at most this many lines, and stops
// growing at this length.
constexpr int kDuplicateLines = 6;
constexpr std::size_t kDuplicateMessageLength = 299;

std::string TwoDecimals(std::string_view number) {
    return FormatText("%.2f", TextToDouble(number));
}

bool SamePressure(std::string_view a, std::string_view b) {
    return std::fabs(TextToDouble(a) - TextToDouble(b)) < kSamePressure;
}

// A pressure is one whole number within the limits: "5abc" would be read as
// 5 by the conversions and shown as the user never typed it.
bool PressureAllowed(std::string_view text) {
    const std::optional<double> p = ParseNumber(text);
    return p && *p >= kLowestPressure && *p <= kHighestPressure;
}

}  // namespace

ReadingsGrid::ReadingsGrid(int rows, std::vector<GridColumn> columns, int enterableColumns,
                           int enterKeyMode, Messages& messages)
    : messages_(messages),
      columns_(std::move(columns)),
      cells_(static_cast<std::size_t>(rows), std::vector<std::string>(columns_.size())),
      entries_(columns_.size()),
      takenEntries_(columns_.size()),
      buffer_(columns_.size()),
      enterable_(enterableColumns),
      enterKeyMode_(enterKeyMode) {}

void ReadingsGrid::FillList(const std::vector<std::vector<std::string>>& table, bool byPressure) {
    const int n = rowCount();
    int leading = 0;
    bool counting = true;
    for (int row = 1; row <= n && row <= static_cast<int>(table.size()); ++row) {
        const std::vector<std::string>& source = table[static_cast<std::size_t>(row - 1)];
        const bool shown = !source.empty() && (!byPressure || IsNumber(source[0]));
        counting = counting && shown;
        leading += counting ? 1 : 0;
        for (int column = 1; column <= columnCount(); ++column) {
            const auto c = static_cast<std::size_t>(column - 1);
            cells_[static_cast<std::size_t>(row - 1)][c] =
                shown && c < source.size() ? source[c] : std::string();
        }
    }
    ++listRevision_;
    currentRow_ = leading < n ? leading + 1 : 0;
    const int used = LastUsedRow();
    if (used < n) {
        selectedRow_ = used + 1;
    }
}

const std::string& ReadingsGrid::cell(int row, int column) const {
    return cells_.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(column - 1));
}

void ReadingsGrid::SetSelectedRow(int row) {
    selectedRow_ = row >= 1 && row <= rowCount() ? row : 0;
}

const std::string& ReadingsGrid::entry(int column) const {
    return entries_.at(static_cast<std::size_t>(column - 1));
}

void ReadingsGrid::SetEntry(int column, std::string text) {
    entries_.at(static_cast<std::size_t>(column - 1)) = std::move(text);
}

GridFocus ReadingsGrid::TakeFocusRequest() {
    return std::exchange(focusRequest_, GridFocus::none);
}

int ReadingsGrid::TakeScrollRequest() {
    return std::exchange(scrollRequest_, -1);
}

bool ReadingsGrid::TakePointerWarp() {
    return std::exchange(pointerWarp_, false);
}

void ReadingsGrid::RedrawPreview() {
    PrepareRedraw();
    previewRow_ = currentRow_;
    ++previewRevision_;
}

void ReadingsGrid::SetCell(int row, int column, const std::string& text) {
    cells_.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(column - 1)) = text;
    ++listRevision_;
    WriteRecordCell(row, column, text);
}

std::vector<std::vector<std::string>> ClipboardBlock(std::string_view utf8) {
    const char separator =
        utf8.find('\t') == std::string_view::npos && utf8.find(',') != std::string_view::npos
            ? ','
            : '\t';
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    bool any = false;  // the row has begun
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < utf8.size() && utf8[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"' && cell.empty()) {
            quoted = true;
        } else if (c == separator) {
            row.push_back(std::exchange(cell, std::string()));
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
                ++i;
            }
            row.push_back(std::exchange(cell, std::string()));
            rows.push_back(std::exchange(row, {}));
            any = false;
        } else {
            cell += c;
        }
    }
    if (any) {
        row.push_back(cell);
        rows.push_back(row);
    }
    // Empty lines at the end (some editors copy one more line end) are no
    // rows; an empty cell within the block is one, and clears its cell.
    while (!rows.empty() && rows.back().size() == 1 && rows.back().front().empty()) {
        rows.pop_back();
    }
    return rows;
}

std::string ReadingsGrid::CopyText(const Block& block) const {
    std::string text;
    for (int r = std::max(block.top, 1); r <= std::min(block.bottom, rowCount()); ++r) {
        for (int c = std::max(block.left, 1); c <= std::min(block.right, columnCount()); ++c) {
            text += (c > std::max(block.left, 1) ? "\t" : "") + Cp932ToUtf8(cell(r, c));
        }
        text += "\r\n";
    }
    return text;
}

void ReadingsGrid::ClearBlock(const Block& block) {
    for (int r = std::max(block.top, 1); r <= std::min(block.bottom, rowCount()); ++r) {
        for (int c = std::max(block.left, 1); c <= std::min(block.right, enterable_); ++c) {
            if (!cell(r, c).empty()) {
                SetCell(r, c, std::string());
                modified_ = true;
            }
        }
        AfterRow(r);
    }
    RedrawPreview();
}

std::optional<std::string> ReadingsGrid::PastedCell(std::string_view utf8, std::string& why) const {
    const std::string text =
        numberCells() ? NumberInputToAscii(TrimBlanks(utf8)) : std::string(TrimBlanks(utf8));
    why = numberCells() ? RefusalOfNumber(text) : std::string();
    if (why.empty()) {
        why = RefusalOfText(TextKind::cell, text);
    }
    if (why.empty() && numberCells() && !text.empty() && !ParseNumber(text)) {
        why = msg::valueBad;
    }
    if (!why.empty()) {
        return std::nullopt;
    }
    return Utf8ToCp932(text);
}

namespace {

// A column's title as a message names it ("V30" of "V30”").
std::string ColumnName(const GridColumn& column) {
    std::string name = column.title;
    const std::string mark = "”";
    if (name.size() >= mark.size() &&
        name.compare(name.size() - mark.size(), mark.size(), mark) == 0) {
        name.erase(name.size() - mark.size());
    }
    return name;
}

}  // namespace

bool ReadingsGrid::Paste(int row, int column, std::string_view utf8) {
    const std::vector<std::vector<std::string>> block = ClipboardBlock(utf8);
    if (block.empty() || row < 1 || column < 1 || column > enterable_) {
        return false;
    }
    std::size_t width = 0;
    for (const std::vector<std::string>& cells : block) {
        width = std::max(width, cells.size());
    }
    if (row + static_cast<int>(block.size()) - 1 > rowCount() ||
        column + static_cast<int>(width) - 1 > enterable_) {
        messages_.Show(FormatMessage(
            msg::pasteDoesNotFit,
            {std::to_string(block.size()), std::to_string(width), std::to_string(row),
             ColumnName(columns_[static_cast<std::size_t>(column - 1)]), std::to_string(rowCount()),
             ColumnName(columns_[static_cast<std::size_t>(enterable_ - 1)])}));
        return false;
    }
    // Every cell is checked before any is written.
    std::vector<std::vector<std::string>> rows(cells_);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const int r = row + static_cast<int>(i);
        for (std::size_t k = 0; k < block[i].size(); ++k) {
            const int c = column + static_cast<int>(k);
            std::string why;
            std::optional<std::string> value = PastedCell(block[i][k], why);
            // A pressure is kept as データ追加 keeps a typed one.
            if (value && numberCells() && c == 1 && !value->empty()) {
                value = TwoDecimals(*value);
            }
            if (!value) {
                messages_.Show(
                    FormatMessage(msg::pastedCellRefused,
                                  {std::to_string(r),
                                   ColumnName(columns_[static_cast<std::size_t>(c - 1)]), why}));
                return false;
            }
            rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)] = *value;
        }
        // A row of readings needs its pressure.
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(r - 1)];
        const bool readings = std::any_of(cells.begin(), cells.begin() + enterable_,
                                          [](const std::string& t) { return !t.empty(); });
        if (numberCells() && readings && !ParseNumber(cells[0])) {
            messages_.Show(FormatMessage(
                msg::pastedCellRefused,
                {std::to_string(r), ColumnName(columns_[0]), std::string(msg::valueBad)}));
            return false;
        }
    }
    const int last = row + static_cast<int>(block.size()) - 1;
    for (int r = row; r <= last; ++r) {
        for (int c = 1; c <= enterable_; ++c) {
            const std::string& text =
                rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)];
            if (text != cell(r, c)) {
                SetCell(r, c, text);
            }
        }
        AfterRow(r);
    }
    modified_ = true;
    CopyRowToEntries(row, 0);
    RedrawPreview();
    return true;
}

bool ReadingsGrid::PasteIntoEntries(int column, std::string_view utf8) {
    const std::vector<std::vector<std::string>> block = ClipboardBlock(utf8);
    if (block.empty() || column < 1) {
        return false;
    }
    const std::vector<std::string>& row = block.front();
    if (column + static_cast<int>(row.size()) - 1 > enterable_) {
        messages_.Show(FormatMessage(
            msg::pasteDoesNotFitEntries,
            {std::to_string(row.size()), ColumnName(columns_[static_cast<std::size_t>(column - 1)]),
             ColumnName(columns_[static_cast<std::size_t>(enterable_ - 1)])}));
        return false;
    }
    std::vector<std::string> entries = entries_;
    for (std::size_t k = 0; k < row.size(); ++k) {
        const int c = column + static_cast<int>(k);
        std::string why;
        const std::optional<std::string> value = PastedCell(row[k], why);
        if (!value) {
            messages_.Show(FormatMessage(msg::pastedEntryRefused,
                                         ColumnName(columns_[static_cast<std::size_t>(c - 1)]),
                                         why));
            return false;
        }
        entries[static_cast<std::size_t>(c - 1)] = *value;
    }
    entries_ = std::move(entries);
    // What follows is what follows the fields typed and left.
    EntryFocusLost(column);
    return true;
}

void ReadingsGrid::CopyRowToEntries(int row, int column) {
    if (row < 1 || row > rowCount()) {
        return;
    }
    for (int c = 1; c <= columnCount(); ++c) {
        if (column == 0 || column == c) {
            entries_[static_cast<std::size_t>(c - 1)] = cell(row, c);
        }
    }
    EntriesTaken(column);
    selectedRow_ = row;
}

void ReadingsGrid::ClearEntries() {
    for (std::string& e : entries_) {
        e.clear();
    }
    EntriesTaken();
}

void ReadingsGrid::EntriesTaken(int column) {
    for (int c = 1; c <= columnCount(); ++c) {
        if (column == 0 || column == c) {
            takenEntries_[static_cast<std::size_t>(c - 1)] =
                entries_[static_cast<std::size_t>(c - 1)];
        }
    }
}

bool ReadingsGrid::EntriesPending() const {
    const bool any = std::any_of(entries_.begin(), entries_.end(),
                                 [](const std::string& e) { return !e.empty(); });
    return any && entries_ != takenEntries_;
}

void ReadingsGrid::ReadEntries() {
    buffer_ = entries_;
}

bool ReadingsGrid::ValidateEntries(bool showMessages) {
    std::string refusal;
    bool anyEntry = false;
    for (const std::string& e : buffer_) {
        anyEntry = anyEntry || !e.empty();
    }
    if (!anyEntry || !IsNumber(buffer_[0])) {
        refusal = msg::entriesMissing;
    } else if (!PressureAllowed(buffer_[0])) {
        refusal = msg::valueBad;
    }
    if (showMessages && !refusal.empty()) {
        messages_.Show(refusal);
    }
    CheckMoreEntries(showMessages, refusal);
    return refusal.empty();
}

Placement ReadingsGrid::PlaceEditor(int row, int column, int columnLimit) {
    if (row < 1 || row > rowCount() || column < 1 || column > columnLimit ||
        column > columnCount()) {
        return Placement::outOfRange;
    }
    ListGeometry& g = geometry_;
    const int index = row - 1;
    if (index > g.topIndex + g.perPage || index < g.topIndex - 1) {
        return Placement::rowNotVisible;
    }
    // One row beyond either edge: the list follows by one row.
    if (index == g.topIndex + g.perPage) {
        scrollRequest_ = ++g.topIndex;
    } else if (index == g.topIndex - 1) {
        scrollRequest_ = --g.topIndex;
    }
    std::string text = cell(row, column);
    if (text.empty() && column == 1) {
        text = SuggestNextPressure(row);
    }
    int left = -g.horizontalOffset;
    for (int c = 1; c < column; ++c) {
        left += columns_[static_cast<std::size_t>(c - 1)].width;
    }
    left = std::max(left, 0);
    int width = columns_[static_cast<std::size_t>(column - 1)].width;
    const int limit = g.listWidth - (g.scrollBarShown ? 20 : 0) - 3;
    if (left + width > limit) {
        width = limit - left;
    }
    if (width < 5) {
        return Placement::tooNarrow;
    }
    editorRect_ = {left, (index - g.topIndex) * g.rowHeight, width, g.rowHeight};
    editorText_ = std::move(text);
    editorShown_ = true;
    pointerWarp_ = true;
    focusRequest_ = GridFocus::editor;
    modified_ = true;
    EditorFocusGained();
    return Placement::placed;
}

void ReadingsGrid::CommitEditor() {
    // Only an editor that lies over a cell writes it; one that could not be
    // placed has no text of that cell to write.
    if (!editorShown_) {
        return;
    }
    pointerHidden_ = false;
    const std::string text = std::exchange(editorText_, std::string());
    editorShown_ = false;
    focusRequest_ = GridFocus::list;
    // A pressure that is no number would sort as 0 and end the rows the
    // file keeps: it is refused, and the cell keeps what it held.
    if (numberCells() && currentColumn_ == 1 && !text.empty() && !ParseNumber(text)) {
        messages_.Show(msg::valueBad);
        return;
    }
    if (currentRow_ >= 1 && currentRow_ <= rowCount() && currentColumn_ >= 1 &&
        currentColumn_ <= columnCount()) {
        SetCell(currentRow_, currentColumn_, text);
        CopyRowToEntries(currentRow_, currentColumn_);
        AfterCell(currentRow_, currentColumn_);
    }
}

int ReadingsGrid::LastUsedRow(int column) const {
    for (int row = rowCount(); row >= 1; --row) {
        for (int c = 1; c <= columnCount(); ++c) {
            if ((column == 0 || column == c) && !cell(row, c).empty()) {
                return row;
            }
        }
    }
    return 0;
}

std::string ReadingsGrid::SuggestNextPressure(int row) const {
    if (!autoIncrement || row < 3 || row - 1 > rowCount()) {
        return {};
    }
    const double a = TextToDouble(cell(row - 2, 1));
    const double b = TextToDouble(cell(row - 1, 1));
    const double next = 2 * b - a;
    return next > 0.01 ? FormatText("%.2f", next) : std::string();
}

bool ReadingsGrid::RowEmpty(int row) const {
    const std::vector<std::string>& cells = cells_.at(static_cast<std::size_t>(row - 1));
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

int ReadingsGrid::FindPressure(const std::string& pressure, int lastRow) const {
    for (int row = 1; row <= lastRow; ++row) {
        const std::string& p = cell(row, 1);
        if (!IsNumber(p)) {
            break;
        }
        if (SamePressure(p, pressure)) {
            return row;
        }
    }
    return 0;
}

void ReadingsGrid::ScrollToShow(int row) {
    const int index = row - 1;
    if (index < geometry_.topIndex) {
        scrollRequest_ = geometry_.topIndex = index;
    } else if (index >= geometry_.topIndex + geometry_.perPage) {
        scrollRequest_ = geometry_.topIndex = std::max(index - geometry_.perPage + 1, 0);
    }
}

void ReadingsGrid::FinishRowStep(GridFocus focus) {
    selectedRow_ = 0;
    currentRow_ = 0;
    focusRequest_ = focus;
}

bool ReadingsGrid::AddRow() {
    editingActive_ = false;
    ReadEntries();
    bool added = false;
    if (ValidateEntries(true)) {
        const int used = LastUsedRow();
        buffer_[0] = TwoDecimals(buffer_[0]);
        if (used >= rowCount()) {
            messages_.Show(msg::rowsFull);
        } else if (FindPressure(buffer_[0], used) != 0) {
            messages_.Show(FormatMessage(msg::sameDataExists, msg::pressureWord));
        } else {
            for (int c = 1; c <= columnCount(); ++c) {
                SetCell(used + 1, c, buffer_[static_cast<std::size_t>(c - 1)]);
            }
            ScrollToShow(used + 1);
            currentRow_ = used + 1;
            added = true;
        }
    }
    // An add that was tried counts as a change, added or not.
    modified_ = true;
    if (added) {
        ClearEntries();
        // A suggestion is the model's, not typed: it waits for no answer.
        entries_[0] = SuggestNextPressure(currentRow_ + 1);
        EntriesTaken(1);
        AfterRow(currentRow_);
    }
    RedrawPreview();
    FinishRowStep(autoIncrement && columnCount() > 1 ? GridFocus::firstReadingEntry
                                                     : GridFocus::pressureEntry);
    return added;
}

bool ReadingsGrid::OverwriteRow() {
    editingActive_ = false;
    ReadEntries();
    if (!ValidateEntries(true)) {
        return false;
    }
    if (currentRow_ > rowCount()) {
        messages_.Show(msg::overwriteRowOutOfRange);
        return false;
    }
    const int used = LastUsedRow();
    if (used == 0) {
        messages_.Show(msg::cannotOverwrite);
        return false;
    }
    const int found = FindPressure(buffer_[0], used);
    if (found == 0) {
        messages_.Show(FormatMessage(msg::noSameData, msg::pressureWord));
        return false;
    }
    buffer_[0] = TwoDecimals(buffer_[0]);
    for (int c = 1; c <= columnCount(); ++c) {
        SetCell(found, c, buffer_[static_cast<std::size_t>(c - 1)]);
    }
    ScrollToShow(found);
    modified_ = true;
    ClearEntries();
    // The row written is the one the dialog's own step follows, whichever
    // row was selected.
    AfterRow(found);
    RedrawPreview();
    addEnabled_ = true;
    FinishRowStep(GridFocus::pressureEntry);
    return true;
}

void ReadingsGrid::SwapListRows(int a, int b) {
    std::swap(cells_.at(static_cast<std::size_t>(a - 1)),
              cells_.at(static_cast<std::size_t>(b - 1)));
    ++listRevision_;
}

void ReadingsGrid::RemoveListRow(int row) {
    cells_.erase(cells_.begin() + (row - 1));
    cells_.emplace_back(columns_.size());
    ++listRevision_;
}

void ReadingsGrid::DeleteRow() {
    const int row = selectedRow_;
    currentRow_ = 0;
    if (row >= 1 && row <= rowCount()) {
        RemoveListRow(row);
        DeleteRecordRow(row);
        selectedRow_ = 0;
        ClearEntries();
        RedrawPreview();
    }
    addEnabled_ = true;
    focusRequest_ = GridFocus::pressureEntry;
}

void ReadingsGrid::UpdateRowFromEntries() {
    if (currentRow_ < 1 || currentRow_ > rowCount() || currentColumn_ < 1 ||
        currentColumn_ > columnCount()) {
        return;
    }
    ReadEntries();
    if (!ValidateEntries(false) || LastUsedRow() > rowCount()) {
        return;
    }
    buffer_[0] = TwoDecimals(buffer_[0]);
    const std::string& pressure = cell(currentRow_, 1);
    if (IsNumber(pressure) && !SamePressure(pressure, buffer_[0])) {
        return;
    }
    for (int c = 1; c <= columnCount(); ++c) {
        const std::string& text = buffer_[static_cast<std::size_t>(c - 1)];
        // A cell that takes a new text is a change that Cancel asks about.
        modified_ = modified_ || cell(currentRow_, c) != text;
        SetCell(currentRow_, c, text);
    }
    EntriesTaken();
}

void ReadingsGrid::EntryFocusLost(int column) {
    // A current row that holds nothing yet (the one after the readings, as
    // the dialog opens) is a new row: the entries wait for "データ追加",
    // which stays open to the keyboard, instead of going into it as typed.
    const bool rowInRange = currentRow_ >= 1 && currentRow_ <= rowCount() && currentColumn_ >= 1 &&
                            currentColumn_ <= columnCount() && !RowEmpty(currentRow_);
    if (column == 1) {
        addEnabled_ = !rowInRange;
    }
    if (rowInRange) {
        UpdateRowFromEntries();
        AfterEntry(column);
    }
}

void ReadingsGrid::CommitGrid() {
    std::string report = std::string(msg::duplicatePressures) + "\r\n";
    // The report's length as the message box measures it (CP932 bytes).
    std::size_t reportLength = Utf8ToCp932(report).size();
    int duplicates = 0;
    int written = 0;
    std::vector<std::vector<std::string>> list = cells_;
    for (int n = LastUsedRow(); n >= 1; --n) {
        if (list.front()[0].empty()) {
            list.erase(list.begin());
            continue;
        }
        std::size_t smallest = 0;
        double x = 0.0;
        bool found = false;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            if (list[i][0].empty()) {
                continue;
            }
            const double value = TextToDouble(list[i][0]);
            if (!found || value < x) {
                smallest = i;
                x = value;
                found = true;
            }
        }
        if (x > 0) {
            for (std::size_t j = smallest + 1; j < static_cast<std::size_t>(n); ++j) {
                if (std::fabs(TextToDouble(list[j][0]) - x) >= kSamePressure) {
                    continue;
                }
                ++duplicates;
                if (duplicates <= kDuplicateLines) {
                    const std::string line = " " + list[smallest][0] + " m \r\n";
                    reportLength += line.size();
                    report += Cp932ToUtf8(line);
                }
                if (reportLength > kDuplicateMessageLength) {
                    duplicates = 99;
                }
            }
        }
        ++written;
        if (written <= rowCount()) {
            CommitRecordRow(written, list[smallest]);
        }
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(smallest));
    }
    if (duplicates > 0) {
        messages_.Show(report);
    }
    ClearRecordRowsFrom(written + 1);
}

void ReadingsGrid::DoubleClick(int row, int column) {
    if (row == 0) {
        ClearEntries();
        return;
    }
    selectedRow_ = 0;
    currentColumn_ = column;
    editingActive_ = true;
    currentRow_ = row;
    lastPlacement_ = PlaceEditor(currentRow_, currentColumn_, columnCount());
}

void ReadingsGrid::Click(int selectedRow) {
    if (editingActive_) {
        lastPlacement_ = Placement::committed;
    }
    if (selectedRow >= 1 && selectedRow <= rowCount()) {
        addEnabled_ = false;
        currentRow_ = selectedRow;
        CopyRowToEntries(currentRow_, 0);
    } else if (editingActive_ && currentRow_ >= 1 && currentRow_ <= rowCount()) {
        selectedRow_ = currentRow_;
    } else {
        selectedRow_ = 0;
    }
    editingActive_ = false;
    RedrawPreview();
}

void ReadingsGrid::ListKeyDown() {
    if (downArrowPending_) {
        ClearEntries();
        currentRow_ = 0;
        downArrowPending_ = false;
    }
}

void ReadingsGrid::DialogMouseDown() {
    if (editingActive_) {
        CommitEditor();
        lastPlacement_ = Placement::committed;
        editingActive_ = false;
    }
}

void ReadingsGrid::Shown() {
    if (!previewDrawn_) {
        previewDrawn_ = true;
        RedrawPreview();
    }
}

void ReadingsGrid::PointerMoved(PointerZone zone) {
    Shown();
    if (lastPlacement_ != Placement::placed) {
        if (zone == PointerZone::dataFrame || zone == PointerZone::elsewhere) {
            editingActive_ = false;
            pointerHidden_ = false;
        }
        return;
    }
    switch (zone) {
        case PointerZone::editor:
            keyMode_ = KeyMode::typing;
            savedTopIndex_ = geometry_.topIndex;
            break;
        case PointerZone::list:
            pointerHidden_ = false;
            keyMode_ = KeyMode::moving;
            if (geometry_.topIndex != savedTopIndex_) {
                // The list was scrolled under the editor: the editor is closed.
                savedTopIndex_ = geometry_.topIndex;
                focusRequest_ = GridFocus::list;
                CommitEditor();
                editingActive_ = false;
            }
            break;
        case PointerZone::dataFrame:
            pointerHidden_ = false;
            keyMode_ = KeyMode::idle;
            break;
        case PointerZone::elsewhere:
            pointerHidden_ = false;
            keyMode_ = KeyMode::idle;
            lastPlacement_ = Placement::committed;
            CommitEditor();
            focusRequest_ = GridFocus::list;
            editingActive_ = false;
            break;
    }
}

void ReadingsGrid::EditorFocusGained() {
    keyMode_ = KeyMode::typing;
    pointerHidden_ = true;
}

void ReadingsGrid::EditorFocusLost() {
    CommitEditor();
    lastPlacement_ = Placement::committed;
}

void ReadingsGrid::StopEditing(KeyMode mode) {
    keyMode_ = mode;
    editingActive_ = false;
}

void ReadingsGrid::MoveEditorVertically(int row) {
    switch (PlaceEditor(row, currentColumn_, enterable_)) {
        case Placement::placed:
            currentRow_ = row;
            break;
        case Placement::rowNotVisible:
            keyMode_ = KeyMode::moving;
            break;
        default:
            StopEditing(KeyMode::idle);
            break;
    }
    RedrawPreview();
    ClearEntries();
    CopyRowToEntries(currentRow_, 0);
}

void ReadingsGrid::EnterKey(KeyOutcome& outcome) {
    const int p = currentColumn_;
    const int last = enterable_;
    outcome = KeyOutcome::pressOk;
    if (p < last) {
        int next = p + 1;
        while (next <= last && !columns_[static_cast<std::size_t>(next - 1)].enterStops) {
            ++next;
        }
        if (next > last) {
            return;
        }
        if (PlaceEditor(currentRow_, next, last) != Placement::placed) {
            keyMode_ = KeyMode::idle;
            return;
        }
        if (PreviewFollowsColumn(p)) {
            RedrawPreview();
        }
        currentColumn_ = next;
        return;
    }
    if (currentRow_ > rowCount() - 1) {
        StopEditing(KeyMode::moving);
        outcome = KeyOutcome::consumed;
        return;
    }
    ClearEntries();
    switch (PlaceEditor(currentRow_ + 1, 1, last)) {
        case Placement::placed:
            RedrawPreview();
            ++currentRow_;
            currentColumn_ = 1;
            ClearEntries();
            CopyRowToEntries(currentRow_, 0);
            break;
        case Placement::rowNotVisible:
            keyMode_ = KeyMode::moving;
            break;
        case Placement::tooNarrow:
            selectedRow_ = currentRow_ + 1;
            keyMode_ = KeyMode::moving;
            outcome = KeyOutcome::consumed;
            break;
        default:
            StopEditing(KeyMode::idle);
            outcome = KeyOutcome::consumed;
            break;
    }
}

KeyOutcome ReadingsGrid::KeyDown(GridKey key, bool focusHasId) {
    if (!editingActive_) {
        if (key == GridKey::enter) {
            if (enterKeyMode_ == 0 || !focusHasId) {
                return KeyOutcome::passOn;
            }
            return enterKeyMode_ == 1 ? KeyOutcome::nextControl : KeyOutcome::consumed;
        }
        if (key == GridKey::down) {
            downArrowPending_ = true;
        }
        return KeyOutcome::passOn;
    }
    if (key == GridKey::other) {
        return KeyOutcome::passOn;
    }
    CommitEditor();
    lastPlacement_ = Placement::committed;
    keyMode_ = KeyMode::moving;
    KeyOutcome outcome = KeyOutcome::consumed;
    switch (key) {
        case GridKey::up:
            if (currentRow_ < 2) {
                StopEditing(KeyMode::idle);
            } else {
                MoveEditorVertically(currentRow_ - 1);
            }
            break;
        case GridKey::down:
            if (currentRow_ > rowCount() - 1) {
                StopEditing(KeyMode::idle);
            } else {
                MoveEditorVertically(currentRow_ + 1);
            }
            break;
        case GridKey::enter:
            EnterKey(outcome);
            break;
        case GridKey::tab:
            outcome = KeyOutcome::nextControl;
            break;
        case GridKey::escape:
            outcome = KeyOutcome::cancel;
            break;
        case GridKey::other:
            break;
    }
    return outcome;
}

bool ReadingsGrid::TakeOk() {
    if (editingActive_) {
        keyMode_ = keyMode_ == KeyMode::typing ? KeyMode::moving : KeyMode::idle;
        if (keyMode_ == KeyMode::idle) {
            editingActive_ = false;
        }
        return false;
    }
    // Text still in an editor that editing has left goes into its cell
    // rather than being lost with the dialog.
    CommitEditor();
    // Nor is a row typed into the entry fields lost by an OK (or an Enter
    // that reaches OK) before データ追加.
    if (EntriesPending()) {
        switch (messages_.AskYesNoCancel(msg::addTypedEntries)) {
            case Messages::Answer::yes: {
                ReadEntries();
                const bool known =
                    ValidateEntries(false) && FindPressure(buffer_[0], LastUsedRow()) != 0;
                // A refusal was said; the dialog stays with the entries.
                if (!(known ? OverwriteRow() : AddRow())) {
                    return false;
                }
                break;
            }
            case Messages::Answer::no:
                break;
            case Messages::Answer::cancel:
                return false;
        }
    }
    CommitGrid();
    return true;
}

bool ReadingsGrid::Cancel() {
    if (modified_ && LastUsedRow() > 0) {
        return messages_.AskYesNo(msg::cancelAfterChanges);
    }
    return true;
}

}  // namespace karnea
