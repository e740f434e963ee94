// Helpers shared by the tests and the benchmarks: scratch folders, whole-file
// access, a message sink that records, and the standard settings.
#pragma once

#include <filesystem>
#include <functional>
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
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

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
    Answer AskYesNoCancel(std::string_view text) override {
        asked.emplace_back(text);
        return answer;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    bool reply;
    Answer answer = Answer::cancel;
};

// The standard settings with the font dialog's standard fonts: what the
// pages of the tests are drawn with.
Settings StandardSettings();

// Those settings as the program's files (Sys.ndx, Font1..6.ndx) in `folder`,
// which is made when missing.
void WriteStandardSettings(const std::string& folder);

}  // namespace karnea::test

namespace karnea {
using test::RecordedMessages;
}  // namespace karnea
