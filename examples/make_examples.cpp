// Writes the example calibration and test files the way an engineer makes
// them with the program: readings typed, the curve fitted, the calibration
// attached in the test header, the test reduced and analysed, each saved with
// the program's own writer. karnea-make-examples DIR writes them into DIR;
// with --check it compares the files in DIR with what it would write.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/testheadermodel.h"
#include "records/records.h"
#include "settings/settings.h"

namespace {

using namespace karnea;

constexpr const char* kCalibrationName = "calibration.kcw";
constexpr const char* kTestName = "test.kdw";

// Membrane resistance of the probe in free air: a stiff start that flattens.
double MembranePressure(double volume) {
    return 72.0 * (1.0 - std::exp(-volume / 170.0)) + 0.025 * volume;
}

// The volume at which the membrane needs `pressure` (the curve rises steadily).
double MembraneVolume(double pressure) {
    double low = 0.0;
    double high = 2000.0;
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (MembranePressure(mid) < pressure ? low : high) = mid;
    }
    return low;
}

void SetCommonHeader(HeaderTexts& h) {
    h[header::surveyName] = Sjis("緑ヶ丘地区 地盤調査業務");
    h[header::dateYear] = "2026";
    h[header::dateMonth] = "10";
    h[header::dateDay] = "14";
    h[header::engineer] = Sjis("山田 太郎");
    h[header::fitMethod] = "1";
    h[header::companyName] = Sjis("株式会社 みどり地質");
    h[header::measurementTime] = "0";
}

void MakeCalibration(Workspace& ws, Messages& messages) {
    ws.documentKind = DocumentKind::calibration;
    HeaderTexts& h = ws.calibration.calibrationHeader;
    SetCommonHeader(h);
    h[header::surveyNumber] = "CAL-2";
    h[header::numberCaption] = Sjis("プローブ");
    h[header::memo] = Sjis("キャリブレーション（気中膨張） ゴム膜交換後");
    h[header::pmAxisMin] = "0";
    h[header::pmAxisMax] = "100";
    h[header::vmAxisMin] = "0";
    h[header::vmAxisMax] = "800";
    // The readings dialog: pressure steps of 5 kN/m2 up to 90, the volume
    // read at each; OK.
    CalibrationReadingsModel readings(ws.calibration, ws.settings, messages);
    int row = 1;
    for (int pm = 0; pm <= 90; pm += 5, ++row) {
        const double vm = std::round(MembraneVolume(pm) * 2.0) / 2.0;
        readings.SetCell(row, calibrationField::pm, FormatText("%d", pm));
        readings.SetCell(row, calibrationField::vm, FormatText("%.1f", vm));
    }
    readings.Accept(ws.calibration, messages);
}

// Volume 60 s after a pressure step: seating, a pseudo-elastic stretch, then
// the plastic rise towards the limit pressure.
double TestVolume(double pm) {
    const double plastic = std::pow(std::max(0.0, pm - 350.0), 4) * 5e-8;
    return 85.0 * (1.0 - std::exp(-pm / 40.0)) + 0.18 * pm + plastic;
}

void MakeTest(Workspace& ws, Messages& messages) {
    ws.documentKind = DocumentKind::test;
    HeaderTexts& h = ws.test.testHeader;
    SetCommonHeader(h);
    h[header::surveyNumber] = "B-1";
    h[header::numberCaption] = Sjis("孔番");
    h[header::depth] = "10.50";
    h[header::waterLevel] = "2.30";
    h[header::machineHeight] = "0.80";
    h[header::poissonRatio] = "0.3";
    h[header::soilName] = Sjis("砂混じりシルト");
    h[header::nValue] = "8";
    h[header::memo] = Sjis("ボーリング B-1 GL-10.50m");
    h[header::tableTitle] = Sjis("孔内水平載荷試験 測定データ");
    h[header::graphTitle] = Sjis("孔内水平載荷試験 結果");
    h[header::show120InTable] = "1";
    int row = 1;
    for (int pm = 0; pm <= 650; pm += 25, ++row) {
        const double v60 = TestVolume(pm);
        const double creep = pm == 0 ? 0.0 : 0.4 + 0.002 * pm + 0.05 * (v60 - TestVolume(pm - 25));
        TestRow& r = ws.test.testRows[row];
        r[testField::pm] = FormatText("%d", pm);
        r[testField::vol15] = FormatText("%.1f", std::max(0.0, v60 - 2.2 * creep));
        r[testField::vol30] = FormatText("%.1f", std::max(0.0, v60 - creep));
        r[testField::vol60] = FormatText("%.1f", v60);
        r[testField::vol120] = FormatText("%.1f", v60 + 0.9 * creep);
    }

    // The test header dialog: depth, water level and machine height typed,
    // the calibration opened, OK; then the reduction.
    TestHeaderModel heads(ws.test, ws.settings);
    heads.DepthLostFocus(messages);
    heads.WaterLevelLostFocus(messages);
    heads.MachineHeightLostFocus();
    heads.OpenCalibration(kCalibrationName, messages);
    heads.Accept(ws.test, messages);

    // The analysis: Po at the start of the straight part, Pf at its end, Pl
    // at the last step.
    h[header::poRow] = "6";
    h[header::pfRow] = "18";
    h[header::plRow] = "27";
    AnalysisModel analysis(ws.test, ws.settings);
    analysis.UpdateLines();
    analysis.Accept(ws.test);
}

class PrintedMessages : public Messages {
public:
    void Show(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return false; }
    Answer AskYesNoCancel(std::string_view) override { return Answer::cancel; }
};

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: karnea-make-examples [--check] DIR\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path dir = fs::absolute(argv[argc - 1]);
    const fs::path outDir = check
                                ? fs::temp_directory_path() /
                                      ("karnea-examples-" + std::to_string(std::random_device{}()))
                                : dir;
    fs::create_directories(outDir);
    // The test names its calibration file as the dialog was given it.
    fs::current_path(outDir);

    PrintedMessages messages;
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    ApplyRecordDefaults(ws);
    MakeCalibration(ws, messages);
    if (!SaveDocumentAs(ws, kCalibrationName, messages)) {
        return 1;
    }
    MakeTest(ws, messages);
    ApplyRecordDefaults(ws);
    if (!SaveDocumentAs(ws, kTestName, messages)) {
        return 1;
    }

    bool ok = true;
    if (check) {
        for (const char* name : {kCalibrationName, kTestName}) {
            if (ReadWholeFile((outDir / name).string()) != ReadWholeFile((dir / name).string())) {
                std::fprintf(stderr, "%s is not what the program makes; run 'make examples'\n",
                             (dir / name).c_str());
                ok = false;
            }
        }
        fs::current_path(dir);
        fs::remove_all(outDir);
    }
    return ok ? 0 : 1;
}
