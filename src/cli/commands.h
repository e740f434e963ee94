// The commands of karnea-cli. Exit status: 0 success, 1 a failure reported
// with the program's own message on standard error, 2 a usage error.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace karnea::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Done, but inputs that could not be read were left out (campaign, ags,
// check): the output is written all the same, and a script can tell.
inline constexpr int kExitSkipped = 3;

// Runs the command line (without the program name).
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage problem of a command line (without the program name), or
// nothing when it would run; nothing is run.
std::optional<std::string> CheckCommandLine(const std::vector<std::string>& args);

}  // namespace karnea::cli
