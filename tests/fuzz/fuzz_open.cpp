// The open command on any file: the first byte picks the name's extension
// (kdw, kcw and the older df and cf), the rest is the file.
#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    if (size == 0) {
        return 0;
    }
    static const char* const kNames[] = {"f.kdw", "f.kcw", "f.df", "f.cf"};
    const std::string path = fuzz::WriteInput(kNames[data[0] % 4], data + 1, size - 1);
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    SilentMessages quiet;
    OpenDataFile(ws, path, quiet);
    return 0;
}
