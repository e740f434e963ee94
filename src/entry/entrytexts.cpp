#include "entry/entrytexts.h"

namespace karnea {

bool HeaderTextAllowed(const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos && text.find("$$") == std::string::npos;
}

bool CellTextAllowed(const std::string& text) {
    return HeaderTextAllowed(text) && text.find('"') == std::string::npos;
}

}  // namespace karnea
