// The header and analysis dialogs' additions and the names master's dialog
// without widgets: the calibration header's OK, the loaded calibration and
// its graph, the analysis preview with its scale resets, the Cancel
// questions, the master's moves and saving.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/encoding.h"
#include "base/textfields.h"
#include "entry/analysismodel.h"
#include "entry/calibrationheadermodel.h"
#include "entry/engineermastermodel.h"
#include "entry/testheadermodel.h"
#include "pages/opsrecorder.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/edits.h"
#include "support/golden.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ExpectGolden;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

TestRecord ExampleTest() {
    TestRecord test;
    RecordedMessages m;
    ReadTestFile(ReadBytes(KARNEA_EXAMPLES_DIR "/test.kdw"), test, m);
    LoadTestCoefficients(test);
    return test;
}

std::string Ops(const auto& model, PreviewArea area) {
    OpsRecorder recorder(96, 96);
    model.DrawPreview(recorder, area);
    return recorder.text();
}

TEST(CalibrationHeaderModel, DefaultTitlesAreStoredByOkOnly) {
    CalibrationRecord calibration;
    calibration.calibrationHeader[header::graphTitle] = "own";
    calibration.calibrationHeader[header::fitMethod] = "1";
    Settings settings;
    settings.defaultTableTitle = Sjis("測定データ");
    CalibrationHeaderModel d(calibration, settings);
    EXPECT_EQ(d.field(header::tableTitle), Sjis("測定データ"));
    EXPECT_EQ(d.field(header::graphTitle), "own");
    EXPECT_EQ(d.fitMethod, 1);
    EXPECT_EQ(calibration.calibrationHeader[header::tableTitle], "");
    d.field(header::memo) = "m";
    d.fitMethod = 0;
    calibration = *d.Accept().calibration;
    EXPECT_EQ(calibration.calibrationHeader[header::tableTitle], Sjis("測定データ"));
    EXPECT_EQ(calibration.calibrationHeader[header::memo], "m");
    EXPECT_EQ(calibration.calibrationHeader[header::fitMethod], "0");
}

TEST(TestHeaderModel, LoadedCalibrationAndItsGraph) {
    const TestRecord test = ExampleTest();
    Settings settings;
    TestHeaderModel d(test, settings);
    const int loaded = d.LoadedRows();
    EXPECT_EQ(loaded, CountCalibrationRows(test.loadedCalibrationRows, calibrationField::pm));
    ExpectGolden("preview-loaded-calibration", Ops(d, {240, 200}));

    ScratchDir dir;
    WriteBytes(dir.file("short.kcw"), "$$_KCVARDO300\r\n$$C\r\n0,0,0\r\n10,x,x\r\n20,30,30\r\n");
    RecordedMessages m;
    ASSERT_TRUE(d.OpenCalibration(dir.file("short.kcw"), m));
    EXPECT_EQ(d.LoadedRows(), 1);  // the rows stop at the first without a volume
}

struct Analysed {
    Analysed() : test(ExampleTest()), settings(test::StandardSettings()) {}
    TestRecord test;
    Settings settings;
    RecordedMessages m;
};

TEST(AnalysisModel, PreviewWithItsScaleResets) {
    Analysed a;
    AnalysisModel d(a.test, a.settings);
    EXPECT_EQ(d.PreparePreview(), std::nullopt);
    ExpectGolden("preview-analysis", Ops(d, {360, 280}));
    d.ChoosePoint(AnalysisModel::pl);
    d.Down();
    ExpectGolden("preview-analysis-current", Ops(d, {360, 280}));

    // Scales that cannot be drawn.
    d.vMax = d.vMin;
    d.dvMin = 5;
    d.dvMax = 0;
    EXPECT_EQ(d.PreparePreview(), "目盛りが異常です");
    EXPECT_EQ(d.vMax, 600);
    EXPECT_EQ(d.dvMin, 0);
    EXPECT_EQ(d.dvMax, 0);  // drawn as 120, the box keeps its value
    d.pMax = d.pMin = 5;
    EXPECT_EQ(d.PreparePreview(), "目盛りが異常です");
    EXPECT_EQ(d.pMin, 0);
    EXPECT_EQ(d.pMax, 1200);
}

TEST(AnalysisModel, CancelAsksAfterChanges) {
    Analysed a;
    AnalysisModel d(a.test, a.settings);
    EXPECT_TRUE(d.Cancel(a.m));
    d.Down();
    EXPECT_FALSE(d.Cancel(a.m));
    EXPECT_EQ(a.m.asked.size(), 1u);
    a.test.testRows.fill({});
    AnalysisModel empty(a.test, a.settings);
    empty.changed = true;
    EXPECT_TRUE(empty.Cancel(a.m));  // no usable rows: nothing to lose
}

struct Master {
    ScratchDir dir;
    Settings settings;
    RecordedMessages m;
    Master() { settings.engineerMasterPath = dir.file("M.mst"); }
};

TEST(EngineerMasterModel, MovesAndDeletes) {
    Master t;
    WriteBytes(t.settings.engineerMasterPath, "A\r\nB\r\nC\r\n");
    EngineerMasterModel d(t.settings, t.m);
    EXPECT_TRUE(t.m.shown.empty());
    EXPECT_EQ(d.selectedRow(), 4);
    EXPECT_EQ(d.currentRow(), 4);
    d.SetSelectedRow(1);
    d.MoveUp();  // the first row stays
    d.SetSelectedRow(3);
    d.MoveDown();  // the last name stays
    EXPECT_FALSE(d.modified());
    d.MoveUp();
    EXPECT_EQ(d.selectedRow(), 2);
    EXPECT_EQ(d.cell(2, 1), "C");
    d.SetSelectedRow(1);
    d.Delete();
    EXPECT_EQ(d.cell(1, 1), "C");
    EXPECT_EQ(d.rowCount(), 80);
    EXPECT_EQ(d.currentRow(), 0);
    EXPECT_TRUE(d.modified());
    EXPECT_FALSE(d.Cancel());
    // OK writes the master; Undo writes back what it held, byte for byte.
    Workspace ws;
    ws.settings = t.settings;
    ASSERT_EQ(AcceptEdit(ws, d, t.m), std::nullopt);
    EXPECT_EQ(ReadBytes(t.settings.engineerMasterPath), "C\r\nB\r\n");
    EXPECT_EQ(ws.edits.UndoName(), "登録 技術者名");
    ASSERT_TRUE(Undo(ws, t.m));
    EXPECT_EQ(ReadBytes(t.settings.engineerMasterPath), "A\r\nB\r\nC\r\n");
    ASSERT_TRUE(Redo(ws, t.m));
    EXPECT_EQ(ReadBytes(t.settings.engineerMasterPath), "C\r\nB\r\n");
}

TEST(EngineerMasterModel, MissingAndUnwritableMasters) {
    Master t;
    t.settings.engineerMasterPath = t.dir.file("none/M.mst");
    EngineerMasterModel d(t.settings, t.m);
    EXPECT_EQ(t.m.shown, std::vector<std::string>{"ファイルが見つかりません\n( " +
                                                  t.settings.engineerMasterPath + " )"});
    EXPECT_TRUE(d.Cancel());  // nothing changed
    d.SetGeometry({0, 20, 18, 0, 300, true});
    d.DoubleClick(1, 1);
    d.SetEditorText("X");
    d.KeyDown(GridKey::tab);
    d.PointerMoved(PointerZone::elsewhere);
    // Refused without a word more: the dialog stays with the names.
    const std::optional<Refusal> refused = test::PressOk(d, t.settings, t.m);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message, "");
    EXPECT_EQ(t.m.shown.back(), "マスタファイルは\n保存できませんでした");
    EXPECT_EQ(d.cell(1, 1), "X");

    // A master that is there but cannot be read is said as it is.
    t.settings.engineerMasterPath = t.dir.file("folder.mst");
    std::filesystem::create_directory(t.settings.engineerMasterPath);
    const EngineerMasterModel folder(t.settings, t.m);
    EXPECT_EQ(t.m.shown.back(),
              "ファイルではなくフォルダです\n( " + t.settings.engineerMasterPath + " )");
}

}  // namespace
}  // namespace karnea
