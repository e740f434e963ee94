// The program's version: one number, set where the build is described, for
// both programs, the About box and the packages.
#pragma once

#include <string_view>

namespace karnea {

std::string_view ProgramVersion();

}  // namespace karnea
