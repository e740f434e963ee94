#include "analysis/reduction.h"

#include <cmath>

#include "analysis/calibration.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"

namespace karnea {
namespace {

// A metre of water weighs 0.1 kgf/cm2 (10 m of water make 1 kgf/cm2); the
// heights are turned into kgf/cm2 with it and then into kN/m2 with the SI
// coefficient C. Depths and levels below ground are negative, so the water
// above the probe is (level - depth) metres.
constexpr double kKgfPerCm2PerMetreOfWater = 0.1;

// A height difference in kgf/cm2, rounded as the program writes it ("%.3f").
double Rounded(double value) {
    return TextToDouble(FormatText("%.3f", value));
}

// Pw and Pz are written with "%g" whatever their size; only a value that is
// no number at all is left empty.
std::string PressureText(double value) {
    return std::isfinite(value) ? FormatDerived("%g", value) : std::string();
}

}  // namespace

std::string ComputeWaterPressureText(std::string_view depth, std::string_view waterLevel,
                                     std::string_view siCoefficient) {
    if (!IsNumber(depth)) {
        return {};
    }
    const double w = IsNumber(waterLevel) ? TextToDouble(waterLevel) : 0.0;
    const double h = Rounded((w - TextToDouble(depth)) * kKgfPerCm2PerMetreOfWater);
    if (h < 0) {
        return "0.0";
    }
    return PressureText(h * TextToDouble(siCoefficient));
}

std::string ComputeHoseHeadText(std::string_view depth, std::string_view machineHeight,
                                std::string_view siCoefficient) {
    if (!IsNumber(depth) || !IsNumber(machineHeight)) {
        return {};
    }
    const double h =
        Rounded((TextToDouble(machineHeight) - TextToDouble(depth)) * kKgfPerCm2PerMetreOfWater);
    return PressureText(h * TextToDouble(siCoefficient));
}

void ReduceReadingRow(TestRecord& test, int row, double pz) {
    TestRow& r = test.testRows[row];
    const int volumeField = StepVolumeField(test.testHeader);
    const double pmPlusPz = TextToDouble(r[testField::pm]) + pz;
    const double v = TextToDouble(r[volumeField]);
    const bool haveV = IsNumber(r[volumeField]);

    double pi = kMissingValue;
    if (haveV) {
        pi = FitMethodOf(test.testHeader) == FitMethod::regression
                 ? EvaluateCalibrationPolynomial(v, test.testCoefficients)
                 : InterpolateCalibrationRows(test.loadedCalibrationRows, v);
    }
    const double p = IsPresent(pmPlusPz) && IsPresent(pi) ? pmPlusPz - pi : kMissingValue;
    const double dv = haveV && IsNumber(r[testField::vol30]) ? v - TextToDouble(r[testField::vol30])
                                                             : kMissingValue;

    r[testField::pmPlusPz] = DerivedText(pmPlusPz);
    r[testField::pi] = DerivedText(pi);
    r[testField::p] = DerivedText(p);
    r[testField::dv] = DerivedText(dv);
    r[testField::spare] = "0";
}

bool LoadedCalibrationUsable(const CalibrationRows& loaded) {
    const CalibrationRow& first = loaded[1];
    return IsNumber(first[calibrationField::pm]) && IsNumber(first[calibrationField::vm]);
}

void RecomputeTestRows(TestRecord& test, Messages& messages) {
    if (!LoadedCalibrationUsable(test.loadedCalibrationRows)) {
        messages.Show(msg::calibrationBad);
    }
    ReduceTestRows(test);
}

void ReduceTestRows(TestRecord& test) {
    const double pz = TextToDouble(test.testHeader[header::pz]);
    const int n = CountTestRows(test.testRows, testField::pm);
    for (int row = 1; row <= n; ++row) {
        ReduceReadingRow(test, row, pz);
    }
}

}  // namespace karnea
