#include "entry/entrytexts.h"

#include <charconv>

namespace karnea {
namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

template <typename T>
std::optional<T> Whole(const std::string& text) {
    std::string t = Trimmed(text);
    if (!t.empty() && t[0] == '+') {
        t.erase(0, 1);
    }
    T value{};
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value);
    if (t.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool SettingTextAllowed(const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos;
}

bool HeaderTextAllowed(const std::string& text) {
    return SettingTextAllowed(text) && text.find("$$") == std::string::npos;
}

bool CellTextAllowed(const std::string& text) {
    return HeaderTextAllowed(text) && text.find('"') == std::string::npos;
}

std::optional<int> WholeInteger(const std::string& text) {
    return Whole<int>(text);
}

std::optional<double> WholeNumber(const std::string& text) {
    return Whole<double>(text);
}

}  // namespace karnea
