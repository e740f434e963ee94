// One paint of test page 1 at the screen's 96 dpi, as the page view does it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <deque>
#include <filesystem>
#include <optional>

#include "base/messages.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "pages/pagecomposer.h"
#include "pages/pagerecording.h"
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

// Pages onto one picture each, as a preview that draws every page before it
// shows keeps them.
class PicturePages : public PageTarget {
public:
    explicit PicturePages(FontCache& fonts) : fonts_(fonts) {}
    Surface* BeginPage(int, DocumentKind) override {
        painter_.reset();
        pictures_.emplace_back();
        painter_.emplace(&pictures_.back());
        surface_.emplace(*painter_, kDpi, kDpi, fonts_);
        return &*surface_;
    }
    bool EndPage(int) override { return true; }
    static constexpr int kDpi = 600;

private:
    FontCache& fonts_;
    std::deque<QPicture> pictures_;
    std::optional<QPainter> painter_;
    std::optional<QPainterSurface> surface_;
};

Campaign ExampleCampaign(const Workspace& started) {
    return ReadCampaign(CampaignFiles({KARNEA_EXAMPLES_DIR "/campaign"}), started);
}

// The example campaign's report (14 pages): drawn into a recording, as the
// worker does before the preview opens (0); every page painted, as a
// preview that draws them all on the window's thread would (1).
void BM_CampaignReport(benchmark::State& state) {
    Workspace started;
    started.settings = test::StandardSettings();
    const Campaign campaign = ExampleCampaign(started);
    SilentMessages quiet;
    FontCache fonts;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            PageRecording report(PicturePages::kDpi, PicturePages::kDpi);
            DrawCampaign(campaign, started.settings, report, quiet);
        } else {
            PicturePages pictures(fonts);
            DrawCampaign(campaign, started.settings, pictures, quiet);
        }
    }
}
BENCHMARK(BM_CampaignReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One paint of the preview: a recorded page (the borehole's profile) at the
// scale that shows the whole A4 page in 900 by 1000 pixels.
void BM_PreviewPaint(benchmark::State& state) {
    Workspace started;
    started.settings = test::StandardSettings();
    const Campaign campaign = ExampleCampaign(started);
    SilentMessages quiet;
    PageRecording report(PicturePages::kDpi, PicturePages::kDpi);
    DrawCampaign(campaign, started.settings, report, quiet);
    QImage image(900, 1000, QImage::Format_RGB32);
    FontCache fonts;
    const double scale = 950.0 / (297 / 25.4 * PicturePages::kDpi);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        painter.scale(scale, scale);
        QPainterSurface surface(painter, report.DpiX(), report.DpiY(), fonts);
        report.DrawPage(0, surface);
    }
}
BENCHMARK(BM_PreviewPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
