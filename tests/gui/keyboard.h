// A dialog as a user without a mouse meets it: where Tab and Shift+Tab take
// the focus, and what a screen reader finds in its accessible tree.
#pragma once

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMap>
#include <QRadioButton>
#include <QStringList>
#include <QtTest>
#include <vector>

namespace karnea::test {

// Text as an input method commits it (a Japanese one gives full-width
// digits), at the caret of the focused box.
inline void Commit(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

// The control a focused widget belongs to (the line edit of a combo box or
// a spin box is the box's).
inline QWidget* ControlOf(QWidget* w) {
    while (w != nullptr && w->parentWidget() != nullptr &&
           (qobject_cast<QComboBox*>(w->parentWidget()) != nullptr ||
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr)) {
        w = w->parentWidget();
    }
    return w;
}

// A radio button that Tab passes by: a group of exclusive buttons is one
// stop, its checked button; the arrows move in the group.
inline bool PassedByTab(QWidget* w) {
    auto* radio = qobject_cast<QRadioButton*>(w);
    if (radio == nullptr || radio->isChecked()) {
        return false;
    }
    return (radio->group() != nullptr && radio->group()->exclusive()) || radio->autoExclusive();
}

// The controls Tab is to reach: shown, enabled and taking the focus by Tab.
inline std::vector<QWidget*> Tabbable(QDialog& d) {
    std::vector<QWidget*> controls;
    const QList<QWidget*> all = d.findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w->isVisibleTo(&d) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0 &&
            w->focusProxy() == nullptr && ControlOf(w) == w && !PassedByTab(w)) {
            controls.push_back(w);
        }
    }
    return controls;
}

// Presses Tab (or Shift+Tab) with the real focus until the focus comes back
// to where it started: the controls it landed on, in order.
inline std::vector<QWidget*> TabWalk(QDialog& d, bool backwards = false) {
    std::vector<QWidget*> reached;
    QWidget* first = ControlOf(QApplication::focusWidget());
    for (int i = 0; i < 200; ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (focused == nullptr) {
            break;
        }
        QTest::keyClick(focused, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget* now = ControlOf(QApplication::focusWidget());
        if (now == first || now == nullptr || !d.isAncestorOf(now)) {
            break;
        }
        reached.push_back(now);
    }
    return reached;
}

// Calls `visit` with every node of the accessible tree of `d`.
template <typename Visit>
void ForEachAccessible(QDialog& d, Visit visit) {
    std::vector<QAccessibleInterface*> pending = {QAccessible::queryAccessibleInterface(&d)};
    while (!pending.empty()) {
        QAccessibleInterface* node = pending.back();
        pending.pop_back();
        if (node == nullptr) {
            continue;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            pending.push_back(node->child(i));
        }
        visit(node);
    }
}

// Whether a screen reader has a name to say: the control's own, or the
// caption it is labelled by (on Linux an editable list's name is its text,
// and its caption comes as that relation).
inline bool Named(QAccessibleInterface* node) {
    if (!node->text(QAccessible::Name).trimmed().isEmpty()) {
        return true;
    }
    const auto labels = node->relations(QAccessible::Label);
    for (const auto& [label, relation] : labels) {
        if (!label->text(QAccessible::Name).trimmed().isEmpty()) {
            return true;
        }
    }
    return false;
}

// What a screen reader would miss: controls of the accessible tree without a
// name, boxes that share one name (a group's title standing in for their
// own captions), and read-only boxes that say they are editable. Each as
// "objectName (role)".
inline QStringList UnnamedOrMisstated(QDialog& d) {
    QStringList faults;
    QMap<QString, QString> boxNames;
    ForEachAccessible(d, [&](QAccessibleInterface* node) {
        auto* widget = qobject_cast<QWidget*>(node->object());
        if (widget == nullptr || node->state().invisible) {
            return;
        }
        const QString what =
            QStringLiteral("%1 (%2)").arg(widget->objectName()).arg(int(node->role()));
        switch (node->role()) {
            case QAccessible::EditableText:
            case QAccessible::ComboBox:
            case QAccessible::PushButton:
            case QAccessible::CheckBox:
            case QAccessible::RadioButton:
            case QAccessible::Table:
            case QAccessible::List:
            case QAccessible::SpinBox:
                if (!Named(node)) {
                    faults << what + QStringLiteral(" has no name");
                }
                break;
            default:
                break;
        }
        if (node->role() == QAccessible::EditableText && widget->isVisibleTo(&d) &&
            qobject_cast<QComboBox*>(widget->parentWidget()) == nullptr) {
            const QString name = node->text(QAccessible::Name);
            if (boxNames.contains(name)) {
                faults << what + QStringLiteral(" has the name of ") + boxNames[name];
            }
            boxNames[name] = widget->objectName();
        }
        if (auto* box = qobject_cast<QLineEdit*>(widget);
            box != nullptr && box->isReadOnly() &&
            (!node->state().readOnly || node->state().editable)) {
            faults << what + QStringLiteral(" says it is editable");
        }
    });
    return faults;
}

// Whether the accessible tree of `d` holds `widget`.
inline bool InAccessibleTree(QDialog& d, QWidget* widget) {
    bool found = false;
    ForEachAccessible(
        d, [&](QAccessibleInterface* node) { found = found || node->object() == widget; });
    return found;
}

}  // namespace karnea::test
