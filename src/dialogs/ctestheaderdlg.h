// "カルネア 見出し": the test header dialog on the screen.
#pragma once

#include "dialogs/cheaderdlg.h"

namespace karnea {

class TestHeaderModel;
class FileChooser;
class Messages;
class CPreviewArea;

class CTestHeaderDlg : public CHeaderDlg {
    Q_OBJECT

public:
    // The model, the settings and the services must outlive the dialog.
    CTestHeaderDlg(TestHeaderModel& model, const Settings& settings, FileChooser& chooser,
                   Messages& messages, QWidget* parent);

    // OK: refused while the depth is out of range.

private:
    // "開く": a calibration file for the test.
    void OpenCalibration();

    TestHeaderModel& model_;
    const Settings& settings_;
    FileChooser& chooser_;
    Messages& messages_;
    CPreviewArea* preview_ = nullptr;
};

}  // namespace karnea
