#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = karnea::cli::RunCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : karnea::cli::kExitFailure;
}
