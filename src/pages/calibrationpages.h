// The calibration pages: the graph with the readings and the fitted curve or
// the joined points, and the table of readings.
#pragma once

#include <string>

namespace karnea {

class PageComposer;
struct Workspace;

// Which reading set a calibration body shows.
inline constexpr int kOpenCalibrationReadings = 99;    // "c": the calibration record
inline constexpr int kLoadedCalibrationReadings = 98;  // "b": the test's loaded calibration

// The cell text of row `row`, field `field` (1..3) of a reading set.
std::string CalibrationCell(const Workspace& ws, int row, int field, int selector);

void DrawCalibrationGraph(PageComposer& page, double h, int selector);
void DrawCalibrationTable(PageComposer& page, double h, int selector);

}  // namespace karnea
