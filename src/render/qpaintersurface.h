// The pages drawn with QPainter: screen, printer, preview, PDF and PNG.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pages/surface.h"

class QPainter;

namespace karnea {

// The installed family that stands for a face the settings name: the face
// itself when installed, else its Japanese stand-in (IPA Mincho or Gothic).
QString ResolveFontFamily(const std::string& cp932Face);

class QPainterSurface : public Surface {
public:
    // `painter` draws in device pixels (no transform) on a device of the given
    // resolution.
    QPainterSurface(QPainter& painter, int dpiX, int dpiY);

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    bool SelectFont(const std::string& face, int height, int angle, long colour) override;
    void SaveFont() override;
    void RestoreFont() override;
    void SetTextAlign(TextAlign align) override { align_ = align; }
    void DrawText(int x, int y, const std::string& text) override;
    void DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) override;
    void DrawLine(int x1, int y1, int x2, int y2, int width, long colour) override;
    void DrawCircle(int x, int y, int radius, int width, long colour) override;

private:
    struct PageFont {
        QFont font;
        int angle = 0;
        QColor colour = Qt::black;
        double ascent = 0;
        double descent = 0;
    };
    // The font of a face and cell height with its metrics, made once per
    // surface.
    const PageFont& CellFont(const std::string& face, int height);

    QPainter& painter_;
    int dpiX_;
    int dpiY_;
    TextAlign align_ = TextAlign::leftTop;
    PageFont current_;
    std::vector<PageFont> saved_;
    std::map<std::pair<std::string, int>, PageFont> fonts_;
};

// A 0x00BBGGRR colour as Qt's.
QColor ToQColor(long colour);

}  // namespace karnea
