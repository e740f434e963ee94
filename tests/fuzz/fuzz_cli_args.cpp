// karnea-cli's argument parser: the input is the arguments, separated by NUL
// bytes. Only the check runs; nothing is opened or written.
#include <vector>

#include "cli/commands.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    karnea::cli::CheckCommandLine(args);
    return 0;
}
