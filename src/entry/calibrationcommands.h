// What the page view does after the calibration dialogs close.
#pragma once

namespace karnea {

struct Workspace;
class Messages;

// After the calibration readings dialog's OK: vmCopy becomes "%g" of Vm for
// the leading rows whose Vm is a number, and is emptied from the first row
// whose Vm is not.
void NormalizeCalibrationRows(Workspace& ws);

// After either calibration dialog, OK or not: the fit again, with the message
// when the stored method is the regression curve. Returns the fit's code.
int RefitCalibration(Workspace& ws, Messages& messages);

}  // namespace karnea
