#include "document/startup.h"

#include <string>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "document/workspace.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

void StartProgram(Workspace& ws, Messages& messages) {
    ws.documentKind = DocumentKind::test;
    RemoveEndedScratchFolders();
    const Installation installed = CompleteInstallation(ws.settings);
    if (installed.outcome == Installation::failed) {
        // Said once; the next start tries again.
        messages.Show(FormatMessage(msg::installationNotWritten, ws.settings.settingsFolder));
    } else if (installed.outcome == Installation::completed && !installed.completedFiles.empty()) {
        std::string names;
        for (const std::string& name : installed.completedFiles) {
            names += (names.empty() ? "" : "、") + name;
        }
        messages.Show(FormatMessage(msg::installationCompleted, names, ws.settings.settingsFolder));
    }
    LoadSettingsAndDefaults(ws, false, messages);
    ApplyCalibrationScaleDefaults(ws.calibration);
}

void LoadSettingsAndDefaults(Workspace& ws, bool reset, Messages& messages) {
    LoadSettings(ws.settings, reset, messages);
    ApplyRecordDefaults(ws);
}

void ApplyRecordDefaults(Workspace& ws) {
    const Settings& s = ws.settings;
    NormalizeTestScales(ws.test);
    HeaderTexts& cal = ws.calibration.calibrationHeader;
    if (cal[header::tableTitle].empty()) {
        cal[header::tableTitle] = Sjis("キャリブレーション測定表");
    }
    if (cal[header::graphTitle].empty()) {
        cal[header::graphTitle] = Sjis("キャリブレーショングラフ");
    }
    for (HeaderTexts* h : {&ws.test.testHeader, &cal}) {
        if ((*h)[header::numberCaption].empty()) {
            (*h)[header::numberCaption] = s.defaultNumberCaption;
        }
        if ((*h)[header::companyName].empty()) {
            (*h)[header::companyName] = s.defaultCompanyName;
        }
    }
    if (ws.test.testHeader[header::volumeLossFlag].empty()) {
        ws.test.testHeader[header::volumeLossFlag] = "0";
    }
}

void RecordsChanged(Workspace& ws) {
    ws.recordsRevision = ++ws.lastRevision;
}

}  // namespace karnea
