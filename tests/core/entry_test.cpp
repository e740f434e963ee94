#include <gtest/gtest.h>

#include "core/testsupport.h"
#include "entry/analysisdialog.h"
#include "entry/calibrationcommands.h"
#include "entry/testheaderdialog.h"
#include "pages/pagecount.h"
#include "records/datafile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "settings/settings.h"

namespace karnea {
namespace {

using test::ScratchDir;
using test::WriteBytes;

TEST(TestHeaderDialog, SignRule) {
    EXPECT_EQ(ApplyDepthSign("12.5"), "-12.5");
    EXPECT_EQ(ApplyDepthSign(" 5 "), "-5");
    EXPECT_EQ(ApplyDepthSign("+5"), "+5");
    EXPECT_EQ(ApplyDepthSign("-5"), "-5");
    EXPECT_EQ(ApplyDepthSign("5e-3"), "5e-3");
    EXPECT_EQ(ApplyDepthSign(" abc"), " abc");
    EXPECT_EQ(ApplyDepthSign(""), "");
}

class HeaderDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyStandardSettings(ws.settings);
        ws.settings.defaultTableTitle = "TT";
        ws.testHeader[header::depth] = "10";
        ws.testHeader[header::waterLevel] = "2";
        ws.testHeader[header::machineHeight] = "1.2";
        ws.testHeader[header::graphTitle] = "own";
    }
    Workspace ws;
    RecordedMessages m;
};

TEST_F(HeaderDialog, FocusRulesComputePwAndPz) {
    TestHeaderDialogModel d(ws);
    EXPECT_EQ(d.field(header::tableTitle), "TT");
    EXPECT_EQ(d.field(header::graphTitle), "own");
    d.DepthLostFocus(ws, m);
    EXPECT_EQ(d.field(header::depth), "-10");
    EXPECT_EQ(d.field(header::pw), "120");  // water level not yet signed: +2 m
    EXPECT_EQ(d.field(header::pz), "112");
    d.WaterLevelLostFocus(ws, m);
    EXPECT_EQ(d.field(header::waterLevel), "-2");
    EXPECT_EQ(d.field(header::pw), "80");
    EXPECT_TRUE(m.shown.empty());

    d.field(header::depth) = "1500";
    d.field(header::pz) = "kept";
    d.DepthLostFocus(ws, m);
    EXPECT_EQ(m.shown, std::vector<std::string>{"数値が異常です"});
    EXPECT_EQ(d.field(header::pz), "kept");
    d.field(header::depth) = "-10";
    d.field(header::waterLevel) = "-2000";
    d.WaterLevelLostFocus(ws, m);
    EXPECT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(d.field(header::pw), "0.0");  // computed all the same
    d.Accept(m);
    EXPECT_EQ(m.shown.back(), "水位が異常です");
}

TEST_F(HeaderDialog, OkWritesEveryFieldBack) {
    TestHeaderDialogModel d(ws);
    d.volumeLoss = true;
    d.fitMethod = 3;
    d.field(header::memo) = "note";
    d.Accept(m);
    d.Store(ws);
    EXPECT_EQ(ws.testHeader[header::depth], "-10");
    EXPECT_EQ(ws.testHeader[header::tableTitle], "TT");
    EXPECT_EQ(ws.testHeader[header::memo], "note");
    EXPECT_EQ(ws.testHeader[header::volumeLossFlag], "1");
    EXPECT_EQ(ws.testHeader[header::fitMethod], "1");
}

TEST_F(HeaderDialog, OpeningACalibrationFile) {
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
    WriteBytes(dir.file("test.kdw"), WriteTestFile(ws));
    ws.testHeader[header::coefficient3] = "stale";
    ws.loadedCalibrationRows[1][1] = "old";

    TestHeaderDialogModel d(ws);
    EXPECT_FALSE(d.OpenCalibration(ws, dir.file("test.kdw"), m));
    EXPECT_EQ(m.shown.back(), "Ver.3 のキャリブレーションファイルではありません");
    EXPECT_FALSE(d.OpenCalibration(ws, dir.file("none.kcw"), m));
    EXPECT_EQ(ws.loadedCalibrationRows[1][1], "old");
    EXPECT_EQ(d.field(header::calibrationFileName), "");

    ASSERT_TRUE(d.OpenCalibration(ws, dir.file("probe.kcw"), m));
    EXPECT_EQ(d.field(header::calibrationFileName), dir.file("probe.kcw"));
    EXPECT_EQ(ws.testHeader[header::coefficient0], "z25");
    EXPECT_EQ(ws.testHeader[header::coefficient1], "z26");
    EXPECT_EQ(ws.testHeader[header::coefficient3], "");
    EXPECT_EQ(ws.testHeader[header::surveyName], "");  // other header lines skipped
    EXPECT_EQ(ws.loadedCalibrationRows[40][1], "40");
    EXPECT_EQ(ws.loadedCalibrationRows[1][3], "10");
}

// A reduced test of 20 usable rows.
Workspace AnalysedTest() {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    for (int r = 1; r <= 20; ++r) {
        ws.testRows[r][testField::vol60] = FormatText("%d", 100 + 5 * r);
        ws.testRows[r][testField::p] = FormatText("%g", 25.0 * r + 0.12345);
    }
    NormalizeTestScales(ws);
    return ws;
}

TEST(AnalysisDialog, OpeningChoosesAndLimitsTheRows) {
    Workspace ws = AnalysedTest();
    AnalysisDialogModel d(ws);
    EXPECT_EQ(d.usableRows, 20);
    EXPECT_EQ(d.chosenRows, (std::array<int, 3>{1, 10, 20}));
    EXPECT_EQ(d.pBox[AnalysisDialogModel::pf], "250.123");
    EXPECT_EQ(d.vBox[AnalysisDialogModel::pf], "150");

    ws.testHeader[header::pfRow] = "50";
    ws.testHeader[header::poRow] = "3";
    EXPECT_EQ(AnalysisDialogModel(ws).chosenRows, (std::array<int, 3>{3, 20, 20}));

    ws.testRows[1][testField::p] = "";
    const AnalysisDialogModel none(ws);
    EXPECT_EQ(none.usableRows, 0);
    EXPECT_EQ(none.pBox[0], "");
}

TEST(AnalysisDialog, ArrowsMoveTheCurrentPoint) {
    Workspace ws = AnalysedTest();
    ws.testHeader[header::poRow] = "4";
    AnalysisDialogModel d(ws);
    d.ChoosePoint(AnalysisDialogModel::pf);
    d.Redraw();
    // The first press gives the current point the displayed Po row.
    d.Up(ws);
    EXPECT_EQ(d.chosenRows[AnalysisDialogModel::pf], 4);
    EXPECT_TRUE(d.changed);
    d.Up(ws);
    EXPECT_EQ(d.chosenRows[AnalysisDialogModel::pf], 5);
    d.ChoosePoint(AnalysisDialogModel::pl);
    d.Up(ws);  // on the last usable row: stays
    EXPECT_EQ(d.currentRow, 20);
    d.ChoosePoint(AnalysisDialogModel::po);
    for (int i = 0; i < 5; ++i) {
        d.Down(ws);
    }
    EXPECT_EQ(d.chosenRows[AnalysisDialogModel::po], 1);
    EXPECT_EQ(d.pBox[AnalysisDialogModel::po], "25.123");
}

TEST(AnalysisDialog, OkStoresResultsLinesAndScales) {
    Workspace ws = AnalysedTest();
    ws.testHeader[header::pw] = "20";
    AnalysisDialogModel d(ws);
    d.pBox[AnalysisDialogModel::pl] = "612.5";
    d.hidePl = true;
    d.dvMax = 80;
    d.UpdateLines(ws);
    EXPECT_EQ(d.Refusal(), std::nullopt);
    d.Accept(ws);
    const HeaderTexts& h = ws.testHeader;
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
    EXPECT_TRUE(d.Refusal());
}

TEST(ViewRules, CalibrationRowsAndPageCounts) {
    Workspace ws;
    ws.calibrationRows[1][calibrationField::vm] = "10.50";
    ws.calibrationRows[2][calibrationField::vm] = " 2e1";
    ws.calibrationRows[3][calibrationField::vm] = "x";
    ws.calibrationRows[4][calibrationField::vm] = "40";
    ws.calibrationRows[4][calibrationField::vmCopy] = "40";
    NormalizeCalibrationRows(ws);
    EXPECT_EQ(ws.calibrationRows[1][calibrationField::vmCopy], "10.5");
    EXPECT_EQ(ws.calibrationRows[2][calibrationField::vmCopy], "20");
    EXPECT_EQ(ws.calibrationRows[4][calibrationField::vmCopy], "");

    ws.documentKind = kCalibrationDocument;
    for (int r = 1; r <= 39; ++r) {
        ws.calibrationRows[r][calibrationField::pm] = "1";
    }
    EXPECT_EQ(PageCount(ws), 2);
    ws.calibrationRows[40][calibrationField::pm] = "1";
    EXPECT_EQ(PageCount(ws), 3);

    ws.documentKind = kTestDocument;
    ws.CurrentPage = 4;
    EXPECT_EQ(PageCount(ws), 2);
    EXPECT_EQ(ws.CurrentPage, 1);
    const std::pair<int, int> counts[] = {{39, 2}, {40, 3}, {79, 3}, {80, 4}, {119, 4}, {120, 5}};
    for (const auto& [rows, pages] : counts) {
        for (int r = 1; r <= kTestRowCount; ++r) {
            ws.testRows[r][testField::pm] = r <= rows ? "1" : "";
        }
        EXPECT_EQ(PageCount(ws), pages) << rows;
    }
}

}  // namespace
}  // namespace karnea
