#include "base/messages.h"

namespace karnea {

std::string FormatMessage(std::string_view templ, std::string_view arg1) {
    std::string out;
    out.reserve(templ.size() + arg1.size());
    std::size_t start = 0;
    for (std::size_t at = templ.find("%1"); at != std::string_view::npos;
         at = templ.find("%1", start)) {
        out.append(templ.substr(start, at - start));
        out.append(arg1);
        start = at + 2;
    }
    out.append(templ.substr(start));
    return out;
}

}  // namespace karnea
