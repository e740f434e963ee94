#include "entry/calibrationcommands.h"

#include "analysis/calibration.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {

void NormalizeCalibrationRows(Workspace& ws) {
    bool ended = false;
    for (CalibrationRow& row : ws.calibrationRows) {
        ended = ended || IsNumericText(row[calibrationField::vm]) < 1;
        row[calibrationField::vmCopy] =
            ended ? std::string() : FormatDerived("%g", TextToDouble(row[calibrationField::vm]));
    }
}

int RefitCalibration(Workspace& ws, Messages& messages) {
    const bool showMessage = TextToInt(ws.calibrationHeader[header::fitMethod]) != 0;
    return FitCalibrationPolynomial(ws, showMessage, messages);
}

}  // namespace karnea
