// Many tests read together for one report: grouped by borehole (survey name
// and number), each borehole's tests in order of depth, and the files that
// could not be read kept with the reason.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/workspace.h"
#include "pages/depthprofile.h"
#include "pages/pagecomposer.h"

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

// Told after each file read, how many of how many; false stops the reading.
// It may be called on a thread of its own: the reading shares nothing.
using CampaignProgress = std::function<bool(std::size_t read, std::size_t total)>;

// The data files that arguments name: a folder stands for every file in it
// whose name ends in ".kdw" in any case, in name order; anything else is
// taken as a file.
std::vector<std::string> CampaignFiles(const std::vector<std::string>& arguments);

// Opens every file as the open command does, on a copy of `started` (a
// workspace after the program's start). A file that does not open as a
// test is skipped with the first message its reading gave.
// With `headersOnly` each test keeps its header alone (for the report).
Campaign ReadCampaign(const std::vector<std::string>& paths, const Workspace& started,
                      const CampaignProgress& progress = {}, bool headersOnly = false);

// How many pages the report has: each borehole's profile, then each of its
// tests' own pages.
int CampaignPageCount(const Campaign& campaign);

// Draws the report's pages in order, numbered from 1 through the report. A
// test kept by its header is opened again; one whose file has changed since
// (or is gone) is said, and its pages are left out.
bool DrawCampaign(const Campaign& campaign, const Settings& settings, PageTarget& target,
                  Messages& messages);

}  // namespace karnea
