#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "analysis/quality.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {
namespace {

// A test of twelve 60-second steps whose last three lie exactly on
// 1/V = 0.01 - 0.00001 P, with Po on row 2 (V1 = 100), Pf on row 9 and Pl on
// row 12, and results that sit inside every typical range.
struct CraftedTest : ::testing::Test {
    TestRecord test;
    Settings settings;
    void SetUp() override {
        settings.initialVolumeV0 = 535;
        const double p[] = {50, 100, 150, 200, 250, 300, 350, 400, 500, 600, 700, 800};
        const double v[] = {60, 100, 110, 120, 130, 140, 150, 165, 190, 250, 1 / 0.003, 500};
        for (int row = 1; row <= 12; ++row) {
            TestRow& r = test.testRows[row];
            r[testField::pm] = FormatText("%g", p[row - 1]);
            r[testField::p] = FormatText("%g", p[row - 1]);
            r[testField::vol30] = FormatText("%.9g", v[row - 1] - 2);
            r[testField::vol60] = FormatText("%.9g", v[row - 1]);
        }
        HeaderTexts& h = test.testHeader;
        h[header::poRow] = "2";
        h[header::pfRow] = "9";
        h[header::plRow] = "12";
        h[header::pfEffective] = "400";
        h[header::plValue] = "800";
        h[header::modulusValue] = "8000";
        h[header::fitMethod] = "1";
        const char* coefficients[] = {"0.17", "0.43", "-0.001", "1.2e-06", "-5.6e-10"};
        for (int n = 0; n < 5; ++n) {
            h[header::coefficient0 + n] = coefficients[n];
        }
        test.loadedCalibrationRows[1][calibrationField::pm] = "0";
        test.loadedCalibrationRows[1][calibrationField::vm] = "0";
    }
    std::vector<std::string> Codes() const {
        std::vector<std::string> codes;
        for (const QualityWarning& w : CheckTestQuality(test, settings)) {
            codes.push_back(w.code);
        }
        return codes;
    }
};

TEST_F(CraftedTest, LimitPressureByTheInverseVolumeMethod) {
    // Vs + 2 V1 = 535 + 200 = 735 cm3; 1/735 = 0.01 - 0.00001 P gives
    // P = 1000 - 100000/735 = 863.946 kN/m2, beyond the last reading.
    const LimitSuggestion s = SuggestLimitPressure(test, settings);
    ASSERT_TRUE(s.found);
    EXPECT_DOUBLE_EQ(s.limitVolume, 735);
    EXPECT_NEAR(s.pressure, 863.946, 0.001);
    EXPECT_EQ(s.steps, 3);
    EXPECT_NEAR(s.residual, 0, 1e-4);
    EXPECT_TRUE(s.extrapolated);

    // A reading off the line leaves a misfit; one reaching the limit volume
    // makes the answer an interpolation.
    test.testRows[11][testField::vol60] = "400";
    test.testRows[12][testField::vol60] = "800";
    const LimitSuggestion off = SuggestLimitPressure(test, settings);
    ASSERT_TRUE(off.found);
    EXPECT_GT(off.residual, 1);
    EXPECT_FALSE(off.extrapolated);
    EXPECT_LT(off.pressure, 800);
}

TEST_F(CraftedTest, NoLimitPressureWithoutItsInputs) {
    test.testHeader[header::pfRow] = "11";
    EXPECT_EQ(SuggestLimitPressure(test, settings).reason.english,
              "fewer than 2 steps follow the Pf row");
    test.testHeader[header::pfRow] = "0";
    EXPECT_EQ(SuggestLimitPressure(test, settings).reason.english, "no Pf row is chosen");
    test.testHeader[header::poRow] = "13";
    const LimitSuggestion none = SuggestLimitPressure(test, settings);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.reason.japanese, "Po の行が選ばれていません");

    // Po chosen after Pf (or on it): no suggestion, and the reason.
    test.testHeader[header::pfRow] = "9";
    for (const char* po : {"10", "9"}) {
        test.testHeader[header::poRow] = po;
        const LimitSuggestion reversed = SuggestLimitPressure(test, settings);
        EXPECT_FALSE(reversed.found) << po;
        EXPECT_EQ(reversed.reason.japanese, "Po の行が Pf の行より前にありません");
        EXPECT_EQ(reversed.reason.english, "the Po row does not come before the Pf row");
    }

    // Volumes that shrink as the pressure rises give no limit.
    test.testHeader[header::poRow] = "2";
    test.testHeader[header::pfRow] = "9";
    test.testRows[10][testField::vol60] = "900";
    test.testRows[12][testField::vol60] = "300";
    EXPECT_EQ(SuggestLimitPressure(test, settings).reason.english,
              "1/V does not fall as the pressure rises");
}

TEST_F(CraftedTest, EachWarningHasItsCause) {
    // Pl sits below the limit volume (500 < 735 cm3) and nothing else is off.
    EXPECT_EQ(Codes(), std::vector<std::string>{"pl-below-limit-volume"});
    test.testRows[12][testField::vol30] = "798";
    test.testRows[12][testField::vol60] = "800";
    EXPECT_TRUE(Codes().empty());

    test.testRows[4][testField::vol30] = "121";
    test.testRows[7][testField::vol30] = "150.5";
    test.testHeader[header::poRow] = "9";
    test.testHeader[header::plValue] = "2100";
    test.testHeader[header::modulusValue] = "50000";
    const std::vector<QualityWarning> warnings = CheckTestQuality(test, settings);
    std::vector<std::string> codes;
    for (const QualityWarning& w : warnings) {
        codes.push_back(w.code);
        EXPECT_FALSE(w.text.japanese.empty());
    }
    // Po on row 9 also raises the limit volume to 535 + 2 x 190 = 915 cm3.
    EXPECT_EQ(codes, (std::vector<std::string>{"negative-creep", "row-order", "pl-pf-ratio",
                                               "em-pl-ratio", "pl-below-limit-volume"}));
    EXPECT_EQ(warnings[0].text.english, "negative creep (V60\" - V30\") in rows 4, 7");
    EXPECT_EQ(warnings[1].text.english,
              "the Po, Pf and Pl rows are not in increasing order (Po 9, Pf 9, Pl 12)");
    EXPECT_EQ(warnings[2].text.japanese, "Pl/Pf′ = 5.25 が通常の範囲 1.2〜5 の外です (要確認)");
    EXPECT_EQ(warnings[3].text.english,
              "Em/Pl = 23.8 is outside the typical range 5 to 20 (review)");
}

// Readings against the pressure, and results that cannot be; the limit
// volume not reached is a note, after the faults.
TEST_F(CraftedTest, ReadingsAgainstThePressureAndImpossibleResults) {
    test.testRows[5][testField::pm] = "200";  // as on row 4
    test.testRows[8][testField::vol30] = "138";
    test.testRows[8][testField::vol60] = "140";  // below row 7's 150
    test.testHeader[header::modulusValue] = "-840";
    test.testHeader[header::pfEffective] = "0";
    EXPECT_EQ(Codes(), (std::vector<std::string>{"pressure-not-rising", "volume-falls",
                                                 "result-not-positive", "pl-below-limit-volume"}));
    const std::vector<QualityWarning> warnings = CheckTestQuality(test, settings);
    EXPECT_EQ(warnings[0].text.english,
              "the pressure Pm does not rise from the row before in rows 5 (= 4)");
    EXPECT_EQ(warnings[1].text.english, "the volume falls while the pressure rises in rows 8");
    EXPECT_EQ(warnings[2].text.english, "results of zero or below: Em = -840, Pf' = 0");
    EXPECT_FALSE(warnings[2].note);
    EXPECT_TRUE(warnings[3].note);
}

// Readings a test should not hold, each named with its row: a value that
// is no number (read as the shorter number it begins with), a volume below
// zero or falling within a step, a creep no ground gives (a mistyped
// reading), the same pressure twice, and a missing reading that ends the
// usable steps early, after which the rows are checked all the same.
TEST_F(CraftedTest, ReadingsAmissAreNamedWithTheirRows) {
    test.testHeader[header::depth] = Sjis("１２。５");
    test.testRows[3][testField::pm] = Sjis("150。5");
    test.testRows[4][testField::vol15] = "121";  // then V30" 118
    test.testRows[6][testField::vol15] = "-3";
    test.testRows[7][testField::vol60] = "863";  // V30" 148: a creep of 715
    test.testRows[8][testField::vol60] = "";     // the usable steps end at row 7
    test.testRows[11][testField::pm] = "600";    // as row 10, after the end
    const std::vector<QualityWarning> warnings = CheckTestQuality(test, settings);
    std::map<std::string, std::string> found;
    for (const QualityWarning& w : warnings) {
        found[w.code] = w.text.english;
    }
    EXPECT_EQ(found["unreadable-number"],
              "values that cannot be read as numbers: depth \"１２。５\", row 3 Pm \"150。5\"");
    EXPECT_EQ(found["usable-rows-end"],
              "row 8 has no 60\" reading (or corrected pressure P): the usable steps end before "
              "it, and the 4 rows after it are not analysed");
    EXPECT_EQ(found["negative-volume"], "negative volumes in rows 6 (-3)");
    EXPECT_EQ(found["volume-falls-in-row"],
              "a later reading of the step is below an earlier one in rows 4");
    EXPECT_EQ(found["large-creep"],
              "creep (V60\" - V30\") above a fifth of the probe volume (107.0 cm3) in rows 7 "
              "(715.0)");
    EXPECT_EQ(found["pressure-not-rising"],
              "the pressure Pm does not rise from the row before in rows 11 (= 10)");
}

// The creep is checked up to the reading the test measures with: the 120"
// one when the measuring time says so.
TEST_F(CraftedTest, CreepOfTheMeasuringTime) {
    const auto creep = [&] {
        for (const QualityWarning& w : CheckTestQuality(test, settings)) {
            if (w.code == std::string("negative-creep")) {
                return w.text.english;
            }
        }
        return std::string();
    };
    EXPECT_EQ(creep(), "");
    for (int row = 1; row <= 12; ++row) {
        TestRow& r = test.testRows[row];
        r[testField::vol120] = FormatText("%.9g", TextToDouble(r[testField::vol60]) + 1);
    }
    test.testRows[3][testField::vol120] = "100";  // below V30" = 108
    EXPECT_EQ(creep(), "");
    test.testHeader[header::measurementTime] = "1";
    EXPECT_EQ(creep(), "negative creep (V120\" - V30\") in rows 3");
}

// A ratio just outside its range is printed with the digits that show it.
TEST_F(CraftedTest, RatiosShowWhyTheyAreOutside) {
    const auto reason = [&](const char* code) {
        for (const QualityWarning& w : CheckTestQuality(test, settings)) {
            if (w.code == code) {
                return w.text.english;
            }
        }
        return std::string();
    };
    test.testHeader[header::pfEffective] = "400";
    test.testHeader[header::plValue] = "479.996";
    test.testHeader[header::modulusValue] = "9618.8";
    EXPECT_EQ(reason("pl-pf-ratio"),
              "Pl/Pf' = 1.19999 is outside the typical range 1.2 to 5 (review)");
    EXPECT_EQ(reason("em-pl-ratio"), "Em/Pl = 20.04 is outside the typical range 5 to 20 (review)");
    test.testHeader[header::plValue] = "2400";
    test.testHeader[header::modulusValue] = "4800";
    EXPECT_EQ(reason("pl-pf-ratio"),
              "Pl/Pf' = 6.00 is outside the typical range 1.2 to 5 (review)");
    EXPECT_EQ(reason("em-pl-ratio"), "Em/Pl = 2.0 is outside the typical range 5 to 20 (review)");
}

TEST_F(CraftedTest, FewStepsAndTheCalibration) {
    for (int row = 8; row <= 12; ++row) {
        test.testRows[row] = TestRow();
    }
    test.testHeader[header::coefficient3] = "_";
    std::vector<std::string> codes = Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), "few-steps"), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), "calibration-failed"), codes.end());
    // Linear interpolation needs no curve; no loaded rows at all is missing.
    test.testHeader[header::fitMethod] = "0";
    test.loadedCalibrationRows = CalibrationRows();
    codes = Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "calibration-failed"), 0);
    EXPECT_NE(std::find(codes.begin(), codes.end(), "calibration-missing"), codes.end());
    EXPECT_EQ(CheckTestQuality(test, settings).front().text.english,
              "only 7 usable pressure steps (fewer than 8)");
}

// A date that no calendar has is named with its texts; a real one, or none
// typed at all, says nothing.
TEST_F(CraftedTest, DatesThatAreNoDates) {
    HeaderTexts& h = test.testHeader;
    const auto dateWarning = [&] {
        for (const QualityWarning& w : CheckTestQuality(test, settings)) {
            if (w.code == "date-not-real") {
                return w.text.japanese;
            }
        }
        return std::string();
    };
    EXPECT_EQ(dateWarning(), "");
    h[header::dateYear] = "9";
    h[header::dateMonth] = "4";
    h[header::dateDay] = "5";
    EXPECT_EQ(dateWarning(),
              "測定年月日が暦にない日付です: 9 年 4 月 5 "
              "日（西暦1900年から2100年までの日付にして下さい）");
    h[header::dateEra] = Sjis("平成");
    EXPECT_EQ(dateWarning(), "");
    h[header::dateYear] = "32";  // 平成 ended in its 31st year
    EXPECT_NE(dateWarning(), "");
    h[header::dateEra] = Sjis("令和");
    h[header::dateYear] = "8";
    h[header::dateMonth] = "2";
    h[header::dateDay] = "29";  // 2026 is no leap year
    EXPECT_EQ(dateWarning(),
              "測定年月日が暦にない日付です: 令和 8 年 2 月 29 日（令和8年に2月29日はありません）");
    h[header::dateYear] = "6";  // 2024 is
    EXPECT_EQ(dateWarning(), "");
}

}  // namespace
}  // namespace karnea
