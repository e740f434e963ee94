#include "dialogs/csettingsdlg.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "base/messages.h"
#include "dialogs/dialogsupport.h"

namespace karnea {

CSettingsDlg::CSettingsDlg(const QString& caption, Messages& messages,
                           std::function<std::optional<Refusal>()> check, QWidget* parent)
    : CEditDlg(parent), messages_(messages) {
    setWindowTitle(caption);
    SetOk(std::move(check), messages);
}

QLineEdit* CSettingsDlg::Text(const char* name, std::string& value, Input input) {
    QLineEdit* box = HeaderBox(this, name, input);
    box->setText(FromCp932(value));
    connect(box, &QLineEdit::textEdited, this,
            [&value](const QString& text) { value = ToCp932(text); });
    OnReload([box, &value] {
        if (box->text() != FromCp932(value)) {
            box->setText(FromCp932(value));
        }
    });
    return box;
}

QComboBox* CSettingsDlg::List(const char* name, const std::vector<std::string>& entries,
                              std::string& value) {
    QComboBox* list = SettingList(this, name, entries, value);
    OnReload([list, &value] { ShowInList(list, FromCp932(value)); });
    return list;
}

QCheckBox* CSettingsDlg::Check(const QString& caption, const char* name, bool& value) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(value);
    connect(box, &QCheckBox::toggled, this, [&value](bool on) { value = on; });
    OnReload([box, &value] { box->setChecked(value); });
    return box;
}

void CSettingsDlg::Radios(QBoxLayout* layout, const std::vector<QString>& captions,
                          const std::vector<const char*>& names, int& value,
                          std::function<void()> changed) {
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i], this);
        button->setObjectName(QString::fromLatin1(names[i]));
        group->addButton(button, static_cast<int>(i));
        layout->addWidget(button);
    }
    const auto show = [group, &value] {
        if (QAbstractButton* b = group->button(value)) {
            b->setChecked(true);
        }
    };
    show();
    OnReload(show);
    connect(group, &QButtonGroup::idClicked, this, [&value, changed](int id) {
        value = id;
        if (changed) {
            changed();
        }
    });
}

void CSettingsDlg::Reload() {
    for (const auto& reload : reloads_) {
        reload();
    }
}

}  // namespace karnea
