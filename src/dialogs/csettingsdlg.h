// What the settings dialogs share: boxes, lists, check boxes and radio
// buttons bound to the model's values, shown again after "標準の設定", and OK
// that the model's check may refuse.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/ceditdlg.h"
#include "dialogs/dialogsupport.h"
#include "entry/entrytexts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QBoxLayout;

namespace karnea {

class Messages;

class CSettingsDlg : public CEditDlg {
    Q_OBJECT

public:
    // `check` gives the refusal of OK, if any: its message is shown and
    // the box it names takes the focus.
    CSettingsDlg(const QString& caption, Messages& messages,
                 std::function<std::optional<Refusal>()> check, QWidget* parent);

protected:
    // A box for a text of the model (CP932), or for a number typed as text.
    QLineEdit* Text(const char* name, std::string& value, Input input = Input::text);
    // An editable list for a text of the model.
    QComboBox* List(const char* name, const std::vector<std::string>& entries, std::string& value);
    QCheckBox* Check(const QString& caption, const char* name, bool& value);
    // Radio buttons for a choice 0, 1, ...; `changed` runs after a click.
    void Radios(QBoxLayout* layout, const std::vector<QString>& captions,
                const std::vector<const char*>& names, int& value,
                std::function<void()> changed = nullptr);
    // Shows every bound value again (after "標準の設定").
    void Reload();
    // Runs with Reload too.
    void OnReload(std::function<void()> reload) { reloads_.push_back(std::move(reload)); }

    Messages& messages_;

private:
    std::vector<std::function<void()>> reloads_;
};

}  // namespace karnea
