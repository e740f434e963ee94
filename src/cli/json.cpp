#include "cli/json.h"

#include <charconv>
#include <cmath>

#include "base/encoding.h"
#include "base/textfields.h"

namespace karnea::cli {

std::string JsonEscape(std::string_view text) {
    // Whatever the bytes, the output is valid JSON.
    const std::string utf8 = ValidUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += FormatText("\\u%04x", static_cast<unsigned>(c));
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(open_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (open_.empty()) {
        return;
    }
    Open& current = open_.back();
    if (current.hasItems) {
        out_ += current.inlineItems ? ", " : ",";
    }
    current.hasItems = true;
    if (!current.inlineItems) {
        newline();
    }
}

void JsonWriter::close(char bracket) {
    const Open closing = open_.back();
    open_.pop_back();
    if (closing.hasItems && !closing.inlineItems) {
        newline();
    }
    out_ += bracket;
    if (open_.empty()) {
        out_ += '\n';
    }
}

void JsonWriter::beginObject(bool inlineItems) {
    beforeValue();
    out_ += '{';
    open_.push_back({false, inlineItems});
}

void JsonWriter::endObject() {
    close('}');
}

void JsonWriter::beginArray(bool inlineItems) {
    beforeValue();
    out_ += '[';
    open_.push_back({false, inlineItems});
}

void JsonWriter::endArray() {
    close(']');
}

void JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ += JsonEscape(name);
    out_ += ": ";
    afterKey_ = true;
}
void JsonWriter::value(std::string_view text) {
    beforeValue();
    out_ += JsonEscape(text);
}

void JsonWriter::value(int number) {
    beforeValue();
    out_ += std::to_string(number);
}

void JsonWriter::value(double number) {
    beforeValue();
    if (!std::isfinite(number)) {
        out_ += "null";
        return;
    }
    // The shortest text that reads back as the same double; never "-0".
    if (number == 0) {
        number = 0.0;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    out_.append(buffer, result.ptr);
}

void JsonWriter::value(bool flag) {
    beforeValue();
    out_ += flag ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

}  // namespace karnea::cli
