#include "render/pageexport.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QThread>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>

#include "base/diskfile.h"
#include "base/messages.h"
#include "base/orderedwork.h"
#include "base/system.h"
#include "base/version.h"
#include "render/pdfjoin.h"
#include "render/qpaintersurface.h"

namespace karnea {
namespace {

constexpr double kA4WidthMm = 210;
constexpr double kA4HeightMm = 297;

}  // namespace

// PNG encoding takes most of a page's time, and it grows with the bytes a
// pixel has.
QImage CompactPageImage(const QImage& page) {
    const int width = page.width();
    const int height = page.height();
    QImage grey(width, height, QImage::Format_Grayscale8);
    bool allGrey = true;
    for (int y = 0; y < height && allGrey; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x];
            const int r = qRed(c);
            if (r != qGreen(c) || r != qBlue(c)) {
                allGrey = false;
                break;
            }
            out[x] = static_cast<uchar>(r);
        }
    }
    if (allGrey) {
        grey.setDotsPerMeterX(page.dotsPerMeterX());
        grey.setDotsPerMeterY(page.dotsPerMeterY());
        return grey;
    }
    QList<QRgb> palette;
    QHash<QRgb, uchar> indexOf;
    QImage indexed(width, height, QImage::Format_Indexed8);
    QRgb last = 0;
    uchar lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x];
            if (!haveLast || c != last) {
                auto found = indexOf.constFind(c);
                if (found == indexOf.constEnd()) {
                    if (palette.size() == 256) {
                        return page;
                    }
                    found = indexOf.insert(c, static_cast<uchar>(palette.size()));
                    palette.append(c);
                }
                last = c;
                lastIndex = *found;
                haveLast = true;
            }
            out[x] = lastIndex;
        }
    }
    indexed.setColorTable(palette);
    indexed.setDotsPerMeterX(page.dotsPerMeterX());
    indexed.setDotsPerMeterY(page.dotsPerMeterY());
    return indexed;
}

namespace {

// The pages of one PDF, a page of the writer each.
class PdfPages : public PageTarget {
public:
    PdfPages(QPdfWriter& writer, QPainter& painter, int dpi)
        : writer_(writer), painter_(painter), dpi_(dpi) {}

    Surface* BeginPage(int, DocumentKind) override {
        if (!first_) {
            writer_.newPage();
        }
        first_ = false;
        surface_.emplace(painter_, dpi_, dpi_, fonts_);
        return &*surface_;
    }
    bool EndPage(int) override { return true; }

private:
    QPdfWriter& writer_;
    QPainter& painter_;
    int dpi_;
    bool first_ = true;
    FontCache fonts_;
    std::optional<QPainterSurface> surface_;
};

// One image a page, each saved when it is drawn.
class PngPages : public PageTarget {
public:
    PngPages(const std::function<std::string(int)>& pathOf, int dpi) : pathOf_(pathOf), dpi_(dpi) {}

    Surface* BeginPage(int, DocumentKind) override {
        const int width = static_cast<int>(std::lround(kA4WidthMm / 25.4 * dpi_));
        const int height = static_cast<int>(std::lround(kA4HeightMm / 25.4 * dpi_));
        image_ = QImage(width, height, QImage::Format_RGB32);
        const int dotsPerMeter = static_cast<int>(std::lround(dpi_ / 0.0254));
        image_.setDotsPerMeterX(dotsPerMeter);
        image_.setDotsPerMeterY(dotsPerMeter);
        image_.fill(Qt::white);
        painter_ = std::make_unique<QPainter>(&image_);
        surface_.emplace(*painter_, dpi_, dpi_, fonts_);
        return &*surface_;
    }

    bool EndPage(int page) override {
        surface_.reset();
        painter_.reset();
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        if (!CompactPageImage(image_).save(&png, "PNG")) {
            return false;
        }
        // On the disk beside its name at once: a long report is never held.
        return files_.Add(pathOf_(page), png.data().toStdString());
    }

    // Every page, or none when one cannot be written.
    bool Write() { return files_.Install(); }

private:
    const std::function<std::string(int)>& pathOf_;
    int dpi_;
    FontCache fonts_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::optional<QPainterSurface> surface_;
    StagedFiles files_;
};

// A part's PDF, and what its drawing said.
struct PdfPart {
    std::optional<std::string> pdf;
    KeptMessages said;
};

}  // namespace

namespace {

// A device that hands what is written to it on, as it comes.
class ForwardingDevice : public QIODevice {
public:
    explicit ForwardingDevice(const ContentWriter& put) : put_(put) { open(QIODevice::WriteOnly); }
    bool failed() const { return failed_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failed_ || !put_(std::string_view(data, static_cast<std::size_t>(size)))) {
            failed_ = true;
            return -1;
        }
        return size;
    }

private:
    const ContentWriter& put_;
    bool failed_ = false;
};

}  // namespace

bool WritePdf(const PageDrawing& draw, int dpi, const ContentWriter& put,
              const std::string& title) {
    ForwardingDevice device(put);
    {
        QPdfWriter writer(&device);
        writer.setResolution(dpi);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setCreator(QStringLiteral("karnea ") +
                          QString::fromStdString(std::string(ProgramVersion())));
        writer.setTitle(QString::fromStdString(title));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return false;
        }
        PdfPages target(writer, painter, dpi);
        draw(target);
        painter.end();
    }
    return !device.failed();
}

std::optional<std::string> PdfBytes(const PageDrawing& draw, int dpi) {
    std::string pdf;
    if (!WritePdf(draw, dpi, [&pdf](std::string_view chunk) {
            pdf.append(chunk);
            return true;
        })) {
        return std::nullopt;
    }
    return pdf;
}

std::optional<std::string> DocumentPdf(const PageSource& source, int dpi, Messages& messages) {
    return PdfBytes([&](PageTarget& t) { return DrawPages(source, AllPages(source), t, messages); },
                    dpi);
}

// The file goes to disk as every save of the program does, streamed into
// its new file as the pages are drawn.
bool ExportPdf(const PageDrawing& draw, const std::string& path, int dpi,
               const std::string& title) {
    return ReplaceFileStreamed(
        path, [&](const ContentWriter& put) { return WritePdf(draw, dpi, put, title); });
}

bool ExportPdf(const PageSource& source, const std::vector<int>& pages, const std::string& path,
               int dpi, Messages& messages, const std::string& documentPath) {
    return ExportPdf([&](PageTarget& t) { return DrawPages(source, pages, t, messages); }, path,
                     dpi, PathText(PathOf(documentPath).stem()));
}

bool ExportPng(const PageDrawing& draw, const std::function<std::string(int)>& pathOf, int dpi) {
    PngPages target(pathOf, dpi);
    return draw(target) && target.Write();
}

std::function<void()> StartQtThread(std::function<void()> work) {
    std::shared_ptr<QThread> thread(QThread::create(std::move(work)));
    thread->start();
    if (!thread->isRunning() && !thread->isFinished()) {
        throw std::runtime_error("no thread could be started");
    }
    return [thread] { thread->wait(); };
}

bool ExportPdf(std::size_t parts, int jobs, const PartDrawing& draw, const std::string& path,
               int dpi, Messages& messages) {
    return ReplaceFileStreamed(path, [&](const ContentWriter& put) {
        PdfJoin joined(put);
        const auto make = [&](std::size_t part) {
            PdfPart p;
            p.pdf = PdfBytes([&](PageTarget& t) { return draw(part, t, p.said); }, dpi);
            return p;
        };
        const auto take = [&](std::size_t, PdfPart&& p) {
            p.said.SayAgain(messages);
            return p.pdf && joined.Add(*p.pdf);
        };
        return MakeInOrder(parts, jobs, make, take, StartQtThread) && joined.Finish();
    });
}

bool ExportPng(const PageSource& source, const std::vector<int>& pages,
               const std::function<std::string(int)>& pathOf, int dpi, Messages& messages) {
    return ExportPng([&](PageTarget& t) { return DrawPages(source, pages, t, messages); }, pathOf,
                     dpi);
}

}  // namespace karnea
