// The depth profile of a borehole: Em, Pf' and Pl of its tests against depth
// in three panels side by side on a shared depth axis, and a table of every
// test's results under them; tests too many for one page continue the table
// on further pages. Drawn on the Surface like every page.
#pragma once

#include <string>
#include <vector>

#include "pages/surface.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class Messages;

// A test of the borehole, by its header, and the name of its file (CP932).
struct ProfileTest {
    std::string fileName;
    const HeaderTexts* header = nullptr;
};

// A file that could not be read, and why (CP932 both).
struct SkippedFile {
    std::string fileName;
    std::string reason;
};

// The tests of one borehole (ordered by depth), and the files of the report
// that were skipped (listed on its first page).
struct BoreholeProfile {
    std::string surveyName;
    std::string surveyNumber;
    std::vector<ProfileTest> tests;
    std::vector<SkippedFile> skipped;
};

// The depth of a test in metres below ground, whatever its sign.
double TestDepth(const HeaderTexts& testHeader);
inline double TestDepth(const TestRecord& test) {
    return TestDepth(test.testHeader);
}

// How many pages the profile takes (at least 1).
int DepthProfilePageCount(const BoreholeProfile& profile);

// Draws page `page` (from 1) of the profile.
void DrawDepthProfile(const BoreholeProfile& profile, int page, const Settings& settings,
                      Surface& surface, Messages& messages);

}  // namespace karnea
