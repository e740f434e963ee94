// What the data-entry dialogs share on the screen: texts between the
// records' CP932 and Qt, boxes that refuse what the data file cannot hold,
// and the Enter key of the settings.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QString>
#include <QValidator>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/entrytexts.h"

class QComboBox;
class QLabel;
class QPushButton;
class QDialog;
class QHBoxLayout;

namespace karnea {

class Messages;

// A CP932 text of the records as the widgets show it, and back.
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

// Whether a box holds a text or a number.
// What a box holds: text, a number, or numbers apart by blanks (an angle's
// degrees, minutes and seconds).
enum class Input { text, number, numbers };

// Keeps out of a box what its kind refuses (what a file could not hold, a
// character without a CP932 form), and says why beside the box, so that a
// refused keystroke or paste never vanishes silently. In a number box what
// an input method types ("５５０", "－１．５") becomes ASCII as it is typed.
class TextValidator : public QValidator {
public:
    TextValidator(TextKind kind, Input input, QLineEdit* box);
    State validate(QString& input, int& position) const override;

private:
    TextKind kind_;
    Input input_;
    QLineEdit* box_;
};

// What an input method typed into a number box, in ASCII, the caret kept
// where it was; a validator's first step.
void TypeAsNumber(QString& input, int& position);

// A box named for the tests, for a header text (or a settings text), with
// that validator.
QLineEdit* HeaderBox(QWidget* parent, const char* objectName, Input input = Input::text);
// An editable list of `entries` (UTF-8) whose text the validator of header
// texts checks: editable, so that a text the list does not hold is kept.
QComboBox* EditableList(QWidget* parent, const char* objectName,
                        const std::vector<std::string>& entries);
// Shows `text` in an editable list: as its entry when it holds one (so that
// Up and Down move on from there), else as a text of its own.
void ShowInList(QComboBox* list, const QString& text);
// An editable list of `entries` (UTF-8) for a settings text, showing `text`
// (CP932) and writing what is chosen or typed back into it.
QComboBox* SettingList(QWidget* parent, const char* objectName,
                       const std::vector<std::string>& entries, std::string& text);
// A push button named for the tests.
QPushButton* NamedButton(const QString& caption, const char* objectName, QWidget* parent);
// "OK" (the default button) and "ｷｬﾝｾﾙ" at the right, wired to the dialog;
// `extra` (may be null) at the left.
QHBoxLayout* OkCancelRow(QDialog& dialog, QWidget* extra = nullptr);

// A check's refusal of OK: its message is shown and the box it names takes
// the focus (a refusal without a message has been said already). False when
// there is none.
bool RefuseOk(QDialog& dialog, const std::optional<Refusal>& refusal, Messages& messages);

// A caption that names `control` for a screen reader (its buddy); an
// editable list's text box takes the name too.
QLabel* LabelFor(const QString& caption, QWidget* control, QWidget* parent);
// The name a screen reader gives a control that no caption stands beside
// alone (one caption for several boxes).
void NameFor(QWidget* control, const QString& name);

// A read-only box: shown, reached by Tab and read by a screen reader as a
// value that cannot be typed into.
QLineEdit* ReadOnlyBox(QWidget* parent, const char* objectName, const QString& name);
// Lets screen readers tell read-only boxes from those that take typing;
// once, at the program's start.
void InstallAccessibility();

// At least wide enough for `sample` to show whole.
void FitText(QLineEdit* box, const QString& sample);

// Tab and Shift+Tab go through `widgets` in this order.
void SetTabOrder(const std::vector<QWidget*>& widgets);

// Runs `lost` whenever `box` loses the keyboard focus.
void OnFocusLost(QWidget* box, std::function<void()> lost);

// Runs `moved` once, the first time the pointer moves over the dialog.
void OnFirstPointerMove(QDialog& dialog, std::function<void()> moved);

// The Enter key in a dialog by the setting: 0 presses OK (as usual), 1 moves
// to the next control, 2 does nothing.
void InstallEnterKeyMode(QDialog& dialog, int mode);

}  // namespace karnea
