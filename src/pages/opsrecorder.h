// A surface that writes every drawing operation as one line of text, in
// device units: the golden files of the page tests and `render --format ops`.
#pragma once

#include <string>

#include "base/encoding.h"
#include "pages/pagecomposer.h"
#include "pages/surface.h"

namespace karnea {

class OpsRecorder : public Surface, public PageTarget {
public:
    OpsRecorder(int dpiX, int dpiY) : dpiX_(dpiX), dpiY_(dpiY) { out_.reserve(1 << 16); }

    // Opens a page: "page <number> <test|calibration> <dpiX> <dpiY>".
    Surface* BeginPage(int page, DocumentKind kind) override;
    bool EndPage(int) override { return true; }

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    bool SelectFont(const std::string& face, int height, int angle, long colour) override;
    void SaveFont() override {}
    void RestoreFont() override {}
    void SetTextAlign(TextAlign align) override;
    void DrawText(int x, int y, const std::string& text) override;
    void DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) override;
    void DrawLine(int x1, int y1, int x2, int y2, int width, long colour) override;
    void DrawCircle(int x, int y, int radius, int width, long colour) override;
    void ClipTo(int left, int top, int right, int bottom) override;
    void ClipOff() override;

    // Everything recorded so far (UTF-8).
    const std::string& text() const { return out_; }

private:
    int dpiX_;
    int dpiY_;
    std::string out_;
    Cp932Decoder decode_;
};

}  // namespace karnea
