// What every command of karnea-cli shares: its parsed arguments, the message
// sink on standard error, and the program's start and open command.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"

namespace karnea::cli {

// Messages of the core go to standard error; questions are answered No, or
// Cancel where that is offered.
class StreamMessages : public Messages {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void Show(std::string_view text) override { err_ << text << '\n'; }
    bool AskYesNo(std::string_view text) override {
        err_ << text << " (No)\n";
        return false;
    }
    Answer AskYesNoCancel(std::string_view text) override {
        err_ << text << " (Cancel)\n";
        return Answer::cancel;
    }

private:
    std::ostream& err_;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    const std::string& at(const std::string& name) const { return options.at(name); }
};

// The program as it starts, with the settings of --settings DIR when given.
Workspace StartCommand(const Arguments& args, Messages& messages);

// Opens a data file as the open command does, followed by the settings load
// of the view's update.
bool OpenAsOpenCommand(Workspace& ws, const std::string& path, Messages& messages,
                       OpenedFile* opened = nullptr);

}  // namespace karnea::cli
