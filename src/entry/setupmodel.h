// The set-up dialog "セットアップ" without widgets: where the program keeps
// its settings. On this platform there is no drive: the installation folder
// is an absolute path, and the location file lives in the base folder.
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

    // The folder box (a file system path).
    std::string folder;
    // The folder a first start uses.
    std::string StandardFolder() const { return standardFolder_; }

    // Leaving the folder box: a box of at most one character says
    // "データがありません"; a folder is made absolute with a leading "/".
    void FolderLostFocus(Messages& messages);
    // OK is refused unless the folder exists or can be made, and may be
    // written into.
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
