// What the data-entry boxes accept: texts the data and settings files can
// hold, and the numbers the settings dialogs' boxes take.
#pragma once

#include <optional>
#include <string>

namespace karnea {

// A reading cell: no double quote, no "$$" and no line break.
bool CellTextAllowed(const std::string& text);

// A header text: no "$$" and no line break.
bool HeaderTextAllowed(const std::string& text);

// A settings text: no line break.
bool SettingTextAllowed(const std::string& text);

// The whole box as a whole number or a real number (blanks around it
// allowed); nothing otherwise.
std::optional<int> WholeInteger(const std::string& text);
std::optional<double> WholeNumber(const std::string& text);

}  // namespace karnea
