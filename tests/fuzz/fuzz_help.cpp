// Help.txt as the help window reads it: lines of CP932 text.
#include "base/diskfile.h"
#include "base/encoding.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string path = fuzz::WriteInput("Help.txt", data, size);
    if (const auto lines = ReadTextLines(path)) {
        for (const std::string& line : *lines) {
            Cp932ToUtf8(line);
        }
    }
    return 0;
}
