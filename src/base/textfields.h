// Small operations on the texts that hold every measured and derived value:
// the numeric-text test, the plain number conversions, comma-separated fields
// and the number formats chosen by a decimals setting.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace karnea {

class Messages;

// Plain text-to-double: leading blanks skipped, optional sign, digits with an
// optional decimal point and exponent; stops at the first character that cannot
// continue the number; no number gives 0. Independent of the C locale.
double TextToDouble(std::string_view text);

// Plain text-to-integer: the same with decimal digits only; saturates at the
// limits of int.
int TextToInt(std::string_view text);

// Text to a 32-bit integer in any base, as the C conversion with base 0:
// "0x" hexadecimal, a leading zero octal, else decimal; saturates.
long TextToLongAnyBase(std::string_view text);

// The whole text as a number by the program's rule: blanks around it, an
// optional sign, digits with an optional decimal point (at least one digit),
// an optional exponent. Nothing for anything else, such as "nan", "inf",
// hexadecimal, trailing letters or a value beyond the range of a double.
std::optional<double> ParseNumber(std::string_view text);
// The same for a whole number: decimal digits only, within the range of int.
std::optional<int> ParseInteger(std::string_view text);

// 1 when the first non-blank character is one of "1234567890.+-", 0 when it is
// another character, -1 for an empty or blank text.
int IsNumericText(std::string_view text);

// The text without the blanks (spaces, tabs, line ends) around it.
std::string_view TrimBlanks(std::string_view text);

// Lines one under another ("\n" between them), the empty ones left out.
std::string JoinedLines(const std::vector<std::string>& lines);

// Whether a text counts as a number: IsNumericText gives 1.
bool IsNumber(std::string_view text);

// Copies the first field of `line` into `out` (quotes removed; a comma inside
// quotes does not end the field) and returns the position after the separating
// comma, or 0 when the field was the last one.
std::size_t NextCsvField(std::string_view line, std::string& out);

// The k-th field (from 1) of a line: 1 found, 0 fewer fields, -1 empty line.
// A line longer than 2600 bytes shows "too many csv" and only its first 2600
// bytes are split.
int GetCsvField(std::string_view line, int k, std::string& out, Messages& messages);

// Convenience form of GetCsvField that returns the field (empty when missing).
std::string CsvField(std::string_view line, int k, Messages& messages);

int SignOf(int value);

// The text times `factor`, formatted by style 0 "%g", 1 "%.0f", 2 "%.1f",
// 3 "%.2f"; empty for a text that is not a number or an unknown style.
std::string FormatScaledNumber(std::string_view text, double factor, int style);

// The eight formats of a decimals setting; entry 7 is "%g".
inline constexpr std::array<const char*, 8> kDecimalsFormats = {"%2.0f", "%3.1f", "%4.2f", "%4.3f",
                                                                "%5.4f", "%6.5f", "%6.6f", "%g"};

// Format for n decimals, n taken as min(n, 6) (a negative n as 0).
const char* DecimalsFormat(int n);
// The narrower list of the page header block, indexed the same way.
const char* HeaderDecimalsFormat(int n);
// A fixed-point format with min(n + 1, 6) decimals.
std::string DecimalsPlusOneFormat(int n);

// printf-style formatting into a string. The decimal separator is always ".",
// whatever the process locale says.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for a format chosen at run time (decimals tables); one double.
std::string FormatNumber(std::string_view format, double value);

// A derived number with a run-time format, never written as a negative zero
// ("-0", "-0.00" become "0", "0.00"), nor as "inf" or "nan" (written as 0).
std::string FormatDerived(std::string_view format, double value);

// Formats the numbers of a template such as "Po=%4.2f-%4.2f" one conversion
// at a time with FormatDerived; "%%" gives "%". Conversions without a value
// left give nothing.
std::string FormatValues(std::string_view templ, std::initializer_list<double> values);

}  // namespace karnea
