// The calibration pages: the graph with the readings and the fitted curve or
// the joined points, and the table of readings.
#pragma once

#include <string>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class PageComposer;

// The cell text of row `row`, field `field` (1..3) of calibration rows, with
// the decimals of the settings.
std::string CalibrationCell(const CalibrationRows& rows, const Settings& settings, int row,
                            int field);

// Page 1 (block offset 44, graph font selected; `h` is its line height in mm).
void DrawCalibrationGraph(PageComposer& page, const CalibrationRecord& calibration, double h);
// Page 2 (block offset 44, data table font selected).
void DrawCalibrationTable(PageComposer& page, const CalibrationRows& rows);

}  // namespace karnea
