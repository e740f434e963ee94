// The readings dialogs: opening the test readings dialog on a 120-row test
// until everything in it is painted, and one redraw of its preview.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "base/messages.h"
#include "dialogs/ctestdatadlg.h"
#include "entry/testreadingsmodel.h"
#include "render/qpaintersurface.h"
#include "testrecords.h"

namespace {

using namespace karnea;

void BM_OpenTestReadingsDialogToFirstPaint(benchmark::State& state) {
    const Workspace ws = bench::FullExampleTest();
    SilentMessages quiet;
    for (auto _ : state) {
        TestReadingsModel model(ws.test, ws.settings, false, quiet);
        CTestDataDlg dialog(model, nullptr);
        dialog.show();
        // Renders every widget of the dialog, as its first paint does.
        const QPixmap painted = dialog.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        dialog.hide();
    }
}
BENCHMARK(BM_OpenTestReadingsDialogToFirstPaint)->Unit(benchmark::kMillisecond);

// A row chosen: the scale checked, then the preview painted with its label.
void BM_TestPreviewRedraw(benchmark::State& state) {
    const Workspace ws = bench::FullExampleTest();
    SilentMessages quiet;
    TestReadingsModel model(ws.test, ws.settings, false, quiet);
    QImage image(300, 240, QImage::Format_RGB32);
    FontCache fonts;
    for (auto _ : state) {
        model.Click(60);
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        QPainterSurface surface(painter, 96, 96, fonts);
        model.DrawPreview(surface, {image.width(), image.height()});
    }
}
BENCHMARK(BM_TestPreviewRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
