#include "base/messages.h"

namespace karnea {

namespace {

std::string Replace(std::string_view templ, std::string_view mark, std::string_view arg) {
    std::string out;
    out.reserve(templ.size() + arg.size());
    std::size_t start = 0;
    for (std::size_t at = templ.find(mark); at != std::string_view::npos;
         at = templ.find(mark, start)) {
        out.append(templ.substr(start, at - start));
        out.append(arg);
        start = at + mark.size();
    }
    out.append(templ.substr(start));
    return out;
}

}  // namespace

std::string FormatMessage(std::string_view templ, std::string_view arg1) {
    return Replace(templ, "%1", arg1);
}

std::string FormatMessage(std::string_view templ, std::string_view arg1, std::string_view arg2) {
    // The second argument first, so that a "%2" inside the first stays.
    return Replace(Replace(templ, "%2", arg2), "%1", arg1);
}

std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args) {
    std::string out;
    for (std::size_t i = 0; i < templ.size(); ++i) {
        const std::size_t n =
            i + 1 < templ.size() && templ[i] == '%' ? templ[i + 1] - '1' : args.size();
        if (n < args.size()) {
            out.append(*(args.begin() + n));
            ++i;
        } else {
            out.push_back(templ[i]);
        }
    }
    return out;
}

}  // namespace karnea
