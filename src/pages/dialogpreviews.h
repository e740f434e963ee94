// The small graphs of the data-entry dialogs: beside the readings lists of
// the test and calibration readings dialogs, the loaded calibration of the
// test header dialog and the test curve of the analysis dialog. They are drawn in pixels of the
// preview area with the origin at its bottom-left corner and y upwards; the surface gets device
// coordinates (y downwards) from them. The caller clears the area white and
// clips to it.
#pragma once

#include <array>
#include <string>

#include "records/records.h"

namespace karnea {

class Surface;

struct PreviewArea {
    int width = 0;
    int height = 0;
};

// Maps v from [a, b] onto [p, q]; 0 when the range is narrower than 0.01 or
// the result lies beyond -999999.9 .. 99999.9.
double PreviewMap(double v, double a, double b, double p, double q);

struct TestPreviewScale {
    double pMin = 0, pMax = 0, vMin = 0, vMax = 0, dvMin = 0, dvMax = 0;
};

// Every row up to the last with a Pm: a grey circle at (P, step volume) and a
// black cross at (P, dV) on the right-hand axis; the current row (from 1, 0
// for none) in blue with its label. `pDecimals` is the decimals setting of P.
void DrawTestPreview(Surface& surface, PreviewArea area, const TestRecord& test,
                     const TestPreviewScale& scale, int currentRow, int pDecimals,
                     const std::string& face);

struct CalibrationPreviewScale {
    double pmMin = 0, pmMax = 0, vmMin = 0, vmMax = 0;
};

// Every row up to the last with a Pm: a grey circle at (Pm, Vm); the current
// row in blue with its label.
void DrawCalibrationPreview(Surface& surface, PreviewArea area, const CalibrationRows& rows,
                            const CalibrationPreviewScale& scale, int currentRow,
                            const std::string& face);

// The test header dialog's calibration graph: the first `count` loaded
// calibration rows as small grey circles, Pm over -2..300 across and Vm over
// -2..1000 upwards.
void DrawLoadedCalibrationPreview(Surface& surface, PreviewArea area, const CalibrationRows& rows,
                                  int count);

// The colours of the analysis dialog's points: Po, Pf and Pl (0x00BBGGRR).
inline constexpr std::array<long, 3> kPointColours = {0x008000, 0xFF0000, 0x0000FF};

struct AnalysisPreviewState {
    double pMin = 0, pMax = 0, vMin = 0, vMax = 0, dvMax = 0;
    std::array<int, 3> displayedRows{};  // Po, Pf, Pl
    int currentRow = 0;                  // 0: none
    int currentPoint = 0;                // 0 Po, 1 Pf, 2 Pl
};

// The analysis dialog's preview: every usable row as a circle at (P, V) and a
// cross at (P, dV), in the colour of the point it is displayed as or grey,
// each with a white label that hides an earlier one; the current row in the
// current point's colour with its label. `dvDecimals` is the data table's.
void DrawAnalysisPreview(Surface& surface, PreviewArea area, const TestRecord& test, int usableRows,
                         const AnalysisPreviewState& state, int dvDecimals,
                         const std::string& face);

}  // namespace karnea
