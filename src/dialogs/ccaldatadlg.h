// "キャリブレーション データ": the calibration readings dialog on the screen.
#pragma once

#include <QLineEdit>
#include <array>

#include "dialogs/creadingsdlg.h"

namespace karnea {

class CalibrationReadingsModel;

class CCalDataDlg : public CReadingsDlg {
    Q_OBJECT

public:
    CCalDataDlg(CalibrationReadingsModel& model, QWidget* parent);

protected:
    void SyncOwn() override;

private:
    CalibrationReadingsModel& model_;
    std::array<QLineEdit*, 4> axisBoxes_{};
};

}  // namespace karnea
