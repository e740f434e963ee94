// The settings dialogs "様式 / 桁数" and "キー動作のオプション" without
// widgets: the working copies, "標準の設定", the decimals check and what OK
// stores in the settings (the caller then saves them).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "entry/edit.h"
#include "entry/entrytexts.h"

namespace karnea {

class StyleSettingsModel {
public:
    explicit StyleSettingsModel(const Settings& settings);

    // CP932 texts of the editable lists.
    std::string numberCaption, tableTitle, graphTitle, modulusName, modulusSymbol;
    int volumeUnit = 0;  // 0 "ml", 1 "cm3 "
    bool rotateAxisNames = false;
    bool hidePointLetters = false;
    // The decimals boxes as typed: Pw, Pz, Pm, Pm+Pz/Pi/P, V/dV/Vm, the
    // graph's points, dV, Em and a.
    enum Decimals { pw, pz, pm, pressure, volume, point, dv, em, a };
    std::array<std::string, 9> decimals;

    // "標準の設定".
    void Standard();
    // A decimals box that is not a whole number 0..6, and a text that new
    // records could not hold, are refused; the boxes are named
    // "decimals<index>", "numberCaption", "tableTitle" and "graphTitle".
    std::optional<Refusal> Check() const;
    // OK: the settings with the boxes' values, for "Sys.ndx".
    Edit Accept() const;

    // The entries of the lists (UTF-8).
    static const std::vector<std::string>& NumberCaptions();
    static const std::vector<std::string>& TableTitles();
    static const std::vector<std::string>& GraphTitles();
    static const std::vector<std::string>& ModulusNames();
    static const std::vector<std::string>& ModulusSymbols();

private:
    Settings settings_;
};

// "キー動作のオプション": the Enter key in the data-entry dialogs.
class KeySettingsModel {
public:
    explicit KeySettingsModel(const Settings& settings)
        : enterKeyMode(settings.enterKeyMode), settings_(settings) {}
    int enterKeyMode;  // 0 "Windows標準", 1 "次に移動", 2 "確定のみ"

    std::optional<Refusal> Check() const { return std::nullopt; }
    Edit Accept() const;

private:
    Settings settings_;
};

}  // namespace karnea
