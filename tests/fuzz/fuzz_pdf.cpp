// Every page of any record that opens goes through the real painter into a
// PDF in memory, as the page view's exports and the command-line tool draw.
#include <QGuiApplication>
#include <cstdlib>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "fuzzsupport.h"
#include "render/pageexport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz-pdf";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    Workspace ws;
    SilentMessages quiet;
    if (!fuzz::OpenInput(data, size, ws, quiet)) {
        return 0;
    }
    const PageSource source = PagesOf(ws);
    const std::optional<std::string> pdf = PdfBytes(
        [&](PageTarget& target) { return DrawPages(source, AllPages(source), target, quiet); }, 72);
    // Every PDF the writer makes begins and ends as one.
    if (!pdf || pdf->rfind("%PDF-", 0) != 0 || pdf->find("%%EOF") == std::string::npos) {
        std::abort();
    }
    return 0;
}
