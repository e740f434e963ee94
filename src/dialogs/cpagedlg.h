// "ページ": the page-number format and position of the open document on the
// screen ("キャリブレーション ページ設定" or "カルネア ページ設定").
#pragma once

#include <array>

#include "dialogs/ceditdlg.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace karnea {

class PageFooterModel;

class CPageDlg : public CEditDlg {
    Q_OBJECT

public:
    CPageDlg(PageFooterModel& model, const QString& caption, QWidget* parent);

private:
    // Shows the model's fields, choices, previews and which boxes are open.
    void Sync();

    PageFooterModel& model_;
    std::array<QComboBox*, 2> prefixes_{};
    std::array<QComboBox*, 2> suffixes_{};
    std::array<QLineEdit*, 2> numbers_{};
    std::array<QLineEdit*, 2> previews_{};
    QLineEdit* fromPaper_ = nullptr;
    QLineEdit* fromName_ = nullptr;
    QLineEdit* fromLeft_ = nullptr;
    QButtonGroup* top_ = nullptr;
    QButtonGroup* left_ = nullptr;
};

}  // namespace karnea
