// The set-up dialog "セットアップ" without widgets: where the program keeps
// its settings. Where paths have drives (Windows) the dialog has a drive box
// and a folder box beginning with "\\"; elsewhere the folder box holds an
// absolute path alone. The location file lives in the base folder.
#pragma once

#include <optional>
#include <string>

#include "entry/edit.h"
#include "entry/entrytexts.h"

namespace karnea {

struct Settings;
class Messages;

class SetupModel {
public:
    explicit SetupModel(const Settings& settings);

    // Whether the dialog shows the drive box.
    static bool HasDriveBox();
    // The drive box (one letter; empty where there is none) and the folder
    // box (a file system path).
    std::string drive;
    std::string folder;
    // The folder a first start uses, whole.
    std::string StandardFolder() const { return standardFolder_; }
    // The installation folder the boxes name, whole; and a whole folder put
    // in the boxes ("D:\\folder" in the two of them where there are drives).
    std::string InstallationFolder() const;
    void SetInstallationFolder(const std::string& whole);

    // Leaving the folder box: a box of at most one character says
    // "データがありません"; a folder that is not absolute gets its leading
    // "/" (or "\\" after a drive).
    void FolderLostFocus(Messages& messages);
    // OK is refused with "ドライブ名が異常です" unless the drive is one letter
    // (where there are drives) and the folder absolute, and with
    // "フォルダ名またはドライブ名が異常です" unless the folder exists or can
    // be made, and may be written into.
    std::optional<Refusal> Check() const;
    // OK: the folder becomes the installation (made with the standard files
    // when new), the location file names it, and every setting is read
    // again from there. A location file that cannot be written is said.
    Edit Accept() const;

private:
    Settings settings_;
    std::string standardFolder_;
};

}  // namespace karnea
