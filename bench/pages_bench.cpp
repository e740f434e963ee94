// Composing the pages of a 120-row test (five pages): onto a surface that
// records nothing (the page logic alone), and onto the ops recorder.
#include <benchmark/benchmark.h>

#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "testrecords.h"

namespace {

using namespace karnea;

// A surface that takes every operation and keeps none.
class NullSurface : public Surface, public PageTarget {
public:
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    bool SelectFont(const std::string&, int, int, long) override { return true; }
    void SaveFont() override {}
    void RestoreFont() override {}
    void SetTextAlign(TextAlign) override {}
    void DrawText(int, int, const std::string&) override {}
    void DrawTextInBox(int, int, int, int, const std::string&) override {}
    void DrawLine(int, int, int, int, int, long) override {}
    void DrawCircle(int, int, int, int, long) override {}
    Surface* BeginPage(int, DocumentKind) override { return this; }
    bool EndPage(int) override { return true; }
};

void BM_ComposeAllPagesOfA120RowTest(benchmark::State& state) {
    const Workspace ws = bench::FullExampleTest();
    const PageSource source = PagesOf(ws);
    const std::vector<int> pages = AllPages(source);
    SilentMessages quiet;
    NullSurface surface;
    for (auto _ : state) {
        DrawPages(source, pages, surface, quiet);
    }
    state.counters["pages"] = static_cast<double>(pages.size());
}
BENCHMARK(BM_ComposeAllPagesOfA120RowTest)->Unit(benchmark::kMicrosecond);

void BM_RecordOpsOfAllPagesOfA120RowTest(benchmark::State& state) {
    const Workspace ws = bench::FullExampleTest();
    const PageSource source = PagesOf(ws);
    const std::vector<int> pages = AllPages(source);
    SilentMessages quiet;
    std::size_t bytes = 0;
    for (auto _ : state) {
        OpsRecorder recorder(600, 600);
        DrawPages(source, pages, recorder, quiet);
        bytes = recorder.text().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RecordOpsOfAllPagesOfA120RowTest)->Unit(benchmark::kMicrosecond);

}  // namespace
