// Many tests read together for one report: grouped by borehole (survey name
// and number), each borehole's tests in order of depth, and the files that
// could not be read kept with the reason.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "document/workspace.h"
#include "pages/depthprofile.h"
#include "pages/pagecomposer.h"
#include "pages/pagerecording.h"

namespace karnea {

class Messages;

// A test as the open command leaves it, with its file. A campaign read for
// its report alone keeps the test's header, and opens the file again when
// its pages are drawn, so that a report of many tests holds few at a time.
struct CampaignTest {
    std::string path;
    // The test; null when only the header is kept.
    std::unique_ptr<Workspace> ws;
    // The header when only the header is kept, and the test's pages.
    HeaderTexts header;
    int pages = 0;
    // What the test's readings were, to tell the test when it is opened again.
    std::size_t readings = 0;
    const HeaderTexts& Header() const { return ws ? ws->test.testHeader : header; }
};

// A test's file name, readable (UTF-8), as reports and exports name it.
std::string ReadableFileName(const CampaignTest& test);

struct Campaign {
    // Every test read, borehole after borehole, each borehole by depth.
    std::vector<std::unique_ptr<CampaignTest>> tests;
    // The boreholes, pointing into `tests`; the files skipped are listed on
    // the first borehole's profile.
    std::vector<BoreholeProfile> boreholes;
    std::vector<SkippedFile> skipped;
    // The reading was stopped before its last file (see CampaignProgress).
    bool stopped = false;
    // The workspace the tests were opened on, to open them again.
    Workspace started;
};

// Told after each file read (or page drawn), how many of how many; false
// stops the work. It is called on the thread that started the work.
using CampaignProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The data files that arguments name: a folder stands for every file in it
// whose name ends in ".kdw" in any case, in name order; anything else is
// taken as a file.
std::vector<std::string> CampaignFiles(const std::vector<std::string>& arguments);

// Opens every file as the open command does, on a copy of `started` (a
// workspace after the program's start). A file that does not open as a
// test is skipped with the first message its reading gave.
// With `headersOnly` each test keeps its header alone (for the report).
// The files are read on up to `jobs` threads; the campaign is the same
// whatever `jobs` is.
Campaign ReadCampaign(const std::vector<std::string>& paths, const Workspace& started,
                      const CampaignProgress& progress = {}, bool headersOnly = false,
                      int jobs = 1);

// How many pages the report has: each borehole's profile, then each of its
// tests' own pages.
int CampaignPageCount(const Campaign& campaign);

// A run of the report's pages that can be drawn on its own, beside the
// others: whole boreholes' profiles and whole tests, in the report's order.
struct CampaignPart {
    std::vector<std::variant<const BoreholeProfile*, const CampaignTest*>> pieces;
    int pages = 0;
};

// The report in parts of at least `pages` pages each (the last may have
// fewer), cut the same way whatever draws them.
std::vector<CampaignPart> CampaignParts(const Campaign& campaign, int pages);

// Draws a part's pages in order onto `target`. A test kept by its header is
// opened again; one whose file has changed since (or is gone) is said, and
// its pages are left out. Parts may be drawn side by side on threads of
// their own: a part reads the campaign and the settings, and changes
// nothing but the target and the messages it is given.
bool DrawCampaignPart(const Campaign& campaign, const CampaignPart& part, const Settings& settings,
                      PageTarget& target, Messages& messages);

// Draws the report's pages in order, numbered from 1 through the report.
bool DrawCampaign(const Campaign& campaign, const Settings& settings, PageTarget& target,
                  Messages& messages);

// The report's pages kept in a recording at the given resolution, drawn a
// test at a time on up to `jobs` threads. `progress` is told the pages
// drawn; nothing when it stopped the drawing.
std::optional<PageRecording> RecordCampaign(const Campaign& campaign, const Settings& settings,
                                            int dpiX, int dpiY, int jobs,
                                            const CampaignProgress& progress, Messages& messages);

}  // namespace karnea
