// One paint of test page 1 at the screen's 96 dpi, as the page view does it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "pages/pagecomposer.h"
#include "render/pageexport.h"
#include "render/qpaintersurface.h"
#include "support/testsupport.h"
#include "testrecords.h"

namespace {

using namespace karnea;

void BM_PaintTestPage1At96Dpi(benchmark::State& state) {
    Workspace ws;
    ws.settings = test::StandardSettings();
    SilentMessages quiet;
    OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", quiet);
    QImage image(831, 1247, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    // The view keeps its fonts from one paint to the next.
    FontCache fonts;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        QPainterSurface surface(painter, 96, 96, fonts);
        ComposePage(PagesOf(ws), 1, surface, quiet);
    }
}
BENCHMARK(BM_PaintTestPage1At96Dpi)->Unit(benchmark::kMillisecond);

// One PNG page at 150 dpi, drawn and written to a file, as `render` does.
void BM_PngPageAt150Dpi(benchmark::State& state) {
    const Workspace ws = bench::FullExampleTest();
    const std::string path = (std::filesystem::temp_directory_path() / "karnea-bench.png").string();
    SilentMessages quiet;
    const int page = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ExportPng(
            PagesOf(ws), {page}, [&](int) { return path; }, 150, quiet);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_PngPageAt150Dpi)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
