// Golden files: an output compared with the checked-in one under
// tests/data/golden; KARNEA_UPDATE_EXPECTED=1 rewrites them after a
// deliberate change.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/testsupport.h"

namespace karnea::test {

inline void ExpectGolden(const std::string& name, const std::string& ops) {
    const std::string path =
        (std::filesystem::path(KARNEA_TEST_DATA_DIR) / "golden" / (name + ".ops")).string();
    if (std::getenv("KARNEA_UPDATE_EXPECTED") != nullptr) {
        WriteBytes(path, ops);
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_TRUE(ReadBytes(path) == ops) << name << ": the drawing differs from " << path;
}

}  // namespace karnea::test
