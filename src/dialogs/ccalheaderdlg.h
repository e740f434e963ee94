// "キャリブレーション 見出し": the calibration header dialog on the screen.
#pragma once

#include "dialogs/cheaderdlg.h"

namespace karnea {

class CalibrationHeaderModel;

class CCalHeaderDlg : public CHeaderDlg {
    Q_OBJECT

public:
    CCalHeaderDlg(CalibrationHeaderModel& model, const Settings& settings, QWidget* parent);
};

}  // namespace karnea
