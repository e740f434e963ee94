#include "render/pageexport.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

#include "pages/pagecomposer.h"
#include "document/workspace.h"
#include "render/qpaintersurface.h"

namespace karnea {
namespace {

constexpr double kA4WidthMm = 210;
constexpr double kA4HeightMm = 297;

// Draws page `page` as the print command does: the page asked for, with the
// current page restored afterwards.
void DrawOnePage(Workspace& ws, int page, QPainter& painter, int dpi, Messages& messages) {
    const int saved = ws.CurrentPage;
    ws.PrintingNow = 1;
    ws.CurrentPage = page;
    QPainterSurface surface(painter, dpi, dpi);
    DrawPage(ws, surface, messages);
    ws.PrintingNow = 0;
    ws.CurrentPage = saved;
}

}  // namespace

bool ExportPdf(Workspace& ws, const std::vector<int>& pages, const std::string& path, int dpi,
               Messages& messages) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(dpi);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setCreator(QStringLiteral("karnea"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            return false;
        }
        bool first = true;
        for (int page : pages) {
            if (!first) {
                writer.newPage();
            }
            first = false;
            DrawOnePage(ws, page, painter, dpi, messages);
        }
        painter.end();
    }
    return file.commit();
}

bool ExportPng(Workspace& ws, int page, const std::string& path, int dpi, Messages& messages) {
    const int width = static_cast<int>(std::lround(kA4WidthMm / 25.4 * dpi));
    const int height = static_cast<int>(std::lround(kA4HeightMm / 25.4 * dpi));
    QImage image(width, height, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawOnePage(ws, page, painter, dpi, messages);
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG")) {
        return false;
    }
    return file.commit();
}

}  // namespace karnea
