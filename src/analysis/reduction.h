// Reduction of the test readings: Pw and Pz from depth, water level and
// machine height, and the derived fields of every reading row.
#pragma once

#include <string>
#include <string_view>

#include "records/records.h"

namespace karnea {

class Messages;

// Pw from the depth and water-level texts and the SI coefficient text C.
std::string ComputeWaterPressureText(std::string_view depth, std::string_view waterLevel,
                                     std::string_view siCoefficient);

// Pz from the depth and machine-height texts and C.
std::string ComputeHoseHeadText(std::string_view depth, std::string_view machineHeight,
                                std::string_view siCoefficient);

// Recomputes Pm+Pz, Pi, P, dV and the spare field of test row `row`.
void ReduceReadingRow(TestRecord& test, int row, double pz);

// True when the loaded calibration's first row has a numeric pressure and volume.
bool LoadedCalibrationUsable(const CalibrationRows& loaded);

// Every row with a numeric Pm reduced with the header's Pz.
void ReduceTestRows(TestRecord& test);

// The recomputation after the test header dialog: "CALのデータが異常です" when
// the loaded calibration is unusable, then every row with a numeric Pm
// reduced with the header's Pz.
void RecomputeTestRows(TestRecord& test, Messages& messages);

}  // namespace karnea
