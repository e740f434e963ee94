// What the pages need of a drawing surface. Coordinates are device units of
// the target (pixels, y downwards); texts are CP932 as the records hold them;
// colours are 0x00BBGGRR values as the settings hold them.
#pragma once

#include <string>

namespace karnea {

enum class TextAlign { leftTop, rightTop, centerTop, centerBottom, rightBottom };

class Surface {
public:
    virtual ~Surface() = default;

    // Pixels per inch across and down.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;

    // Selects a font whose character cell (ascent plus descent) is `height`
    // device units; `angle` in degrees, 90 writes upwards. False when the font
    // cannot be made (the previous one stays).
    virtual bool SelectFont(const std::string& face, int height, int angle, long colour) = 0;
    // Remembers the font in use, and selects it again.
    virtual void SaveFont() = 0;
    virtual void RestoreFont() = 0;

    virtual void SetTextAlign(TextAlign align) = 0;
    // Text at a reference point that the alignment names (top and bottom of
    // the character cell, not the baseline).
    virtual void DrawText(int x, int y, const std::string& text) = 0;
    // Text on one line, centred both ways in the rectangle, not clipped.
    virtual void DrawTextInBox(int left, int top, int right, int bottom,
                               const std::string& text) = 0;
    // A solid line; the width is in device pixels.
    virtual void DrawLine(int x1, int y1, int x2, int y2, int width, long colour) = 0;
    // `count` dashes of `dash` units, one every `step` units, from (x, y)
    // in the direction (sx, sy) (each -1, 0 or 1): as that many lines, which
    // a target may draw as one stroke with a dash pattern.
    virtual void DrawDashes(long long x, long long y, int sx, int sy, long long dash,
                            long long step, long long count, int width, long colour);
    // A circle, not filled; width 0 draws the thinnest line the target has.
    virtual void DrawCircle(int x, int y, int radius, int width, long colour) = 0;
    // Until ClipOff, nothing is drawn outside the rectangle (nor outside
    // what the target clips itself). A surface that keeps nothing may
    // ignore both.
    virtual void ClipTo(int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {}
    virtual void ClipOff() {}
};

// The colour as "#rrggbb".
std::string ColourText(long colour);

}  // namespace karnea
