// The pages, operation by operation: golden ops files for every page kind
// (KARNEA_UPDATE_EXPECTED=1 rewrites them after a deliberate change), and
// direct checks of positions the layout fixes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "pages/pagerecording.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/golden.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ExpectGolden;
const std::string kExamples = KARNEA_EXAMPLES_DIR;

Workspace Standard() {
    Workspace ws;
    ws.settings = test::StandardSettings();
    return ws;
}

Workspace Example(const std::string& name) {
    Workspace ws = Standard();
    RecordedMessages m;
    EXPECT_TRUE(OpenDataFile(ws, kExamples + "/" + name, m));
    ApplyRecordDefaults(ws);
    return ws;
}

std::string Render(const Workspace& ws, int page, int dpi = 600) {
    OpsRecorder recorder(dpi, dpi);
    RecordedMessages m;
    DrawPages(PagesOf(ws), {page}, recorder, m);
    EXPECT_TRUE(m.shown.empty());
    return recorder.text();
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
    ws.documentKind = DocumentKind::test;
    for (int r = 1; r <= 85; ++r) {
        TestRow& row = ws.test.testRows[r];
        row[testField::pm] = FormatText("%d", 10 * r);
        row[testField::vol15] = FormatText("%.1f", 3.0 * r);
        row[testField::vol30] = FormatText("%.1f", 3.0 * r + 0.4);
        row[testField::vol60] = FormatText("%.1f", 3.0 * r + 0.6);
        row[testField::vol120] = FormatText("%.1f", 3.0 * r + 0.7);
        row[testField::p] = FormatText("%d", 9 * r);
        row[testField::dv] = "0.2";
    }
    ws.test.testHeader[header::show120InTable] = "0";
    SetPageNumber(ws.test.testHeader, false, "表-", "3", "", 1, 0);
    ApplyRecordDefaults(ws);
    return ws;
}

TEST(PagesGolden, TestResultPage) {
    Workspace ws = Example("test.kdw");
    SetPageNumber(ws.test.testHeader, true, "図-", "1", "", 0, 0);
    ExpectGolden("test-graph-rotated", Render(ws, 1, 150));

    // Upright axis names, the Pl mark pointing up, the page number centred
    // below the company line.
    ws.settings.rotateAxisNames = 0;
    ws.test.testHeader[header::plRow] = "20";
    SetPageNumber(ws.test.testHeader, true, "", "A", "", 1, 1);
    ExpectGolden("test-graph-upright", Render(ws, 1, 150));
}

TEST(PagesGolden, DataSheets) {
    Workspace ws = Example("test.kdw");
    ws.settings.showSiCoefficient = 1;
    ws.settings.volumeUnit = 1;
    ExpectGolden("test-sheet-9-columns", Render(ws, 2));
    ws.test.testHeader[header::show120InTable] = "0";
    SetPageNumber(ws.test.testHeader, false, "P.", "", "", 0, 1);
    ExpectGolden("test-sheet-8-columns", Render(ws, 2));

    Workspace longTest = LongTest();
    ASSERT_EQ(PageCount(PagesOf(longTest)), 4);
    ExpectGolden("test-sheet-second", Render(longTest, 3));
    ExpectGolden("test-sheet-last", Render(longTest, 4));
}

TEST(PagesGolden, CalibrationPages) {
    Workspace ws = Example("calibration.kcw");
    SetPageNumber(ws.calibration.calibrationHeader, true, "Cal-", "1", "", 0, 0);
    ExpectGolden("calibration-graph-regression", Render(ws, 1, 150));
    ExpectGolden("calibration-table", Render(ws, 2));
    ws.calibration.calibrationHeader[header::fitMethod] = "0";
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

// Pages drawn into a recording and replayed draw what they draw directly,
// page numbers and kinds included; a target that stops ends the replay.
TEST(PageRecordings, ReplayDrawsThePagesAsDrawn) {
    class StopsAt : public PageTarget {
    public:
        StopsAt(PageTarget& inner, int last) : inner_(inner), last_(last) {}
        Surface* BeginPage(int page, DocumentKind kind) override {
            return page > last_ ? nullptr : inner_.BeginPage(page, kind);
        }
        bool EndPage(int page) override { return inner_.EndPage(page); }

    private:
        PageTarget& inner_;
        int last_;
    };
    for (const char* name : {"test.kdw", "calibration.kcw"}) {
        const Workspace ws = Example(name);
        const PageSource source = PagesOf(ws);
        RecordedMessages m;
        OpsRecorder direct(300, 600);
        ASSERT_TRUE(DrawPages(source, AllPages(source), direct, m));
        PageRecording recording(300, 600);
        ASSERT_TRUE(DrawPages(source, AllPages(source), recording, m));
        EXPECT_EQ(recording.PageCount(), PageCount(source));
        OpsRecorder replayed(300, 600);
        ASSERT_TRUE(recording.Replay(replayed));
        EXPECT_EQ(replayed.text(), direct.text()) << name;
        EXPECT_TRUE(m.shown.empty());

        OpsRecorder first(300, 600);
        StopsAt stops(first, 1);
        EXPECT_FALSE(recording.Replay(stops));
        EXPECT_EQ(direct.text().rfind(first.text(), 0), 0u);
        EXPECT_EQ(OpsLines(first.text(), "page").size(), 1u);
    }
}

TEST(PagePositions, TransformAt600Dpi) {
    Workspace ws = Standard();
    OpsRecorder recorder(600, 600);
    RecordedMessages m;
    PageComposer page(ws.settings, recorder, m);
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
    PageComposer page(ws.settings, recorder, m);
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
    ws.test.testHeader[header::depth] = "12.345";
    ws.test.testHeader[header::waterLevel] = "3";
    ws.test.testHeader[header::pz] = "113";
    ws.settings.pzDecimals = 9;
    ws.test.testHeader[header::numberCaption] = Sjis("Ｎｏ．");
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
    SetPageNumber(ws.test.testHeader, false, "(", "3", ")", 0, 0);
    EXPECT_EQ(OpsLines(Render(ws, 3), "text").back().substr(0, 5), "text ");
    EXPECT_NE(Render(ws, 3).find("\"(4)\""), std::string::npos);
    ws.test.testHeader[header::tablePageNumber] = "";
    EXPECT_NE(Render(ws, 3).find("\"()\""), std::string::npos);
    ws.test.testHeader[header::tablePageNumber] = "iv";
    EXPECT_NE(Render(ws, 3).find("\"(iv)\""), std::string::npos);

    // A page beyond the set only selects the title font.
    ws.documentKind = DocumentKind::calibration;
    EXPECT_EQ(OpsLines(Render(ws, 3), ""),
              (std::vector<std::string>{"page 3 calibration 600 600",
                                        "font \"ＭＳ 明朝\" 100 0 #000000"}));
}

// Settings that reach the pages are in range once loaded, but the drawing
// never relies on it: a dash pattern near the limit of int, or a page number
// that would overflow, still draws a bounded page with the right texts.
TEST(PagePositions, ExtremeSettingsDrawABoundedPage) {
    Workspace ws = Example("test.kdw");
    ws.settings.gridDashLength = 5;
    ws.settings.gridGapLength = 2147483645;  // dash + gap beyond int
    const std::string sparse = Render(ws, 1, 150);
    ws.settings.gridGapLength = 1;
    const std::string dense = Render(ws, 1, 150);
    // Each grid line draws one dash; a gap of one pixel at most one dash
    // every two pixels of the line.
    EXPECT_LT(OpsLines(sparse, "line").size(), 200u);
    EXPECT_LT(OpsLines(dense, "line").size(), 40000u);
    EXPECT_GT(OpsLines(dense, "line").size(), OpsLines(sparse, "line").size());

    SetPageNumber(ws.test.testHeader, false, "", "2147483647", "", 0, 0);
    EXPECT_NE(Render(ws, 2).find("\"2147483647\""), std::string::npos);
    Workspace longTest = LongTest();
    SetPageNumber(longTest.test.testHeader, false, "", "2147483647", "", 0, 0);
    EXPECT_NE(Render(longTest, 3).find("\"2147483648\""), std::string::npos);
}

TEST(PageCounts, PrintJobsInOrderAndCopies) {
    using Pages = std::vector<int>;
    EXPECT_EQ(PrintJobPages(1, 3, false, 1, false), (Pages{1, 2, 3}));
    EXPECT_EQ(PrintJobPages(2, 3, true, 1, true), (Pages{3, 2}));
    EXPECT_EQ(PrintJobPages(1, 2, false, 2, true), (Pages{1, 2, 1, 2}));
    EXPECT_EQ(PrintJobPages(1, 2, false, 2, false), (Pages{1, 1, 2, 2}));
    EXPECT_EQ(PrintJobPages(1, 2, true, 2, false), (Pages{2, 2, 1, 1}));
    EXPECT_EQ(PrintJobPages(3, 2, false, 1, true), Pages{});
}

TEST(PageCounts, FortyRowsAPageAfterTheGraph) {
    Workspace ws;
    ws.documentKind = DocumentKind::calibration;
    for (int r = 1; r <= 39; ++r) {
        ws.calibration.calibrationRows[r][calibrationField::pm] = "1";
    }
    EXPECT_EQ(PageCount(PagesOf(ws)), 2);
    ws.calibration.calibrationRows[40][calibrationField::pm] = "1";
    EXPECT_EQ(PageCount(PagesOf(ws)), 3);

    ws.documentKind = DocumentKind::test;
    const std::pair<int, int> counts[] = {{0, 2},  {39, 2},  {40, 3}, {79, 3},
                                          {80, 4}, {119, 4}, {120, 5}};
    for (const auto& [rows, pages] : counts) {
        for (int r = 1; r <= kTestRowCount; ++r) {
            ws.test.testRows[r][testField::pm] = r <= rows ? "1" : "";
        }
        EXPECT_EQ(PageCount(PagesOf(ws)), pages) << rows;
        EXPECT_EQ(AllPages(PagesOf(ws)).size(), static_cast<std::size_t>(pages));
    }
}

// A huge header text is cut to what a line of the page can show.
TEST(PagePositions, HugeTextsAreCutToThePage) {
    Workspace ws = Example("test.kdw");
    ws.test.testHeader[header::surveyName] = std::string(1 << 20, 'X');
    const std::string ops = Render(ws, 1, 150);
    std::size_t longest = 0;
    std::size_t start = 0;
    while (start < ops.size()) {
        const std::size_t end = ops.find('\n', start);
        longest = std::max(longest, (end == std::string::npos ? ops.size() : end) - start);
        start = end == std::string::npos ? ops.size() : end + 1;
    }
    EXPECT_LT(longest, 600u);
    EXPECT_NE(ops.find(std::string(512, 'X')), std::string::npos);
}
}  // namespace
}  // namespace karnea
