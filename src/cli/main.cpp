#include <iostream>
#include <string>
#include <vector>

#include "base/system.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    karnea::UseBinaryStandardStreams();
    const std::vector<std::string> args = karnea::ProgramArguments(argc, argv);
    const int status = karnea::cli::RunCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : karnea::cli::kExitFailure;
}
