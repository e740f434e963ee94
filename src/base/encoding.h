// Conversion between the code page 932 texts held in records and files, and
// UTF-8 used at the edges (user interface, command-line output).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace karnea {

// CP932 bytes to UTF-8. Bytes that do not form a valid CP932 character become
// U+FFFD, one replacement per offending byte; the input itself is never altered.
std::string Cp932ToUtf8(std::string_view cp932);

// The same conversion for many texts in a row (the texts of a page): it
// keeps one converter open, which costs more to open than most texts take
// to convert.
class Cp932Decoder {
public:
    Cp932Decoder();
    ~Cp932Decoder();
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;
    std::string operator()(std::string_view cp932);

    // The converter itself, opened at the first text that needs it.
    class Converter;

private:
    std::unique_ptr<Converter> converter_;
};

// The first byte of a two-byte CP932 character.
inline bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// At most `maxBytes` of a CP932 text, never ending inside a character.
std::string_view CutCp932(std::string_view text, std::size_t maxBytes);

// UTF-8 to CP932, or nothing when the text holds a character that CP932 cannot
// represent or is not valid UTF-8.
std::optional<std::string> TryUtf8ToCp932(std::string_view utf8);

// UTF-8 to CP932 for the program's own fixed texts, which are all representable.
// An unrepresentable character becomes "?" so that a mistake shows instead of
// silently truncating.
std::string Utf8ToCp932(std::string_view utf8);

// A file name or path as bytes (what the system holds) made readable as
// UTF-8: each part between slashes that is valid UTF-8 stays; a part that is
// not, but reads as CP932 (a name from a Japanese Windows system), is
// decoded from CP932; anything else keeps its valid characters and gets
// U+FFFD for each byte that is not one. Never invalid UTF-8.
std::string ReadableName(std::string_view bytes);

// Valid UTF-8 from any bytes: each byte that does not belong to a valid
// sequence becomes U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// The UTF-8 form of one code point.
std::string Utf8Char(char32_t c);

// Shorthand for fixed texts of the program that reach records, files or pages.
inline std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace karnea
