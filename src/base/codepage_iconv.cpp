#include <iconv.h>

#include <cerrno>

#include "base/codepage.h"

namespace karnea {
namespace {

// The one place that names the converter. "CP932" (not "SHIFT_JIS") keeps the
// NEC and IBM extension rows, and keeps 0x5C as a backslash.
constexpr const char* kCodePage = "CP932";

iconv_t Cd(std::intptr_t handle) {
    return reinterpret_cast<iconv_t>(handle);
}

}  // namespace

Cp932Decoder::Converter::Converter(Direction direction)
    : direction_(direction),
      handle_(reinterpret_cast<std::intptr_t>(direction == Direction::toUtf8
                                                  ? iconv_open("UTF-8", kCodePage)
                                                  : iconv_open(kCodePage, "UTF-8"))) {}

Cp932Decoder::Converter::~Converter() {
    if (ok()) {
        iconv_close(Cd(handle_));
    }
}

bool Cp932Decoder::Converter::ok() const {
    return handle_ != -1;
}

bool Cp932Decoder::Converter::run(const char*& in, std::size_t& inLeft, std::string& out) {
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        char* inPtr = const_cast<char*>(in);
        const std::size_t rc = iconv(Cd(handle_), &inPtr, &inLeft, &outPtr, &outLeft);
        in = inPtr;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            iconv(Cd(handle_), nullptr, nullptr, nullptr, nullptr);
            return false;
        }
    }
    return true;
}

}  // namespace karnea
