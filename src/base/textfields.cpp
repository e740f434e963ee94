#include "base/textfields.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <vector>

#include "base/messages.h"

namespace karnea {
namespace {

constexpr std::size_t kCsvLineLimit = 2600;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return i;
}

// Where the digits of a number text start: after leading blanks and an
// optional sign, which sets `negative`.
std::size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
    std::size_t i = SkipBlanks(text);
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

// Puts the decimal point back to "." when the process runs under a locale
// with another separator.
void FixDecimalPoint(std::string& text) {
    const char* point = std::localeconv()->decimal_point;
    if (point == nullptr || (point[0] == '.' && point[1] == '\0')) {
        return;
    }
    const std::string_view local(point);
    for (std::size_t at = text.find(local); at != std::string::npos;
         at = text.find(local, at + 1)) {
        text.replace(at, local.size(), ".");
    }
}

std::string VFormat(const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
    char small[128];
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else {
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, args);
        out.assign(big.data(), static_cast<std::size_t>(n));
    }
    FixDecimalPoint(out);
    return out;
}

// "%[W][.P]f" or "%[W][.P]g" of one double, or nothing for another format.
std::optional<std::string> QuickFormat(std::string_view format, double value) {
    if (format.size() < 2 || format.front() != '%' || !std::isfinite(value)) {
        return std::nullopt;
    }
    const char conversion = format.back();
    if (conversion != 'f' && conversion != 'g') {
        return std::nullopt;
    }
    std::string_view spec = format.substr(1, format.size() - 2);
    int width = 0;
    int precision = 6;
    const auto number = [&spec](int& out) {
        std::size_t digits = 0;
        while (digits < spec.size() && IsDigit(spec[digits])) {
            ++digits;
        }
        if (digits > 2) {
            return false;
        }
        out = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            out = out * 10 + (spec[i] - '0');
        }
        spec.remove_prefix(digits);
        return true;
    };
    if (!number(width)) {
        return std::nullopt;
    }
    if (!spec.empty() && spec.front() == '.') {
        spec.remove_prefix(1);
        if (!number(precision)) {
            return std::nullopt;
        }
    }
    if (!spec.empty()) {
        return std::nullopt;
    }
    if (conversion == 'g' && precision == 0) {
        precision = 1;
    }
    char buffer[400];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value,
        conversion == 'f' ? std::chars_format::fixed : std::chars_format::general, precision);
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    const std::size_t length = static_cast<std::size_t>(result.ptr - buffer);
    std::string out;
    if (length < static_cast<std::size_t>(width)) {
        out.assign(static_cast<std::size_t>(width) - length, ' ');
    }
    out.append(buffer, length);
    return out;
}

}  // namespace

double TextToDouble(std::string_view text) {
    bool negative = false;
    std::size_t i = SkipBlanksAndSign(text, negative);
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            end = j;
        }
    }
    double value = 0.0;
    const char* first = text.data() + start;
    const char* last = text.data() + end;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small gives zero, as the C conversion.
        const std::string_view number(first, end - start);
        const std::size_t e = number.find_first_of("eE");
        const bool hugeExponent =
            e != std::string_view::npos && TextToInt(number.substr(e + 1)) > 0;
        const std::size_t intDigits = std::min(number.find('.'), e);
        value = hugeExponent || intDigits > 300 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

int TextToInt(std::string_view text) {
    bool negative = false;
    std::size_t i = SkipBlanksAndSign(text, negative);
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

long TextToLongAnyBase(std::string_view text) {
    bool negative = false;
    std::size_t i = SkipBlanksAndSign(text, negative);
    int base = 10;
    const auto hexDigit = [](char c) {
        return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        hexDigit(text[i + 2])) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == '0') {
        base = 8;
    }
    constexpr long long kLimit = 2147483648LL;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = 0;
        if (IsDigit(c)) {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        value = std::min(value * base + digit, kLimit);
    }
    return static_cast<long>(std::clamp(negative ? -value : value, -kLimit, kLimit - 1));
}

namespace {

// Where the number that starts at `i` ends: after digits with an optional
// point and an optional exponent; `i` itself when there are no digits.
std::size_t EndOfNumber(std::string_view text, std::size_t i, bool allowFraction) {
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (allowFraction && i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return start;
    }
    if (allowFraction && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j >= text.size() || !IsDigit(text[j])) {
            return start;
        }
        while (j < text.size() && IsDigit(text[j])) {
            ++j;
        }
        i = j;
    }
    return i;
}

// Whether the text is one whole number, blanks around it allowed.
bool WholeNumberText(std::string_view text, bool allowFraction) {
    bool negative = false;
    const std::size_t start = SkipBlanksAndSign(text, negative);
    const std::size_t end = EndOfNumber(text, start, allowFraction);
    return end != start && SkipBlanks(text.substr(end)) == text.size() - end;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!line.empty()) {
            text += (text.empty() ? "" : "\n") + line;
        }
    }
    return text;
}

std::optional<double> ParseNumber(std::string_view text) {
    if (!WholeNumberText(text, true)) {
        return std::nullopt;
    }
    const double value = TextToDouble(text);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> ParseInteger(std::string_view text) {
    if (!WholeNumberText(text, false)) {
        return std::nullopt;
    }
    // Decimal digits alone: a double holds every int exactly.
    const double value = TextToDouble(text);
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int IsNumericText(std::string_view text) {
    const std::size_t i = SkipBlanks(text);
    if (i == text.size()) {
        return -1;
    }
    return std::string_view("1234567890.+-").find(text[i]) != std::string_view::npos ? 1 : 0;
}

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

std::size_t NextCsvField(std::string_view line, std::string& out) {
    out.clear();
    int quotes = 0;
    bool outside = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            ++quotes;
            outside = quotes % 2 == 0;
        } else if (c == ',' && outside) {
            return i + 1;
        } else if (c == '\n') {
            return 0;
        } else {
            out += c;
        }
    }
    return 0;
}

int GetCsvField(std::string_view line, int k, std::string& out, Messages& messages) {
    out.clear();
    if (line.empty()) {
        return -1;
    }
    if (line.size() > kCsvLineLimit) {
        messages.Show(msg::tooManyCsv);
        line = line.substr(0, kCsvLineLimit);
    }
    std::string field;
    int count = 0;
    while (!line.empty()) {
        const std::size_t next = NextCsvField(line, field);
        if (++count == k) {
            out = field;
            return 1;
        }
        if (next == 0) {
            break;
        }
        line.remove_prefix(next);
    }
    return 0;
}

std::string CsvField(std::string_view line, int k, Messages& messages) {
    std::string out;
    GetCsvField(line, k, out, messages);
    return out;
}

int SignOf(int value) {
    return (value > 0) - (value < 0);
}

std::string FormatScaledNumber(std::string_view text, double factor, int style) {
    if (IsNumericText(text) != 1) {
        return {};
    }
    static constexpr std::array<const char*, 4> kStyles = {"%g", "%.0f", "%.1f", "%.2f"};
    if (style < 0 || style >= static_cast<int>(kStyles.size())) {
        return {};
    }
    const double value = TextToDouble(text) * factor;
    if (!std::isfinite(value)) {
        return {};
    }
    return FormatDerived(kStyles[static_cast<std::size_t>(style)], value);
}

const char* DecimalsFormat(int n) {
    return kDecimalsFormats[static_cast<std::size_t>(std::clamp(n, 0, 6))];
}

const char* HeaderDecimalsFormat(int n) {
    static constexpr std::array<const char*, 7> kHeader = {"%1.0f", "%2.1f", "%3.2f", "%4.3f",
                                                           "%5.4f", "%6.5f", "%f"};
    return kHeader[static_cast<std::size_t>(std::clamp(n, 0, 6))];
}

std::string DecimalsPlusOneFormat(int n) {
    // Clamped before the addition, so that no setting can overflow it.
    return FormatText("%%.%df", std::clamp(n, -1, 5) + 1);
}

std::string FormatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string out = VFormat(format, args);
    va_end(args);
    return out;
}

std::string FormatNumber(std::string_view format, double value) {
    // The decimals formats ("%W.Pf") and "%g" are written with to_chars,
    // which gives the same digits as printf in the "C" locale, much faster
    // and whatever the process locale; other formats go through printf.
    if (const std::optional<std::string> quick = QuickFormat(format, value)) {
        return *quick;
    }
    const std::string fmt(format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return FormatText(fmt.c_str(), value);
#pragma GCC diagnostic pop
}

}  // namespace karnea

namespace karnea {

std::string FormatDerived(std::string_view format, double value) {
    std::string text = FormatNumber(format, std::isfinite(value) ? value : 0.0);
    if (!text.empty() && text[0] == '-' &&
        text.find_first_of("123456789", 1) == std::string::npos &&
        text.find_first_of("0", 1) != std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string FormatValues(std::string_view templ, std::initializer_list<double> values) {
    std::string out;
    auto next = values.begin();
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] != '%') {
            out += templ[i];
            continue;
        }
        if (i + 1 < templ.size() && templ[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < templ.size() &&
               std::string_view("-+ #0123456789.").find(templ[end]) != std::string_view::npos) {
            ++end;
        }
        if (end >= templ.size()) {
            out.append(templ.substr(i));
            break;
        }
        const std::string_view spec = templ.substr(i, end - i + 1);
        if (std::string_view("fFgGeE").find(templ[end]) != std::string_view::npos &&
            next != values.end()) {
            out += FormatDerived(spec, *next++);
        }
        i = end;
    }
    return out;
}

}  // namespace karnea
