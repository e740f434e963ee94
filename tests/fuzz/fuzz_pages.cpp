// Every page of any record that opens is composed with a bounded number of
// drawing operations.
#include <cstdlib>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "fuzzsupport.h"
#include "pages/pagecomposer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    Workspace ws;
    SilentMessages quiet;
    if (!fuzz::OpenInput(data, size, ws, quiet)) {
        return 0;
    }
    const PageSource source = PagesOf(ws);
    for (const int page : AllPages(source)) {
        fuzz::CountingSurface surface;
        ComposePage(source, page, surface, quiet);
        if (surface.operations > fuzz::kMostOperations) {
            std::abort();
        }
    }
    return 0;
}
