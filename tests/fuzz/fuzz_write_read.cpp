// Any record the writer accepts reads back the same: a file read and written
// once (which puts it into the writer's form) reads back to a record that is
// written with the same bytes again.
#include <cstdlib>

#include "base/messages.h"
#include "fuzzsupport.h"
#include "records/datafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string content = fuzz::Text(data, size);
    SilentMessages quiet;
    TestRecord test;
    ReadTestFile(content, test, quiet);
    if (FindUnwritableText(test).empty()) {
        const std::string first = WriteTestFile(test);
        TestRecord again;
        ReadTestFile(first, again, quiet);
        if (WriteTestFile(again) != first) {
            std::abort();
        }
    }
    CalibrationRecord calibration;
    ReadCalibrationFile(content, calibration, quiet);
    if (FindUnwritableText(calibration).empty()) {
        const std::string first = WriteCalibrationFile(calibration);
        CalibrationRecord again;
        ReadCalibrationFile(first, again, quiet);
        if (WriteCalibrationFile(again) != first) {
            std::abort();
        }
    }
    return 0;
}
