#include "entry/setupmodel.h"

#include <cctype>

#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "settings/settings.h"

namespace karnea {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

SetupModel::SetupModel(const Settings& settings)
    : settings_(settings), standardFolder_(JoinPath(settings.systemDrive, "VardoXQ/Kvar5")) {
    SetInstallationFolder(settings.installFolder);
}

void SetupModel::SetInstallationFolder(const std::string& whole) {
    folder = whole;
    drive.clear();
    if (HasDriveBox() && folder.size() >= 2 && folder[1] == ':') {
        drive = folder.substr(0, 1);
        folder.erase(0, 2);
    }
}

bool SetupModel::HasDriveBox() {
    return PathsHaveDrives();
}

std::string SetupModel::InstallationFolder() const {
    if (!HasDriveBox()) {
        return folder;
    }
    std::string whole = drive;
    for (char& c : whole) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return whole + ":" + folder;
}

void SetupModel::FolderLostFocus(Messages& messages) {
    if (folder.size() <= 1) {
        messages.Show(msg::noDataGiven);
        return;
    }
    if (!IsSeparator(folder[0])) {
        folder.insert(0, HasDriveBox() ? "\\" : "/");
    }
}

std::optional<Refusal> SetupModel::Check() const {
    // One letter, where there are drives (a drive box holding nothing or a
    // run of letters names no drive).
    const bool driveGood =
        !HasDriveBox() || (drive.size() == 1 && std::isalpha(static_cast<unsigned char>(drive[0])));
    if (!driveGood || folder.size() < 2 || !IsSeparator(folder[0]) ||
        !PathOf(InstallationFolder()).is_absolute()) {
        return Refusal{std::string(msg::driveBad),
                       HasDriveBox() && !driveGood ? "drive" : "folder"};
    }
    if (!FolderUsable(InstallationFolder())) {
        return Refusal{std::string(msg::folderBad), "folder"};
    }
    return std::nullopt;
}

Edit SetupModel::Accept() const {
    Edit edit{.name = editName::setup, .settings = settings_, .files = locationFile};
    edit.settings->installFolder = InstallationFolder();
    return edit;
}

}  // namespace karnea
