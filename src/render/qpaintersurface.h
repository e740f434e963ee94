// The pages drawn with QPainter: screen, printer, preview, PDF and PNG.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "base/encoding.h"
#include "pages/surface.h"

class QPainter;
class QPaintDevice;

namespace karnea {

// Makes the faces in the folder "fonts" beside the program (the Windows
// package brings the IPA faces there, which Windows does not have) known to
// this program alone. Call once, after the application object is made.
void LoadShippedFonts();

// The installed family that stands for a face the settings name: the face
// itself when installed, else its Japanese stand-in (IPA Mincho or Gothic).
QString ResolveFontFamily(const std::string& cp932Face);

// A font whose character cell (ascent plus descent) has a given height on a
// device, with its metrics.
struct CellFont {
    QFont font;
    double ascent = 0;
    double descent = 0;
    // The font's measures on its device, made once: the widths of aligned
    // texts come from here.
    std::shared_ptr<const QFontMetricsF> metrics;
};

// Fonts found and measured once for as long as their owner lives (a view, an
// export): the family that stands for each face, and each face and cell
// height on each kind of device.
class FontCache {
public:
    const QString& Family(const std::string& cp932Face);
    const CellFont& Cell(const std::string& cp932Face, int height, QPaintDevice* device,
                         int fallbackDpiY);
    // The width of `text` (`cp932Text` decoded) in a font of `metrics`:
    // measured once, since measuring shapes the text as drawing it does
    // again, and pages repeat their labels, units and many numbers.
    double Width(const std::shared_ptr<const QFontMetricsF>& metrics, const std::string& cp932Text,
                 const QString& text);

private:
    std::map<std::string, QString> families_;
    std::map<std::tuple<std::string, int, int, int>, CellFont> cells_;
    // By the measures they were measured with, each kept while its widths are.
    struct Widths {
        std::shared_ptr<const QFontMetricsF> metrics;
        std::unordered_map<std::string, double> of;
    };
    std::map<const QFontMetricsF*, Widths> widths_;
    std::size_t widthCount_ = 0;
};

class QPainterSurface : public Surface {
public:
    // `painter` draws in device pixels (no transform) on a device of the given
    // resolution; fonts come from `fonts`.
    QPainterSurface(QPainter& painter, int dpiX, int dpiY, FontCache& fonts);

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    bool SelectFont(const std::string& face, int height, int angle, long colour) override;
    void SaveFont() override;
    void RestoreFont() override;
    void SetTextAlign(TextAlign align) override { align_ = align; }
    void DrawText(int x, int y, const std::string& text) override;
    void DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) override;
    void DrawLine(int x1, int y1, int x2, int y2, int width, long colour) override;
    void DrawDashes(long long x, long long y, int sx, int sy, long long dash, long long step,
                    long long count, int width, long colour) override;
    void DrawCircle(int x, int y, int radius, int width, long colour) override;
    void ClipTo(int left, int top, int right, int bottom) override;
    void ClipOff() override;

private:
    struct PageFont {
        CellFont cell;
        int angle = 0;
        QColor colour = Qt::black;
    };
    // The width of a text in the font in use.
    double Width(const std::string& cp932Text, const QString& text);

    QPainter& painter_;
    int dpiX_;
    int dpiY_;
    FontCache& fonts_;
    TextAlign align_ = TextAlign::leftTop;
    PageFont current_;
    std::vector<PageFont> saved_;
    Cp932Decoder decode_;
};

// A 0x00BBGGRR colour as Qt's.
QColor ToQColor(long colour);

}  // namespace karnea
