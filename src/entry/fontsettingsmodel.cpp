#include "entry/fontsettingsmodel.h"

#include <cmath>

#include "base/messages.h"
#include "base/textfields.h"

namespace karnea {
namespace {

constexpr const char* kCaptions[] = {"　タイトル", "　見出し",   "　データ表",
                                     "　グラフ",   "　計算結果", "　ページ"};
constexpr const char* kDescriptions[] = {
    "図表最上部のタイトル",   "調査名、年月日などの標題部分", "データ表の内部の数字、文字",
    "グラフの目盛り文字など", "計算経過式、計算結果",         "フッタ ページ部分"};

}  // namespace

FontSettingsModel::FontSettingsModel(const Settings& settings)
    : settings_(settings), fonts_(settings.fonts) {}

std::string FontSettingsModel::SizeText(FontRole role) const {
    const double size = font(role).size;
    return FormatText(" %2d     (%.1f)", static_cast<int>(std::lround(size)), size);
}

namespace {

std::optional<Refusal> CheckSize(FontRole role, double size) {
    if (FontSizeRange(role).Contains(size)) {
        return std::nullopt;
    }
    return OutOfRange(FontSizeRange(role), false, FormatText("size%d", static_cast<int>(role)));
}

}  // namespace

std::optional<Refusal> FontSettingsModel::Choose(FontRole role, const FontSetting& chosen) {
    FontSetting font = chosen;
    font.size = AsSaved(font.size, kFontSizeDecimals);
    if (std::optional<Refusal> refusal = CheckSize(role, font.size)) {
        return refusal;
    }
    fonts_[Index(role)] = font;
    ++changes_;
    return std::nullopt;
}

std::optional<Refusal> FontSettingsModel::Check() const {
    for (int k = 1; k <= kFontRoleCount; ++k) {
        const auto role = static_cast<FontRole>(k);
        if (std::optional<Refusal> refusal = CheckSize(role, font(role).size)) {
            return refusal;
        }
    }
    return std::nullopt;
}

void FontSettingsModel::Standard() {
    for (int k = 1; k <= kFontRoleCount; ++k) {
        const auto role = static_cast<FontRole>(k);
        fonts_[Index(role)] = StandardFont(role);
    }
}

bool FontSettingsModel::Cancel(Messages& messages) const {
    return changes_ == 0 || messages.AskYesNo(msg::cancelAfterChanges);
}

Edit FontSettingsModel::Accept() {
    Edit edit{.name = editName::fonts, .settings = settings_, .files = fontFiles};
    edit.settings->fonts = fonts_;
    changes_ = 0;
    return edit;
}

const char* FontSettingsModel::Caption(FontRole role) {
    return kCaptions[Index(role)];
}

const char* FontSettingsModel::Description(FontRole role) {
    return kDescriptions[Index(role)];
}

}  // namespace karnea
