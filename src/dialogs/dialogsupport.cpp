#include "dialogs/dialogsupport.h"

#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

#include "base/encoding.h"
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

QValidator::State RecordTextValidator::validate(QString& input, int&) const {
    const std::string utf8 = input.toStdString();
    const bool allowed = kind_ == Kind::cell     ? CellTextAllowed(utf8)
                         : kind_ == Kind::header ? HeaderTextAllowed(utf8)
                                                 : SettingTextAllowed(utf8);
    return allowed && TryUtf8ToCp932(utf8) ? Acceptable : Invalid;
}

QLineEdit* HeaderBox(QWidget* parent, const char* objectName) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setValidator(new RecordTextValidator(RecordTextValidator::Kind::header, box));
    return box;
}

QLineEdit* SettingBox(QWidget* parent, const char* objectName) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setValidator(new RecordTextValidator(RecordTextValidator::Kind::setting, box));
    return box;
}

QComboBox* EditableList(QWidget* parent, const char* objectName,
                        const std::vector<std::string>& entries, RecordTextValidator::Kind kind) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& entry : entries) {
        list->addItem(QString::fromStdString(entry));
    }
    list->lineEdit()->setValidator(new RecordTextValidator(kind, list));
    return list;
}

QComboBox* SettingList(QWidget* parent, const char* objectName,
                       const std::vector<std::string>& entries, std::string& text) {
    QComboBox* list = EditableList(parent, objectName, entries, RecordTextValidator::Kind::setting);
    list->setEditText(FromCp932(text));
    QObject::connect(list, &QComboBox::editTextChanged, list,
                     [&text](const QString& typed) { text = ToCp932(typed); });
    return list;
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
