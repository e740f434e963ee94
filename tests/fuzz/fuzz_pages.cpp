// Every page of any record that opens is composed with a bounded number of
// drawing operations.
#include <cstdlib>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "fuzzsupport.h"
#include "pages/pagecomposer.h"
#include "pages/surface.h"

namespace {

// Counts what is drawn and keeps nothing.
class CountingSurface : public karnea::Surface {
public:
    long operations = 0;
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    bool SelectFont(const std::string&, int, int, long) override { return count(); }
    void SaveFont() override { count(); }
    void RestoreFont() override { count(); }
    void SetTextAlign(karnea::TextAlign) override { count(); }
    void DrawText(int, int, const std::string&) override { count(); }
    void DrawTextInBox(int, int, int, int, const std::string&) override { count(); }
    void DrawLine(int, int, int, int, int, long) override { count(); }
    void DrawCircle(int, int, int, int, long) override { count(); }

private:
    bool count() {
        ++operations;
        return true;
    }
};

// Far more than the fullest page draws.
constexpr long kMostOperations = 200000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    if (size == 0) {
        return 0;
    }
    const std::string path =
        fuzz::WriteInput(data[0] % 2 == 0 ? "p.kdw" : "p.kcw", data + 1, size - 1);
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    SilentMessages quiet;
    if (!OpenDataFile(ws, path, quiet)) {
        return 0;
    }
    const PageSource source = PagesOf(ws);
    for (const int page : AllPages(source)) {
        CountingSurface surface;
        ComposePage(source, page, surface, quiet);
        if (surface.operations > kMostOperations) {
            std::abort();
        }
    }
    return 0;
}
