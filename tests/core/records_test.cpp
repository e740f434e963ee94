#include "records/records.h"

#include <gtest/gtest.h>

#include <set>

#include "document/workspace.h"

namespace karnea {
namespace {

TEST(Records, ClearEmptiesOnlyItsOwnRecord) {
    Workspace ws;
    ws.testHeader[header::surveyName] = "a";
    ws.testRows[120][testField::spare] = "0";
    ws.loadedCalibrationRows[40][calibrationField::vmCopy] = "1";
    ws.testCoefficients[7] = 3.0;
    ws.calibrationHeader[100] = "keep";
    ws.calibrationRows[1][calibrationField::pm] = "5";
    ws.calibrationCoefficients[0] = 2.0;

    ClearTestRecord(ws);
    EXPECT_EQ(ws.testHeader, HeaderTexts{});
    EXPECT_EQ(ws.testRows, TestRows{});
    EXPECT_EQ(ws.loadedCalibrationRows, CalibrationRows{});
    EXPECT_EQ(ws.testCoefficients, Coefficients{});
    EXPECT_EQ(ws.calibrationHeader[100], "keep");

    ClearCalibrationRecord(ws);
    EXPECT_EQ(ws.calibrationHeader, HeaderTexts{});
    EXPECT_EQ(ws.calibrationRows, CalibrationRows{});
    EXPECT_EQ(ws.calibrationCoefficients, Coefficients{});
}

TEST(Records, NumbersOutsideTheTablesAreRefused) {
    Workspace ws;
    EXPECT_THROW(ws.testHeader[0], std::out_of_range);
    EXPECT_THROW(ws.testHeader[101], std::out_of_range);
    EXPECT_THROW(ws.testRows[121], std::out_of_range);
    EXPECT_THROW(ws.calibrationRows[1][4], std::out_of_range);
}

TEST(Records, CountsStopAtTheFirstRowThatIsNotANumber) {
    Workspace ws;
    for (int r = 1; r <= 5; ++r) {
        ws.testRows[r][testField::pm] = "10";
    }
    ws.testRows[3][testField::pm] = "x1";
    EXPECT_EQ(CountTestRows(ws, testField::pm), 2);
    ws.testRows[3][testField::pm] = "";
    EXPECT_EQ(CountTestRows(ws, testField::pm), 2);
    ws.testRows[3][testField::pm] = " -";
    EXPECT_EQ(CountTestRows(ws, testField::pm), 5);
    EXPECT_EQ(CountTestRows(ws, testField::vol15), 0);
    for (int r = 1; r <= kTestRowCount; ++r) {
        ws.testRows[r][testField::dv] = "0";
    }
    EXPECT_EQ(CountTestRows(ws, testField::dv), 120);

    ws.calibrationRows[1][calibrationField::vm] = "1";
    ws.calibrationRows[2][calibrationField::vm] = "2";
    ws.calibrationRows[4][calibrationField::vm] = "4";
    EXPECT_EQ(CountCalibrationRows(ws, calibrationField::vm), 2);
}

TEST(Records, CoefficientsComeFromHeaderTexts25To29) {
    Workspace ws;
    ws.testHeader[header::coefficient0] = "1.5";
    ws.testHeader[header::coefficient4] = "-2e-3";
    ws.testHeader[header::coefficient1] = "_";
    ws.testCoefficients[6] = 9.0;
    LoadTestCoefficients(ws);
    EXPECT_DOUBLE_EQ(ws.testCoefficients[0], 1.5);
    EXPECT_DOUBLE_EQ(ws.testCoefficients[1], 0.0);
    EXPECT_DOUBLE_EQ(ws.testCoefficients[4], -0.002);
    EXPECT_DOUBLE_EQ(ws.testCoefficients[6], 9.0);  // only 0..4 are loaded

    ws.calibrationHeader[header::coefficient2] = "3";
    LoadCalibrationCoefficients(ws);
    EXPECT_DOUBLE_EQ(ws.calibrationCoefficients[2], 3.0);
}

TEST(Records, CalibrationScaleDefaults) {
    const auto scales = [](const Workspace& ws) {
        return ws.calibrationHeader[54] + "/" + ws.calibrationHeader[55] + "/" +
               ws.calibrationHeader[56] + "/" + ws.calibrationHeader[57];
    };
    Workspace ws;
    ApplyCalibrationScaleDefaults(ws);
    EXPECT_EQ(scales(ws), "0/300/0/800");

    ws.calibrationHeader[54] = "10";
    ws.calibrationHeader[55] = "150";
    ws.calibrationHeader[56] = "5";
    ws.calibrationHeader[57] = "700";
    ApplyCalibrationScaleDefaults(ws);
    EXPECT_EQ(scales(ws), "10/150/5/700");

    ws.calibrationHeader[57] = "0.5";
    ApplyCalibrationScaleDefaults(ws);
    EXPECT_EQ(scales(ws), "0/300/0/800");

    ws.calibrationHeader[55] = "abc";
    ApplyCalibrationScaleDefaults(ws);
    EXPECT_EQ(scales(ws), "0/300/0/800");
}

TEST(Records, TestScalesOfAnEmptyRecordGetTheStandardValues) {
    Workspace ws;
    NormalizeTestScales(ws);
    const HeaderTexts& h = ws.testHeader;
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
    Workspace ws;
    HeaderTexts& h = ws.testHeader;
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
    NormalizeTestScales(ws);
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
    NormalizeTestScales(ws);
    EXPECT_EQ(h[header::pAxisStep], "2147483647");
    h[header::dvAxisMax] = "2000";
    NormalizeTestScales(ws);
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
