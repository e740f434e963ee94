// Converting between CP932 and UTF-8, one implementation for each system
// (codepage_iconv.cpp, codepage_windows.cpp); the encoding module holds the
// rules for what cannot be converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/encoding.h"

namespace karnea {

class Cp932Decoder::Converter {
public:
    enum class Direction { toUtf8, toCp932 };
    explicit Converter(Direction direction);
    ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const;

    // Converts as much as possible. Returns false at an input sequence that
    // cannot be converted, leaving `in` pointing at it.
    bool run(const char*& in, std::size_t& inLeft, std::string& out);

private:
    [[maybe_unused]] Direction direction_;
    std::intptr_t handle_ = -1;
};

}  // namespace karnea
