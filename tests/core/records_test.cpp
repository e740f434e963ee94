#include "records/records.h"
#include "records/choices.h"

#include <gtest/gtest.h>

#include <set>

namespace karnea {
namespace {

TEST(Records, ClearEmptiesOnlyItsOwnRecord) {
    TestRecord test;
    CalibrationRecord calibration;
    test.testHeader[header::surveyName] = "a";
    test.testRows[120][testField::spare] = "0";
    test.loadedCalibrationRows[40][calibrationField::vmCopy] = "1";
    test.testCoefficients[7] = 3.0;
    calibration.calibrationHeader[100] = "keep";
    calibration.calibrationRows[1][calibrationField::pm] = "5";
    calibration.calibrationCoefficients[0] = 2.0;

    ClearTestRecord(test);
    EXPECT_EQ(test.testHeader, HeaderTexts{});
    EXPECT_EQ(test.testRows, TestRows{});
    EXPECT_EQ(test.loadedCalibrationRows, CalibrationRows{});
    EXPECT_EQ(test.testCoefficients, Coefficients{});
    EXPECT_EQ(calibration.calibrationHeader[100], "keep");

    ClearCalibrationRecord(calibration);
    EXPECT_EQ(calibration.calibrationHeader, HeaderTexts{});
    EXPECT_EQ(calibration.calibrationRows, CalibrationRows{});
    EXPECT_EQ(calibration.calibrationCoefficients, Coefficients{});
}

TEST(Records, NumbersOutsideTheTablesAreRefused) {
    TestRecord test;
    CalibrationRecord calibration;
    EXPECT_THROW(test.testHeader[0], std::out_of_range);
    EXPECT_THROW(test.testHeader[101], std::out_of_range);
    EXPECT_THROW(test.testRows[121], std::out_of_range);
    EXPECT_THROW(calibration.calibrationRows[1][4], std::out_of_range);
}

TEST(Records, CountsStopAtTheFirstRowThatIsNotANumber) {
    TestRecord test;
    CalibrationRecord calibration;
    for (int r = 1; r <= 5; ++r) {
        test.testRows[r][testField::pm] = "10";
    }
    test.testRows[3][testField::pm] = "x1";
    EXPECT_EQ(CountTestRows(test.testRows, testField::pm), 2);
    test.testRows[3][testField::pm] = "";
    EXPECT_EQ(CountTestRows(test.testRows, testField::pm), 2);
    test.testRows[3][testField::pm] = " -";
    EXPECT_EQ(CountTestRows(test.testRows, testField::pm), 5);
    EXPECT_EQ(CountTestRows(test.testRows, testField::vol15), 0);
    for (int r = 1; r <= kTestRowCount; ++r) {
        test.testRows[r][testField::dv] = "0";
    }
    EXPECT_EQ(CountTestRows(test.testRows, testField::dv), 120);

    calibration.calibrationRows[1][calibrationField::vm] = "1";
    calibration.calibrationRows[2][calibrationField::vm] = "2";
    calibration.calibrationRows[4][calibrationField::vm] = "4";
    EXPECT_EQ(CountCalibrationRows(calibration.calibrationRows, calibrationField::vm), 2);
}

TEST(Records, CoefficientsComeFromHeaderTexts25To29) {
    TestRecord test;
    CalibrationRecord calibration;
    test.testHeader[header::coefficient0] = "1.5";
    test.testHeader[header::coefficient4] = "-2e-3";
    test.testHeader[header::coefficient1] = "_";
    test.testCoefficients[6] = 9.0;
    LoadTestCoefficients(test);
    EXPECT_DOUBLE_EQ(test.testCoefficients[0], 1.5);
    EXPECT_DOUBLE_EQ(test.testCoefficients[1], 0.0);
    EXPECT_DOUBLE_EQ(test.testCoefficients[4], -0.002);
    EXPECT_DOUBLE_EQ(test.testCoefficients[6], 9.0);  // only 0..4 are loaded

    calibration.calibrationHeader[header::coefficient2] = "3";
    LoadCalibrationCoefficients(calibration);
    EXPECT_DOUBLE_EQ(calibration.calibrationCoefficients[2], 3.0);
}

TEST(Records, CalibrationScaleDefaults) {
    const auto scales = [](const CalibrationRecord& c) {
        const HeaderTexts& h = c.calibrationHeader;
        return h[54] + "/" + h[55] + "/" + h[56] + "/" + h[57];
    };
    TestRecord test;
    CalibrationRecord calibration;
    ApplyCalibrationScaleDefaults(calibration);
    EXPECT_EQ(scales(calibration), "0/300/0/800");

    calibration.calibrationHeader[54] = "10";
    calibration.calibrationHeader[55] = "150";
    calibration.calibrationHeader[56] = "5";
    calibration.calibrationHeader[57] = "700";
    ApplyCalibrationScaleDefaults(calibration);
    EXPECT_EQ(scales(calibration), "10/150/5/700");

    calibration.calibrationHeader[57] = "0.5";
    ApplyCalibrationScaleDefaults(calibration);
    EXPECT_EQ(scales(calibration), "0/300/0/800");

    calibration.calibrationHeader[55] = "abc";
    ApplyCalibrationScaleDefaults(calibration);
    EXPECT_EQ(scales(calibration), "0/300/0/800");
}

TEST(Records, TestScalesOfAnEmptyRecordGetTheStandardValues) {
    TestRecord test;
    CalibrationRecord calibration;
    NormalizeTestScales(test);
    const HeaderTexts& h = test.testHeader;
    EXPECT_EQ(h[header::vAxisMin], "0");
    EXPECT_EQ(h[header::vAxisMax], "600");
    EXPECT_EQ(h[header::vAxisStep], "100");
    EXPECT_EQ(h[header::pAxisMin], "0");
    EXPECT_EQ(h[header::pAxisMax], "1200");
    EXPECT_EQ(h[header::pAxisStep], "100");
    EXPECT_EQ(h[header::dvAxisMin], "0");
    EXPECT_EQ(h[header::dvAxisMax], "120");
    EXPECT_EQ(h[header::dvAxisStep], "10");
    EXPECT_EQ(h[header::gridDivisionsV], "12");
    EXPECT_EQ(h[header::gridDivisionsP], "12");
}

TEST(Records, TestScalesKeepUsableValuesAndFixTheRest) {
    TestRecord test;
    CalibrationRecord calibration;
    HeaderTexts& h = test.testHeader;
    h[header::vAxisMin] = "50";
    h[header::vAxisMax] = "700.5";
    h[header::vAxisStep] = "0.05";
    h[header::pAxisMin] = "100";
    h[header::pAxisMax] = "1000";
    h[header::pAxisStep] = "250";
    h[header::dvAxisMax] = "2001";
    h[header::dvAxisStep] = "-5";
    h[header::gridDivisionsV] = "8";
    h[header::gridDivisionsP] = "0";
    NormalizeTestScales(test);
    EXPECT_EQ(h[header::vAxisMin], "0");
    EXPECT_EQ(h[header::vAxisMax], "700.5");
    EXPECT_EQ(h[header::vAxisStep], "116");  // truncated (700.5 - 0) / 6
    EXPECT_EQ(h[header::pAxisMin], "0");
    EXPECT_EQ(h[header::pAxisStep], "250");
    EXPECT_EQ(h[header::dvAxisMax], "120");
    EXPECT_EQ(h[header::dvAxisStep], "10");
    EXPECT_EQ(h[header::gridDivisionsV], "8");
    EXPECT_EQ(h[header::gridDivisionsP], "12");

    // An absurd maximum still gives a representable step.
    h[header::pAxisMax] = "1e300";
    h[header::pAxisStep] = "";
    NormalizeTestScales(test);
    EXPECT_EQ(h[header::pAxisStep], "2147483647");
    h[header::dvAxisMax] = "2000";
    NormalizeTestScales(test);
    EXPECT_EQ(h[header::dvAxisMax], "2000");
}

TEST(Records, StepVolumeFollowsTheMeasurementTime) {
    HeaderTexts h;
    EXPECT_EQ(StepVolumeField(h), testField::vol60);
    h[header::measurementTime] = "0";
    EXPECT_EQ(StepVolumeField(h), testField::vol60);
    h[header::measurementTime] = "1";
    EXPECT_EQ(StepVolumeField(h), testField::vol120);
    h[header::measurementTime] = "3";
    EXPECT_EQ(StepVolumeField(h), testField::vol120);
    h[header::measurementTime] = "-1";
    EXPECT_EQ(StepVolumeField(h), testField::vol60);
}

TEST(Records, HeaderNamesAreUniqueAndMatchTheirNumbers) {
    std::set<std::string_view> names;
    int named = 0;
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        const HeaderTextInfo& info = HeaderTextInfoOf(n);
        EXPECT_FALSE(info.caption.empty()) << n;
        if (!info.name.empty()) {
            ++named;
            EXPECT_TRUE(names.insert(info.name).second) << info.name;
        }
    }
    EXPECT_EQ(named, 74);
    EXPECT_EQ(HeaderTextInfoOf(header::depth).name, "depth");
    EXPECT_EQ(HeaderTextInfoOf(header::conversionStamp).name, "conversionStamp");
    EXPECT_EQ(HeaderTextInfoOf(14).name, "");
}

}  // namespace
}  // namespace karnea
