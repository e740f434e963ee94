// The font dialog "フォント" without widgets: a working copy of the six page
// fonts, the rows it shows, "標準の設定例", the change counter with the Cancel
// question, and OK's edit: the settings with the six fonts (the edit path
// writes the six font files).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "entry/edit.h"
#include "entry/entrytexts.h"
#include "settings/settings.h"

namespace karnea {

class Messages;

class FontSettingsModel {
public:
    explicit FontSettingsModel(const Settings& settings);

    const FontSetting& font(FontRole role) const { return fonts_[Index(role)]; }
    // The size as the row shows it: " %2d     (%.1f)".
    std::string SizeText(FontRole role) const;
    int changes() const { return changes_; }

    // A role's font as the chooser returned it; refused (and nothing
    // changes) when its size is outside the role's range.
    std::optional<Refusal> Choose(FontRole role, const FontSetting& chosen);
    // "標準の設定例": every role's standard face and size, black, no
    // underline; not counted as a change.
    void Standard();

    // OK is refused while a size is outside its role's range (box
    // "size<role>"), so that every size stored loads back as it is.
    std::optional<Refusal> Check() const;
    // Cancel: asks after a choice; true to close.
    bool Cancel(Messages& messages) const;
    // OK: the settings with the fonts, for all six font files.
    Edit Accept();

    // The caption and description of a role's row (UTF-8).
    static const char* Caption(FontRole role);
    static const char* Description(FontRole role);

private:
    static std::size_t Index(FontRole role) { return static_cast<std::size_t>(role) - 1; }

    Settings settings_;
    std::array<FontSetting, kFontRoleCount> fonts_;
    int changes_ = 0;
};

}  // namespace karnea
