// 拡張 › 電子納品チェック: what a check of a whole delivery found, a line a
// finding, and the values to type into the boring logs. It shows; it
// changes nothing.
#pragma once

#include <QDialog>

namespace karnea {

struct DeliveryCheck;

class CDeliveryCheckDlg : public QDialog {
    Q_OBJECT

public:
    explicit CDeliveryCheckDlg(const DeliveryCheck& check, QWidget* parent = nullptr);
};

}  // namespace karnea
