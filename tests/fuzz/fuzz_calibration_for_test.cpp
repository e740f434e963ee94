// "開く" of the test header dialog: any file read as the test's calibration.
#include "base/messages.h"
#include "entry/testheadermodel.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string path = fuzz::WriteInput("c.kcw", data, size);
    TestRecord test;
    SilentMessages quiet;
    ReadCalibrationForTest(test, path, quiet);
    return 0;
}
