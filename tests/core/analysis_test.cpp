#include <gtest/gtest.h>

#include <cmath>

#include "analysis/calibration.h"
#include "analysis/modulus.h"
#include "analysis/reduction.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

void SetCalibrationRow(CalibrationRows& rows, int r, double pm, double vm) {
    rows[r][calibrationField::pm] = FormatText("%g", pm);
    rows[r][calibrationField::vm] = FormatText("%g", vm);
    rows[r][calibrationField::vmCopy] = FormatText("%g", vm);
}

double Quartic(double x) {
    return 0.3 * x - 1e-3 * x * x + 2e-6 * x * x * x - 1e-9 * x * x * x * x;
}

TEST(CalibrationFit, RecoversAPolynomialThroughTheOrigin) {
    CalibrationRecord calibration;
    for (int r = 1; r <= 8; ++r) {
        SetCalibrationRow(calibration.calibrationRows, r, Quartic(r * 60.0), r * 60.0);
    }
    RecordedMessages m;
    ASSERT_EQ(FitCalibrationPolynomial(calibration, true, m), kFitDone);
    const Coefficients& c = calibration.calibrationCoefficients;
    EXPECT_NEAR(c[0], 0.0, 1e-3);
    EXPECT_NEAR(c[1], 0.3, 1e-5);
    EXPECT_NEAR(c[2], -1e-3, 1e-7);
    EXPECT_NEAR(c[4], -1e-9, 1e-12);
    EXPECT_EQ(calibration.calibrationHeader[header::coefficient1], FormatText("%g", c[1]));
    EXPECT_NEAR(EvaluateCalibrationPolynomial(250, c), Quartic(250), 1e-3);
    EXPECT_TRUE(m.shown.empty());
}

TEST(CalibrationFit, TooFewOrDegeneratePointsLeaveNoCurve) {
    CalibrationRecord calibration;
    for (int r = 1; r <= 5; ++r) {
        SetCalibrationRow(calibration.calibrationRows, r, r * 10.0, r * 100.0);
    }
    calibration.calibrationCoefficients[2] = 7;
    RecordedMessages m;
    EXPECT_EQ(FitCalibrationPolynomial(calibration, false, m), kFitTooFewPoints);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(FitCalibrationPolynomial(calibration, true, m), kFitTooFewPoints);
    EXPECT_EQ(m.shown, std::vector<std::string>{"高次回帰はデータ数不足で計算できません"});
    EXPECT_DOUBLE_EQ(calibration.calibrationCoefficients[2], 0.0);
    EXPECT_EQ(calibration.calibrationHeader[header::coefficient4], "_");

    // Six points are enough.
    SetCalibrationRow(calibration.calibrationRows, 6, 65.0, 620.0);
    EXPECT_EQ(FitCalibrationPolynomial(calibration, true, m), kFitDone);

    // Without vmCopy there are no points at all.
    for (CalibrationRow& row : calibration.calibrationRows) {
        row[calibrationField::vmCopy].clear();
    }
    EXPECT_EQ(FitCalibrationPolynomial(calibration, false, m), kFitTooFewPoints);

    // Six rows on three volumes cannot carry a quartic.
    CalibrationRecord flat;
    const double volumes[] = {100, 100, 200, 200, 300, 300};
    for (int r = 1; r <= 6; ++r) {
        SetCalibrationRow(flat.calibrationRows, r, r * 5.0, volumes[r - 1]);
    }
    EXPECT_EQ(FitCalibrationPolynomial(flat, true, m), kFitSingular);
    EXPECT_EQ(flat.calibrationHeader[header::coefficient0], "_");
    EXPECT_EQ(m.shown.size(), 1u);

    // Volumes beyond the range of doubles give no curve, not "nan".
    CalibrationRecord huge;
    for (int r = 1; r <= 6; ++r) {
        SetCalibrationRow(huge.calibrationRows, r, r, std::pow(10.0, 70 * r));
    }
    EXPECT_NE(FitCalibrationPolynomial(huge, false, m), kFitDone);
    EXPECT_EQ(huge.calibrationHeader[header::coefficient0], "_");
}

TEST(CalibrationCurve, LinearInterpolationInTheLoadedRows) {
    CalibrationRows loaded;
    SetCalibrationRow(loaded, 1, 10, 100);
    SetCalibrationRow(loaded, 2, 20, 200);
    SetCalibrationRow(loaded, 3, 25, 0);
    loaded[3][calibrationField::vm] = "200.0005";  // within 0.001
    SetCalibrationRow(loaded, 4, 40, 400);
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(loaded, 50), 10);  // below the first point
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(loaded, 150), 15);
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(loaded, 200), 20);
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(loaded, 200.0003), 25);
    EXPECT_NEAR(InterpolateCalibrationRows(loaded, 300), 32.5, 1e-4);
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(loaded, 401), kMissingValue);

    CalibrationRows full;
    for (int r = 1; r <= 40; ++r) {
        SetCalibrationRow(full, r, r, r * 10.0);
    }
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(full, 395), 39);  // row 40 is never used
    EXPECT_DOUBLE_EQ(InterpolateCalibrationRows(full, 1e9), 39);

    const Coefficients c = {1, 2, 3, 4, 5};
    EXPECT_DOUBLE_EQ(EvaluateCalibrationPolynomial(2, c), 1 + 4 + 12 + 32 + 80);
}

TEST(Reduction, WaterAndHoseHeadPressures) {
    EXPECT_EQ(ComputeWaterPressureText("-10", "-2", "100.0"), "80");
    EXPECT_EQ(ComputeHoseHeadText("-10", "1.2", "100.0"), "112");
    EXPECT_EQ(ComputeWaterPressureText("-10", "-12", "100.0"), "0.0");  // water below the probe
    EXPECT_EQ(ComputeWaterPressureText("-10", "", "100.0"), "100");     // empty: at the surface
    EXPECT_EQ(ComputeWaterPressureText("-10", "x", "100.0"), "100");
    EXPECT_EQ(ComputeWaterPressureText("-5", "-5", "100.0"), "0");  // never "-0"
    EXPECT_EQ(ComputeWaterPressureText("", "-5", "100.0"), "");
    EXPECT_EQ(ComputeHoseHeadText("-10", "", "100.0"), "");
    EXPECT_EQ(ComputeHoseHeadText("5", "0", "100.0"), "-50");              // no lower clamp
    EXPECT_EQ(ComputeHoseHeadText("-1.2345", "0", "98.0665"), "12.0622");  // 0.123 rounded first
}

class RowReduction : public ::testing::Test {
protected:
    void SetUp() override {
        SetCalibrationRow(test.loadedCalibrationRows, 1, 0, 0);
        SetCalibrationRow(test.loadedCalibrationRows, 2, 40, 400);
        test.testHeader[header::fitMethod] = "0";
        test.testHeader[header::measurementTime] = "0";
        TestRow& r = test.testRows[1];
        r[testField::pm] = "100";
        r[testField::vol15] = "90";
        r[testField::vol30] = "95";
        r[testField::vol60] = "100";
        r[testField::vol120] = "120";
    }
    std::string Fields(int row) {
        const TestRow& r = test.testRows[row];
        return r[6] + "|" + r[7] + "|" + r[8] + "|" + r[9] + "|" + r[10];
    }
    TestRecord test;
};

TEST_F(RowReduction, LinearMethodAndMeasurementTime) {
    ReduceReadingRow(test, 1, 12.5);
    EXPECT_EQ(Fields(1), "112.5|10|102.5|5|0");
    test.testHeader[header::measurementTime] = "1";
    ReduceReadingRow(test, 1, 12.5);
    EXPECT_EQ(Fields(1), "112.5|12|100.5|25|0");
    // Beyond the last calibration point: no Pi, no P.
    test.testRows[1][testField::vol120] = "500";
    ReduceReadingRow(test, 1, 0);
    EXPECT_EQ(Fields(1), "100|||405|0");
}

TEST_F(RowReduction, RegressionMethodAndMissingReadings) {
    test.testHeader[header::fitMethod] = "1";
    ReduceReadingRow(test, 1, 0);  // a failed fit: all coefficients 0
    EXPECT_EQ(Fields(1), "100|0|100|5|0");
    test.testCoefficients = {1, 0.1, 0, 0, 0};
    ReduceReadingRow(test, 1, 0);
    EXPECT_EQ(Fields(1), "100|11|89|5|0");
    test.testRows[1][testField::vol60] = "";
    ReduceReadingRow(test, 1, 0);
    EXPECT_EQ(Fields(1), "100||||0");
    test.testRows[1][testField::vol60] = "100";
    test.testRows[1][testField::vol30] = "";
    ReduceReadingRow(test, 1, 0);
    EXPECT_EQ(Fields(1), "100|11|89||0");
    test.testRows[1][testField::pm] = "1e999";
    ReduceReadingRow(test, 1, 0);
    EXPECT_EQ(Fields(1), "|11|||0");  // never "inf"
}

TEST_F(RowReduction, RecomputationChecksTheLoadedCalibration) {
    test.testRows[2][testField::pm] = "200";
    test.testRows[2][testField::vol60] = "200";
    test.testRows[4][testField::pm] = "300";  // after a gap: not reduced
    test.testHeader[header::pz] = "10";
    RecordedMessages m;
    RecomputeTestRows(test, m);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(test.testRows[2][testField::p], "190");
    EXPECT_EQ(test.testRows[4][testField::pmPlusPz], "");

    test.loadedCalibrationRows[1][calibrationField::vm] = "";
    RecomputeTestRows(test, m);
    EXPECT_EQ(m.shown, std::vector<std::string>{"CALのデータが異常です"});
    EXPECT_EQ(test.testRows[1][testField::pi], "");
    EXPECT_EQ(test.testRows[1][testField::pmPlusPz], "110");
}

class Modulus : public ::testing::Test {
protected:
    // Po at row 2 (V 230, P 200), Pf at row 4 (V 270, P 350), Pl at row 5;
    // Pw 80, nu 0.3: Vm 250, dP 150, dV 40.
    void SetUp() override {
        ApplyStandardSettings(settings);
        test.testHeader[header::pw] = "80";
        test.testHeader[header::poissonRatio] = "0.3";
        test.testHeader[header::volumeLossFlag] = "0";
        const double v[] = {200, 230, 250, 270, 400};
        const double p[] = {150, 200, 280, 350, 500};
        for (int r = 1; r <= 5; ++r) {
            test.testRows[r][testField::vol60] = FormatText("%g", v[r - 1]);
            test.testRows[r][testField::p] = FormatText("%g", p[r - 1]);
        }
    }
    AnalysisResult Run(int po, int pf, const char* pl = "500.000") {
        AnalysisChoice c;
        c.poRow = po;
        c.pfRow = pf;
        c.plRow = 5;
        c.poP = test.testRows[po > 0 && po <= 5 ? po : 1][testField::p];
        c.pfP = test.testRows[pf > 0 && pf <= 5 ? pf : 1][testField::p];
        c.plP = pl;
        return ComputeModulus(test, settings, c);
    }
    std::string Lines(const AnalysisResult& r, bool hidePl = false, int sign = 1) {
        CalculationLines lines = {"a", "b", "c", "d", "e", "f"};
        FormatCalculationLines(settings, r, hidePl, sign, lines);
        std::string all;
        for (const std::string& l : lines) {
            all += Cp932ToUtf8(l) + "\n";
        }
        return all;
    }
    TestRecord test;
    Settings settings;
};

TEST_F(Modulus, StandardFormula) {
    const AnalysisResult r = Run(2, 4);
    EXPECT_EQ(r.usableRows, 5);
    EXPECT_DOUBLE_EQ(r.poEffective, 120);
    EXPECT_DOUBLE_EQ(r.pfEffective, 270);
    EXPECT_DOUBLE_EQ(r.pl, 500);  // Pw is not subtracted from Pl
    EXPECT_DOUBLE_EQ(r.meanVolume, 250);
    EXPECT_NEAR(r.em, 785.0 * 150 * 1.3 * 2 / 40, 1e-9);
    EXPECT_EQ(Lines(r),
              "Po=200.00-80.00\nPf=350.00-80.00\nPl=500.00\n"
              "dP=270.00-120.00=150.00 dV=270.00-230.00=40.00\n"
              "Ｅm=2･1.30･(535.00+250.00)(150.00/40.00)\n  =7653.75\n");
    EXPECT_NE(Lines(r, true, 0).find("Pf=350.00-80.00\n\ndP="), std::string::npos);
    EXPECT_NE(Lines(r, true, 0).find("Ｅm=21.30(535.00"), std::string::npos);
    EXPECT_NE(Lines(r, false, 2).find("Ｅm=2x1.30x("), std::string::npos);
    EXPECT_NE(Lines(r, false, 9).find("Ｅm=2*1.30*("), std::string::npos);
}

TEST_F(Modulus, VolumeLossCorrection) {
    test.testHeader[header::volumeLossFlag] = "1";
    settings.compressionA = 0.05;
    const AnalysisResult r = Run(2, 4);
    EXPECT_NEAR(r.em, 785.0 * 1.3 * 2 / (40.0 / 150 - 0.05), 1e-9);
    EXPECT_NE(Lines(r).find("Ｅm=2･1.30･(535.00+250.00)/(40.00/150.00-0.05)\n  =9420.00"),
              std::string::npos);
    settings.compressionA = 0.3;  // dV/dP - a <= 0.001
    EXPECT_FALSE(Run(2, 4).emComputed);
    EXPECT_EQ(Run(2, 4).emMissing, "補正後の dV/dP − a が 0 以下のため Em を計算できません");
    EXPECT_EQ(Run(2, 2).emMissing, "dP が 0 のため Em を計算できません");
}

TEST_F(Modulus, GuardsOfTheCalculation) {
    // The same row for Po and Pf: no Em, the differences still written.
    AnalysisResult same = Run(2, 2);
    EXPECT_FALSE(same.emComputed);
    EXPECT_EQ(same.emMissing, "dV が 0 のため Em を計算できません");
    EXPECT_EQ(Run(2, 6).emMissing, "Po と Pf の行が有効な段階の中にないため Em を計算できません");
    EXPECT_EQ(Lines(same),
              "Po=200.00-80.00\nPf=200.00-80.00\nPl=500.00\n"
              "dP=120.00-120.00=0.00 dV=230.00-230.00=0.00\nＥm=\n\n");
    // A row beyond the usable ones stops at once.
    EXPECT_EQ(Lines(Run(2, 6)), "Po=\nPf=\nPl=0.00\ndP=           dV=\nＥm=\n\n");
    // A volume of 0.001 or less stops after the Po and Pf lines.
    test.testRows[2][testField::vol60] = "0.001";
    EXPECT_EQ(Lines(Run(2, 4, "")),
              "Po=200.00-80.00\nPf=350.00-80.00\nPl=\ndP=           dV=\nＥm=\n\n");
    // No usable rows: the lines stay as they were.
    test.testRows[1][testField::p] = "";
    EXPECT_EQ(Lines(Run(2, 4)), "a\nb\nc\nd\ne\nf\n");
}

TEST_F(Modulus, DecimalsAboveSixWriteSixDecimals) {
    settings.pointDecimals = 9;
    settings.dvDecimals = 0;
    settings.emDecimals = 7;
    const std::string lines = Lines(Run(2, 4));
    EXPECT_NE(lines.find("Po=200.000000-80.000000"), std::string::npos);
    EXPECT_NE(lines.find("dV=270-230=40"), std::string::npos);
    EXPECT_NE(lines.find("  =7653.750000"), std::string::npos);
}

}  // namespace
}  // namespace karnea
