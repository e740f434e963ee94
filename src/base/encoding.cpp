#include "base/encoding.h"

#include <algorithm>
#include <cstddef>

#include "base/codepage.h"

namespace karnea {
namespace {
using Converter = Cp932Decoder::Converter;
using Direction = Converter::Direction;
}  // namespace

Cp932Decoder::Cp932Decoder() = default;

Cp932Decoder::~Cp932Decoder() = default;

std::string Cp932Decoder::operator()(std::string_view cp932) {
    // Single bytes below 0x80 are the same characters in both; most texts
    // (numbers above all) need no converter at all.
    if (std::all_of(cp932.begin(), cp932.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(cp932);
    }
    if (!converter_) {
        converter_ = std::make_unique<Converter>(Direction::toUtf8);
    }
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    if (!converter_->ok()) {
        // Without the converter only ASCII can be shown faithfully.
        for (unsigned char c : cp932) {
            out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\xEF\xBF\xBD";
        }
        return out;
    }
    const char* in = cp932.data();
    std::size_t left = cp932.size();
    while (!converter_->run(in, left, out)) {
        out += "\xEF\xBF\xBD";
        ++in;
        --left;
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    return Cp932Decoder()(cp932);
}

std::optional<std::string> TryUtf8ToCp932(std::string_view utf8) {
    Converter conv(Direction::toCp932);
    if (!conv.ok()) {
        return std::nullopt;
    }
    std::string out;
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    if (!conv.run(in, left, out)) {
        return std::nullopt;
    }
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    Converter conv(Direction::toCp932);
    if (!conv.ok()) {
        return std::string(utf8);
    }
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    while (!conv.run(in, left, out)) {
        out += '?';
        // Skip the whole offending UTF-8 sequence.
        do {
            ++in;
            --left;
        } while (left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    return out;
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceAt(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t n = Utf8SequenceAt(text);
        if (n == 0) {
            return false;
        }
        text.remove_prefix(n);
    }
    return true;
}

}  // namespace

std::string Utf8Char(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t n = Utf8SequenceAt(bytes);
        if (n == 0) {
            out += kReplacement;
            bytes.remove_prefix(1);
        } else {
            out += bytes.substr(0, n);
            bytes.remove_prefix(n);
        }
    }
    return out;
}

std::string ReadableName(std::string_view bytes) {
    std::string out;
    for (;;) {
        const std::size_t slash = bytes.find('/');
        const std::string_view part = bytes.substr(0, slash);
        if (IsValidUtf8(part)) {
            out += part;
        } else {
            const std::string decoded = Cp932ToUtf8(part);
            out += decoded.find(kReplacement) == std::string::npos ? decoded : ValidUtf8(part);
        }
        if (slash == std::string_view::npos) {
            return out;
        }
        out += '/';
        bytes.remove_prefix(slash + 1);
    }
}

std::string_view CutCp932(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = 0;
    while (end < maxBytes) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > maxBytes) {
            break;
        }
        end += width;
    }
    return text.substr(0, end);
}

}  // namespace karnea
