// What the tests need of the system they run on, one implementation for
// each (testsystem_posix.cpp, testsystem_windows.cpp).
#pragma once

#include <string>

namespace karnea::test {

void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);

}  // namespace karnea::test
