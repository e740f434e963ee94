#include "pages/opsrecorder.h"

#include <charconv>
#include <initializer_list>

#include "base/encoding.h"

namespace karnea {
namespace {

// A UTF-8 text in double quotes, with backslash and quote escaped.
void AppendQuoted(std::string& out, const std::string& utf8) {
    out += '"';
    if (utf8.find_first_of("\\\"") == std::string::npos) {
        out += utf8;
    } else {
        for (const char c : utf8) {
            if (c == '\\' || c == '"') {
                out += '\\';
            }
            out += c;
        }
    }
    out += '"';
}

// Each number with a space before it. A page has thousands of lines (every
// dash of the grid), so the numbers are written without printf, all of them
// at once.
void AppendNumbers(std::string& out, std::initializer_list<long long> numbers) {
    char buffer[128];
    char* at = buffer;
    for (const long long n : numbers) {
        *at++ = ' ';
        at = std::to_chars(at, buffer + sizeof buffer, n).ptr;
    }
    out.append(buffer, at);
}

void AppendColour(std::string& out, long colour) {
    constexpr char kHex[] = "0123456789abcdef";
    const unsigned long c = static_cast<unsigned long>(colour);
    char text[8] = {' ', '#'};
    char* at = text + 2;
    for (const unsigned long byte : {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}) {
        *at++ = kHex[byte >> 4];
        *at++ = kHex[byte & 0xF];
    }
    out.append(text, at);
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
    std::string text;
    AppendColour(text, colour);
    return text.substr(1);
}

Surface* OpsRecorder::BeginPage(int page, DocumentKind kind) {
    out_ += "page";
    AppendNumbers(out_, {page});
    out_ += kind == DocumentKind::test ? " test" : " calibration";
    AppendNumbers(out_, {dpiX_, dpiY_});
    out_ += '\n';
    return this;
}

bool OpsRecorder::SelectFont(const std::string& face, int height, int angle, long colour) {
    out_ += "font ";
    AppendQuoted(out_, decode_(face));
    AppendNumbers(out_, {height, angle});
    AppendColour(out_, colour);
    out_ += '\n';
    return true;
}

void OpsRecorder::SetTextAlign(TextAlign align) {
    out_ += "align ";
    out_ += AlignName(align);
    out_ += '\n';
}

void OpsRecorder::DrawText(int x, int y, const std::string& text) {
    if (!text.empty()) {
        out_ += "text";
        AppendNumbers(out_, {x, y});
        out_ += ' ';
        AppendQuoted(out_, decode_(text));
        out_ += '\n';
    }
}

void OpsRecorder::DrawTextInBox(int left, int top, int right, int bottom, const std::string& text) {
    if (!text.empty()) {
        out_ += "textbox";
        AppendNumbers(out_, {left, top, right, bottom});
        out_ += ' ';
        AppendQuoted(out_, decode_(text));
        out_ += '\n';
    }
}

void OpsRecorder::DrawLine(int x1, int y1, int x2, int y2, int width, long colour) {
    if (width != 0) {
        out_ += "line";
        AppendNumbers(out_, {x1, y1, x2, y2, width});
        AppendColour(out_, colour);
        out_ += '\n';
    }
}

void OpsRecorder::DrawCircle(int x, int y, int radius, int width, long colour) {
    out_ += "circle";
    AppendNumbers(out_, {x, y, radius, width});
    AppendColour(out_, colour);
    out_ += '\n';
}

void OpsRecorder::ClipTo(int left, int top, int right, int bottom) {
    out_ += "clip";
    AppendNumbers(out_, {left, top, right, bottom});
    out_ += '\n';
}

void OpsRecorder::ClipOff() {
    out_ += "clip off\n";
}

}  // namespace karnea
