// 拡張 › 品質チェック: what in the open test wants a second look, and the
// limit pressure by the conventional definition beside the engineer's own.
// It shows; it changes nothing.
#pragma once

#include <QDialog>

namespace karnea {

struct TestRecord;
struct Settings;

class CQualityDlg : public QDialog {
    Q_OBJECT

public:
    CQualityDlg(const TestRecord& test, const Settings& settings, QWidget* parent = nullptr);
};

}  // namespace karnea
