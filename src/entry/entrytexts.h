// What the data-entry boxes accept: texts the data file can hold.
#pragma once

#include <string>

namespace karnea {

// A reading cell: no double quote, no "$$" and no line break.
bool CellTextAllowed(const std::string& text);

// A header text: no "$$" and no line break.
bool HeaderTextAllowed(const std::string& text);

}  // namespace karnea
