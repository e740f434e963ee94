// One paint of test page 1 at the screen's 96 dpi, as the page view does it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "pages/pagecomposer.h"
#include "render/qpaintersurface.h"
#include "support/testsupport.h"

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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
