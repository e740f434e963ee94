// The calibration readings dialog without widgets: the readings it edits and
// what its OK leads to; and the refit that follows either calibration dialog,
// OK or not.
#pragma once

#include <optional>
#include <string>

#include "records/records.h"

namespace karnea {

class Messages;

// vmCopy becomes "%g" of Vm for the leading rows whose Vm is a number, and
// is emptied from the first row whose Vm is not.
void NormalizeCalibrationRows(CalibrationRows& rows);

// The fit again, with its message when the stored method is the regression
// curve. Returns the fit's code.
int RefitCalibration(CalibrationRecord& calibration, Messages& messages);

class CalibrationReadingsModel {
public:
    explicit CalibrationReadingsModel(const CalibrationRecord& calibration);

    // The readings as the dialog holds them.
    CalibrationRows rows;

    // The check of OK: the readings are taken as they stand.
    std::optional<std::string> Check() const { return std::nullopt; }

    // OK: the readings written back and normalised, then the curve fitted
    // again. Returns the fit's code.
    int Accept(CalibrationRecord& calibration, Messages& messages);
};

}  // namespace karnea
