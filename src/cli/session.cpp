#include "cli/session.h"

#include "records/records.h"
#include "settings/settings.h"

namespace karnea::cli {

Workspace StartProgram(const Arguments& args, Messages& messages) {
    Workspace ws;
    ws.documentKind = kTestDocument;
    if (args.has("settings")) {
        ws.settings.fixedFolder = args.at("settings");
    }
    LoadSettings(ws, false, messages);
    ApplyCalibrationScaleDefaults(ws);
    return ws;
}

bool OpenAsOpenCommand(Workspace& ws, const std::string& path, Messages& messages,
                       OpenedFile* opened) {
    const std::optional<OpenedFile> result = OpenDataFile(ws, path, messages);
    if (!result) {
        return false;
    }
    if (opened != nullptr) {
        *opened = *result;
    }
    LoadSettings(ws, false, messages);
    return true;
}

}  // namespace karnea::cli
