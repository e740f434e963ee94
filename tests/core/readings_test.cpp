// The readings grid and the two readings dialogs without widgets: adding,
// overwriting, deleting and the sorted write-back of OK, the in-place editor
// with its placements and key moves, the Enter-key modes, Cancel, and the
// previews operation by operation.
#include <gtest/gtest.h>

#include <string>

#include "analysis/reduction.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/entrytexts.h"
#include "entry/testreadingsmodel.h"
#include "pages/opsrecorder.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/golden.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ExpectGolden;

// Twenty rows on the screen, the list wide enough for every column.
ListGeometry Screen(int top = 0) {
    ListGeometry g;
    g.topIndex = top;
    g.perPage = 20;
    g.rowHeight = 18;
    g.listWidth = 400;
    return g;
}

TestRecord ExampleTest() {
    TestRecord test;
    RecordedMessages m;
    ReadTestFile(test::ReadBytes(KARNEA_EXAMPLES_DIR "/test.kdw"), test, m);
    LoadTestCoefficients(test);
    return test;
}

// The entries typed, then a button.
void Type(ReadingsGrid& grid, std::initializer_list<const char*> entries) {
    int column = 1;
    for (const char* e : entries) {
        grid.SetEntry(column++, e);
    }
}

void AddRow(ReadingsGrid& grid, std::initializer_list<const char*> entries) {
    Type(grid, entries);
    grid.AddRow();
}

// A test without readings, with the scales a new document gets.
TestRecord NewTest() {
    TestRecord test;
    HeaderTexts& h = test.testHeader;
    h[header::pAxisMin] = h[header::vAxisMin] = h[header::dvAxisMin] = "0";
    h[header::pAxisMax] = "1200";
    h[header::vAxisMax] = "600";
    h[header::dvAxisMax] = "100";
    return test;
}

CalibrationRecord NewCalibration() {
    CalibrationRecord calibration;
    HeaderTexts& h = calibration.calibrationHeader;
    h[header::pmAxisMin] = h[header::vmAxisMin] = "0";
    h[header::pmAxisMax] = "300";
    h[header::vmAxisMax] = "800";
    return calibration;
}

struct EmptyTest {
    TestRecord record = NewTest();
    Settings settings;
    RecordedMessages messages;
    TestReadingsModel grid{record, settings, false, messages};
    EmptyTest() { grid.SetGeometry(Screen()); }
};

TEST(ReadingsGrid, SuggestsTheNextPressureFromTheLastStep) {
    EmptyTest t;
    t.grid.autoIncrement = true;
    AddRow(t.grid, {"100"});
    EXPECT_EQ(t.grid.entry(1), "");  // one row is no step yet
    AddRow(t.grid, {"200"});
    EXPECT_EQ(t.grid.entry(1), "300.00");
    EXPECT_EQ(t.grid.cell(1, 1), "100.00");
    EXPECT_EQ(t.grid.TakeFocusRequest(), GridFocus::firstReadingEntry);

    EmptyTest down;
    down.grid.autoIncrement = true;
    AddRow(down.grid, {"100"});
    AddRow(down.grid, {"90"});
    EXPECT_EQ(down.grid.entry(1), "80.00");
    AddRow(down.grid, {"10"});  // 90, 10: the step would go below zero
    EXPECT_EQ(down.grid.entry(1), "");

    EmptyTest off;
    AddRow(off.grid, {"100"});
    AddRow(off.grid, {"200"});
    EXPECT_EQ(off.grid.entry(1), "");
    EXPECT_EQ(off.grid.TakeFocusRequest(), GridFocus::pressureEntry);
}

// OK asks about entries typed that no row took; a suggested pressure and a
// row's own entries are no typing. Yes writes them where データ追加 or 上書き
// would.
TEST(ReadingsGrid, OkAsksAboutEntriesNoRowTook) {
    EmptyTest t;
    t.grid.autoIncrement = true;
    AddRow(t.grid, {"100", "1"});
    AddRow(t.grid, {"200", "2"});
    ASSERT_EQ(t.grid.entry(1), "300.00");
    EXPECT_FALSE(t.grid.EntriesPending());
    t.grid.Click(1);
    EXPECT_FALSE(t.grid.EntriesPending());
    Type(t.grid, {"100", "5"});
    EXPECT_TRUE(t.grid.EntriesPending());
    t.messages.answer = Messages::Answer::cancel;
    EXPECT_FALSE(t.grid.TakeOk());
    t.messages.answer = Messages::Answer::yes;
    EXPECT_TRUE(t.grid.TakeOk());
    EXPECT_EQ(t.messages.asked.size(), 2u);
    EXPECT_EQ(t.grid.test().testRows[1][testField::vol15], "5");
    EXPECT_EQ(t.grid.test().testRows[3][testField::pm], "");
}

TEST(ReadingsGrid, AddAndOverwriteFindRowsByPressure) {
    EmptyTest t;
    t.grid.Click(0);
    EXPECT_FALSE(t.grid.modified());
    t.grid.OverwriteRow();
    EXPECT_EQ(t.messages.shown, std::vector<std::string>{"データが無い、または不十分です."});
    Type(t.grid, {"50"});
    t.grid.OverwriteRow();
    EXPECT_EQ(t.messages.shown.back(), "上書きできません.");

    AddRow(t.grid, {"50", "1", "2", "3"});
    AddRow(t.grid, {"100", "4", "5", "6"});
    AddRow(t.grid, {"100.0000001", "7"});
    EXPECT_EQ(t.messages.shown.back(), "同じ 圧力データがあります.\n修正なら上書きしてください.");
    EXPECT_EQ(t.grid.LastUsedRow(), 2);
    EXPECT_TRUE(t.grid.modified());

    // Overwriting goes to the row of the same pressure, not the selected one.
    t.grid.Click(1);
    EXPECT_FALSE(t.grid.addEnabled());
    Type(t.grid, {"100", "40", "50", "60"});
    t.grid.OverwriteRow();
    EXPECT_EQ(t.grid.cell(1, 2), "1");
    EXPECT_EQ(t.grid.cell(2, 1), "100.00");
    EXPECT_EQ(t.grid.cell(2, 4), "60");
    EXPECT_TRUE(t.grid.addEnabled());
    EXPECT_EQ(t.grid.currentRow(), 0);
    EXPECT_EQ(t.grid.entry(2), "");
    // The row written is reduced for the preview.
    EXPECT_EQ(t.grid.test().testRows[2][testField::pmPlusPz], "100");

    Type(t.grid, {"75", "1"});
    t.grid.OverwriteRow();
    EXPECT_EQ(t.messages.shown.back(), "上書きできません、同じ 圧力 がありません.");
}

TEST(ReadingsGrid, PressureLimits) {
    EmptyTest t;
    AddRow(t.grid, {"-100"});
    AddRow(t.grid, {"30000"});
    EXPECT_TRUE(t.messages.shown.empty());
    AddRow(t.grid, {"-100.01"});
    AddRow(t.grid, {"30000.01"});
    AddRow(t.grid, {"", "12"});  // a volume without a pressure
    EXPECT_EQ(t.messages.shown, (std::vector<std::string>{"数値が異常です", "数値が異常です",
                                                          "データが無い、または不十分です."}));
    EXPECT_EQ(t.grid.LastUsedRow(), 2);
}

// A pressure that is not one whole number never reaches the list: through
// the entries "5abc" would become 5.00, and through the editor a cell that
// sorts as 0 to the top would end the rows the file keeps.
TEST(ReadingsGrid, APressureThatIsNoNumberIsRefusedWhenEntered) {
    EmptyTest t;
    AddRow(t.grid, {"5abc", "10"});
    AddRow(t.grid, {"-", "10"});
    AddRow(t.grid, {"100", "10"});
    EXPECT_EQ(t.messages.shown, (std::vector<std::string>{"数値が異常です", "数値が異常です"}));
    EXPECT_EQ(t.grid.LastUsedRow(), 1);

    // The editor in the empty Pm cell below the last row.
    for (const std::string& typed : {std::string("abc"), Sjis("５５０"), std::string("1e999")}) {
        t.messages.shown.clear();
        t.grid.DoubleClick(2, 1);
        t.grid.SetEditorText(typed);
        t.grid.KeyDown(GridKey::enter);
        EXPECT_EQ(t.messages.shown, std::vector<std::string>{"数値が異常です"}) << typed;
        EXPECT_EQ(t.grid.cell(2, 1), "") << typed;
        t.grid.KeyDown(GridKey::escape);
    }
    t.grid.DoubleClick(2, 1);
    t.grid.SetEditorText("550");
    t.grid.KeyDown(GridKey::enter);
    EXPECT_EQ(t.grid.cell(2, 1), "550");
    // Volumes are readings as typed; only the pressure is the row's key.
    t.grid.SetEditorText("n/a");
    t.grid.KeyDown(GridKey::enter);
    EXPECT_EQ(t.grid.cell(2, 2), "n/a");
    t.grid.KeyDown(GridKey::escape);
    t.grid.TakeOk();  // ends the editing
    ASSERT_TRUE(t.grid.TakeOk());
    TestRecord saved;
    saved = *t.grid.Accept().test;
    EXPECT_EQ(FindUnwritableText(saved), "");
    EXPECT_EQ(CountTestRows(saved.testRows, testField::pm), 2);
}

TEST(ReadingsGrid, OkSortsByPressureAndReportsDuplicates) {
    TestRecord record = ExampleTest();
    const std::string pz = record.testHeader[header::pz];
    record.testRows.fill({});
    Settings settings;
    RecordedMessages m;
    TestReadingsModel grid(record, settings, false, m);
    grid.SetGeometry(Screen());
    // Typed straight into cells, so the same pressure can stand twice.
    const char* pressures[] = {"300", "100", "200", "100"};
    for (int row = 1; row <= 4; ++row) {
        grid.SetCell(row, testField::pm, pressures[row - 1]);
        grid.SetCell(row, testField::vol60, std::to_string(row * 10));
    }
    grid.SetCell(2, testField::vol120, "x");
    EXPECT_TRUE(grid.TakeOk());
    EXPECT_EQ(m.shown, std::vector<std::string>{"同じ圧力があります\r\n 100 m \r\n"});
    record = *grid.Accept().test;
    ReduceTestRows(record);
    const TestRows& rows = record.testRows;
    EXPECT_EQ(rows[1][testField::pm], "100");
    EXPECT_EQ(rows[1][testField::vol60], "20");
    EXPECT_EQ(rows[1][testField::vol120], "x");
    EXPECT_EQ(rows[2][testField::vol60], "40");
    EXPECT_EQ(rows[3][testField::pm], "200");
    EXPECT_EQ(rows[4][testField::pm], "300");
    EXPECT_EQ(rows[5][testField::pm], "");
    // Accept reduced every row again.
    EXPECT_EQ(TextToDouble(rows[4][testField::pmPlusPz]), 300 + TextToDouble(pz));
    EXPECT_FALSE(rows[4][testField::p].empty());
}

TEST(ReadingsGrid, DeleteKeepsTheRowCountAndTheRecordsUntilOk) {
    TestRecord record = ExampleTest();
    const int used = CountTestRows(record.testRows, testField::pm);
    ASSERT_GE(used, 5);
    const std::string second = record.testRows[2][testField::pm];
    Settings settings;
    RecordedMessages m;
    TestReadingsModel grid(record, settings, false, m);
    grid.SetGeometry(Screen());
    EXPECT_EQ(grid.selectedRow(), used + 1);  // the first free row
    grid.Click(2);
    grid.DeleteRow();
    EXPECT_EQ(grid.LastUsedRow(), used - 1);
    EXPECT_EQ(grid.rowCount(), kTestRowCount);
    EXPECT_EQ(grid.cell(2, 1), record.testRows[3][testField::pm]);
    EXPECT_FALSE(grid.modified());
    EXPECT_EQ(record.testRows[2][testField::pm], second);
    grid.DeleteRow();  // nothing selected: nothing happens
    EXPECT_EQ(grid.LastUsedRow(), used - 1);
    ASSERT_TRUE(grid.TakeOk());
    record = *grid.Accept().test;
    ReduceTestRows(record);
    EXPECT_EQ(CountTestRows(record.testRows, testField::pm), used - 1);
}

TEST(ReadingsGrid, FullGridOpensWithoutSelectionAndRefusesAnAdd) {
    TestRecord record = NewTest();
    for (int row = 1; row <= kTestRowCount; ++row) {
        record.testRows[row][testField::pm] = std::to_string(row);
    }
    Settings settings;
    RecordedMessages m;
    TestReadingsModel grid(record, settings, false, m);
    EXPECT_EQ(grid.selectedRow(), 0);
    EXPECT_EQ(grid.currentRow(), 0);
    AddRow(grid, {"500"});
    EXPECT_EQ(m.shown, std::vector<std::string>{"最大行数です. 追加できません."});

    CalibrationRecord calibration = NewCalibration();
    for (int row = 1; row <= kCalibrationRowCount; ++row) {
        calibration.calibrationRows[row][calibrationField::pm] = std::to_string(row);
    }
    CalibrationReadingsModel c(calibration, settings, m);
    EXPECT_EQ(c.selectedRow(), 0);
    AddRow(c, {"500", "1"});
    EXPECT_EQ(m.shown.back(), "最大行数です. 追加できません.");
}

TEST(ReadingsGrid, EditorPlacements) {
    EmptyTest t;
    ReadingsGrid& g = t.grid;
    EXPECT_EQ(g.PlaceEditor(3, 2, 5), Placement::placed);
    EXPECT_EQ(g.editorRect(), (EditorRect{78, 36, 58, 18}));
    EXPECT_TRUE(g.editorShown());
    EXPECT_TRUE(g.pointerHidden());
    EXPECT_TRUE(g.TakePointerWarp());
    EXPECT_EQ(g.TakeFocusRequest(), GridFocus::editor);
    EXPECT_EQ(g.keyMode(), KeyMode::typing);
    EXPECT_TRUE(g.modified());
    EXPECT_EQ(g.TakeScrollRequest(), -1);

    // One row below the visible part: the list follows by one row.
    EXPECT_EQ(g.PlaceEditor(21, 1, 5), Placement::placed);
    EXPECT_EQ(g.TakeScrollRequest(), 1);
    EXPECT_EQ(g.editorRect().y, 19 * 18);
    // Further away: not placed.
    EXPECT_EQ(g.PlaceEditor(60, 1, 5), Placement::rowNotVisible);
    EXPECT_EQ(g.PlaceEditor(0, 1, 5), Placement::outOfRange);
    EXPECT_EQ(g.PlaceEditor(5, 5, 4), Placement::outOfRange);
    EXPECT_EQ(g.PlaceEditor(121, 1, 5), Placement::outOfRange);

    // A list too narrow for the column: cut to the list, or refused.
    ListGeometry narrow = Screen(1);
    narrow.listWidth = 78 + 58 + 23 + 30;
    g.SetGeometry(narrow);
    EXPECT_EQ(g.PlaceEditor(3, 3, 5), Placement::placed);
    EXPECT_EQ(g.editorRect().width, 30);
    narrow.listWidth = 78 + 58 + 23 + 4;
    g.SetGeometry(narrow);
    EXPECT_EQ(g.PlaceEditor(3, 3, 5), Placement::tooNarrow);

    // A double-click far outside the visible part opens nothing.
    g.SetGeometry(Screen());
    g.DoubleClick(40, 1);
    EXPECT_EQ(g.lastPlacement(), Placement::rowNotVisible);
}

// A test grid with rows 1..3 typed; the editor open on `row`, `column`.
struct Editing : EmptyTest {
    Editing(int row, int column, int time = 0) {
        grid.SetMeasurementTime(time);
        for (int r = 1; r <= 3; ++r) {
            grid.SetCell(r, 1, std::to_string(r * 100));
        }
        grid.DoubleClick(row, column);
    }
};

TEST(ReadingsGrid, EnterMovesTheEditorByMeasuringTime) {
    Editing sixty(3, 4, 0);
    EXPECT_EQ(sixty.grid.KeyDown(GridKey::enter), KeyOutcome::pressOk);
    EXPECT_FALSE(sixty.grid.TakeOk());
    EXPECT_EQ(sixty.grid.currentRow(), 4);
    EXPECT_EQ(sixty.grid.currentColumn(), 1);
    EXPECT_TRUE(sixty.grid.editingActive());
    EXPECT_EQ(sixty.grid.keyMode(), KeyMode::moving);

    Editing oneTwenty(3, 4, 1);
    EXPECT_EQ(oneTwenty.grid.KeyDown(GridKey::enter), KeyOutcome::pressOk);
    EXPECT_FALSE(oneTwenty.grid.TakeOk());
    EXPECT_EQ(oneTwenty.grid.currentRow(), 3);
    EXPECT_EQ(oneTwenty.grid.currentColumn(), 5);

    // In 60” mode a double-click still opens V120”; an arrow there ends it.
    Editing past(2, 5, 0);
    EXPECT_TRUE(past.grid.editorShown());
    EXPECT_EQ(past.grid.KeyDown(GridKey::down), KeyOutcome::consumed);
    EXPECT_FALSE(past.grid.editingActive());
    EXPECT_FALSE(past.grid.editorShown());

    CalibrationRecord calibration;
    Settings settings;
    RecordedMessages m;
    CalibrationReadingsModel c(calibration, settings, m);
    c.SetGeometry(Screen());
    c.DoubleClick(5, 2);
    c.KeyDown(GridKey::enter);
    EXPECT_EQ(c.currentRow(), 6);
    EXPECT_EQ(c.currentColumn(), 1);
}

TEST(ReadingsGrid, TypingAReadingsRowThroughTheEditor) {
    TestRecord record = ExampleTest();
    record.testRows.fill({});
    Settings settings;
    RecordedMessages m;
    TestReadingsModel grid(record, settings, false, m);
    grid.SetGeometry(Screen());
    grid.DoubleClick(1, 1);
    for (const char* text : {"50", "60", "62", "63"}) {
        grid.SetEditorText(text);
        const KeyOutcome outcome = grid.KeyDown(GridKey::enter);
        if (outcome == KeyOutcome::pressOk) {
            EXPECT_FALSE(grid.TakeOk());
        }
    }
    EXPECT_EQ(grid.currentRow(), 2);
    EXPECT_EQ(grid.cell(1, 4), "63");
    // Pm and V60” reduced the row at once: its point is in the preview.
    EXPECT_FALSE(grid.test().testRows[1][testField::p].empty());
    // The down arrow moves to the row below in the same column; up comes back.
    grid.SetEditorText("100");
    EXPECT_EQ(grid.KeyDown(GridKey::down), KeyOutcome::consumed);
    EXPECT_EQ(grid.currentRow(), 3);
    EXPECT_EQ(grid.cell(2, 1), "100");
    EXPECT_EQ(grid.KeyDown(GridKey::up), KeyOutcome::consumed);
    EXPECT_EQ(grid.editorText(), "100");
    // Tab commits and leaves; Esc commits and cancels.
    grid.SetEditorText("110");
    EXPECT_EQ(grid.KeyDown(GridKey::tab), KeyOutcome::nextControl);
    EXPECT_EQ(grid.cell(2, 1), "110");
    EXPECT_EQ(grid.KeyDown(GridKey::other), KeyOutcome::passOn);
}

TEST(ReadingsGrid, EnterInTheLastCellOfTheLastRowClosesTheEditor) {
    EmptyTest t;
    t.grid.SetGeometry(Screen(100));
    t.grid.DoubleClick(kTestRowCount, 4);
    ASSERT_EQ(t.grid.lastPlacement(), Placement::placed);
    t.grid.SetEditorText("7");
    EXPECT_EQ(t.grid.KeyDown(GridKey::enter), KeyOutcome::consumed);
    EXPECT_FALSE(t.grid.editingActive());
    EXPECT_EQ(t.grid.cell(kTestRowCount, 4), "7");
    EXPECT_EQ(t.grid.KeyDown(GridKey::up), KeyOutcome::passOn);
}

TEST(ReadingsGrid, EnterKeyModesOutsideTheEditor) {
    Settings settings;
    RecordedMessages m;
    TestRecord record;
    for (int mode = 0; mode <= 2; ++mode) {
        settings.enterKeyMode = mode;
        TestReadingsModel grid(record, settings, false, m);
        const KeyOutcome expected[] = {KeyOutcome::passOn, KeyOutcome::nextControl,
                                       KeyOutcome::consumed};
        EXPECT_EQ(grid.KeyDown(GridKey::enter), expected[mode]) << mode;
        EXPECT_EQ(grid.KeyDown(GridKey::enter, false), KeyOutcome::passOn) << mode;
    }
}

TEST(ReadingsGrid, CancelAsksOnlyAfterChanges) {
    TestRecord record = ExampleTest();
    Settings settings;
    RecordedMessages no;
    TestReadingsModel fresh(record, settings, false, no);
    EXPECT_TRUE(fresh.Cancel());
    EXPECT_TRUE(no.asked.empty());

    fresh.SetGeometry(Screen());
    fresh.DoubleClick(2, 2);
    EXPECT_FALSE(fresh.Cancel());
    EXPECT_EQ(no.asked,
              std::vector<std::string>{"データが変更されましたが、キャンセルしてよいのですか？"});
    RecordedMessages yes(true);
    TestReadingsModel other(record, settings, false, yes);
    other.SetGeometry(Screen());
    other.DoubleClick(2, 2);
    EXPECT_TRUE(other.Cancel());

    // An entry field that changed the current row counts as a change too.
    TestReadingsModel entries(record, settings, false, no);
    entries.Click(1);
    entries.SetEntry(2, "999");
    entries.EntryFocusLost(2);
    EXPECT_EQ(entries.cell(1, 2), "999");
    EXPECT_TRUE(entries.modified());
}

TEST(ReadingsGrid, TheDownArrowInTheListLeavesTheCurrentRow) {
    EmptyTest t;
    AddRow(t.grid, {"10"});
    t.grid.Click(1);
    EXPECT_EQ(t.grid.currentRow(), 1);
    EXPECT_EQ(t.grid.KeyDown(GridKey::down), KeyOutcome::passOn);
    t.grid.ListKeyDown();
    EXPECT_EQ(t.grid.currentRow(), 0);
    EXPECT_EQ(t.grid.entry(1), "");
    EXPECT_FALSE(t.grid.downArrowPending());
}

TEST(ReadingsGrid, ThePointerLeavingEndsTheEditingWithTheTextKept) {
    EmptyTest t;
    t.grid.DoubleClick(2, 3);
    t.grid.PointerMoved(PointerZone::editor);
    EXPECT_TRUE(t.grid.previewDrawn());
    EXPECT_EQ(t.grid.keyMode(), KeyMode::typing);
    t.grid.SetEditorText("41.5");
    t.grid.PointerMoved(PointerZone::dataFrame);
    EXPECT_EQ(t.grid.keyMode(), KeyMode::idle);
    EXPECT_TRUE(t.grid.editingActive());
    EXPECT_FALSE(t.grid.pointerHidden());
    t.grid.PointerMoved(PointerZone::elsewhere);
    EXPECT_FALSE(t.grid.editingActive());
    EXPECT_EQ(t.grid.cell(2, 3), "41.5");

    // The list scrolled under the editor: it closes with its text.
    t.grid.DoubleClick(3, 2);
    t.grid.PointerMoved(PointerZone::editor);
    t.grid.SetEditorText("7");
    t.grid.SetGeometry(Screen(5));
    t.grid.PointerMoved(PointerZone::list);
    EXPECT_FALSE(t.grid.editorShown());
    EXPECT_EQ(t.grid.cell(3, 2), "7");
    EXPECT_EQ(t.grid.TakeFocusRequest(), GridFocus::list);
}

// An editor that could not be placed over its cell has no text of it: the
// next key must not empty that cell.
TEST(ReadingsGrid, AnEditorNotPlacedWritesNothing) {
    EmptyTest t;
    t.grid.SetCell(40, 2, "5");
    t.grid.DoubleClick(40, 2);
    ASSERT_EQ(t.grid.lastPlacement(), Placement::rowNotVisible);
    EXPECT_TRUE(t.grid.editingActive());
    t.grid.KeyDown(GridKey::enter);
    t.grid.KeyDown(GridKey::up);
    EXPECT_EQ(t.grid.cell(40, 2), "5");
}

TEST(ReadingsGrid, TextsTheFileCannotHoldAreRefused) {
    const auto cellAllowed = [](const std::string& text) {
        return RefusalOfText(TextKind::cell, text).empty();
    };
    EXPECT_TRUE(cellAllowed("12.5"));
    EXPECT_TRUE(cellAllowed("$5"));
    EXPECT_FALSE(cellAllowed("1\"2"));
    EXPECT_FALSE(cellAllowed("a$$b"));
    EXPECT_FALSE(cellAllowed("1\n2"));
    EXPECT_FALSE(cellAllowed("1\r"));
    EXPECT_TRUE(cellAllowed(std::string(kLongestCellBytes, '1')));
    EXPECT_FALSE(cellAllowed(std::string(kLongestCellBytes + 1, '1')));

    // As typed (UTF-8), with the reason the box shows.
    EXPECT_EQ(RefusalOfText(TextKind::header, "株式会社"), "");
    EXPECT_EQ(RefusalOfText(TextKind::header, "a$$b"), "使用できない文字です: $$");
    EXPECT_EQ(RefusalOfText(TextKind::header, "a\"b"), "");
    EXPECT_EQ(RefusalOfText(TextKind::cell, "a\"b"), "使用できない文字です: \"");
    EXPECT_EQ(RefusalOfText(TextKind::header, "a\nb"), "使用できない文字です: 改行");
    EXPECT_EQ(RefusalOfText(TextKind::header, "温度😀"), "使用できない文字です: 😀");
    // A cell is as long as its row can hold, counted in CP932 bytes.
    std::string wide;
    for (std::size_t i = 0; i < kLongestCellBytes / 2 + 1; ++i) {
        wide += "あ";
    }
    EXPECT_EQ(RefusalOfText(TextKind::cell, wide), "長すぎます（100 バイトまで）");
    EXPECT_EQ(RefusalOfText(TextKind::header, wide), "");
}

// What a Japanese input method gives for a number becomes its ASCII form.
TEST(ReadingsGrid, NumbersTypedByAnInputMethod) {
    EXPECT_EQ(NumberInputToAscii("５５０"), "550");
    EXPECT_EQ(NumberInputToAscii("－１２．５"), "-12.5");
    EXPECT_EQ(NumberInputToAscii("ー３"), "-3");
    EXPECT_EQ(NumberInputToAscii("−4"), "-4");  // U+2212, the minus sign
    EXPECT_EQ(NumberInputToAscii("＋１ｅ３"), "+1e3");
    EXPECT_EQ(NumberInputToAscii("２Ｅ－１"), "2E-1");
    EXPECT_EQ(NumberInputToAscii("　　５０　"), "50");
    EXPECT_EQ(NumberInputToAscii("０ｘ８０８０ＦＦ"), "0x8080FF");
    // The full stop of the kana mode, in both widths.
    EXPECT_EQ(NumberInputToAscii("１２。５"), "12.5");
    EXPECT_EQ(NumberInputToAscii("１２｡５"), "12.5");
    // What is no number form stays, and the box refuses it: nothing outside
    // ASCII, and no comma, which would end the number read.
    EXPECT_EQ(NumberInputToAscii("５　０"), "5　0");
    EXPECT_EQ(NumberInputToAscii("約５０"), "約50");
    EXPECT_EQ(NumberInputToAscii("550"), "550");
    EXPECT_EQ(ParseNumber(NumberInputToAscii("　－１．５ｅ２")), -150.0);
    const std::pair<const char*, const char*> refused[] = {{"約５０", "約"},
                                                           {"１２、５", "、"},
                                                           {"１，２００", ","},
                                                           {"5　0", "　"},
                                                           {"800\t40.1", "タブ"}};
    for (const auto& [typed, character] : refused) {
        EXPECT_EQ(RefusalOfNumber(NumberInputToAscii(typed)),
                  std::string("使用できない文字です: ") + character)
            << typed;
    }
    EXPECT_EQ(RefusalOfNumber(NumberInputToAscii("－１．５ｅ２")), "");
}

// Blocks as spreadsheets and editors put them on the clipboard.
TEST(ReadingsGrid, ClipboardBlocks) {
    using Rows = std::vector<std::vector<std::string>>;
    const std::pair<const char*, Rows> cases[] = {
        {"800\t40.1\t41.2\r\n900\t50\t51\r\n", {{"800", "40.1", "41.2"}, {"900", "50", "51"}}},
        {"800\t40.1", {{"800", "40.1"}}},                // no final line end
        {"1\n2\n", {{"1"}, {"2"}}},                      // LF
        {"1\r2", {{"1"}, {"2"}}},                        // CR
        {"\"1,5\"\t\"a\"\"b\"\r\n", {{"1,5", "a\"b"}}},  // quoted cells
        {"100,40,41\n", {{"100", "40", "41"}}},          // commas without tabs
        {"\t5\r\n\r\n1\r\n", {{"", "5"}, {""}, {"1"}}},  // empty cells and rows
        {"", {}},
    };
    for (const auto& [text, rows] : cases) {
        EXPECT_EQ(ClipboardBlock(text), rows) << text;
    }
}

// A block pasted where the user stands: each cell by the typed rule, the
// rows reduced, Copy giving what a spreadsheet takes; a paste that breaks a
// rule is refused whole and changes nothing.
TEST(ReadingsGrid, CopyAndPasteBlocks) {
    EmptyTest t;
    ASSERT_TRUE(t.grid.Paste(1, 1, "100\t１２。５\t\" 13 \"\t14\r\n200\t20\t21\t22\r\n"));
    EXPECT_EQ(t.grid.cell(1, 2), "12.5");
    EXPECT_EQ(t.grid.cell(1, 3), "13");
    EXPECT_EQ(t.grid.cell(2, 4), "22");
    EXPECT_TRUE(t.grid.modified());
    EXPECT_EQ(t.grid.test().testRows[2][testField::dv], "1");  // reduced: V60 - V30
    // Volumes alone into rows that have their pressure.
    ASSERT_TRUE(t.grid.Paste(1, 4, "15\n23\n"));
    EXPECT_EQ(t.grid.cell(2, 4), "23");
    // A line end more at the end is no row: the next row keeps its cell.
    ASSERT_TRUE(t.grid.Paste(1, 4, "15\r\n\r\n"));
    EXPECT_EQ(t.grid.cell(2, 4), "23");
    // Pressures are kept as データ追加 keeps them.
    EXPECT_EQ(t.grid.CopyText({1, 1, 2, 5}), "100.00\t12.5\t13\t15\t\r\n200.00\t20\t21\t23\t\r\n");
    EXPECT_EQ(t.grid.CopyText({2, 3, 2, 4}), "21\t23\r\n");

    struct Refused {
        int row, column;
        std::string text, said;
    };
    const Refused refused[] = {
        {3, 1, "300\t1\n400\tabc\n", "4 行目 V15: 数値が異常です"},
        {3, 1, "300\t１、５\n", "3 行目 V15: 使用できない文字です: 、"},
        {3, 2, "5\t6\n", "3 行目 セル圧Pm: 数値が異常です"},  // readings without a pressure
        {3, 1, "x\t5\n", "3 行目 セル圧Pm: 数値が異常です"},
        {3, 3, "1\t2\t3\n",
         "貼り付ける 1 行 3 列が表に収まりません（貼り付けは 3 行目の V30 列から。表は 120 行、V60 "
         "列まで）"},
        {120, 1, "300\n400\n",
         "貼り付ける 2 行 1 列が表に収まりません（貼り付けは 120 行目の セル圧Pm 列から。表は 120 "
         "行、V60 列まで）"},
        {3, 1, "300\t" + std::string(101, '1') + "\n", "3 行目 V15: 長すぎます（100 バイトまで）"},
    };
    const std::string before = t.grid.CopyText({1, 1, 120, 5});
    for (const Refused& r : refused) {
        t.messages.shown.clear();
        EXPECT_FALSE(t.grid.Paste(r.row, r.column, r.text)) << r.text;
        EXPECT_EQ(t.messages.shown, std::vector<std::string>{r.said}) << r.text;
        EXPECT_EQ(t.grid.CopyText({1, 1, 120, 5}), before);
    }

    // A row pasted into the entry fields fills them in turn; a tab never
    // stays in a box.
    ASSERT_TRUE(t.grid.PasteIntoEntries(1, "800\t40.1\t41.2\t42.3\r\n"));
    EXPECT_EQ(t.grid.entry(1), "800");
    EXPECT_EQ(t.grid.entry(4), "42.3");
    t.messages.shown.clear();
    EXPECT_FALSE(t.grid.PasteIntoEntries(2, "1\tx\n"));
    EXPECT_EQ(t.messages.shown, std::vector<std::string>{"V30: 数値が異常です"});
    EXPECT_EQ(t.grid.entry(3), "41.2");

    // Delete empties the typed cells of the block.
    t.grid.ClearBlock({2, 2, 2, 5});
    EXPECT_EQ(t.grid.CopyText({2, 1, 2, 5}), "200.00\t\t\t\t\r\n");
}

// A grid of one column without entry fields in use, as the names master.
class NameGrid : public ReadingsGrid {
public:
    explicit NameGrid(Messages& m) : ReadingsGrid(80, {{"技術者(担当者)", 200}}, 1, 1, m) {}
    std::vector<std::string> names = std::vector<std::string>(81);
    bool numberCells() const override { return false; }

protected:
    void WriteRecordCell(int row, int, const std::string& text) override { names[row] = text; }
    void CommitRecordRow(int, const std::vector<std::string>&) override {}
    void ClearRecordRowsFrom(int) override {}
};

TEST(ReadingsGrid, OneColumnGridWalksDownItsRows) {
    RecordedMessages m;
    NameGrid g(m);
    g.SetGeometry(Screen());
    g.DoubleClick(1, 1);
    EXPECT_EQ(g.editorText(), "");  // no pressure suggestion without auto-increment
    g.SetEditorText("山田");
    g.KeyDown(GridKey::enter);
    EXPECT_FALSE(g.TakeOk());
    EXPECT_EQ(g.currentRow(), 2);
    EXPECT_EQ(g.names[1], "山田");
}

TEST(CalibrationReadingsModel, VolumesAndScaleBoxes) {
    CalibrationRecord calibration;
    calibration.calibrationHeader[header::vmAxisMin] = "0";
    calibration.calibrationHeader[header::vmAxisMax] = "0";
    calibration.calibrationHeader[header::pmAxisMax] = "300";
    calibration.calibrationHeader[header::measurementTime] = "2";
    Settings settings;
    RecordedMessages m;
    CalibrationReadingsModel c(calibration, settings, m);
    c.SetGeometry(Screen());
    // A row without a volume is pointed out and added all the same.
    AddRow(c, {"100"});
    EXPECT_EQ(m.shown,
              (std::vector<std::string>{"データが無い、または不十分です.", "目盛りが異常です"}));
    EXPECT_EQ(c.cell(1, 1), "100.00");
    EXPECT_EQ(c.axisBox[CalibrationReadingsModel::vmMax], "800");
    // The editor's volume is copied into vmCopy.
    c.DoubleClick(1, 2);
    c.SetEditorText("12.5");
    c.KeyDown(GridKey::tab);
    EXPECT_EQ(c.rows()[1][calibrationField::vmCopy], "12.5");
    c.PointerMoved(PointerZone::elsewhere);  // on the way to OK
    ASSERT_TRUE(c.TakeOk());
    calibration = *c.Accept().calibration;
    RefitCalibration(calibration, m);
    EXPECT_EQ(calibration.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(calibration.calibrationHeader[header::measurementTime], "1");
    EXPECT_EQ(calibration.calibrationRows[1][calibrationField::vmCopy], "12.5");
}

std::string PreviewOps(const auto& model) {
    OpsRecorder recorder(96, 96);
    model.DrawPreview(recorder, {300, 240});
    return recorder.text();
}

TEST(ReadingsPreviews, Golden) {
    TestRecord record = ExampleTest();
    Settings settings = test::StandardSettings();
    RecordedMessages m;
    TestReadingsModel test(record, settings, false, m);
    test.Click(2);  // left of the middle of P: the label stands right
    ExpectGolden("preview-test-low", PreviewOps(test));
    test.Click(CountTestRows(record.testRows, testField::pm));
    ExpectGolden("preview-test-high", PreviewOps(test));
    EXPECT_TRUE(m.shown.empty());

    // Axis limits that cannot be drawn are corrected, and said so.
    record.testHeader[header::vAxisMax] = record.testHeader[header::vAxisMin];
    record.testHeader[header::pAxisMax] = record.testHeader[header::pAxisMin];
    TestReadingsModel corrected(record, settings, false, m);
    corrected.PointerMoved(PointerZone::elsewhere);
    EXPECT_EQ(m.shown, std::vector<std::string>{"目盛りが異常です"});
    EXPECT_EQ(corrected.axisBox[TestReadingsModel::vMax], "600");
    EXPECT_EQ(corrected.axisBox[TestReadingsModel::pMax],
              FormatText("%g", TextToDouble(record.testHeader[header::pAxisMin]) + 1200));
    ExpectGolden("preview-test-corrected", PreviewOps(corrected));

    CalibrationRecord calibration;
    ReadCalibrationFile(test::ReadBytes(KARNEA_EXAMPLES_DIR "/calibration.kcw"), calibration, m);
    CalibrationReadingsModel c(calibration, settings, m);
    c.Click(3);
    ExpectGolden("preview-calibration-low", PreviewOps(c));
    c.Click(CountCalibrationRows(calibration.calibrationRows, calibrationField::pm));
    ExpectGolden("preview-calibration-high", PreviewOps(c));
}

}  // namespace
}  // namespace karnea
