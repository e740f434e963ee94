// "フォント": the six page fonts on the screen, and the chooser of one
// font's face, size, colour and underline.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "dialogs/ceditdlg.h"
#include "settings/settings.h"

class QLabel;
class QLineEdit;

namespace karnea {

class FontSettingsModel;
class Messages;

// Face, size (within `sizes`), colour and underline picked in one go;
// nothing on Cancel.
using FontChooser =
    std::function<std::optional<FontSetting>(const FontSetting&, SettingRange sizes, QWidget*)>;
std::optional<FontSetting> ChooseFontInDialog(const FontSetting& preset, SettingRange sizes,
                                              QWidget* parent);

class CFontDlg : public CEditDlg {
    Q_OBJECT

public:
    CFontDlg(FontSettingsModel& model, Messages& messages, FontChooser chooser, QWidget* parent);

    // OK: refused while a size is out of its role's range.
    // Cancel and the close box: asks after a choice.
    void reject() override;

private:
    void ShowRows();

    FontSettingsModel& model_;
    Messages& messages_;
    FontChooser chooser_;
    std::array<QLineEdit*, kFontRoleCount> faces_{};
    std::array<QLineEdit*, kFontRoleCount> sizes_{};
    std::array<QLabel*, kFontRoleCount> swatches_{};
};

}  // namespace karnea
