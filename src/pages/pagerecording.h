// Pages drawn once and kept, to be drawn again on any target as often as
// needed. A long report is drawn away from the window into a recording; the
// window then only replays it, in the print preview and when it prints.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "pages/pagecomposer.h"
#include "pages/surface.h"

namespace karnea {

class PageRecording : public Surface, public PageTarget {
public:
    PageRecording(int dpiX, int dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

    Surface* BeginPage(int page, DocumentKind kind) override;
    bool EndPage(int) override { return true; }

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    // A negative height makes no font, on every surface.
    bool SelectFont(const std::string& face, int height, int angle, long colour) override;
    void SaveFont() override;
    void RestoreFont() override;
    void SetTextAlign(TextAlign align) override;
    void DrawText(int x, int y, const std::string& text) override;
    void DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) override;
    void DrawLine(int x1, int y1, int x2, int y2, int width, long colour) override;
    void DrawDashes(long long x, long long y, int sx, int sy, long long dash, long long step,
                    long long count, int width, long colour) override;
    void DrawCircle(int x, int y, int radius, int width, long colour) override;
    void ClipTo(int left, int top, int right, int bottom) override;
    void ClipOff() override;

    // Keeps the pages of `other` after these, numbered on from the last.
    void Append(PageRecording&& other);

    // How many pages are kept.
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // Draws kept page `index` (from 0) on `surface`.
    void DrawPage(int index, Surface& surface) const;
    // Draws the kept pages onto `target`, with the numbers and kinds they
    // were drawn with. False when the target stopped. The target's surfaces
    // must have the resolution the pages were drawn at.
    bool Replay(PageTarget& target) const;

private:
    struct Font {
        std::string face;
        int height;
        int angle;
        long colour;
    };
    struct SaveFontOp {};
    struct RestoreFontOp {};
    struct Align {
        TextAlign align;
    };
    struct Text {
        int x;
        int y;
        std::string text;
    };
    struct TextBox {
        int left;
        int top;
        int right;
        int bottom;
        std::string text;
    };
    struct Line {
        int x1;
        int y1;
        int x2;
        int y2;
        int width;
        long colour;
    };
    struct Dashes {
        long long x;
        long long y;
        int sx;
        int sy;
        long long dash;
        long long step;
        long long count;
        int width;
        long colour;
    };
    struct Circle {
        int x;
        int y;
        int radius;
        int width;
        long colour;
    };
    struct Clip {
        int left;
        int top;
        int right;
        int bottom;
    };
    struct ClipOffOp {};
    using Op = std::variant<Font, SaveFontOp, RestoreFontOp, Align, Text, TextBox, Line, Dashes,
                            Circle, Clip, ClipOffOp>;
    struct Page {
        int number;
        DocumentKind kind;
        std::vector<Op> ops;
    };

    std::vector<Op>& Ops();

    int dpiX_;
    int dpiY_;
    std::vector<Page> pages_;
};

}  // namespace karnea
