// The pages, operation by operation: golden ops files for every page kind
// (KARNEA_UPDATE_EXPECTED=1 rewrites them after a deliberate change), and
// direct checks of positions the layout fixes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "core/testsupport.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "pages/pagecount.h"
#include "document/documentfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "settings/settings.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::WriteBytes;

const std::filesystem::path kGolden = std::filesystem::path(KARNEA_TEST_DATA_DIR) / "golden";
const std::string kExamples = KARNEA_EXAMPLES_DIR;

Workspace Standard() {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    for (int role = 1; role <= kFontRoleCount; ++role) {
        ws.settings.fonts[static_cast<std::size_t>(role - 1)] = StandardFont(role);
    }
    return ws;
}

Workspace Example(const std::string& name) {
    Workspace ws = Standard();
    RecordedMessages m;
    EXPECT_TRUE(OpenDataFile(ws, kExamples + "/" + name, m));
    ApplyRecordDefaults(ws);
    return ws;
}

std::string Render(Workspace& ws, int page, int dpi = 600) {
    OpsRecorder recorder(dpi, dpi);
    ws.lastDrawnKind = ws.documentKind;
    ws.CurrentPage = page;
    recorder.BeginPage(page, ws.documentKind == kTestDocument);
    RecordedMessages m;
    DrawPage(ws, recorder, m);
    EXPECT_TRUE(m.shown.empty());
    return recorder.text();
}

void ExpectGolden(const std::string& name, const std::string& ops) {
    const std::string path = (kGolden / (name + ".ops")).string();
    if (std::getenv("KARNEA_UPDATE_EXPECTED") != nullptr) {
        WriteBytes(path, ops);
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_TRUE(ReadBytes(path) == ops) << name << ": the page differs from " << path;
}

void SetPageNumber(HeaderTexts& h, bool graph, const char* prefix, const char* start,
                   const char* suffix, int leftMode, int topMode) {
    const int base = graph ? header::graphPagePrefix : header::tablePagePrefix;
    h[base] = Sjis(prefix);
    h[base + 1] = start;
    h[base + 2] = Sjis(suffix);
    h[header::leftMarginMode] = std::to_string(leftMode);
    h[header::leftMarginFromPaper] = "20";
    h[header::leftMarginCentred] = "105";
    h[header::topMarginMode] = std::to_string(topMode);
    h[header::topMarginFromPaper] = "280";
    h[header::topMarginFromName] = "8";
}

// A test of 85 reduced rows: three data-sheet pages.
Workspace LongTest() {
    Workspace ws = Standard();
    ws.documentKind = kTestDocument;
    for (int r = 1; r <= 85; ++r) {
        TestRow& row = ws.testRows[r];
        row[testField::pm] = FormatText("%d", 10 * r);
        row[testField::vol15] = FormatText("%.1f", 3.0 * r);
        row[testField::vol30] = FormatText("%.1f", 3.0 * r + 0.4);
        row[testField::vol60] = FormatText("%.1f", 3.0 * r + 0.6);
        row[testField::vol120] = FormatText("%.1f", 3.0 * r + 0.7);
        row[testField::p] = FormatText("%d", 9 * r);
        row[testField::dv] = "0.2";
    }
    ws.testHeader[header::show120InTable] = "0";
    SetPageNumber(ws.testHeader, false, "表-", "3", "", 1, 0);
    ApplyRecordDefaults(ws);
    return ws;
}

TEST(PagesGolden, TestResultPage) {
    Workspace ws = Example("test.kdw");
    SetPageNumber(ws.testHeader, true, "図-", "1", "", 0, 0);
    ExpectGolden("test-graph-rotated", Render(ws, 1, 150));

    // Upright axis names, the Pl mark pointing up, the page number centred
    // below the company line.
    ws.settings.rotateAxisNames = 0;
    ws.testHeader[header::plRow] = "20";
    SetPageNumber(ws.testHeader, true, "", "A", "", 1, 1);
    ExpectGolden("test-graph-upright", Render(ws, 1, 150));
}

TEST(PagesGolden, DataSheets) {
    Workspace ws = Example("test.kdw");
    ws.settings.showSiCoefficient = 1;
    ws.settings.volumeUnit = 1;
    ExpectGolden("test-sheet-9-columns", Render(ws, 2));
    ws.testHeader[header::show120InTable] = "0";
    SetPageNumber(ws.testHeader, false, "P.", "", "", 0, 1);
    ExpectGolden("test-sheet-8-columns", Render(ws, 2));

    Workspace longTest = LongTest();
    ASSERT_EQ(PageCount(longTest), 4);
    ExpectGolden("test-sheet-second", Render(longTest, 3));
    ExpectGolden("test-sheet-last", Render(longTest, 4));
}

TEST(PagesGolden, CalibrationPages) {
    Workspace ws = Example("calibration.kcw");
    SetPageNumber(ws.calibrationHeader, true, "Cal-", "1", "", 0, 0);
    ExpectGolden("calibration-graph-regression", Render(ws, 1, 150));
    ExpectGolden("calibration-table", Render(ws, 2));
    ws.calibrationHeader[header::fitMethod] = "0";
    ws.settings.rotateAxisNames = 0;
    ExpectGolden("calibration-graph-linear", Render(ws, 1, 150));
}

// Lines of the ops text that start with `prefix`.
std::vector<std::string> OpsLines(const std::string& ops, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(ops);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(PagePositions, TransformAt600Dpi) {
    Workspace ws = Standard();
    OpsRecorder recorder(600, 600);
    RecordedMessages m;
    PageComposer page(ws, recorder, m);
    EXPECT_NEAR(page.uy(), 23.622047, 1e-6);
    EXPECT_EQ(page.ToDeviceY(236), 5692);  // trunc((236 + 5) * 23.62...)
    EXPECT_EQ(page.ToDeviceX(0), 118);
    page.blockOffset = 43;
    EXPECT_EQ(page.ToDeviceY(0), 1133);
    EXPECT_EQ(page.ToDeviceX(1e9), 32767);
    EXPECT_EQ(page.ToDeviceY(-1e9), -32767);
}

TEST(PagePositions, SpreadLetteringAndNumberCaption) {
    Workspace ws = Standard();
    OpsRecorder recorder(254, 254);  // 10 device units per mm
    RecordedMessages m;
    PageComposer page(ws, recorder, m);
    page.leftMargin = 0;
    page.topMargin = 0;
    page.DrawSpreadTextMm(10, 30, 7, 7, 2, 0, Sjis("名"));
    page.DrawSpreadTextMm(10, 30, 7, 7, 2, 0, "abc");  // step = span - cell width
    page.DrawSpreadTextMm(10, 30, 7, 7, 2, 0, Sjis("調　査　名"));
    EXPECT_EQ(OpsLines(recorder.text(), "text"),
              (std::vector<std::string>{
                  "text 100 70 \"名\"", "text 100 70 \"a\"", "text 280 70 \"b\"",
                  "text 460 70 \"c\"", "text 100 70 \"調\"", "text 145 70 \"　\"",
                  "text 190 70 \"査\"", "text 235 70 \"　\"", "text 280 70 \"名\""}));
}

TEST(PagePositions, DataSheetRowsAndHeaderTexts) {
    Workspace ws = Example("test.kdw");
    ws.settings.graphTopMargin = 0;
    ws.testHeader[header::depth] = "12.345";
    ws.testHeader[header::waterLevel] = "3";
    ws.testHeader[header::pz] = "113";
    ws.settings.pzDecimals = 9;
    ws.testHeader[header::numberCaption] = Sjis("Ｎｏ．");
    const std::string ops = Render(ws, 2, 254);
    const std::vector<std::string> texts = OpsLines(ops, "text");
    const auto has = [&](const std::string& line) {
        return std::find(texts.begin(), texts.end(), line) != texts.end();
    };
    // At 10 device units per mm with the left margin 5: row 1 of the sheet
    // ends 0.5 mm above 20 + 1.5 s (s = 170 / 44.5), at block offset 43; rows
    // 5 and 6 are 1.5 s apart.
    EXPECT_TRUE(has("text 270 682 \"0.0\""));  // trunc((43 + 25.73 - 0.5) * 10)
    EXPECT_TRUE(has("text 270 835 \"100.0\""));
    EXPECT_TRUE(has("text 270 892 \"125.0\""));
    EXPECT_TRUE(has("text 410 205 \"GL 12.35 m\""));
    EXPECT_TRUE(has("text 410 250 \"GL 3.00 m\""));
    EXPECT_TRUE(has("text 1390 340 \"113.000000kN/㎡\""));
    EXPECT_TRUE(has("text 150 115 \"Ｎｏ．\""));
}

TEST(PagePositions, PageNumberTextsAndKindChanges) {
    Workspace ws = LongTest();
    SetPageNumber(ws.testHeader, false, "(", "3", ")", 0, 0);
    EXPECT_EQ(OpsLines(Render(ws, 3), "text").back().substr(0, 5), "text ");
    EXPECT_NE(Render(ws, 3).find("\"(4)\""), std::string::npos);
    ws.testHeader[header::tablePageNumber] = "";
    EXPECT_NE(Render(ws, 3).find("\"()\""), std::string::npos);
    ws.testHeader[header::tablePageNumber] = "iv";
    EXPECT_NE(Render(ws, 3).find("\"(iv)\""), std::string::npos);

    // Drawing the other kind starts at its page 1; a page beyond the set only
    // selects the title font.
    OpsRecorder recorder(600, 600);
    RecordedMessages m;
    ws.lastDrawnKind = kCalibrationDocument;
    ws.CurrentPage = 3;
    DrawPage(ws, recorder, m);
    EXPECT_EQ(ws.CurrentPage, 1);
    ws.documentKind = kCalibrationDocument;
    ws.lastDrawnKind = kCalibrationDocument;
    ws.CurrentPage = 3;
    OpsRecorder blank(600, 600);
    DrawPage(ws, blank, m);
    EXPECT_EQ(OpsLines(blank.text(), ""),
              (std::vector<std::string>{"font \"ＭＳ 明朝\" 100 0 #000000"}));
}

}  // namespace
}  // namespace karnea
