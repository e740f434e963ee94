// Helpers shared by the tests and the benchmarks: scratch folders, whole-file
// access, a message sink that records, and the standard settings.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "settings/settings.h"

namespace karnea::test {

// A fresh folder that is removed again when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Path of a file in the folder, as a string.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// A scratch folder any user may write.
struct OpenScratchDir : ScratchDir {
    OpenScratchDir();
};

// How many entries the folder holds.
std::size_t FilesIn(const ScratchDir& dir);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// Whether `part` stands anywhere in `text`.
inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Sets an environment variable for the life of the object.
class EnvironmentSet {
public:
    EnvironmentSet(const char* name, const std::string& value);
    ~EnvironmentSet();
    EnvironmentSet(const EnvironmentSet&) = delete;
    EnvironmentSet& operator=(const EnvironmentSet&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Whether files have permissions, pipes and symbolic links, and paths their
// form, as POSIX has them here (not on Windows): the tests of those are
// skipped elsewhere.
extern const bool kPosixFiles;
// An absolute folder on this system, and one that is absolute on the other
// system only.
extern const char* const kAbsoluteFolder;
extern const char* const kOtherSystemsFolder;
// The most memory this process has held so far.
long PeakMemoryKiB();
// Makes a named pipe; false where there are none.
bool MakeFifo(const std::string& path);

// The variable that names the temporary folder on this system.
extern const char* const kTemporaryFolderVariable;

// Runs `check` with an ordinary user's rights and returns what it returned.
// Permissions do not stop the superuser, so when the tests run as root it
// runs in a child process that has given those rights up (user "nobody");
// the files it uses must be open to that user.
bool AsOrdinaryUser(const std::function<bool()>& check);

// Keeps every message; answers questions with `reply`.
class RecordedMessages : public Messages {
public:
    explicit RecordedMessages(bool yes = false) : reply(yes) {}
    void Show(std::string_view text) override { shown.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        asked.emplace_back(text);
        return reply;
    }
    bool AskYesNoDefaultNo(std::string_view text) override {
        askedDefaultNo.emplace_back(text);
        return AskYesNo(text);
    }
    Answer AskYesNoCancel(std::string_view text) override {
        asked.emplace_back(text);
        return answer;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    // The questions of those whose default answer is No.
    std::vector<std::string> askedDefaultNo;
    bool reply;
    Answer answer = Answer::cancel;
};

// The standard settings with the font dialog's standard fonts: what the
// pages of the tests are drawn with.
Settings StandardSettings();

// Those settings as the installation lays them down (Sys.ndx, Font1..6.ndx,
// an empty M.mst and the help text) in `folder`, which is made when missing.
void WriteStandardSettings(const std::string& folder);

}  // namespace karnea::test

namespace karnea {
using test::RecordedMessages;
}  // namespace karnea
