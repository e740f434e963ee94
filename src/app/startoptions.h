// What the desktop program is asked to do by its command line:
//   karnea [--print|/p] [FILE], karnea --help, karnea --version.
// Help, the version and a wrong command line are answered on the terminal
// before any window (or display) is needed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace karnea {

inline constexpr int kStartUsageError = 2;

struct StartOptions {
    enum class Action { run, help, version, usageError };
    Action action = Action::run;
    std::string file;  // UTF-8; empty: a new document
    bool print = false;
    // Ends the run once the first page is painted (start-up measurement).
    bool quitAfterFirstPaint = false;
    std::string problem;  // for usageError
};

// `arguments` after the program's name, as UTF-8. "/p" is "--print" (the
// switch Windows users know) unless a file of that name exists.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments,
                               const std::function<bool(const std::string&)>& fileExists);

// Writes the answer of a command line that starts no window (help, version,
// usage error) and gives the exit status.
int AnswerWithoutWindow(const StartOptions& options, std::string& out, std::string& err);

}  // namespace karnea
