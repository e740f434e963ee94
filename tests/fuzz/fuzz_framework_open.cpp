// The framework's open path (recent files, dropped files) on any file.
#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    if (size == 0) {
        return 0;
    }
    const std::string path =
        fuzz::WriteInput(data[0] % 2 == 0 ? "f.kdw" : "f.kcw", data + 1, size - 1);
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    SilentMessages quiet;
    LoadDataFileFramework(ws, path, quiet);
    return 0;
}
