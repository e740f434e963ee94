// One paint of test page 1 at the screen's 96 dpi, as the page view does it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "pages/pagecomposer.h"
#include "document/documentfile.h"
#include "base/messages.h"
#include "document/workspace.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"

namespace {

using namespace karnea;

void BM_PaintTestPage1At96Dpi(benchmark::State& state) {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    for (int role = 1; role <= kFontRoleCount; ++role) {
        ws.settings.fonts[static_cast<std::size_t>(role - 1)] = StandardFont(role);
    }
    SilentMessages quiet;
    OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", quiet);
    ws.lastDrawnKind = ws.documentKind;
    QImage image(831, 1247, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    for (auto _ : state) {
        ws.CurrentPage = 1;
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        QPainterSurface surface(painter, 96, 96);
        DrawPage(ws, surface, quiet);
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
