// The calibration curve: the membrane pressure Pi at a volume, from the
// fourth-degree regression polynomial or by linear interpolation in the
// loaded calibration rows; and the missing-value marker all calculations share.
#pragma once

#include <string>

#include "records/records.h"

namespace karnea {

class Messages;

// A value that could not be computed.
inline constexpr double kMissingValue = -9999.99;

// Present means at or above -9999.9.
bool IsPresent(double value);

// A derived value as the records store it: "%g", or empty when it is not
// strictly above -9999.9 or not finite; never a negative zero.
std::string DerivedText(double value);

// Result codes of FitCalibrationPolynomial.
inline constexpr int kFitDone = 0;
inline constexpr int kFitTooFewPoints = 1;
inline constexpr int kFitZeroPivot = 4;
inline constexpr int kFitSingular = 5;

// Fits the calibration readings with a fourth-degree polynomial through the
// normal equations; fills the calibration coefficients and texts 25..29.
// Fewer than 6 points show "高次回帰はデータ数不足で計算できません" when
// `showMessage` is set.
int FitCalibrationPolynomial(CalibrationRecord& calibration, bool showMessage, Messages& messages);

// c0 + c1 v + c2 v^2 + c3 v^3 + c4 v^4, evaluated in the program's order.
double EvaluateCalibrationPolynomial(double v, const Coefficients& c);

// Linear approximation in a test's loaded calibration rows; the pressure at
// `v` or kMissingValue.
double InterpolateCalibrationRows(const CalibrationRows& loaded, double v);

}  // namespace karnea
