// "カルネア データ": the test readings dialog on the screen.
#pragma once

#include <QLineEdit>
#include <array>

#include "dialogs/creadingsdlg.h"

class QCheckBox;
class QRadioButton;

namespace karnea {

class TestReadingsModel;

class CTestDataDlg : public CReadingsDlg {
    Q_OBJECT

public:
    CTestDataDlg(TestReadingsModel& model, QWidget* parent);

protected:
    void SyncOwn() override;

private:
    TestReadingsModel& model_;
    QCheckBox* show120_ = nullptr;
    QRadioButton* time60_ = nullptr;
    QRadioButton* time120_ = nullptr;
    std::array<QLineEdit*, 6> axisBoxes_{};
};

}  // namespace karnea
