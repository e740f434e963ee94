#include "base/textfields.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/messages.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

TEST(NumericText, DecidesByFirstNonBlankCharacter) {
    EXPECT_EQ(IsNumericText(""), -1);
    EXPECT_EQ(IsNumericText(" \t\r\n\v\f"), -1);
    EXPECT_EQ(IsNumericText("  -"), 1);
    EXPECT_EQ(IsNumericText(".5"), 1);
    EXPECT_EQ(IsNumericText("+"), 1);
    EXPECT_EQ(IsNumericText("12abc"), 1);
    EXPECT_EQ(IsNumericText("!12"), 0);
    EXPECT_EQ(IsNumericText("abc"), 0);
    // "Ｎｏ．" and a leading full-width space are not numbers.
    EXPECT_EQ(IsNumericText("\x82\x6d\x82\x8f\x81\x44"), 0);
    EXPECT_EQ(IsNumericText("\x81\x40"
                            "12"),
              0);
}

TEST(PlainConversions, FollowTheCConversionsWithoutLocaleOrHex) {
    EXPECT_DOUBLE_EQ(TextToDouble("  -12.5e2xyz"), -1250.0);
    EXPECT_DOUBLE_EQ(TextToDouble("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(TextToDouble("3."), 3.0);
    EXPECT_DOUBLE_EQ(TextToDouble("1e"), 1.0);
    EXPECT_DOUBLE_EQ(TextToDouble("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(TextToDouble("2E-1"), 0.2);
    EXPECT_DOUBLE_EQ(TextToDouble("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("abc"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("-"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("."), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("inf"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("1,5"), 1.0);
    EXPECT_TRUE(std::isinf(TextToDouble("1e999")));
    EXPECT_DOUBLE_EQ(TextToDouble("1e-999"), 0.0);

    EXPECT_EQ(TextToInt(" -42.9"), -42);
    EXPECT_EQ(TextToInt("+7x"), 7);
    EXPECT_EQ(TextToInt("x7"), 0);
    EXPECT_EQ(TextToInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(TextToInt("-99999999999999999999"), -2147483647 - 1);
}

// A box's whole text as a number: what the prefix conversion reads past
// (trailing letters) and what other conversions take (nan, inf, hex) is no
// number here.
TEST(WholeNumbers, OnlyTheProgramsNumberRule) {
    EXPECT_EQ(ParseNumber(" -12.5e2 "), -1250.0);
    EXPECT_EQ(ParseNumber("+.5"), 0.5);
    EXPECT_EQ(ParseNumber("3."), 3.0);
    EXPECT_EQ(ParseNumber("1e-999"), 0.0);
    for (const char* refused : {"", " ", "nan", "NaN", "inf", "-infinity", "0x10", "1e", "1e+",
                                "5x", "1,5", "-", ".", "1e999", "1 2", "\x82\x54"}) {
        EXPECT_EQ(ParseNumber(refused), std::nullopt) << refused;
    }
    EXPECT_EQ(ParseInteger(" +42 "), 42);
    EXPECT_EQ(ParseInteger("-2147483648"), INT_MIN);
    for (const char* refused : {"2.5", "1e2", "2147483648", "99999999999999999999", "x", ""}) {
        EXPECT_EQ(ParseInteger(refused), std::nullopt) << refused;
    }
}

TEST(CsvFields, SplitAtCommasOutsideQuotes) {
    RecordedMessages m;
    std::string out = "old";
    EXPECT_EQ(GetCsvField("1,\"a,b\",3", 2, out, m), 1);
    EXPECT_EQ(out, "a,b");
    EXPECT_EQ(GetCsvField("1,\"a,b\",3", 3, out, m), 1);
    EXPECT_EQ(out, "3");
    EXPECT_EQ(GetCsvField("1,2", 3, out, m), 0);
    EXPECT_EQ(out, "");
    // The empty field after a final comma is not counted.
    EXPECT_EQ(GetCsvField("a,", 2, out, m), 0);
    EXPECT_EQ(GetCsvField("", 1, out, m), -1);
    // Blanks are kept; an empty middle field is a field.
    EXPECT_EQ(GetCsvField(" x ,,y", 1, out, m), 1);
    EXPECT_EQ(out, " x ");
    EXPECT_EQ(GetCsvField(" x ,,y", 2, out, m), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(GetCsvField(" x ,,y", 3, out, m), 1);
    EXPECT_EQ(out, "y");
    // A line feed ends the last field.
    EXPECT_EQ(GetCsvField("a,b\nc,d", 2, out, m), 1);
    EXPECT_EQ(out, "b");
    EXPECT_EQ(GetCsvField("a,b\nc,d", 3, out, m), 0);
    EXPECT_TRUE(m.shown.empty());
}

TEST(CsvFields, NextFieldReportsWhereTheRestStarts) {
    std::string out;
    EXPECT_EQ(NextCsvField("ab,cd", out), 3u);
    EXPECT_EQ(out, "ab");
    EXPECT_EQ(NextCsvField("cd", out), 0u);
    EXPECT_EQ(out, "cd");
    EXPECT_EQ(NextCsvField("\"x,y\"z,w", out), 7u);
    EXPECT_EQ(out, "x,yz");
}

TEST(CsvFields, LongLineIsCutAndReportedOnEveryRequest) {
    RecordedMessages m;
    const std::string line = std::string(2598, 'a') + ",bc,d";
    std::string out;
    EXPECT_EQ(GetCsvField(line, 2, out, m), 1);
    EXPECT_EQ(out, "b");  // only the first 2600 bytes are split
    EXPECT_EQ(GetCsvField(line, 3, out, m), 0);
    ASSERT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(m.shown[0], "too many csv");
    EXPECT_EQ(GetCsvField(std::string(2600, 'a'), 1, out, m), 1);
    EXPECT_EQ(m.shown.size(), 2u);
}

TEST(NumberTexts, ScaledNumbersAndFormats) {
    EXPECT_EQ(FormatScaledNumber("2.5", 100, 0), "250");
    EXPECT_EQ(FormatScaledNumber("2.5", 100, 2), "250.0");
    EXPECT_EQ(FormatScaledNumber("1.234", 1, 3), "1.23");
    EXPECT_EQ(FormatScaledNumber("1.5", 1, 1), "2");
    EXPECT_EQ(FormatScaledNumber("a2.5", 100, 0), "");
    EXPECT_EQ(FormatScaledNumber("", 100, 0), "");
    EXPECT_EQ(FormatScaledNumber("2", 1, 4), "");

    EXPECT_STREQ(DecimalsFormat(0), "%2.0f");
    EXPECT_STREQ(DecimalsFormat(3), "%4.3f");
    EXPECT_STREQ(DecimalsFormat(9), "%6.6f");
    EXPECT_STREQ(DecimalsFormat(-1), "%2.0f");
    EXPECT_STREQ(kDecimalsFormats[7], "%g");
    EXPECT_STREQ(HeaderDecimalsFormat(0), "%1.0f");
    EXPECT_STREQ(HeaderDecimalsFormat(8), "%f");
    EXPECT_EQ(DecimalsPlusOneFormat(2), "%.3f");
    EXPECT_EQ(DecimalsPlusOneFormat(6), "%.6f");
    EXPECT_EQ(DecimalsPlusOneFormat(-5), "%.0f");
    EXPECT_EQ(DecimalsPlusOneFormat(2147483647), "%.6f");  // no overflow into 0 decimals
    EXPECT_EQ(SignOf(-3), -1);
    EXPECT_EQ(SignOf(0), 0);
    EXPECT_EQ(SignOf(12), 1);
}

// The number formats are written without printf where they can be; the
// digits must be printf's, rounding included.
TEST(NumberTexts, FormatsGivePrintfsDigits) {
    std::mt19937_64 random(20261208);
    std::vector<double> values = {0,    -0.0,   0.5,     1.5,  2.5,    0.125, 0.375,   1e-7,
                                  1e-5, 123456, 1234567, 1e21, 5e-324, 1e300, -99.995, 0.045};
    for (int i = 0; i < 2000; ++i) {
        const double mantissa = static_cast<double>(random() % 2000001) / 1000 - 1000;
        values.push_back(mantissa * std::pow(10.0, static_cast<int>(random() % 13) - 6));
    }
    const char* formats[] = {"%2.0f", "%3.1f", "%4.2f", "%4.3f", "%5.4f", "%6.5f", "%6.6f",
                             "%g",    "%1.0f", "%f",    "%.3f",  "%.1f",  "%1.2f", "%12.1g"};
    for (const double v : values) {
        for (const char* format : formats) {
            char expected[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            std::snprintf(expected, sizeof expected, format, v);
#pragma GCC diagnostic pop
            ASSERT_EQ(FormatNumber(format, v), expected) << format << " of " << v;
        }
    }
}

TEST(NumberTexts, FormattingIgnoresTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    }
    EXPECT_EQ(FormatNumber("%g", 2.5), "2.5");
    EXPECT_EQ(FormatText("%.2f", 0.25), "0.25");
    EXPECT_DOUBLE_EQ(TextToDouble("2.5"), 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
}

}  // namespace
}  // namespace karnea
