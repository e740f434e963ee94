// What the data-entry dialogs share on the screen: texts between the
// records' CP932 and Qt, boxes that refuse what the data file cannot hold,
// and the Enter key of the settings.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QString>
#include <QValidator>
#include <functional>
#include <string>

class QDialog;

namespace karnea {

// A CP932 text of the records as the widgets show it, and back.
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

// Refuses texts the data file cannot hold (cells: also a double quote) and
// characters without a CP932 form.
class RecordTextValidator : public QValidator {
public:
    enum class Kind { cell, header };
    RecordTextValidator(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}
    State validate(QString& input, int& position) const override;

private:
    Kind kind_;
};

// A box for a header text, named for the tests, with that validator.
QLineEdit* HeaderBox(QWidget* parent, const char* objectName);

// Runs `lost` whenever `box` loses the keyboard focus.
void OnFocusLost(QWidget* box, std::function<void()> lost);

// Runs `moved` once, the first time the pointer moves over the dialog.
void OnFirstPointerMove(QDialog& dialog, std::function<void()> moved);

// The Enter key in a dialog by the setting: 0 presses OK (as usual), 1 moves
// to the next control, 2 does nothing.
void InstallEnterKeyMode(QDialog& dialog, int mode);

}  // namespace karnea
