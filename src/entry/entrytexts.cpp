#include "entry/entrytexts.h"

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/testdate.h"

namespace karnea {
namespace {

constexpr std::string_view kLineBreakName = "改行";
constexpr std::string_view kTabName = "タブ";

std::string Refused(std::string_view what) {
    return FormatMessage(msg::characterRefused, what);
}

// The character of a number box that an input method gives, and its ASCII
// form; 0 when it has none.
char AsciiOf(char32_t c) {
    if (c >= U'！' && c <= U'～') {
        return static_cast<char>(c - U'！' + '!');
    }
    if (c == U'ー' || c == U'−' || c == U'‐' || c == U'―') {
        return '-';
    }
    // The full stop of an input method in its kana mode, in both widths.
    if (c == U'。' || c == U'｡') {
        return '.';
    }
    return 0;
}

// Decodes one UTF-8 character at `i`; its length goes to `length`.
char32_t DecodeAt(std::string_view text, std::size_t i, std::size_t& length) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (i + length > text.size()) {
        length = 1;
        return 0xFFFD;
    }
    char32_t c = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < length; ++k) {
        c = (c << 6) | (b(k) & 0x3F);
    }
    return c;
}

// The first character (UTF-8) of `text` that has no CP932 form, or empty.
std::string FirstWithoutCp932(std::string_view text) {
    if (TryUtf8ToCp932(text)) {
        return {};
    }
    for (std::size_t i = 0, length = 1; i < text.size(); i += length) {
        DecodeAt(text, i, length);
        const std::string_view character = text.substr(i, length);
        if (!TryUtf8ToCp932(character)) {
            return std::string(character);
        }
    }
    return {};
}

}  // namespace

std::string RefusalOfText(TextKind kind, std::string_view utf8) {
    if (utf8.find_first_of("\r\n") != std::string_view::npos) {
        return Refused(kLineBreakName);
    }
    if (utf8.find("$$") != std::string_view::npos) {
        return Refused("$$");
    }
    if (kind == TextKind::cell && utf8.find('"') != std::string_view::npos) {
        return Refused("\"");
    }
    if (std::string missing = FirstWithoutCp932(utf8); !missing.empty()) {
        return Refused(missing);
    }
    if (kind == TextKind::cell && Utf8ToCp932(utf8).size() > kLongestCellBytes) {
        return FormatMessage(msg::cellTooLong, std::to_string(kLongestCellBytes));
    }
    return {};
}

std::string NumberInputToAscii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = 1;
        const char32_t c = DecodeAt(utf8, i, length);
        if (const char ascii = AsciiOf(c)) {
            out += ascii;
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    // Full-width blanks around the number; ASCII blanks are the number rule's.
    constexpr std::string_view kWideBlank = "　";
    while (out.starts_with(kWideBlank)) {
        out.erase(0, kWideBlank.size());
    }
    while (out.ends_with(kWideBlank)) {
        out.erase(out.size() - kWideBlank.size());
    }
    return out;
}

std::string RefusalOfNumber(std::string_view utf8) {
    for (std::size_t i = 0, length = 1; i < utf8.size(); i += length) {
        DecodeAt(utf8, i, length);
        // A tab would end the number as a comma does (a row of cells pasted
        // from a spreadsheet into one box).
        if (utf8[i] == '\t') {
            return Refused(kTabName);
        }
        if (static_cast<unsigned char>(utf8[i]) >= 0x80 || utf8[i] == ',') {
            return Refused(utf8.substr(i, length));
        }
    }
    return {};
}

Refusal OutOfRange(SettingRange range, bool integer, std::string box) {
    const char* format = integer ? "%.0f" : "%g";
    return Refusal{
        FormatMessage(integer ? msg::integerOutOfRange : msg::numberOutOfRange,
                      FormatDerived(format, range.lowest), FormatDerived(format, range.highest)),
        std::move(box)};
}

std::optional<Refusal> CheckInteger(const std::string& text, SettingRange range, std::string box) {
    const std::optional<int> value = ParseInteger(text);
    if (value && range.Contains(*value)) {
        return std::nullopt;
    }
    return OutOfRange(range, true, std::move(box));
}

std::optional<Refusal> CheckNumber(const std::string& text, SettingRange range, std::string box) {
    const std::optional<double> value = ParseNumber(text);
    if (value && range.Contains(*value)) {
        return std::nullopt;
    }
    return OutOfRange(range, false, std::move(box));
}

std::optional<Refusal> RefuseDate(const HeaderTexts& header) {
    const DateCheck date = CheckDate(header);
    if (date.why.empty()) {
        return std::nullopt;
    }
    return Refusal{
        FormatMessage(msg::dateNotReal, date.why),
        date.field == header::dateEra ? std::string("era") : "field" + std::to_string(date.field)};
}

}  // namespace karnea
