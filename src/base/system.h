// What the program needs of the operating system beyond saving files: names
// of files as the file system takes them, the environment, the local time,
// and running a helper program. One implementation for each system
// (system_posix.cpp, system_windows.cpp); nothing else in the program has
// code for one system only.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace karnea {

// A path kept as text (the bytes of the name on Linux, UTF-8 on Windows) as
// the file system takes it, and back.
std::filesystem::path PathOf(const std::string& path);
std::string PathText(const std::filesystem::path& path);

// The arguments a program was started with, after its own name, as UTF-8
// (Windows hands `argv` over in its local code page; its own list is used).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Standard output and error carry the program's bytes as they are (no line
// ends changed), and a console shows them as UTF-8 (on Windows, text written
// to a console goes as wide characters, which every console shows; bytes
// redirected to a file or a pipe stay UTF-8). A window program started from
// a console (on Windows) writes to that console.
void UseBinaryStandardStreams();

// Where the command-line tool's manual is read here ("man karnea-cli", or
// the README beside the program on Windows).
std::string_view ManualReference();

// Whether a window can be shown: on Linux a display (X11 or Wayland) or a
// Qt platform is named; Windows always has its desktop.
bool DisplayAvailable();

// Whether paths begin with a drive letter here (on Windows).
bool PathsHaveDrives();

// `name` (which may hold "/") in `folder`, written as this system writes
// paths.
std::string JoinPath(const std::string& folder, const std::string& name);

// The value of an environment variable; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);
// Sets a variable that is not set yet.
void SetEnvironmentDefault(const char* name, const std::string& value);

// Where this user's programs keep their settings: on Linux
// $XDG_CONFIG_HOME (when it is absolute), else ~/.config; on Windows
// %APPDATA%. Nothing when the environment names none.
std::optional<std::string> UserConfigFolder();

// Where this user's programs keep what must outlive a reboot but is no
// setting (the copies that protect files being written): on Linux
// $XDG_STATE_HOME (when it is absolute), else ~/.local/state; on Windows
// %LOCALAPPDATA%. Nothing when the environment names none.
std::optional<std::string> UserStateFolder();

// The calendar time here.
std::tm LocalTime(std::time_t time);

// How long a helper program may run, and a question asked while it runs:
// true ends it at once (the user's Cancel).
struct RunLimits {
    std::chrono::milliseconds timeLimit{10000};
    std::function<bool()> stopped;
};

// How a helper program's run ended: with success (its output is whole);
// not started (no such program); failed (it ended otherwise: `exitCode`
// or `signal` says how); ended by the program when its time was up, because
// it was to stop, or because it wrote far more than a helper may
// (`overflowed`).
enum class RunEnd { finished, notRun, failed, timedOut, stopped, overflowed };
struct ProgramRun {
    RunEnd end = RunEnd::notRun;
    std::string output;
    int exitCode = 0;
    int signal = 0;
};

// Runs a program (found as the system finds programs, `arguments[0]`; on
// Windows first beside this one, and run in this one's folder) with `input`
// on its standard input, which is fed while its output is read, so that
// neither waits on the other. Its messages go nowhere. It is ended, with
// every program it started, when its time is up or it is to stop; this
// never waits longer.
ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits);

}  // namespace karnea
