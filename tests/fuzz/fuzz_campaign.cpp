// Any file that opens as a test, read twice into a campaign: its depth
// profile draws a bounded number of operations on every page, and its AGS
// export, checks and limit suggestion come out (under the sanitizers).
#include <cstdlib>

#include "analysis/quality.h"
#include "base/messages.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string path = fuzz::WriteInput("c.kdw", data, size);
    Workspace started;
    ApplyStandardSettings(started.settings);
    started.settings.generalLoaded = true;
    started.settings.fontsLoaded = true;
    started.settings.locationFound = true;
    const Campaign campaign = ReadCampaign({path, path}, started);
    SilentMessages quiet;
    for (const BoreholeProfile& borehole : campaign.boreholes) {
        for (int page = 1, count = DepthProfilePageCount(borehole); page <= count; ++page) {
            fuzz::CountingSurface surface;
            DrawDepthProfile(borehole, page, started.settings, surface, quiet);
            if (surface.operations > fuzz::kMostOperations) {
                std::abort();
            }
        }
    }
    WriteAgsFile(campaign, "2026-01-01", {"x", true});
    for (const auto& test : campaign.tests) {
        CheckTestQuality(test->ws->test, started.settings);
        SuggestLimitPressure(test->ws->test, started.settings);
    }
    return 0;
}
