// The settings dialogs on the screen: "様式 / 桁数", "線種 / 係数 / マージン",
// "キー動作のオプション" and "セットアップ".
#pragma once

#include "dialogs/csettingsdlg.h"

class QGroupBox;
class QLabel;

namespace karnea {

class StyleSettingsModel;
class LineSettingsModel;
class KeySettingsModel;
class SetupModel;

class CStyleDlg : public CSettingsDlg {
    Q_OBJECT

public:
    CStyleDlg(StyleSettingsModel& model, Messages& messages, QWidget* parent);
};

class CLineDlg : public CSettingsDlg {
    Q_OBJECT

public:
    CLineDlg(LineSettingsModel& model, Messages& messages, QWidget* parent);

private:
    // The dialog's groups, in reading order.
    QGroupBox* LinesBox();
    QGroupBox* GridBox();
    QGroupBox* ConstantsBox();
    QGroupBox* SiBox();
    QGroupBox* MarginsBox();
    QGroupBox* NameBox();
    void ShowMode();

    LineSettingsModel& model_;
    int mode_ = 0;
    QLineEdit* colour_ = nullptr;
    QLineEdit* dash_ = nullptr;
    QLineEdit* gap_ = nullptr;
    QLabel* note_ = nullptr;
};

class CKeyDlg : public CSettingsDlg {
    Q_OBJECT

public:
    CKeyDlg(KeySettingsModel& model, Messages& messages, QWidget* parent);
};

class CSetupDlg : public CSettingsDlg {
    Q_OBJECT

public:
    CSetupDlg(SetupModel& model, Messages& messages, QWidget* parent);
};

}  // namespace karnea
