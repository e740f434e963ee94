// How the core talks to the user. The core never opens a window: where the
// program shows a message box or asks Yes/No, it calls the Messages object that
// its caller supplies (message boxes in the desktop program, standard error in
// the command-line tool, a recorder in tests). Texts are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace karnea {

class Messages {
public:
    virtual ~Messages() = default;
    // A plain message box with an OK button.
    virtual void Show(std::string_view text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
};

// Shows nothing and answers No.
class SilentMessages : public Messages {
public:
    void Show(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

// Keeps every message; answers questions with a fixed reply.
class RecordedMessages : public Messages {
public:
    explicit RecordedMessages(bool reply = false) : reply_(reply) {}
    void Show(std::string_view text) override { shown.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        asked.emplace_back(text);
        return reply_;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;

private:
    bool reply_;
};

// Replaces "%1" in a message template by an argument.
std::string FormatMessage(std::string_view templ, std::string_view arg1);

// The program's own message texts that the records layer shows.
namespace msg {
inline constexpr std::string_view tooManyCsv = "too many csv";
inline constexpr std::string_view fileNotFound = "ファイルが見つかりません\n( %1 )";
inline constexpr std::string_view notDataFile = "カルネアのデータではありません";
inline constexpr std::string_view oldVersionUseOpen =
    "旧バージョンファイルは「開く」で読み込んで下さい」";
inline constexpr std::string_view badExtension = "拡張子を KCW(kcw) または KDW(kdw)にして下さい";
inline constexpr std::string_view cannotSave = "保存できませんでした";
// A text that the file layout cannot hold; the save is refused.
inline constexpr std::string_view unsafeHeaderText =
    "見出しの %1 に「$$」または改行が含まれているため保存できません";
inline constexpr std::string_view unsafeRowText =
    "データの %1 に「$$」、「\"」または改行が含まれているため保存できません";
}  // namespace msg

}  // namespace karnea
