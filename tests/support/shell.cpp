#include "support/shell.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/testsupport.h"

namespace karnea::test {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

CommandRun RunShell(const std::string& command) {
    ScratchDir dir;
    const std::string line = "( " + command + " ) >" + ShellQuote(dir.file("out")) + " 2>" +
                             ShellQuote(dir.file("err")) + " </dev/null";
    const int raw = std::system(line.c_str());
    CommandRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadBytes(dir.file("out"));
    run.err = ReadBytes(dir.file("err"));
    return run;
}

CommandRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
    std::string command = ShellQuote(program);
    for (const std::string& a : args) {
        command += " " + ShellQuote(a);
    }
    return RunShell(command);
}

}  // namespace karnea::test
