// How the core talks to the user. The core never opens a window: where the
// program shows a message box or asks Yes/No, it calls the Messages object that
// its caller supplies (message boxes in the desktop program, standard error in
// the command-line tool, a recorder in tests). Texts are UTF-8.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/messagetexts.h"

namespace karnea {

class Messages {
public:
    virtual ~Messages() = default;
    // A plain message box with an OK button.
    virtual void Show(std::string_view text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // The same where Yes would give something up: No is the default answer
    // (Enter gives it).
    virtual bool AskYesNoDefaultNo(std::string_view text) { return AskYesNo(text); }
    // A Yes/No/Cancel question.
    enum class Answer { yes, no, cancel };
    virtual Answer AskYesNoCancel(std::string_view text) = 0;
};

// Shows nothing; answers No, and Cancel where that is offered (so that
// nothing is thrown away unasked).
class SilentMessages : public Messages {
public:
    void Show(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
    Answer AskYesNoCancel(std::string_view) override { return Answer::cancel; }
};

// Keeps every message, in order, to be said later or elsewhere (work done
// away from the window cannot open a box); answers as SilentMessages does.
class KeptMessages : public SilentMessages {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    // Says every message kept, in order, through `messages`.
    void SayAgain(Messages& messages) const {
        for (const std::string& text : shown) {
            messages.Show(text);
        }
    }
    std::vector<std::string> shown;
};

// The messages of one file read: "too many csv" is said once however many
// fields of the file are too long; everything else passes through.
class OncePerRead : public Messages {
public:
    explicit OncePerRead(Messages& inner) : inner_(inner) {}
    void Show(std::string_view text) override {
        if (text == msg::tooManyCsv) {
            if (csvShown_) {
                return;
            }
            csvShown_ = true;
        }
        inner_.Show(text);
    }
    bool AskYesNo(std::string_view text) override { return inner_.AskYesNo(text); }
    bool AskYesNoDefaultNo(std::string_view text) override {
        return inner_.AskYesNoDefaultNo(text);
    }
    Answer AskYesNoCancel(std::string_view text) override { return inner_.AskYesNoCancel(text); }

private:
    Messages& inner_;
    bool csvShown_ = false;
};

// Replaces "%1" (and "%2") in a message template by the arguments.
std::string FormatMessage(std::string_view templ, std::string_view arg1);
std::string FormatMessage(std::string_view templ, std::string_view arg1, std::string_view arg2);
// The same for "%1" … "%9" in one pass: an argument's own "%n" stays.
std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args);

}  // namespace karnea
