// What the data-entry boxes accept: texts the data and settings files can
// hold, numbers as an input method types them, and the refusal a dialog's
// check gives with the box it is about.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

// The kinds of text a box holds.
enum class TextKind {
    cell,   // a reading cell: no double quote, no "$$", no line break, short
    header  // a header text, and a setting (new records take some of them):
            // no "$$", no line break
};

// The most a reading cell holds (CP932 bytes), so that a row of ten cells
// always fits the longest row line the reader takes.
inline constexpr std::size_t kLongestCellBytes = 100;

// Why `utf8` cannot stand in a box of `kind` ("使用できない文字です: $$"), or
// empty when it can. Every character must have a CP932 form.
std::string RefusalOfText(TextKind kind, std::string_view utf8);

// What an input method types into a number box, in ASCII: full-width digits,
// letters and signs ("５５０", "．", "－", "＋", "ｅ") as their ASCII forms,
// "ー" and the minus sign U+2212 as "-", the kana mode's full stop ("。")
// as ".", and full-width blanks around the number dropped. Other characters
// stay as they are.
std::string NumberInputToAscii(std::string_view utf8);

// Why a number box cannot hold `utf8` after NumberInputToAscii: its first
// character outside ASCII, a comma ("使用できない文字です: 、") or a tab, or
// empty. No number field keeps one: the reading of a number stops there and
// takes the shorter number without a word ("12、5" would be 12).
std::string RefusalOfNumber(std::string_view utf8);

// A dialog's check that refused OK: the message, and the name of the box to
// put the focus on (the dialogs name their boxes so).
struct Refusal {
    std::string message;
    std::string box;
};

// The refusal of a value outside `range`, naming the range and the box.
Refusal OutOfRange(SettingRange range, bool integer, std::string box);

// A box's text as a whole number, or a number, within `range`: nothing when
// it is one, else the refusal that names the range and the box.
std::optional<Refusal> CheckInteger(const std::string& text, SettingRange range, std::string box);
std::optional<Refusal> CheckNumber(const std::string& text, SettingRange range, std::string box);

// The header dialogs' check of the date: a date typed that is not real is
// refused with why, on the box at fault ("era", "field<number>"); none typed
// is taken.
std::optional<Refusal> RefuseDate(const HeaderTexts& header);

}  // namespace karnea
