#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cstdlib>

#include "support/testsupport.h"
#include "support/testsystem.h"

namespace karnea::test {

// GetTempPath reads TMP first.
const char* const kTemporaryFolderVariable = "TMP";
const bool kPosixFiles = false;
const char* const kAbsoluteFolder = "C:\\X";
const char* const kOtherSystemsFolder = "/VardoXQ/Kvar5";

long PeakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

bool MakeFifo(const std::string&) {
    return false;
}

void SetEnvironment(const char* name, const std::string& value) {
    _putenv_s(name, value.c_str());
}

void UnsetEnvironment(const char* name) {
    _putenv_s(name, "");
}

// Windows has no superuser that permissions do not stop.
bool AsOrdinaryUser(const std::function<bool()>& check) {
    return check();
}

}  // namespace karnea::test
