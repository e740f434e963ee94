// The readings grid without widgets: a list that always holds its full number
// of rows, entry fields under it with "データ追加", "上書き" and "行削除", and
// the in-place editor that is laid over a cell to type into it, with its keys.
// Each dialog that uses it derives from it and supplies its own steps: where
// a cell of its table goes, what follows a typed cell or row, what OK writes.
//
// Rows and columns are numbered from 1. Cells are CP932 texts as the records
// hold them. The widget tells the grid about the list's geometry and forwards
// its events; after each call it shows the grid's state and carries out the
// requests the grid left (focus, scrolling, the pointer, a preview redraw).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/entrytexts.h"

namespace karnea {

class Messages;

struct GridColumn {
    std::string title;  // UTF-8, as the list shows it
    int width = 0;      // pixels
    // Enter moves the editor into the column; a column without it is skipped.
    bool enterStops = true;
};

// What only the list widget knows: its rows on the screen and its width.
struct ListGeometry {
    int topIndex = 0;  // first visible row, from 0
    int perPage = 1;   // rows that the visible part holds
    int rowHeight = 18;
    int horizontalOffset = 0;  // columns scrolled out on the left, pixels
    int listWidth = 0;
    bool scrollBarShown = true;
};

// Where the editor lies, in the coordinates of the list's rows area.
struct EditorRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const EditorRect&, const EditorRect&) = default;
};

// The result of the last placement of the editor.
enum class Placement {
    placed = 0,
    committed = 1,
    rowNotVisible = 2,
    tooNarrow = 4,
    outOfRange = 8
};

// 1: the editor was just placed and is typed into; 8: the editor sits in a
// cell and arrows or Enter move it; 4: idle; 2: not used yet.
enum class KeyMode { typing = 1, unused = 2, idle = 4, moving = 8 };

enum class GridFocus { none, list, editor, pressureEntry, firstReadingEntry };
enum class GridKey { enter, up, down, tab, escape, other };
// What becomes of a key after the grid saw it.
enum class KeyOutcome {
    passOn,       // to the focused control, as usual
    consumed,     // nothing more
    pressOk,      // the dialog's OK
    nextControl,  // the focus moves on in tab order
    cancel        // the dialog's Cancel
};
// Where the pointer is over the dialog.
enum class PointerZone { editor, list, dataFrame, elsewhere };

// Text as a spreadsheet or an editor puts it on the clipboard, as rows of
// cells (UTF-8): rows end at CR LF, LF or CR (a last line end ends the last
// row and starts none), cells at tabs — at commas when the text holds no
// tab — and a cell in double quotes may hold either, with "" for a quote.
// Empty lines at the end are no rows.
std::vector<std::vector<std::string>> ClipboardBlock(std::string_view utf8);

class ReadingsGrid {
public:
    // `enterKeyMode` is the setting: 0 Enter presses OK, 1 it moves to the
    // next control, 2 it does nothing (outside the editor).
    ReadingsGrid(int rows, std::vector<GridColumn> columns, int enterableColumns, int enterKeyMode,
                 Messages& messages);
    virtual ~ReadingsGrid() = default;
    ReadingsGrid(const ReadingsGrid&) = delete;
    ReadingsGrid& operator=(const ReadingsGrid&) = delete;

    int rowCount() const { return static_cast<int>(cells_.size()); }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const std::vector<GridColumn>& columns() const { return columns_; }
    // The columns that Enter and the arrows move the editor through.
    int enterableColumns() const { return enterable_; }
    // Whether the cells hold numbers (readings), not names.
    virtual bool numberCells() const { return true; }

    // The Pm auto-increment check box of the readings dialogs.
    bool autoIncrement = false;

    // State.
    bool editingActive() const { return editingActive_; }
    KeyMode keyMode() const { return keyMode_; }
    Placement lastPlacement() const { return lastPlacement_; }
    int currentRow() const { return currentRow_; }
    int currentColumn() const { return currentColumn_; }
    bool modified() const { return modified_; }
    bool downArrowPending() const { return downArrowPending_; }
    bool previewDrawn() const { return previewDrawn_; }

    // The list.
    const std::string& cell(int row, int column) const;
    // Counts the changes of the list's cells.
    unsigned listRevision() const { return listRevision_; }
    int selectedRow() const { return selectedRow_; }
    // The widget's own selection changes (keyboard).
    void SetSelectedRow(int row);

    // The entry fields: the widget passes on what is typed.
    const std::string& entry(int column) const;
    void SetEntry(int column, std::string text);
    bool addEnabled() const { return addEnabled_; }

    // The in-place editor.
    bool editorShown() const { return editorShown_; }
    const EditorRect& editorRect() const { return editorRect_; }
    const std::string& editorText() const { return editorText_; }
    void SetEditorText(std::string text) { editorText_ = std::move(text); }
    bool pointerHidden() const { return pointerHidden_; }

    // Requests for the widget, taken once.
    GridFocus TakeFocusRequest();
    // The first visible row (from 0) the list is to scroll to; -1 for none.
    int TakeScrollRequest();
    // The pointer is to move onto the editor's top-left corner.
    bool TakePointerWarp();
    // Counts the preview redraws asked for (0: none yet).
    unsigned previewRevision() const { return previewRevision_; }
    // The current row when the preview was last asked for (its blue point).
    int previewRow() const { return previewRow_; }

    void SetGeometry(const ListGeometry& geometry) { geometry_ = geometry; }

    // The operations.
    void SetCell(int row, int column, const std::string& text);
    // One entry field (or all with column 0) from the row; the row selected.
    void CopyRowToEntries(int row, int column);
    void ClearEntries();
    void ReadEntries();
    bool ValidateEntries(bool showMessages);
    Placement PlaceEditor(int row, int column, int columnLimit);
    void CommitEditor();
    // "データ追加" and "上書き"; true when the row was written.
    bool AddRow();
    bool OverwriteRow();
    void DeleteRow();
    void UpdateRowFromEntries();
    // OK: the list written back to the table sorted by pressure, rows with
    // an empty pressure dropped, duplicate pressures kept and reported.
    void CommitGrid();
    // With auto-increment, the last step repeated for row `row` ("%.2f");
    // empty otherwise.
    std::string SuggestNextPressure(int row) const;
    // The last row with a non-empty cell (in `column`, or any with 0); 0 if none.
    int LastUsedRow(int column = 0) const;

    // Copy and paste as spreadsheets do. A block of cells, rows and columns
    // from 1, both ends included.
    struct Block {
        int top = 0;
        int left = 0;
        int bottom = 0;
        int right = 0;
    };
    // The block's cells as tab-separated text with CR LF line ends (UTF-8).
    std::string CopyText(const Block& block) const;
    // Delete, and the second half of Cut: the block's typed cells emptied.
    void ClearBlock(const Block& block);
    // A block of text (ClipboardBlock) pasted from the cell (row, column)
    // into the typed columns, rows and columns from there. Each cell keeps
    // the rule a typed cell keeps; the paste is refused whole, with one
    // message that names the first bad cell ("3 行目 V30: 数値が異常です"),
    // when a cell breaks it, when the block does not fit, or when a row
    // would hold readings without a pressure. True when it was pasted.
    bool Paste(int row, int column, std::string_view utf8);
    // A row of text pasted into the entry fields from `column` on (the
    // first row of a block), then what follows leaving a typed field;
    // refused whole, with its reason, as Paste.
    bool PasteIntoEntries(int column, std::string_view utf8);

    // Events the widget forwards. Rows and columns hit are from 1, 0 for none.
    void DoubleClick(int row, int column);
    void Click(int selectedRow);
    // The list's current row moved by the keyboard (arrows, PageUp/Down,
    // Home, End): the row fills the entry fields and the preview shows it,
    // as a click does.
    void CurrentRowMoved(int row) { Click(row); }
    void ListKeyDown();
    void DialogMouseDown();
    void PointerMoved(PointerZone zone);
    // The dialog is on the screen: its preview is drawn the first time.
    void Shown();
    void EditorFocusGained();
    void EditorFocusLost();
    // Leaving an entry field: the current row takes the entries, and what
    // the dialog does then; an empty current row waits for "データ追加".
    void EntryFocusLost(int column);
    // A key before the dialog's own handling. `focusHasId`: the focused
    // control is one of the dialog's own (not a label or a frame).
    KeyOutcome KeyDown(GridKey key, bool focusHasId = true);
    // Whether the entry fields hold what the user typed (or pasted) and no
    // row has taken yet: neither added nor written over a row.
    bool EntriesPending() const;
    // OK pressed, the step the edit path takes before the check: while the
    // editor is in use OK is its Enter and the dialog stays (false);
    // otherwise text left in an editor goes into its cell, entries typed
    // and not yet taken are asked about ("入力中のデータを追加しますか?": Yes
    // adds them, or writes them over the row of their pressure, No leaves
    // them, Cancel keeps the dialog open), and the list is written back to
    // the table (CommitGrid).
    virtual bool TakeOk();
    Messages& messages() { return messages_; }
    // Nothing more to refuse once TakeOk let OK go on.
    std::optional<Refusal> Check() const { return std::nullopt; }
    // Cancel: true when the dialog closes; asks first after changes.
    virtual bool Cancel();

protected:
    // The dialog's steps.
    virtual void WriteRecordCell(int row, int column, const std::string& text) = 0;
    // After the editor wrote a cell, and after an add or overwrite.
    virtual void AfterCell(int /*row*/, int /*column*/) {}
    virtual void AfterRow(int /*row*/) {}
    // After an entry field was left and the row updated.
    virtual void AfterEntry(int /*column*/) {}
    // "行削除": the dialog's table follows the list, so that what the
    // preview shows is what OK will write.
    virtual void DeleteRecordRow(int /*row*/) {}
    // Whether Enter moving the editor away from `column` changes the preview.
    virtual bool PreviewFollowsColumn(int /*column*/) const { return false; }
    // OK: table row `row` gets the list's cells, and what follows from them.
    virtual void CommitRecordRow(int row, const std::vector<std::string>& cells) = 0;
    // OK: the table's rows from `row` on are emptied.
    virtual void ClearRecordRowsFrom(int row) = 0;
    // A check of the entries beyond the pressure (messages only, the result
    // stands); `alreadyShown` is the refusal already shown, if any.
    virtual void CheckMoreEntries(bool /*showMessages*/, const std::string& /*alreadyShown*/) {}
    // What a preview redraw involves before the widget paints.
    virtual void PrepareRedraw() {}

    void RedrawPreview();
    void SetEnterableColumns(int columns) { enterable_ = columns; }
    // Fills the list from the table when the dialog opens, row by row. With
    // `byPressure` a row whose pressure is not a number is shown empty; the
    // current row is the one after the leading rows shown.
    void FillList(const std::vector<std::vector<std::string>>& table, bool byPressure = true);
    // List rows moved or removed by the dialog's own buttons.
    void SwapListRows(int a, int b);
    void RemoveListRow(int row);
    void MarkModified() { modified_ = true; }
    void ClearCurrentRow() { currentRow_ = 0; }
    void RequestScrollTo(int row) { ScrollToShow(row); }
    const std::vector<std::string>& buffer() const { return buffer_; }

    // A records table's first columns, as FillList takes them.
    template <typename Rows>
    static std::vector<std::vector<std::string>> TableOf(const Rows& rows, int columns) {
        std::vector<std::vector<std::string>> table;
        for (const auto& row : rows) {
            table.emplace_back(row.begin(), row.begin() + columns);
        }
        return table;
    }
    // A records table without row `row`, an empty row added at the end.
    template <typename Rows>
    static void RemoveRow(Rows& rows, int row) {
        for (int r = row; r < rows.size(); ++r) {
            rows[r] = rows[r + 1];
        }
        rows[rows.size()].fill({});
    }

    Messages& messages_;

private:
    void StopEditing(KeyMode mode);
    void MoveEditorVertically(int row);
    void EnterKey(KeyOutcome& outcome);
    int FindPressure(const std::string& pressure, int lastRow) const;
    bool RowEmpty(int row) const;
    void ScrollToShow(int row);
    void FinishRowStep(GridFocus focus);
    // The entries as they stand are the model's own (or a row's): nothing
    // typed is pending. With a column, that entry alone.
    void EntriesTaken(int column = 0);
    // A pasted cell as the records hold it (CP932), or the reason it is
    // refused (UTF-8).
    std::optional<std::string> PastedCell(std::string_view utf8, std::string& why) const;

    std::vector<GridColumn> columns_;
    std::vector<std::vector<std::string>> cells_;
    std::vector<std::string> entries_;
    // The entries as the model last filled them, or as a row took them.
    std::vector<std::string> takenEntries_;
    std::vector<std::string> buffer_;
    int enterable_;
    int enterKeyMode_;

    bool editingActive_ = false;
    KeyMode keyMode_ = KeyMode::unused;
    Placement lastPlacement_ = Placement::committed;
    int currentRow_ = 0;
    int currentColumn_ = 1;
    bool modified_ = false;
    bool downArrowPending_ = false;
    bool previewDrawn_ = false;
    int savedTopIndex_ = 0;

    int selectedRow_ = 0;
    bool addEnabled_ = true;
    bool editorShown_ = false;
    EditorRect editorRect_;
    std::string editorText_;
    bool pointerHidden_ = false;

    ListGeometry geometry_;
    GridFocus focusRequest_ = GridFocus::none;
    int scrollRequest_ = -1;
    bool pointerWarp_ = false;
    unsigned previewRevision_ = 0;
    int previewRow_ = 0;
    unsigned listRevision_ = 0;
};

}  // namespace karnea
