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
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/edithistory.h"
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
    AcceptEdit(ws, readings, messages);
}

// Volume 60 s after a pressure step: seating, a pseudo-elastic stretch, then
// the plastic rise towards the limit pressure.
double TestVolume(double pm) {
    const double plastic = std::pow(std::max(0.0, pm - 350.0), 4) * 5e-8;
    return 85.0 * (1.0 - std::exp(-pm / 40.0)) + 0.18 * pm + plastic;
}

// Where a test was made: the borehole, the depth and water level (m), the
// ground's strength (its pressures scale with it), the soil and the day.
struct Site {
    const char* file;
    const char* number;
    const char* depth;
    const char* waterLevel;
    double strength;
    const char* soil;
    const char* nValue;
    const char* day;
};

// The example test, and the tests of two boreholes for the campaign report.
constexpr Site kExampleSite = {kTestName, "B-1", "10.50", "2.30", 1.0, "砂混じりシルト", "8", "14"};
constexpr Site kCampaignSites[] = {
    {"campaign/B-1_03.5.kdw", "B-1", "3.50", "2.30", 0.55, "シルト", "3", "12"},
    {"campaign/B-1_06.5.kdw", "B-1", "6.50", "2.30", 0.8, "砂質シルト", "6", "13"},
    {"campaign/B-1_10.5.kdw", "B-1", "10.50", "2.30", 1.0, "砂混じりシルト", "8", "14"},
    {"campaign/B-1_15.0.kdw", "B-1", "15.00", "2.30", 1.45, "細砂", "18", "15"},
    {"campaign/B-2_04.0.kdw", "B-2", "4.00", "1.80", 0.65, "粘土", "4", "19"},
    {"campaign/B-2_09.0.kdw", "B-2", "9.00", "1.80", 1.15, "砂礫", "22", "20"},
};

void MakeTest(Workspace& ws, Messages& messages, const Site& site) {
    ws.documentKind = DocumentKind::test;
    HeaderTexts& h = ws.test.testHeader;
    SetCommonHeader(h);
    h[header::dateDay] = site.day;
    h[header::surveyNumber] = site.number;
    h[header::numberCaption] = Sjis("孔番");
    h[header::depth] = site.depth;
    h[header::waterLevel] = site.waterLevel;
    h[header::machineHeight] = "0.80";
    h[header::poissonRatio] = "0.3";
    h[header::soilName] = Sjis(site.soil);
    h[header::nValue] = site.nValue;
    h[header::memo] = Sjis(FormatText("ボーリング %s GL-%sm", site.number, site.depth));
    h[header::tableTitle] = Sjis("孔内水平載荷試験 測定データ");
    h[header::graphTitle] = Sjis("孔内水平載荷試験 結果");
    h[header::show120InTable] = "1";
    int row = 1;
    for (int step = 0; step <= 650; step += 25, ++row) {
        const double v60 = TestVolume(step);
        const double creep =
            step == 0 ? 0.0 : 0.4 + 0.002 * step + 0.05 * (v60 - TestVolume(step - 25));
        TestRow& r = ws.test.testRows[row];
        r[testField::pm] = FormatText("%g", step * site.strength);
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
    AcceptEdit(ws, heads, messages);

    // The analysis: Po at the start of the straight part, Pf at its end, Pl
    // at the last step.
    h[header::poRow] = "6";
    h[header::pfRow] = "18";
    h[header::plRow] = "27";
    AnalysisModel analysis(ws.test, ws.settings);
    analysis.UpdateLines();
    AcceptEdit(ws, analysis, messages);
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
    const fs::path dir = fs::absolute(PathOf(argv[argc - 1]));
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
    std::vector<const char*> names = {kCalibrationName};
    fs::create_directories(outDir / "campaign");
    const TestRecord start = ws.test;
    std::vector<Site> sites = {kExampleSite};
    sites.insert(sites.end(), std::begin(kCampaignSites), std::end(kCampaignSites));
    for (const Site& site : sites) {
        ws.test = start;
        MakeTest(ws, messages, site);
        ApplyRecordDefaults(ws);
        if (!SaveDocumentAs(ws, site.file, messages)) {
            return 1;
        }
        names.push_back(site.file);
    }

    bool ok = true;
    if (check) {
        for (const char* name : names) {
            const std::string made = PathText(outDir / name);
            const std::string kept = PathText(dir / name);
            if (ReadWholeFile(made) != ReadWholeFile(kept)) {
                std::fprintf(stderr, "%s is not what the program makes; run 'make examples'\n",
                             kept.c_str());
                ok = false;
            }
        }
        fs::current_path(dir);
        fs::remove_all(outDir);
    }
    return ok ? 0 : 1;
}
