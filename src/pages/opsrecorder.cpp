#include "pages/opsrecorder.h"

#include "base/encoding.h"
#include "base/textfields.h"

namespace karnea {
namespace {

// A text in double quotes, UTF-8, with backslash and quote escaped.
std::string Quoted(const std::string& cp932) {
    std::string out = "\"";
    for (const char c : Cp932ToUtf8(cp932)) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

const char* AlignName(TextAlign align) {
    switch (align) {
        case TextAlign::leftTop:
            return "left-top";
        case TextAlign::rightTop:
            return "right-top";
        case TextAlign::centerTop:
            return "center-top";
        case TextAlign::centerBottom:
            return "center-bottom";
        case TextAlign::rightBottom:
            return "right-bottom";
    }
    return "left-top";
}

}  // namespace

std::string ColourText(long colour) {
    const unsigned long c = static_cast<unsigned long>(colour);
    return FormatText("#%02lx%02lx%02lx", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Surface* OpsRecorder::BeginPage(int page, DocumentKind kind) {
    out_ += FormatText("page %d %s %d %d\n", page,
                       kind == DocumentKind::test ? "test" : "calibration", dpiX_, dpiY_);
    return this;
}

bool OpsRecorder::SelectFont(const std::string& face, int height, int angle, long colour) {
    out_ +=
        "font " + Quoted(face) + FormatText(" %d %d ", height, angle) + ColourText(colour) + "\n";
    return true;
}

void OpsRecorder::SetTextAlign(TextAlign align) {
    out_ += std::string("align ") + AlignName(align) + "\n";
}

void OpsRecorder::DrawText(int x, int y, const std::string& text) {
    if (!text.empty()) {
        out_ += FormatText("text %d %d ", x, y) + Quoted(text) + "\n";
    }
}

void OpsRecorder::DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) {
    if (!text.empty()) {
        out_ += FormatText("textbox %d %d %d %d ", left, top, right, bottom) + Quoted(text) + "\n";
    }
}

void OpsRecorder::DrawLine(int x1, int y1, int x2, int y2, int width, long colour) {
    if (width != 0) {
        out_ +=
            FormatText("line %d %d %d %d %d ", x1, y1, x2, y2, width) + ColourText(colour) + "\n";
    }
}

void OpsRecorder::DrawCircle(int x, int y, int radius, int width, long colour) {
    out_ += FormatText("circle %d %d %d %d ", x, y, radius, width) + ColourText(colour) + "\n";
}

}  // namespace karnea
