#include "entry/calibrationreadingsmodel.h"

#include "analysis/calibration.h"
#include "base/textfields.h"

namespace karnea {

void NormalizeCalibrationRows(CalibrationRows& rows) {
    bool ended = false;
    for (CalibrationRow& row : rows) {
        ended = ended || !IsNumber(row[calibrationField::vm]);
        row[calibrationField::vmCopy] =
            ended ? std::string() : FormatDerived("%g", TextToDouble(row[calibrationField::vm]));
    }
}

int RefitCalibration(CalibrationRecord& calibration, Messages& messages) {
    const bool showMessage = TextToInt(calibration.calibrationHeader[header::fitMethod]) != 0;
    return FitCalibrationPolynomial(calibration, showMessage, messages);
}

CalibrationReadingsModel::CalibrationReadingsModel(const CalibrationRecord& calibration)
    : rows(calibration.calibrationRows) {}

int CalibrationReadingsModel::Accept(CalibrationRecord& calibration, Messages& messages) {
    calibration.calibrationRows = rows;
    NormalizeCalibrationRows(calibration.calibrationRows);
    return RefitCalibration(calibration, messages);
}

}  // namespace karnea
