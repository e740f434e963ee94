// The operation help window: the lines of "Help.txt" from the settings
// folder, and a button that opens the file in a text editor for printing.
#pragma once

#include <QDialog>
#include <QString>

class QListWidget;

namespace karnea {

class Messages;
struct Settings;

class CHelpDlg : public QDialog {
    Q_OBJECT

public:
    CHelpDlg(const Settings& settings, Messages& messages, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }

    // "開いて印刷": the desktop's handler for text files, else a plain editor;
    // false (with the message) when none starts.
    bool OpenAndPrint();

private:
    QString path_;
    QString folder_;
    Messages& messages_;
    QListWidget* list_;
};

}  // namespace karnea
