// Choices held as texts read the same everywhere: whatever a record's text
// holds, the reduction and the pages use it as the dialog shows it, so that
// OK without a change leaves both as they were and stores the choice's own
// text.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/reduction.h"
#include "document/documentfile.h"
#include "document/edithistory.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "entry/calibrationheadermodel.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/pagefootermodel.h"
#include "entry/testheadermodel.h"
#include "entry/testreadingsmodel.h"
#include "pages/opsrecorder.h"
#include "records/choices.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

const char* const kOddTexts[] = {"-1", "2", "", " 1"};

Workspace Example() {
    Workspace ws;
    ws.settings = test::StandardSettings();
    RecordedMessages m;
    EXPECT_TRUE(OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/calibration.kcw", m));
    EXPECT_TRUE(OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", m));
    ApplyRecordDefaults(ws);
    // The page numbers where OK of the page dialog keeps them.
    for (HeaderTexts* h : {&ws.test.testHeader, &ws.calibration.calibrationHeader}) {
        (*h)[header::graphPageNumber] = "1";
        (*h)[header::topMarginFromPaper] = "270";
        (*h)[header::topMarginFromName] = "5";
        (*h)[header::leftMarginFromPaper] = "20";
        (*h)[header::leftMarginCentred] = "105";
    }
    return ws;
}

std::string Pages(const Workspace& ws) {
    OpsRecorder recorder(300, 300);
    SilentMessages quiet;
    DrawPages(PagesOf(ws), AllPages(PagesOf(ws)), recorder, quiet);
    return recorder.text();
}

SilentMessages quiet;

// Presses OK in a dialog after noting the choices it shows.
template <typename Model>
std::vector<int> Ok(Workspace& ws, Model& model, std::vector<int> shown) {
    EXPECT_EQ(AcceptEdit(ws, model, quiet), std::nullopt);
    return shown;
}

// The dialogs that store the choices, each giving the choices it showed.
enum Dialog {
    testHeader,
    testReadings,
    analysis,
    testPage,
    calibrationHeader,
    calibrationReadings
};

std::vector<int> OkIn(Dialog dialog, Workspace& ws) {
    switch (dialog) {
        case testHeader: {
            TestHeaderModel m(ws.test, ws.settings);
            return Ok(ws, m, {m.fitMethod, m.volumeLoss});
        }
        case testReadings: {
            TestReadingsModel m(ws.test, ws.settings, false, quiet);
            return Ok(ws, m, {m.measurementTime(), m.show120});
        }
        case analysis: {
            AnalysisModel m(ws.test, ws.settings);
            return Ok(ws, m, {m.hidePl});
        }
        case testPage: {
            PageFooterModel m(ws.test, 281, 210);
            return Ok(ws, m, {m.topMode(), m.leftMode()});
        }
        case calibrationHeader: {
            CalibrationHeaderModel m(ws.calibration, ws.settings);
            return Ok(ws, m, {m.fitMethod});
        }
        case calibrationReadings: {
            CalibrationReadingsModel m(ws.calibration, ws.settings, quiet);
            return Ok(ws, m, {static_cast<int>(m.measurementTime)});
        }
    }
    return {};
}

// A choice: where its text is, and which of the choices of which dialog
// shows it.
struct Choice {
    DocumentKind kind;
    int number;
    Dialog dialog;
    std::size_t shownAs;
};

constexpr Choice kChoices[] = {
    {DocumentKind::test, header::fitMethod, testHeader, 0},
    {DocumentKind::test, header::volumeLossFlag, testHeader, 1},
    {DocumentKind::test, header::measurementTime, testReadings, 0},
    {DocumentKind::test, header::show120InTable, testReadings, 1},
    {DocumentKind::test, header::hidePl, analysis, 0},
    {DocumentKind::test, header::topMarginMode, testPage, 0},
    {DocumentKind::test, header::leftMarginMode, testPage, 1},
    {DocumentKind::calibration, header::fitMethod, calibrationHeader, 0},
    {DocumentKind::calibration, header::measurementTime, calibrationReadings, 0},
};

TEST(Choices, ReductionPagesAndDialogsAgreeOnEveryText) {
    for (const Choice& choice : kChoices) {
        for (const char* text : kOddTexts) {
            SCOPED_TRACE(std::string(HeaderTextInfoOf(choice.number).name) + " \"" + text + "\"");
            Workspace ws = Example();
            ws.documentKind = choice.kind;
            if (choice.kind == DocumentKind::test) {
                ws.test.testHeader[choice.number] = text;
                RecomputeTestRows(ws.test, quiet);
            } else {
                ws.calibration.calibrationHeader[choice.number] = text;
                RefitCalibration(ws.calibration, quiet);
            }
            const TestRows rows = ws.test.testRows;
            const Coefficients coefficients = ws.calibration.calibrationCoefficients;
            const std::string pages = Pages(ws);

            const int shown = OkIn(choice.dialog, ws).at(choice.shownAs);
            const HeaderTexts& h = choice.kind == DocumentKind::test
                                       ? ws.test.testHeader
                                       : ws.calibration.calibrationHeader;
            EXPECT_EQ(h[choice.number], shown == 1 ? "1" : "0");
            EXPECT_EQ(ws.test.testRows, rows);
            EXPECT_EQ(ws.calibration.calibrationCoefficients, coefficients);
            EXPECT_EQ(Pages(ws), pages);
        }
    }
}

TEST(Choices, TheReadingsOfTheTexts) {
    HeaderTexts h;
    EXPECT_EQ(FitMethodOf(h), FitMethod::linear);
    EXPECT_EQ(StepVolumeField(h), testField::vol60);
    EXPECT_FALSE(Shows120Column(h));
    EXPECT_TRUE(PlShown(h));
    for (const char* text : {"-1", "2", " 1"}) {
        h[header::fitMethod] = text;
        h[header::hidePl] = text;
        EXPECT_EQ(FitMethodOf(h), FitMethod::regression) << text;
        EXPECT_FALSE(PlShown(h)) << text;
    }
    for (const auto& [text, shown] :
         {std::pair{"-1", false}, {"2", true}, {" 1", true}, {"0.9", false}}) {
        h[header::show120InTable] = text;
        EXPECT_EQ(Shows120Column(h), shown) << text;
    }
}

}  // namespace
}  // namespace karnea
