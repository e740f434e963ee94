// "登録 技術者名のマスタファイルへの登録と編集": the engineer name master on
// the screen.
#pragma once

#include "dialogs/creadingsdlg.h"

namespace karnea {

class EngineerMasterModel;

class CEngineerDlg : public CReadingsDlg {
    Q_OBJECT

public:
    CEngineerDlg(EngineerMasterModel& model, QWidget* parent);
};

}  // namespace karnea
