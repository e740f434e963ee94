// Running a program as a user's shell would, for the tests that treat the
// programs as black boxes.
#pragma once

#include <string>
#include <vector>

namespace karnea::test {

struct CommandRun {
    int status = -1;  // the exit status; -1 when the program did not exit
    std::string out;
    std::string err;
};

// `text` as one word of the shell.
std::string ShellQuote(const std::string& text);

// Runs `command` (a line of the shell) with nothing on its standard input.
CommandRun RunShell(const std::string& command);

// Runs `program` with `args`, each one word.
CommandRun RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace karnea::test
