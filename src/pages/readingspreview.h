// The small graphs beside the readings lists of the test and calibration
// readings dialogs. They are drawn in pixels of the preview area with the
// origin at its bottom-left corner and y upwards; the surface gets device
// coordinates (y downwards) from them. The caller clears the area white and
// clips to it.
#pragma once

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

}  // namespace karnea
