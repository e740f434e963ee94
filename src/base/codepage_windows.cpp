#include <windows.h>

#include "base/codepage.h"

namespace karnea {
namespace {

constexpr UINT kCodePage = 932;

// Windows and the converters of other systems differ on a few characters.
// Files must come out the same on every system, so these go as elsewhere:
// the characters that text from other sources writes in their JIS forms
// take the code CP932 has for their look-alikes; the bytes that are no
// character (which Windows maps to U+0080 and private-use characters) stay
// none.
struct Compatible {
    wchar_t character;
    const char* cp932;
};
constexpr Compatible kJisForms[] = {
    {0x00A2, "\x81\x91"},  // cent sign
    {0x00A3, "\x81\x92"},  // pound sign
    {0x00A5, "\x5C"},      // yen sign: the backslash byte
    {0x00AC, "\x81\xCA"},  // not sign
    {0x2014, "\x81\x5C"},  // em dash
    {0x2016, "\x81\x61"},  // double vertical line
    {0x203E, "\x7E"},      // overline: the tilde byte
    {0x2212, "\x81\x7C"},  // minus sign
    {0x301C, "\x81\x60"},  // wave dash
};

bool IsNoCharacterByte(unsigned char byte) {
    return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

bool IsNoCharacter(wchar_t c) {
    return c == 0x0080 || (c >= 0xF8F0 && c <= 0xF8F3);
}

// The length of the UTF-8 sequence that `lead` begins (checked when it is
// converted), or 0 for a byte that begins none.
std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// One character, CP932 to UTF-8; false when it is none.
bool Cp932CharToUtf8(const char* in, std::size_t length, std::string& out) {
    if (length == 1 && IsNoCharacterByte(static_cast<unsigned char>(*in))) {
        return false;
    }
    wchar_t wide[2];
    const int n =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, static_cast<int>(length), wide, 2);
    if (n <= 0) {
        return false;
    }
    char utf8[8];
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
    if (m <= 0) {
        return false;
    }
    out.append(utf8, static_cast<std::size_t>(m));
    return true;
}

// One character, UTF-8 to CP932; false when it is not valid UTF-8 or CP932
// has no such character.
bool Utf8CharToCp932(const char* in, std::size_t length, std::string& out) {
    wchar_t wide[2];
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in, static_cast<int>(length), wide, 2);
    if (n <= 0) {
        return false;
    }
    if (n == 1) {
        for (const Compatible& c : kJisForms) {
            if (c.character == wide[0]) {
                out += c.cp932;
                return true;
            }
        }
        if (IsNoCharacter(wide[0])) {
            return false;
        }
    }
    char cp932[4];
    BOOL usedDefault = FALSE;
    const int m = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, n, cp932, sizeof cp932,
                                      nullptr, &usedDefault);
    if (m <= 0 || usedDefault) {
        return false;
    }
    out.append(cp932, static_cast<std::size_t>(m));
    return true;
}

}  // namespace

Cp932Decoder::Converter::Converter(Direction direction) : direction_(direction), handle_(0) {}

Cp932Decoder::Converter::~Converter() = default;

bool Cp932Decoder::Converter::ok() const {
    return true;
}

bool Cp932Decoder::Converter::run(const char*& in, std::size_t& inLeft, std::string& out) {
    // Character by character, so that the one that cannot be converted is
    // found where it stands.
    while (inLeft > 0) {
        const auto lead = static_cast<unsigned char>(*in);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++in;
            --inLeft;
            continue;
        }
        const std::size_t length =
            direction_ == Direction::toUtf8 ? (IsCp932LeadByte(lead) ? 2 : 1) : Utf8Length(lead);
        if (length == 0 || length > inLeft) {
            return false;
        }
        const bool converted = direction_ == Direction::toUtf8 ? Cp932CharToUtf8(in, length, out)
                                                               : Utf8CharToCp932(in, length, out);
        if (!converted) {
            return false;
        }
        in += length;
        inLeft -= length;
    }
    return true;
}

}  // namespace karnea
