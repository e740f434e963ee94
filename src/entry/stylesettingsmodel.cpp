#include "entry/stylesettingsmodel.h"

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "settings/settings.h"

namespace karnea {
namespace {

// The settings each decimals box edits, in box order.
constexpr int Settings::*kDecimalSettings[] = {
    &Settings::pwDecimals,       &Settings::pzDecimals,     &Settings::pmDecimals,
    &Settings::pressureDecimals, &Settings::volumeDecimals, &Settings::pointDecimals,
    &Settings::dvDecimals,       &Settings::emDecimals,     &Settings::aDecimals};

}  // namespace

StyleSettingsModel::StyleSettingsModel(const Settings& s)
    : numberCaption(s.defaultNumberCaption),
      tableTitle(s.defaultTableTitle),
      graphTitle(s.defaultGraphTitle),
      modulusName(s.modulusName),
      modulusSymbol(s.modulusSymbol),
      volumeUnit(static_cast<int>(VolumeUnitOf(s))),
      rotateAxisNames(s.rotateAxisNames != 0),
      hidePointLetters(s.hidePointLetters != 0),
      settings_(s) {
    for (std::size_t i = 0; i < decimals.size(); ++i) {
        decimals[i] = FormatText("%d", s.*kDecimalSettings[i]);
    }
}

void StyleSettingsModel::Standard() {
    numberCaption = Sjis("Ｎｏ．");
    volumeUnit = 0;
    tableTitle = Sjis("測定結果表");
    graphTitle = Sjis("測定結果図");
    modulusName = Sjis("変形係数");
    modulusSymbol = Sjis("Ｅm");
    rotateAxisNames = true;
    hidePointLetters = false;
    decimals = {"0", "0", "0", "0", "1", "0", "1", "2", "5"};
}

std::optional<Refusal> StyleSettingsModel::Check() const {
    for (std::size_t i = 0; i < decimals.size(); ++i) {
        if (auto refusal =
                CheckInteger(decimals[i], settingRange::decimals, "decimals" + std::to_string(i))) {
            return refusal;
        }
    }
    const std::pair<const std::string*, const char*> texts[] = {{&numberCaption, "numberCaption"},
                                                                {&tableTitle, "tableTitle"},
                                                                {&graphTitle, "graphTitle"}};
    for (const auto& [text, box] : texts) {
        if (std::string why = RefusalOfText(TextKind::header, Cp932ToUtf8(*text)); !why.empty()) {
            return Refusal{why, box};
        }
    }
    return std::nullopt;
}

Edit StyleSettingsModel::Accept() const {
    Edit edit{.name = editName::style, .settings = settings_, .files = generalSettingsFile};
    Settings& s = *edit.settings;
    s.defaultNumberCaption = numberCaption;
    s.volumeUnit = volumeUnit;
    s.defaultTableTitle = tableTitle;
    s.defaultGraphTitle = graphTitle;
    s.modulusName = modulusName;
    s.modulusSymbol = modulusSymbol;
    s.rotateAxisNames = rotateAxisNames ? 1 : 0;
    s.hidePointLetters = hidePointLetters ? 1 : 0;
    for (std::size_t i = 0; i < decimals.size(); ++i) {
        s.*kDecimalSettings[i] = ParseInteger(decimals[i]).value_or(0);
    }
    return edit;
}

Edit KeySettingsModel::Accept() const {
    Edit edit{.name = editName::keys, .settings = settings_, .files = generalSettingsFile};
    edit.settings->enterKeyMode = enterKeyMode;
    return edit;
}

const std::vector<std::string>& StyleSettingsModel::NumberCaptions() {
    static const std::vector<std::string> entries = {
        "No.", "Ｎｏ．", "ボーリングNo.", "ボーリングＮｏ．", "ボーリング名", "地点No.", ""};
    return entries;
}

const std::vector<std::string>& StyleSettingsModel::TableTitles() {
    static const std::vector<std::string> entries = {"測定データシート", "カルネア測定データシート",
                                                     "測定結果表"};
    return entries;
}

const std::vector<std::string>& StyleSettingsModel::GraphTitles() {
    static const std::vector<std::string> entries = {"試験結果図", "カルネア試験結果図",
                                                     "測定結果図"};
    return entries;
}

const std::vector<std::string>& StyleSettingsModel::ModulusNames() {
    static const std::vector<std::string> entries = {"変形係数", "弾性係数", ""};
    return entries;
}

const std::vector<std::string>& StyleSettingsModel::ModulusSymbols() {
    static const std::vector<std::string> entries = {"Em", "Es", "E", "Ｅm", "Ｅs", "Ｅ", "Ｇ"};
    return entries;
}

}  // namespace karnea
