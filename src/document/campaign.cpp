#include "document/campaign.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>
#include <optional>
#include <tuple>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "document/documentfile.h"
#include "document/startup.h"

namespace karnea {
namespace {

std::string FileNameOf(const std::string& path) {
    return PathText(PathOf(path).filename());
}

bool NamesTestFile(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string end = name.substr(name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".kdw";
}

// A reason on one line, as the page shows it.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Numbers the pages a target is given from 1 through the whole report.
class ReportPages : public PageTarget {
public:
    explicit ReportPages(PageTarget& inner) : inner_(inner) {}
    Surface* BeginPage(int, DocumentKind kind) override {
        return inner_.BeginPage(++current_, kind);
    }
    bool EndPage(int) override { return inner_.EndPage(current_); }

private:
    PageTarget& inner_;
    int current_ = 0;
};

}  // namespace

std::vector<std::string> CampaignFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        std::error_code ec;
        if (!std::filesystem::is_directory(PathOf(argument), ec)) {
            files.push_back(argument);
            continue;
        }
        std::vector<std::string> inFolder;
        std::filesystem::directory_iterator entries(PathOf(argument), ec);
        if (ec) {
            // The reading names the folder and why.
            files.push_back(argument);
            continue;
        }
        for (const auto& entry : entries) {
            if (NamesTestFile(PathText(entry.path().filename()))) {
                inFolder.push_back(PathText(entry.path()));
            }
        }
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

namespace {

// A fingerprint of a test's readings.
std::size_t ReadingsOf(const TestRecord& test) {
    std::size_t h = 0;
    for (const TestRow& row : test.testRows) {
        for (const std::string& field : row) {
            h = h * 31 + std::hash<std::string>{}(field);
        }
    }
    return h;
}

// A test file opened as the open command does, on a copy of `started`, with
// the record defaults; or nothing, with the reason in `reason`.
std::unique_ptr<Workspace> OpenTest(const std::string& path, const Workspace& started,
                                    std::string& reason) {
    auto ws = std::make_unique<Workspace>(started);
    KeptMessages messages;
    std::optional<OpenedFile> opened;
    reason = WhyUnreadable(path);
    try {
        if (reason.empty()) {
            opened = OpenDataFile(*ws, path, messages, true);
        }
    } catch (const std::bad_alloc&) {
        // One file the memory cannot hold is skipped, not the whole batch.
        messages.Show("メモリが足りないため読めませんでした");
    }
    if (reason.empty() && !opened) {
        reason = messages.shown.empty() ? "読めませんでした" : messages.shown.front();
    } else if (reason.empty() && opened->documentKind != DocumentKind::test) {
        reason = "試験ではなくキャリブレーションのファイルです";
    }
    if (!reason.empty()) {
        return nullptr;
    }
    LoadSettingsAndDefaults(*ws, false, messages);
    return ws;
}

}  // namespace

Campaign ReadCampaign(const std::vector<std::string>& paths, const Workspace& started,
                      const CampaignProgress& progress, bool headersOnly) {
    Campaign campaign;
    campaign.started = started;
    for (std::size_t read = 0; read < paths.size(); ++read) {
        if (progress && !progress(read, paths.size())) {
            campaign.stopped = true;
            break;
        }
        const std::string& path = paths[read];
        std::string reason;
        std::unique_ptr<Workspace> ws = OpenTest(path, started, reason);
        if (!ws) {
            campaign.skipped.push_back({Utf8ToCp932(ReadableName(FileNameOf(path))),
                                        Utf8ToCp932(ReadableName(OneLine(reason)))});
            continue;
        }
        auto test = std::make_unique<CampaignTest>();
        test->path = path;
        test->pages = PageCount(PagesOf(*ws));
        test->readings = ReadingsOf(ws->test);
        if (headersOnly) {
            test->header = ws->test.testHeader;
        } else {
            test->ws = std::move(ws);
        }
        campaign.tests.push_back(std::move(test));
    }

    const auto key = [](const std::unique_ptr<CampaignTest>& t) {
        const HeaderTexts& h = t->Header();
        return std::make_tuple(h[header::surveyName], h[header::surveyNumber], TestDepth(h),
                               t->path);
    };
    std::stable_sort(campaign.tests.begin(), campaign.tests.end(),
                     [&](const auto& a, const auto& b) { return key(a) < key(b); });
    for (const auto& t : campaign.tests) {
        const HeaderTexts& h = t->Header();
        if (campaign.boreholes.empty() ||
            campaign.boreholes.back().surveyName != h[header::surveyName] ||
            campaign.boreholes.back().surveyNumber != h[header::surveyNumber]) {
            campaign.boreholes.push_back({h[header::surveyName], h[header::surveyNumber], {}, {}});
        }
        campaign.boreholes.back().tests.push_back(
            {Utf8ToCp932(ReadableName(FileNameOf(t->path))), &h});
    }
    if (!campaign.boreholes.empty()) {
        campaign.boreholes.front().skipped = campaign.skipped;
    }
    return campaign;
}

int CampaignPageCount(const Campaign& campaign) {
    int count = 0;
    for (const BoreholeProfile& b : campaign.boreholes) {
        count += DepthProfilePageCount(b);
    }
    for (const auto& t : campaign.tests) {
        count += t->pages;
    }
    return count;
}

bool DrawCampaign(const Campaign& campaign, const Settings& settings, PageTarget& target,
                  Messages& messages) {
    ReportPages report(target);
    std::size_t next = 0;
    for (const BoreholeProfile& borehole : campaign.boreholes) {
        for (int page = 1, count = DepthProfilePageCount(borehole); page <= count; ++page) {
            Surface* surface = report.BeginPage(page, DocumentKind::test);
            if (surface == nullptr) {
                return false;
            }
            DrawDepthProfile(borehole, page, settings, *surface, messages);
            if (!report.EndPage(page)) {
                return false;
            }
        }
        for (std::size_t i = 0; i < borehole.tests.size(); ++i, ++next) {
            const CampaignTest& test = *campaign.tests[next];
            // A test kept by its header alone is opened again, and must be
            // the test the profile shows.
            std::unique_ptr<Workspace> opened;
            const Workspace* ws = test.ws.get();
            if (ws == nullptr) {
                std::string reason;
                opened = OpenTest(test.path, campaign.started, reason);
                if (!opened || opened->test.testHeader != test.header ||
                    ReadingsOf(opened->test) != test.readings) {
                    messages.Show(FormatMessage(msg::fileChangedMeanwhile,
                                                ReadableName(FileNameOf(test.path))));
                    continue;
                }
                ws = opened.get();
            }
            const PageSource source = PagesOf(*ws);
            if (!DrawPages(source, AllPages(source), report, messages)) {
                return false;
            }
        }
    }
    return true;
}

std::string ReadableFileName(const CampaignTest& test) {
    return ReadableName(PathText(PathOf(test.path).filename()));
}

}  // namespace karnea
