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
#include "base/orderedwork.h"
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
    // A question no one is there to answer is answered No, and its first
    // line is why the file was skipped.
    struct Unasked : KeptMessages {
        bool AskYesNo(std::string_view text) override {
            shown.emplace_back(text.substr(0, text.find('\n')));
            return false;
        }
    } messages;
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
                      const CampaignProgress& progress, bool headersOnly, int jobs) {
    Campaign campaign;
    campaign.started = started;
    // A file read: the test, or why it was skipped.
    struct Read {
        std::unique_ptr<CampaignTest> test;
        std::string reason;
    };
    const auto read = [&](std::size_t i) {
        Read r;
        std::unique_ptr<Workspace> ws = OpenTest(paths[i], started, r.reason);
        if (!ws) {
            return r;
        }
        r.test = std::make_unique<CampaignTest>();
        r.test->path = paths[i];
        r.test->pages = PageCount(PagesOf(*ws));
        r.test->readings = ReadingsOf(ws->test);
        if (headersOnly) {
            r.test->header = ws->test.testHeader;
        } else {
            r.test->ws = std::move(ws);
        }
        return r;
    };
    const auto keep = [&](std::size_t i, Read&& r) {
        if (progress && !progress(i, paths.size())) {
            return false;
        }
        if (r.test) {
            campaign.tests.push_back(std::move(r.test));
        } else {
            campaign.skipped.push_back({Utf8ToCp932(ReadableName(FileNameOf(paths[i]))),
                                        Utf8ToCp932(ReadableName(OneLine(r.reason)))});
        }
        return true;
    };
    campaign.stopped = !MakeInOrder(paths.size(), jobs, read, keep);

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

std::vector<CampaignPart> CampaignParts(const Campaign& campaign, int pages) {
    std::vector<CampaignPart> parts(1);
    const auto add = [&](auto piece, int count) {
        if (parts.back().pages >= pages && !parts.back().pieces.empty()) {
            parts.emplace_back();
        }
        parts.back().pieces.emplace_back(piece);
        parts.back().pages += count;
    };
    std::size_t next = 0;
    for (const BoreholeProfile& borehole : campaign.boreholes) {
        add(&borehole, DepthProfilePageCount(borehole));
        for (std::size_t i = 0; i < borehole.tests.size(); ++i, ++next) {
            add(campaign.tests[next].get(), campaign.tests[next]->pages);
        }
    }
    if (parts.back().pieces.empty()) {
        parts.pop_back();
    }
    return parts;
}

namespace {

bool DrawProfile(const BoreholeProfile& borehole, const Settings& settings, PageTarget& target,
                 Messages& messages) {
    for (int page = 1, count = DepthProfilePageCount(borehole); page <= count; ++page) {
        Surface* surface = target.BeginPage(page, DocumentKind::test);
        if (surface == nullptr) {
            return false;
        }
        DrawDepthProfile(borehole, page, settings, *surface, messages);
        if (!target.EndPage(page)) {
            return false;
        }
    }
    return true;
}

bool DrawTest(const CampaignTest& test, const Workspace& started, PageTarget& target,
              Messages& messages) {
    // A test kept by its header alone is opened again, and must be the test
    // the profile shows.
    std::unique_ptr<Workspace> opened;
    const Workspace* ws = test.ws.get();
    if (ws == nullptr) {
        std::string reason;
        opened = OpenTest(test.path, started, reason);
        if (!opened || opened->test.testHeader != test.header ||
            ReadingsOf(opened->test) != test.readings) {
            messages.Show(
                FormatMessage(msg::fileChangedMeanwhile, ReadableName(FileNameOf(test.path))));
            return true;
        }
        ws = opened.get();
    }
    const PageSource source = PagesOf(*ws);
    return DrawPages(source, AllPages(source), target, messages);
}

}  // namespace

bool DrawCampaignPart(const Campaign& campaign, const CampaignPart& part, const Settings& settings,
                      PageTarget& target, Messages& messages) {
    for (const auto& piece : part.pieces) {
        const bool drawn =
            std::holds_alternative<const BoreholeProfile*>(piece)
                ? DrawProfile(*std::get<const BoreholeProfile*>(piece), settings, target, messages)
                : DrawTest(*std::get<const CampaignTest*>(piece), campaign.started, target,
                           messages);
        if (!drawn) {
            return false;
        }
    }
    return true;
}

bool DrawCampaign(const Campaign& campaign, const Settings& settings, PageTarget& target,
                  Messages& messages) {
    ReportPages report(target);
    for (const CampaignPart& part : CampaignParts(campaign, 0)) {
        if (!DrawCampaignPart(campaign, part, settings, report, messages)) {
            return false;
        }
    }
    return true;
}

std::optional<PageRecording> RecordCampaign(const Campaign& campaign, const Settings& settings,
                                            int dpiX, int dpiY, int jobs,
                                            const CampaignProgress& progress, Messages& messages) {
    const std::vector<CampaignPart> parts = CampaignParts(campaign, 0);
    const auto total = static_cast<std::size_t>(CampaignPageCount(campaign));
    struct Recorded {
        PageRecording pages;
        KeptMessages said;
    };
    const auto record = [&](std::size_t i) {
        Recorded r{PageRecording(dpiX, dpiY), {}};
        DrawCampaignPart(campaign, parts[i], settings, r.pages, r.said);
        return r;
    };
    PageRecording report(dpiX, dpiY);
    const auto keep = [&](std::size_t, Recorded&& r) {
        r.said.SayAgain(messages);
        report.Append(std::move(r.pages));
        return !progress || progress(static_cast<std::size_t>(report.PageCount()), total);
    };
    if (!MakeInOrder(parts.size(), jobs, record, keep)) {
        return std::nullopt;
    }
    return report;
}

std::string ReadableFileName(const CampaignTest& test) {
    return ReadableName(PathText(PathOf(test.path).filename()));
}

}  // namespace karnea
