// The settings dialog "線種 / 係数 / マージン" without widgets: the boxes as
// typed, the colour and black-and-white modes of the grid, "標準の設定", the
// number checks and what OK stores in the settings (the caller saves them).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "entry/edit.h"
#include "entry/entrytexts.h"

namespace karnea {

class LineSettingsModel {
public:
    explicit LineSettingsModel(const Settings& settings);

    // The boxes as typed (CP932).
    std::string frameWidth, ruleWidth, gridWidth, dashLength, gapLength;
    std::string colour;  // "0x%06x", 0x00BBGGRR
    std::string v0, a, c;
    std::string companyName;
    enum Margin { graphTop, graphLeft, tableTop, tableLeft };
    std::array<std::string, 4> margins;
    bool showSiCoefficient = false;

    // The grid: "カラー" (false) draws solid lines in the colour, so the gap
    // is 0 and the dash boxes are closed; "白黒" (true) draws dashes in black.
    bool monochrome() const { return monochrome_; }
    void SetMonochrome(bool monochrome);
    bool colourEnabled() const { return !monochrome_; }
    bool dashEnabled() const { return monochrome_; }
    // The note under the grid group (UTF-8).
    std::string GridNote() const;

    // The colour of the box as a number, and a chosen colour into the box.
    long ColourValue() const;
    void SetColour(long colour);

    // "標準の設定".
    void Standard();
    // Every box within the range of its setting, the colour a colour and
    // the company name a text new records can hold; the refusal names the
    // box as the dialog does.
    std::optional<Refusal> Check() const;
    // OK: the settings with the boxes' values, for "Sys.ndx".
    Edit Accept() const;

private:
    Settings settings_;
    bool monochrome_ = false;
};

}  // namespace karnea
