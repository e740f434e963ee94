# Writes OUTPUT, a C++ source whose function NAME returns the bytes of INPUT
# unchanged, so that a file shipped with the program lives in the program.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
if(length EQUAL 0)
    set(bytes "0x00")
endif()
math(EXPR size "${length} / 2")
file(WRITE "${OUTPUT}.new" "// Made by cmake/embed.cmake from ${INPUT}; do not edit.
#include <string_view>

namespace karnea {
namespace {
const unsigned char kBytes[] = {
    ${bytes}
};
}  // namespace

std::string_view ${NAME}() {
    return {reinterpret_cast<const char*>(kBytes), ${size}};
}

}  // namespace karnea
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
