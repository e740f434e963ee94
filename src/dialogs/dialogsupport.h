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
#include <vector>

class QComboBox;
class QDialog;
class QHBoxLayout;

namespace karnea {

// A CP932 text of the records as the widgets show it, and back.
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

// Refuses texts the data file cannot hold (cells: also a double quote) and
// characters without a CP932 form.
class RecordTextValidator : public QValidator {
public:
    enum class Kind { cell, header, setting };
    RecordTextValidator(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}
    State validate(QString& input, int& position) const override;

private:
    Kind kind_;
};

// A box for a header text, named for the tests, with that validator.
QLineEdit* HeaderBox(QWidget* parent, const char* objectName);
// A box for a settings text (no line break).
QLineEdit* SettingBox(QWidget* parent, const char* objectName);
// An editable list of `entries` (UTF-8) whose text the validator of `kind`
// checks: editable, so that a text the list does not hold is kept.
QComboBox* EditableList(QWidget* parent, const char* objectName,
                        const std::vector<std::string>& entries, RecordTextValidator::Kind kind);
// An editable list of `entries` (UTF-8) for a settings text, showing `text`
// (CP932) and writing what is chosen or typed back into it.
QComboBox* SettingList(QWidget* parent, const char* objectName,
                       const std::vector<std::string>& entries, std::string& text);
// "OK" (the default button) and "ｷｬﾝｾﾙ" at the right, wired to the dialog;
// `extra` (may be null) at the left.
QHBoxLayout* OkCancelRow(QDialog& dialog, QWidget* extra = nullptr);

// Runs `lost` whenever `box` loses the keyboard focus.
void OnFocusLost(QWidget* box, std::function<void()> lost);

// Runs `moved` once, the first time the pointer moves over the dialog.
void OnFirstPointerMove(QDialog& dialog, std::function<void()> moved);

// The Enter key in a dialog by the setting: 0 presses OK (as usual), 1 moves
// to the next control, 2 does nothing.
void InstallEnterKeyMode(QDialog& dialog, int mode);

}  // namespace karnea
