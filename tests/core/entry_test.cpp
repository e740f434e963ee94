#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/calibration.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/testheadermodel.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"
#include "records/datafile.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/edits.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ScratchDir;
using test::WriteBytes;

TEST(TestHeaderModel, SignRule) {
    EXPECT_EQ(ApplyDepthSign("12.5"), "-12.5");
    EXPECT_EQ(ApplyDepthSign(" 5 "), "-5");
    EXPECT_EQ(ApplyDepthSign("+5"), "+5");
    EXPECT_EQ(ApplyDepthSign("-5"), "-5");
    EXPECT_EQ(ApplyDepthSign("5e-3"), "5e-3");
    EXPECT_EQ(ApplyDepthSign(" abc"), " abc");
    EXPECT_EQ(ApplyDepthSign(""), "");
}

class HeaderModel : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyStandardSettings(settings);
        settings.defaultTableTitle = "TT";
        test.testHeader[header::depth] = "10";
        test.testHeader[header::waterLevel] = "2";
        test.testHeader[header::machineHeight] = "1.2";
        test.testHeader[header::graphTitle] = "own";
    }
    TestRecord test;
    Settings settings;
    RecordedMessages m;
};

TEST_F(HeaderModel, FocusRulesComputePwAndPz) {
    TestHeaderModel d(test, settings);
    EXPECT_EQ(d.field(header::tableTitle), "TT");
    EXPECT_EQ(d.field(header::graphTitle), "own");
    d.DepthLostFocus(m);
    EXPECT_EQ(d.field(header::depth), "-10");
    EXPECT_EQ(d.field(header::pw), "120");  // water level not yet signed: +2 m
    EXPECT_EQ(d.field(header::pz), "112");
    d.WaterLevelLostFocus(m);
    EXPECT_EQ(d.field(header::waterLevel), "-2");
    EXPECT_EQ(d.field(header::pw), "80");
    EXPECT_TRUE(m.shown.empty());

    d.field(header::depth) = "1500";
    d.field(header::pz) = "kept";
    d.DepthLostFocus(m);
    EXPECT_EQ(m.shown, std::vector<std::string>{"数値が異常です"});
    EXPECT_EQ(d.field(header::pz), "kept");
    // The refused depth gives nothing: Pw and Pz follow the depth last
    // taken, and OK is refused with the focus on the depth.
    d.WaterLevelLostFocus(m);
    EXPECT_EQ(d.field(header::pw), "80");
    d.MachineHeightLostFocus();
    EXPECT_EQ(d.field(header::pz), "112");
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "数値が異常です");
    EXPECT_EQ(d.Check()->box, "field3");
    m.shown.clear();
    d.field(header::depth) = "-10";
    EXPECT_EQ(d.Check(), std::nullopt);
    d.field(header::waterLevel) = "-2000";
    d.WaterLevelLostFocus(m);
    EXPECT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(d.field(header::pw), "0.0");  // computed all the same
    test::PressOk(d, test, m);
    EXPECT_EQ(m.shown[1], "水位が異常です");
    EXPECT_EQ(test.testHeader[header::waterLevel], "-2000");  // stored all the same
}

TEST_F(HeaderModel, OkWritesEveryFieldBack) {
    TestHeaderModel d(test, settings);
    d.volumeLoss = true;
    d.fitMethod = 3;
    d.field(header::memo) = "note";
    test::PressOk(d, test, m);
    EXPECT_EQ(test.testHeader[header::depth], "-10");
    EXPECT_EQ(test.testHeader[header::tableTitle], "TT");
    EXPECT_EQ(test.testHeader[header::memo], "note");
    EXPECT_EQ(test.testHeader[header::volumeLossFlag], "1");
    EXPECT_EQ(test.testHeader[header::fitMethod], "1");
}

TEST_F(HeaderModel, OpeningACalibrationFile) {
    ScratchDir dir;
    std::string cal = "$$_KCVARDO300\r\n$$Z\r\n";
    for (int n = 1; n <= 26; ++n) {
        cal += "z" + std::to_string(n) + "\r\n";  // a short header: c2..c4 missing
    }
    cal += "$$C\r\n";
    for (int r = 1; r <= 45; ++r) {
        cal += std::to_string(r) + "," + std::to_string(r * 10) + "," + std::to_string(r * 10) +
               "\r\n";
    }
    WriteBytes(dir.file("probe.kcw"), cal);
    WriteBytes(dir.file("test.kdw"), WriteTestFile(test));
    test.testHeader[header::coefficient3] = "stale";
    test.loadedCalibrationRows[1][1] = "old";

    TestHeaderModel d(test, settings);
    EXPECT_FALSE(d.OpenCalibration(dir.file("test.kdw"), m));
    EXPECT_EQ(m.shown.back(), "Ver.3 のキャリブレーションファイルではありません");
    EXPECT_FALSE(d.OpenCalibration(dir.file("none.kcw"), m));
    EXPECT_EQ(test.loadedCalibrationRows[1][1], "old");
    EXPECT_EQ(d.field(header::calibrationFileName), "");

    ASSERT_TRUE(d.OpenCalibration(dir.file("probe.kcw"), m));
    EXPECT_EQ(d.field(header::calibrationFileName), dir.file("probe.kcw"));
    // The record keeps its calibration until OK: a cancelled dialog changes
    // nothing.
    EXPECT_EQ(test.loadedCalibrationRows[1][1], "old");
    EXPECT_EQ(test.testHeader[header::coefficient3], "stale");

    test.testHeader[header::surveyName] = "kept";
    d.field(header::surveyName) = "kept";
    test::PressOk(d, test, m);
    EXPECT_EQ(test.testHeader[header::calibrationFileName], dir.file("probe.kcw"));
    EXPECT_EQ(test.testHeader[header::coefficient0], "z25");
    EXPECT_EQ(test.testHeader[header::coefficient1], "z26");
    EXPECT_EQ(test.testHeader[header::coefficient3], "");
    EXPECT_EQ(test.testHeader[header::surveyName], "kept");  // other header lines skipped
    EXPECT_EQ(test.loadedCalibrationRows[40][1], "40");
    EXPECT_EQ(test.loadedCalibrationRows[1][3], "10");
}

// A calibration file whose name is one character long is read like any
// other; only the name box keeps its text.
TEST_F(HeaderModel, AOneCharacterNameIsReadAllTheSame) {
    ScratchDir dir;
    WriteBytes(dir.file("a"), "$$_KCVARDO300\r\n$$C\r\n10,20,20\r\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    TestHeaderModel d(test, settings);
    const bool read = d.OpenCalibration("a", m);
    std::filesystem::current_path(before);
    ASSERT_TRUE(read);
    EXPECT_EQ(d.field(header::calibrationFileName), "");
    test::PressOk(d, test, m);
    EXPECT_EQ(test.loadedCalibrationRows[1][calibrationField::vm], "20");
}

// The range check reads the whole depth, as the sign rule and Pw and Pz do:
// 31 zeros before 1500 are still 1500 m.
TEST_F(HeaderModel, TheRangeCheckReadsTheWholeText) {
    TestHeaderModel d(test, settings);
    d.field(header::depth) = std::string(31, '0') + "1500";
    d.field(header::pw) = "kept";
    d.DepthLostFocus(m);
    EXPECT_EQ(m.shown, std::vector<std::string>{"数値が異常です"});
    EXPECT_EQ(d.field(header::pw), "kept");
    // OK is refused while the depth is; the water level is pointed out.
    const std::optional<Refusal> refused = test::PressOk(d, test, m);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->box, "field3");
    d.field(header::depth) = "10";
    d.field(header::waterLevel) = std::string(40, '0') + "2000";
    EXPECT_EQ(test::PressOk(d, test, m), std::nullopt);
    ASSERT_GE(m.shown.size(), 2u);
    EXPECT_EQ(m.shown[1], "水位が異常です");
}

// A reduced test of 20 usable rows, with the standard settings.
struct AnalysedTest {
    AnalysedTest() {
        ApplyStandardSettings(settings);
        for (int r = 1; r <= 20; ++r) {
            test.testRows[r][testField::vol60] = FormatText("%d", 100 + 5 * r);
            test.testRows[r][testField::p] = FormatText("%g", 25.0 * r + 0.12345);
        }
        NormalizeTestScales(test);
    }
    TestRecord test;
    Settings settings;
};

TEST(AnalysisModel, OpeningChoosesAndLimitsTheRows) {
    AnalysedTest t;
    AnalysisModel d(t.test, t.settings);
    EXPECT_EQ(d.usableRows, 20);
    EXPECT_EQ(d.chosenRows, (std::array<int, 3>{1, 10, 20}));
    EXPECT_EQ(d.pBox[AnalysisModel::pf], "250.123");
    EXPECT_EQ(d.vBox[AnalysisModel::pf], "150");

    t.test.testHeader[header::pfRow] = "50";
    t.test.testHeader[header::poRow] = "3";
    EXPECT_EQ(AnalysisModel(t.test, t.settings).chosenRows, (std::array<int, 3>{3, 20, 20}));

    t.test.testRows[1][testField::p] = "";
    const AnalysisModel none(t.test, t.settings);
    EXPECT_EQ(none.usableRows, 0);
    EXPECT_EQ(none.pBox[0], "");
}

TEST(AnalysisModel, ArrowsMoveTheCurrentPoint) {
    AnalysedTest t;
    t.test.testHeader[header::poRow] = "4";
    AnalysisModel d(t.test, t.settings);
    d.ChoosePoint(AnalysisModel::pf);
    d.Redraw();
    // The first press gives the current point the displayed Po row.
    d.Up();
    EXPECT_EQ(d.chosenRows[AnalysisModel::pf], 4);
    EXPECT_TRUE(d.changed);
    d.Up();
    EXPECT_EQ(d.chosenRows[AnalysisModel::pf], 5);
    d.ChoosePoint(AnalysisModel::pl);
    d.Up();  // on the last usable row: stays
    EXPECT_EQ(d.currentRow, 20);
    d.ChoosePoint(AnalysisModel::po);
    for (int i = 0; i < 5; ++i) {
        d.Down();
    }
    EXPECT_EQ(d.chosenRows[AnalysisModel::po], 1);
    EXPECT_EQ(d.pBox[AnalysisModel::po], "25.123");
}

// Choosing a point displays the other two points at their chosen rows; the
// point's own displayed row stays until "グラフ描画".
TEST(AnalysisModel, ChoosingAPointDisplaysTheOtherTwo) {
    AnalysedTest t;
    AnalysisModel d(t.test, t.settings);
    d.ChoosePoint(AnalysisModel::pf);
    d.Down();
    d.Down();
    EXPECT_EQ(d.chosenRows, (std::array<int, 3>{1, 8, 20}));
    EXPECT_EQ(d.displayedRows, (std::array<int, 3>{1, 10, 20}));
    d.ChoosePoint(AnalysisModel::po);
    EXPECT_EQ(d.currentRow, 1);
    EXPECT_EQ(d.displayedRows, (std::array<int, 3>{1, 8, 20}));
    d.Up();
    d.ChoosePoint(AnalysisModel::pl);
    EXPECT_EQ(d.displayedRows, (std::array<int, 3>{2, 8, 20}));
    d.Redraw();
    EXPECT_EQ(d.displayedRows, d.chosenRows);
}

TEST(AnalysisModel, OkStoresResultsLinesAndScales) {
    AnalysedTest t;
    t.test.testHeader[header::pw] = "20";
    AnalysisModel d(t.test, t.settings);
    d.pBox[AnalysisModel::pl] = "612.5";
    d.hidePl = true;
    d.dvMax = 80;
    d.UpdateLines();
    EXPECT_EQ(d.Check(), std::nullopt);
    t.test = *d.Accept().test;
    const HeaderTexts& h = t.test.testHeader;
    EXPECT_EQ(h[header::poRow], "1");
    EXPECT_EQ(h[header::pfRow], "10");
    EXPECT_EQ(h[header::poEffective], "5.123");
    EXPECT_EQ(h[header::pfEffective], "230.123");
    EXPECT_EQ(h[header::plValue], "612.5");
    EXPECT_EQ(h[header::meanVolume], "127.5");
    EXPECT_EQ(h[header::spareResult], "0");
    EXPECT_EQ(h[header::poLine], "Po=25.12-20.00");
    EXPECT_EQ(h[header::plLine], "");
    EXPECT_EQ(h[header::hidePl], "1");
    EXPECT_EQ(h[header::modulusValue], FormatText("%4.2f", (535 + 127.5) * 225.0 * 2 / 45));
    EXPECT_EQ(h[header::dvAxisMax], "80");
    EXPECT_EQ(h[header::vAxisStep], "100");

    d.vStep = 0.05;
    EXPECT_TRUE(d.Check());
}

// A modulus that cannot be computed (with the volume-loss correction, a at
// or above dV/dP) is no number anywhere: the dialog says why, and OK says it
// too; the stored text stays as the file format has it, and page 1 leaves
// the Em box empty where a computed 0 would show.
TEST(AnalysisModel, AModulusThatCannotBeComputedIsNeverPrinted) {
    AnalysedTest t;
    t.test.testHeader[header::volumeLossFlag] = "1";
    t.settings.compressionA = 0.5;  // dV/dP = 45/225 = 0.2
    AnalysisModel d(t.test, t.settings);
    d.UpdateLines();
    EXPECT_EQ(d.emNote, "補正後の dV/dP − a が 0 以下のため Em を計算できません");
    const Edit edit = d.Accept();
    EXPECT_EQ(edit.notice, d.emNote);
    Workspace ws;
    ws.documentKind = DocumentKind::test;
    ws.settings = test::StandardSettings();
    ws.test = *edit.test;
    const HeaderTexts& h = ws.test.testHeader;
    EXPECT_EQ(h[header::modulusValue], "0.00");
    EXPECT_EQ(Cp932ToUtf8(h[header::emLine]), "Ｅm=");
    EXPECT_EQ(StoredModulus(h), std::nullopt);
    const auto zeros = [&ws] {
        OpsRecorder recorder(300, 300);
        RecordedMessages m;
        DrawPages(PagesOf(ws), {1}, recorder, m);
        const std::string ops = recorder.text();
        std::size_t n = 0;
        for (std::size_t at = ops.find("\"0.00\""); at != std::string::npos;
             at = ops.find("\"0.00\"", at + 1)) {
            ++n;
        }
        return n;
    };
    const std::size_t notComputed = zeros();
    ws.test.testHeader[header::extraLine] = "  =0.00";
    EXPECT_EQ(StoredModulus(ws.test.testHeader), 0.0);
    EXPECT_EQ(zeros(), notComputed + 1);
}

TEST(CalibrationReadingsModel, OkNormalisesTheRowsAndFitsAgain) {
    CalibrationRecord calibration;
    calibration.calibrationHeader[header::fitMethod] = "1";
    RecordedMessages quiet;
    const Settings settings;
    CalibrationReadingsModel d(calibration, settings, quiet);
    d.SetCell(1, calibrationField::vm, "10.50");
    d.SetCell(2, calibrationField::vm, " 2e1");
    d.SetCell(3, calibrationField::vm, "x");
    d.SetCell(4, calibrationField::vm, "40");
    EXPECT_EQ(calibration.calibrationRows[1][calibrationField::vm], "");  // not before OK
    RecordedMessages m;
    calibration = *d.Accept().calibration;
    EXPECT_EQ(RefitCalibration(calibration, m), kFitTooFewPoints);
    const CalibrationRows& rows = calibration.calibrationRows;
    EXPECT_EQ(rows[1][calibrationField::vm], "10.50");
    EXPECT_EQ(rows[1][calibrationField::vmCopy], "10.5");
    EXPECT_EQ(rows[2][calibrationField::vmCopy], "20");
    EXPECT_EQ(rows[4][calibrationField::vmCopy], "");
    // The regression method reports too few points.
    EXPECT_EQ(m.shown, std::vector<std::string>{"高次回帰はデータ数不足で計算できません"});
    EXPECT_EQ(calibration.calibrationHeader[header::coefficient0], "_");
}

}  // namespace
}  // namespace karnea
