#include "cli/session.h"

#include "document/startup.h"

namespace karnea::cli {

Workspace StartCommand(const Arguments& args, Messages& messages) {
    Workspace ws;
    if (args.has("settings")) {
        ws.settings.fixedFolder = args.at("settings");
    }
    StartProgram(ws, messages);
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
    LoadSettingsAndDefaults(ws, false, messages);
    return true;
}

}  // namespace karnea::cli
