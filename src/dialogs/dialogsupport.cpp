#include "dialogs/dialogsupport.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <algorithm>

#include "base/encoding.h"
#include "base/messages.h"
#include "entry/entrytexts.h"

namespace karnea {
namespace {

class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QDialog& dialog, int mode) : QObject(&dialog), mode_(mode) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || mode_ == 0) {
            return QObject::eventFilter(watched, event);
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) {
            return false;
        }
        if (mode_ == 1) {
            if (auto* w = qobject_cast<QWidget*>(watched)) {
                // The focus chain holds widgets that take no focus too.
                QWidget* next = w->nextInFocusChain();
                while (next != w && ((next->focusPolicy() & Qt::TabFocus) == 0 ||
                                     !next->isEnabled() || !next->isVisible())) {
                    next = next->nextInFocusChain();
                }
                next->setFocus(Qt::TabFocusReason);
            }
        }
        return true;
    }

private:
    int mode_;
};

class Watcher : public QObject {
public:
    Watcher(QObject* owner, QEvent::Type type, std::function<void()> run, bool once)
        : QObject(owner), type_(type), run_(std::move(run)), once_(once) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_ && !done_) {
            done_ = once_;
            run_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type type_;
    std::function<void()> run_;
    bool once_;
    bool done_ = false;
};

}  // namespace

bool RefuseOk(QDialog& dialog, const std::optional<Refusal>& refusal, Messages& messages) {
    if (!refusal) {
        return false;
    }
    if (refusal->message.empty()) {
        return true;
    }
    messages.Show(refusal->message);
    if (auto* box = dialog.findChild<QWidget*>(QString::fromStdString(refusal->box))) {
        box->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(box)) {
            edit->selectAll();
        }
    }
    return true;
}

QLabel* LabelFor(const QString& caption, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    NameFor(control, caption.trimmed());
    return label;
}

void NameFor(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (auto* list = qobject_cast<QComboBox*>(control); list != nullptr && list->lineEdit()) {
        list->lineEdit()->setAccessibleName(name);
    }
}

QLineEdit* ReadOnlyBox(QWidget* parent, const char* objectName, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    // Read-only first: a screen reader's view of the box is made once.
    box->setReadOnly(true);
    box->setAccessibleName(name);
    return box;
}

namespace {

// A read-only box as a screen reader should hear it: its name and its
// value, not editable (Qt's own says every line edit is editable).
class ReadOnlyBoxAccessible : public QAccessibleWidget {
public:
    explicit ReadOnlyBoxAccessible(QLineEdit* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.editable = false;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return static_cast<QLineEdit*>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* ReadOnlyBoxFactory(const QString& className, QObject* object) {
    auto* box = qobject_cast<QLineEdit*>(object);
    if (className == QLatin1String("QLineEdit") && box != nullptr && box->isReadOnly()) {
        return new ReadOnlyBoxAccessible(box);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    QAccessible::removeFactory(ReadOnlyBoxFactory);
    QAccessible::installFactory(ReadOnlyBoxFactory);
}

void FitText(QLineEdit* box, const QString& sample) {
    // The frame and the text margins on both sides.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(sample) + 16);
}

void SetTabOrder(const std::vector<QWidget*>& widgets) {
    for (std::size_t i = 1; i < widgets.size(); ++i) {
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
    }
}

void OnFocusLost(QWidget* box, std::function<void()> lost) {
    box->installEventFilter(new Watcher(box, QEvent::FocusOut, std::move(lost), false));
}

void OnFirstPointerMove(QDialog& dialog, std::function<void()> moved) {
    auto* watcher = new Watcher(&dialog, QEvent::MouseMove, std::move(moved), true);
    dialog.setMouseTracking(true);
    dialog.installEventFilter(watcher);
    const QList<QWidget*> children = dialog.findChildren<QWidget*>();
    for (QWidget* w : children) {
        w->setMouseTracking(true);
        w->installEventFilter(watcher);
    }
}

QString FromCp932(const std::string& cp932) {
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

std::string ToCp932(const QString& text) {
    return Utf8ToCp932(text.toStdString());
}

TextValidator::TextValidator(TextKind kind, Input input, QLineEdit* box)
    : QValidator(box), kind_(kind), input_(input), box_(box) {}

void TypeAsNumber(QString& input, int& position) {
    const QString ascii = QString::fromStdString(NumberInputToAscii(input.toStdString()));
    if (ascii != input) {
        const QString before =
            QString::fromStdString(NumberInputToAscii(input.left(position).toStdString()));
        position = std::min<int>(static_cast<int>(before.size()), static_cast<int>(ascii.size()));
        input = ascii;
    }
}

QValidator::State TextValidator::validate(QString& input, int& position) const {
    std::string refusal;
    if (input_ == Input::numbers) {
        input.replace(QChar(0x3000), QLatin1Char(' '));  // the input method's blank
    }
    if (input_ != Input::text) {
        TypeAsNumber(input, position);
        refusal = RefusalOfNumber(input.toStdString());
    }
    if (refusal.empty()) {
        refusal = RefusalOfText(kind_, input.toStdString());
    }
    if (refusal.empty()) {
        return Acceptable;
    }
    // Beside the box, where the eye is.
    QToolTip::showText(box_->mapToGlobal(QPoint(0, box_->height())),
                       QString::fromStdString(refusal), box_);
    return Invalid;
}

QLineEdit* HeaderBox(QWidget* parent, const char* objectName, Input input) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setValidator(new TextValidator(TextKind::header, input, box));
    return box;
}

QComboBox* EditableList(QWidget* parent, const char* objectName,
                        const std::vector<std::string>& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& entry : entries) {
        list->addItem(QString::fromStdString(entry));
    }
    list->lineEdit()->setValidator(
        new TextValidator(TextKind::header, Input::text, list->lineEdit()));
    return list;
}

void ShowInList(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    list->setCurrentIndex(index);
    if (index < 0) {
        list->setEditText(text);
    }
}

QComboBox* SettingList(QWidget* parent, const char* objectName,
                       const std::vector<std::string>& entries, std::string& text) {
    QComboBox* list = EditableList(parent, objectName, entries);
    ShowInList(list, FromCp932(text));
    QObject::connect(list, &QComboBox::editTextChanged, list,
                     [&text](const QString& typed) { text = ToCp932(typed); });
    return list;
}

QPushButton* NamedButton(const QString& caption, const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QHBoxLayout* OkCancelRow(QDialog& dialog, QWidget* extra) {
    auto* row = new QHBoxLayout;
    if (extra != nullptr) {
        row->addWidget(extra);
    }
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), &dialog);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void InstallEnterKeyMode(QDialog& dialog, int mode) {
    auto* filter = new EnterKeyFilter(dialog, mode);
    const QList<QWidget*> children = dialog.findChildren<QWidget*>();
    for (QWidget* w : children) {
        w->installEventFilter(filter);
    }
}

}  // namespace karnea
