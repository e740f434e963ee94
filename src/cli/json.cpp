#include "cli/json.h"

#include <cmath>

#include "records/textfields.h"

namespace karnea::cli {

std::string JsonEscape(std::string_view utf8) {
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
    out_.append(hasItems_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItems_.empty()) {
        if (hasItems_.back()) {
            out_ += ',';
        }
        hasItems_.back() = true;
        newline();
    }
}

void JsonWriter::beginObject() {
    beforeValue();
    out_ += '{';
    hasItems_.push_back(false);
}

void JsonWriter::endObject() {
    const bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) {
        newline();
    }
    out_ += '}';
    if (hasItems_.empty()) {
        out_ += '\n';
    }
}

void JsonWriter::beginArray() {
    beforeValue();
    out_ += '[';
    hasItems_.push_back(false);
}

void JsonWriter::endArray() {
    const bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) {
        newline();
    }
    out_ += ']';
    if (hasItems_.empty()) {
        out_ += '\n';
    }
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
    out_ += std::isfinite(number) ? FormatText("%.17g", number) : "null";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

}  // namespace karnea::cli
