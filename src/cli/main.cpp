#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "base/messagetexts.h"
#include "base/osfiles.h"
#include "base/system.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    karnea::UseBinaryStandardStreams();
    karnea::os::EndWhenMemoryRunsOut(karnea::msg::outOfMemory.data());
    const std::vector<std::string> args = karnea::ProgramArguments(argc, argv);
    int status = karnea::cli::kExitFailure;
    try {
        status = karnea::cli::RunCommandLine(args, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << karnea::msg::outOfMemory << "\n";
        return karnea::cli::kExitFailure;
    } catch (const std::exception& e) {
        // What no command expected ends it with its reason, never a crash.
        std::cerr << "karnea-cli: " << e.what() << "\n";
        return karnea::cli::kExitFailure;
    }
    std::cout.flush();
    return std::cout ? status : karnea::cli::kExitFailure;
}
