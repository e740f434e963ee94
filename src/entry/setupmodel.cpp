#include "entry/setupmodel.h"

#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "settings/settings.h"

namespace karnea {

SetupModel::SetupModel(const Settings& settings)
    : folder(settings.installFolder),
      settings_(settings),
      standardFolder_(JoinPath(settings.systemDrive, "VardoXQ/Kvar5")) {}

void SetupModel::FolderLostFocus(Messages& messages) {
    if (folder.size() <= 1) {
        messages.Show(msg::noDataGiven);
        return;
    }
    if (folder[0] != '/' && !PathOf(folder).is_absolute()) {
        folder.insert(0, "/");
    }
}

std::optional<Refusal> SetupModel::Check() const {
    // An absolute folder as the system reads one (with its drive on Windows).
    if (folder.size() < 2 || !PathOf(folder).is_absolute()) {
        return Refusal{std::string(msg::driveBad), "folder"};
    }
    if (!FolderUsable(folder)) {
        return Refusal{std::string(msg::folderBad), "folder"};
    }
    return std::nullopt;
}

Edit SetupModel::Accept() const {
    Edit edit{.name = editName::setup, .settings = settings_, .files = locationFile};
    edit.settings->installFolder = folder;
    return edit;
}

}  // namespace karnea
