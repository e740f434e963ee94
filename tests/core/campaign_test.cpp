#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "base/encoding.h"
#include "base/orderedwork.h"
#include "base/romaji.h"
#include "base/textfields.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "pages/depthprofile.h"
#include "pages/opsrecorder.h"
#include "records/datafile.h"
#include "records/testdate.h"
#include "support/agsrules.h"
#include "support/golden.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

// The AGS texts in romaji need the kakasi program (installed with the Linux
// build; not yet in the Windows package).
#define SKIP_WITHOUT_KAKASI()                                       \
    if (RomajiOf({"a"}).end != RunEnd::finished) {                  \
        GTEST_SKIP() << "the kakasi program is not installed here"; \
    }

using test::ScratchDir;

const std::string kCampaignDir = KARNEA_EXAMPLES_DIR "/campaign";

// The example campaign, a damaged file and a calibration, read as a command
// does after the program's start.
struct ExampleCampaign : ::testing::Test {
    ScratchDir dir;
    Workspace started;
    Campaign campaign;
    void SetUp() override {
        test::WriteStandardSettings(dir.file("settings"));
        started.settings.fixedFolder = dir.file("settings");
        RecordedMessages m;
        StartProgram(started, m);
        test::WriteBytes(dir.file("notes.kdw"), "not a data file\n");
        std::vector<std::string> files = CampaignFiles({kCampaignDir});
        files.push_back(dir.file("notes.kdw"));
        files.push_back(KARNEA_EXAMPLES_DIR "/calibration.kcw");
        campaign = ReadCampaign(files, started);
    }
};

// A report of the tests' headers alone draws the very pages of the whole
// tests, opening each again; a test changed since it was read is said and
// its pages left out, never drawn from the new file beside the old profile.
TEST_F(ExampleCampaign, ReportFromHeadersOpensEachTestAgain) {
    const auto draw = [&](const Campaign& c, RecordedMessages& m) {
        OpsRecorder ops(96, 96);
        EXPECT_TRUE(DrawCampaign(c, started.settings, ops, m));
        return ops.text();
    };
    RecordedMessages m;
    const std::string whole = draw(campaign, m);
    // The tests copied where one of them can change.
    std::vector<std::string> files;
    for (const std::string& f : CampaignFiles({kCampaignDir})) {
        files.push_back(dir.file(std::filesystem::path(f).filename().string()));
        test::WriteBytes(files.back(), test::ReadBytes(f));
    }
    files.push_back(dir.file("notes.kdw"));
    files.push_back(KARNEA_EXAMPLES_DIR "/calibration.kcw");
    const Campaign headers = ReadCampaign(files, started, {}, true);
    EXPECT_EQ(headers.tests.front()->ws, nullptr);
    EXPECT_EQ(CampaignPageCount(headers), CampaignPageCount(campaign));
    std::string fromHeaders = draw(headers, m);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(fromHeaders, whole);

    // One reading changed on disk after the tests were read.
    std::string changed = test::ReadBytes(files[2]);
    changed.replace(changed.find("\r\n100\r\n"), 7, "\r\n999\r\n");
    test::WriteBytes(files[2], changed);
    fromHeaders = draw(headers, m);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0],
              "B-1_10.5.kdw は読み込んだ後に変わったか無くなったため、そのページを除きました");
    EXPECT_LT(fromHeaders.size(), whole.size());
}

// Parts made side by side are taken in order, with few made ahead; a stop
// ends the work, and what a part throws reaches the caller once every
// thread has ended.
TEST(OrderedWork, PartsAreTakenInOrderWithFewHeld) {
    std::atomic<int> ahead{0};
    int mostAhead = 0;
    std::vector<std::size_t> taken;
    const auto make = [&](std::size_t i) {
        // Later parts are often ready first.
        std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 5 * 300));
        ++ahead;
        return i * i;
    };
    const auto take = [&](std::size_t i, std::size_t part) {
        // Made and not yet handed over.
        mostAhead = std::max(mostAhead, --ahead);
        EXPECT_EQ(part, i * i);
        taken.push_back(i);
        return true;
    };
    EXPECT_TRUE(MakeInOrder(200, 4, make, take));
    ASSERT_EQ(taken.size(), 200u);
    EXPECT_TRUE(std::is_sorted(taken.begin(), taken.end()));
    EXPECT_LE(mostAhead, 8);

    std::atomic<std::size_t> made{0};
    EXPECT_FALSE(MakeInOrder(
        1000, 4, [&](std::size_t i) { return ++made, i; },
        [](std::size_t i, std::size_t) { return i < 10; }));
    EXPECT_LE(made.load(), 11u + 8u);

    // No thread will start: the work is done on the calling thread.
    taken.clear();
    EXPECT_TRUE(MakeInOrder(
        5, 4, [](std::size_t i) { return i * i; },
        [&](std::size_t i, std::size_t) { return taken.push_back(i), true; },
        [](std::function<void()>) -> std::function<void()> {
            throw std::runtime_error("no thread");
        }));
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4}));

    EXPECT_THROW(MakeInOrder(
                     100, 3,
                     [](std::size_t i) {
                         if (i == 37) {
                             throw std::runtime_error("part 37");
                         }
                         return i;
                     },
                     [](std::size_t, std::size_t) { return true; }),
                 std::runtime_error);
}

// However many threads read the tests and draw the report, the campaign is
// the same (tests and skipped files in the same order) and so is every
// drawing operation of every page; what the drawing says comes in the
// report's order, and a stop keeps nothing.
TEST_F(ExampleCampaign, EveryThreadCountDrawsTheSameReport) {
    RecordedMessages m;
    OpsRecorder serial(96, 96);
    ASSERT_TRUE(DrawCampaign(campaign, started.settings, serial, m));
    std::vector<std::string> files = CampaignFiles({kCampaignDir});
    files.push_back(dir.file("notes.kdw"));
    files.push_back(KARNEA_EXAMPLES_DIR "/calibration.kcw");
    for (const int jobs : {1, 4}) {
        const Campaign c = ReadCampaign(files, started, {}, true, jobs);
        ASSERT_EQ(c.tests.size(), campaign.tests.size());
        for (std::size_t i = 0; i < c.tests.size(); ++i) {
            EXPECT_EQ(c.tests[i]->path, campaign.tests[i]->path) << jobs;
        }
        ASSERT_EQ(c.skipped.size(), 2u);
        EXPECT_EQ(c.skipped[0].fileName, "notes.kdw");
        EXPECT_EQ(c.skipped[1].fileName, "calibration.kcw");

        std::vector<std::size_t> told;
        const std::optional<PageRecording> report = RecordCampaign(
            c, started.settings, 96, 96, jobs,
            [&](std::size_t done, std::size_t total) {
                EXPECT_EQ(total, std::size_t(CampaignPageCount(c)));
                told.push_back(done);
                return true;
            },
            m);
        ASSERT_TRUE(report);
        OpsRecorder replayed(96, 96);
        ASSERT_TRUE(report->Replay(replayed));
        EXPECT_EQ(replayed.text(), serial.text()) << jobs;
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
        EXPECT_EQ(told.back(), std::size_t(CampaignPageCount(c)));
        EXPECT_FALSE(RecordCampaign(
            c, started.settings, 96, 96, jobs,
            [](std::size_t done, std::size_t) { return done < 3; }, m));
    }
    EXPECT_TRUE(m.shown.empty());
}

// The reading says how far it is, and stops when told to.
TEST_F(ExampleCampaign, ReadingReportsProgressAndStops) {
    const std::vector<std::string> files = CampaignFiles({kCampaignDir});
    std::vector<std::size_t> told;
    const Campaign stopped = ReadCampaign(files, started, [&](std::size_t read, std::size_t total) {
        EXPECT_EQ(total, files.size());
        told.push_back(read);
        return read < 2;
    });
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(stopped.stopped);
    EXPECT_LE(stopped.tests.size() + stopped.skipped.size(), 2u);
    EXPECT_FALSE(campaign.stopped);
}

TEST(CampaignFiles, AFolderGivesItsTestFilesInNameOrder) {
    ScratchDir dir;
    for (const char* name : {"b.kdw", "A.KDW", "c.Kdw", "d.kcw", "e.kdw.bak", "kdw"}) {
        test::WriteBytes(dir.file(name), "");
    }
    std::filesystem::create_directory(dir.file("sub.kdw"));
    EXPECT_EQ(CampaignFiles({dir.path().string(), "/elsewhere/x.kdw"}),
              (std::vector<std::string>{dir.file("A.KDW"), dir.file("b.kdw"), dir.file("c.Kdw"),
                                        dir.file("sub.kdw"), "/elsewhere/x.kdw"}));
}

// Whatever a folder holds under a test file's name, each one that is no
// test is named with its reason (on standard error and on the profile page),
// and so is a folder that cannot be listed; file names that are not UTF-8
// show readable.
TEST(CampaignFiles, WhatIsNoTestIsNamedWithTheReason) {
    if (!test::kPosixFiles) {
        GTEST_SKIP() << "links, pipes, permissions and names in any bytes are Linux's";
    }
    namespace fs = std::filesystem;
    ScratchDir dir;
    const std::string test = test::ReadBytes(KARNEA_EXAMPLES_DIR "/test.kdw");
    test::WriteBytes(dir.file("good.kdw"), test);
    test::WriteBytes(dir.file("\x82\xa0.kdw"), test);
    fs::create_symlink("loop.kdw", dir.file("loop.kdw"));
    fs::create_symlink("missing", dir.file("broken.kdw"));
    fs::create_directory(dir.file("folder.kdw"));
    fs::create_symlink("folder.kdw", dir.file("linked.kdw"));
    ASSERT_TRUE(test::MakeFifo(dir.file("pipe.kdw")));
    test::WriteBytes(dir.file("caf\xe9.kdw"), "no data\n");
    Workspace started;
    const Campaign campaign = ReadCampaign(CampaignFiles({dir.path().string()}), started);
    ASSERT_EQ(campaign.tests.size(), 2u);
    std::map<std::string, std::string> skipped;
    for (const SkippedFile& f : campaign.skipped) {
        skipped[Cp932ToUtf8(f.fileName)] = Cp932ToUtf8(f.reason);
    }
    EXPECT_EQ(skipped, (std::map<std::string, std::string>{
                           {"broken.kdw", "リンク先がありません"},
                           {"caf?.kdw", "カルネアのデータではありません"},
                           {"folder.kdw", "ファイルではなくフォルダです"},
                           {"linked.kdw", "ファイルではなくフォルダです"},
                           {"loop.kdw", "リンクが循環しています"},
                           {"pipe.kdw", "通常のファイルではありません（パイプや装置など）"}}));
    ASSERT_FALSE(campaign.boreholes.empty());
    EXPECT_EQ(campaign.boreholes.front().skipped.size(), 6u);
    std::set<std::string> names;
    for (const ProfileTest& t : campaign.boreholes.front().tests) {
        names.insert(Cp932ToUtf8(t.fileName));
    }
    EXPECT_EQ(names, (std::set<std::string>{"good.kdw", "あ.kdw"}));

    fs::create_directory(dir.file("locked"));
    fs::permissions(dir.file("locked"), fs::perms::none);
    EXPECT_TRUE(test::AsOrdinaryUser([&] {
        const Campaign none = ReadCampaign(CampaignFiles({dir.file("locked")}), started);
        return none.tests.empty() && none.skipped.size() == 1 &&
               Cp932ToUtf8(none.skipped[0].reason) ==
                   "フォルダを読めません（アクセス権がありません）";
    }));
}

// A data file is read no further than the largest one there can be: a
// larger one (here a sparse file of 1 GB behind a sound first line) is
// refused by its size, unread, and leaves the record as it was, and a record that would
// make a larger file is not saved.
TEST(DataFileSize, ReadingAndWritingStopAtTheLargestFile) {
    ScratchDir dir;
    const std::string huge = dir.file("huge.kdw");
    test::WriteBytes(huge, "$$_KDVARDO300\r\n$$Z\r\nname\r\n");
    std::filesystem::resize_file(huge, std::uintmax_t(1) << 30);
    Workspace ws;
    ws.test.testHeader[header::surveyName] = "kept";
    RecordedMessages m;
    const long before = test::PeakMemoryKiB();
    EXPECT_FALSE(OpenDataFile(ws, huge, m));
    EXPECT_LT(test::PeakMemoryKiB() - before, 16 * 1024) << "kB: refused by its size, unread";
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(
        m.shown[0],
        "ファイルが大きすぎるため読み込めません（データファイルは 64 MB まで）\n( " + huge + " )");
    EXPECT_EQ(ws.test.testHeader[header::surveyName], "kept");
    const Campaign campaign = ReadCampaign({huge, KARNEA_EXAMPLES_DIR "/test.kdw"}, ws);
    EXPECT_EQ(campaign.tests.size(), 1u);
    ASSERT_EQ(campaign.skipped.size(), 1u);
    EXPECT_EQ(campaign.skipped[0].fileName, "huge.kdw");

    ws.documentKind = DocumentKind::test;
    ws.test.testHeader[header::surveyName] = std::string(kLargestDataFile, 'x');
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("big.kdw"), m));
    EXPECT_EQ(m.shown.back().rfind("データが大きすぎるため保存できません", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("big.kdw")));
}

TEST_F(ExampleCampaign, BoreholesByDepthAndTheFilesSkipped) {
    ASSERT_EQ(campaign.boreholes.size(), 2u);
    const BoreholeProfile& b1 = campaign.boreholes[0];
    EXPECT_EQ(b1.surveyNumber, "B-1");
    std::vector<double> depths;
    for (const ProfileTest& t : b1.tests) {
        depths.push_back(TestDepth(*t.header));
    }
    EXPECT_EQ(depths, (std::vector<double>{3.5, 6.5, 10.5, 15}));
    EXPECT_EQ(b1.tests[2].fileName, "B-1_10.5.kdw");
    EXPECT_EQ(campaign.boreholes[1].tests.size(), 2u);
    ASSERT_EQ(campaign.skipped.size(), 2u);
    EXPECT_EQ(campaign.skipped[0].fileName, "notes.kdw");
    EXPECT_EQ(Cp932ToUtf8(campaign.skipped[1].reason),
              "試験ではなくキャリブレーションのファイルです");
    EXPECT_EQ(b1.skipped.size(), 2u);
    EXPECT_TRUE(campaign.boreholes[1].skipped.empty());
    // Two profiles, then two pages a test.
    EXPECT_EQ(CampaignPageCount(campaign), 2 + 6 * 2);
}

TEST_F(ExampleCampaign, ProfilePages) {
    OpsRecorder ops(96, 96);
    RecordedMessages m;
    ASSERT_TRUE(DrawCampaign(campaign, started.settings, ops, m));
    EXPECT_TRUE(m.shown.empty());
    // The report's first page is B-1's profile with the skipped files.
    const std::string all = ops.text();
    OpsRecorder first(96, 96);
    first.BeginPage(1, DocumentKind::test);
    DrawDepthProfile(campaign.boreholes[0], 1, started.settings, first, m);
    EXPECT_EQ(all.substr(0, first.text().size()), first.text());
    test::ExpectGolden("depth-profile", first.text());
    // Then the shallowest test's own pages, drawn as for the document.
    OpsRecorder own(96, 96);
    const PageSource source = PagesOf(*campaign.tests[0]->ws);
    DrawPages(source, AllPages(source), own, m);
    const std::string& ownText = own.text();
    const std::size_t bodyStart = ownText.find('\n') + 1;
    const std::string body = ownText.substr(bodyStart, ownText.find("\npage ") + 1 - bodyStart);
    EXPECT_EQ(all.find(body), first.text().size() + bodyStart);

    // Forty tests in one borehole continue their table on two more pages.
    BoreholeProfile many = campaign.boreholes[0];
    many.skipped.clear();
    while (many.tests.size() < 40) {
        many.tests.push_back(many.tests[many.tests.size() % 4]);
    }
    EXPECT_EQ(DepthProfilePageCount(many), 2);

    // Values at the edge of what a number holds still make a page.
    HeaderTexts edge = *many.tests[0].header;
    edge[header::modulusValue] = "1.6e308";
    edge[header::depth] = "-1e308";
    edge[header::plValue] = "nan";
    edge[header::pfEffective] = "4e-324";
    BoreholeProfile wild{"", "", {{"edge.kdw", &edge}}, {}};
    OpsRecorder edgeOps(96, 96);
    DrawDepthProfile(wild, 1, started.settings, edgeOps, m);
    EXPECT_NE(edgeOps.text().find("edge.kdw"), std::string::npos);
    OpsRecorder continued(96, 96);
    continued.BeginPage(2, DocumentKind::test);
    DrawDepthProfile(many, 2, started.settings, continued, m);
    test::ExpectGolden("depth-profile-continued", continued.text());
}

// Values below zero, thirty tests a metre apart, a panel without values, and
// dates typed in two eras: every panel's scale covers what it shows, the
// values stay readable, and the dates are ordered by the calendar.
TEST_F(ExampleCampaign, ProfileOfAwkwardValues) {
    std::vector<TestRecord> records(30, campaign.tests[2]->ws->test);
    BoreholeProfile dense{"", "", {}, {}};
    for (std::size_t i = 0; i < records.size(); ++i) {
        HeaderTexts& h = records[i].testHeader;
        h[header::depth] = "-" + std::to_string(i + 1) + ".00";
        h[header::hidePl] = "1";  // no Pl at all: its panel shows a dash
        h[header::modulusValue] = FormatText("%d", 8000 + 100 * static_cast<int>(i % 7));
        h[header::dateEra] = Sjis(i == 3 ? "平成" : "令和");
        h[header::dateYear] = i == 3 ? "30" : "8";
        h[header::dateMonth] = i == 5 ? "1" : "10";
        h[header::dateDay] = "20";
    }
    records[4].testHeader[header::modulusValue] = "-840";
    records[6].testHeader[header::pfEffective] = "-500";
    for (std::size_t i = 0; i < records.size(); ++i) {
        dense.tests.push_back(
            {FormatText("t%02d.kdw", static_cast<int>(i) + 1), &records[i].testHeader});
    }
    OpsRecorder ops(96, 96);
    RecordedMessages m;
    DrawDepthProfile(dense, 1, started.settings, ops, m);
    const std::string text = ops.text();
    // The Em and Pf' scales start below zero; the Pl panel has none.
    EXPECT_NE(text.find("\"-2000\""), std::string::npos);
    EXPECT_NE(text.find("\"-200\""), std::string::npos);
    EXPECT_NE(text.find("\"―\""), std::string::npos);  // the dash as CP932 reads back
    // 平成30 (2018) comes before 令和8 (2026), January before October.
    EXPECT_NE(text.find("平成30年10月20日 ～ 令和8年10月20日"), std::string::npos);
    test::ExpectGolden("depth-profile-awkward", text);
}

using AgsGroup = test::AgsTable;

// The groups of an AGS file that keeps every rule the checker knows.
std::map<std::string, AgsGroup> CheckedAgs(const std::string& file) {
    EXPECT_EQ(test::AgsRuleFindings(file), std::vector<std::string>{});
    std::vector<std::string> unread;
    return test::ReadAgs(file, unread);
}

// The key of each row of a group, from its key headings.
std::vector<std::string> Keys(const AgsGroup& g, const std::vector<std::string>& key) {
    std::vector<std::string> keys;
    for (std::size_t r = 0; r < g.rows.size(); ++r) {
        std::string k;
        for (const std::string& h : key) {
            k += g.Field(r, h) + "|";
        }
        keys.push_back(k);
    }
    return keys;
}

TEST_F(ExampleCampaign, AgsFileFollowsTheRules) {
    SKIP_WITHOUT_KAKASI();
    const std::string file = WriteAgsFile(campaign, "2026-12-08").bytes;
    std::map<std::string, AgsGroup> groups = CheckedAgs(file);
    for (const char* g :
         {"PROJ", "TRAN", "UNIT", "TYPE", "ABBR", "DICT", "LOCA", "PMTG", "PMTD", "PMTP"}) {
        EXPECT_EQ(groups.count(g), 1u) << g;
    }
    // Keys are unique and every child has its parent.
    const std::vector<std::string> test = {"LOCA_ID", "PMTG_DPTH", "PMTG_TESN"};
    const auto unique = [](std::vector<std::string> keys) {
        std::sort(keys.begin(), keys.end());
        return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
    };
    EXPECT_TRUE(unique(Keys(groups["LOCA"], {"LOCA_ID"})));
    EXPECT_TRUE(unique(Keys(groups["PMTG"], test)));
    EXPECT_TRUE(unique(Keys(groups["PMTP"], test)));
    std::vector<std::string> readings = test;
    readings.push_back("PMTD_SEQ");
    EXPECT_TRUE(unique(Keys(groups["PMTD"], readings)));
    const std::vector<std::string> loca = Keys(groups["LOCA"], {"LOCA_ID"});
    for (const std::string& k : Keys(groups["PMTG"], {"LOCA_ID"})) {
        EXPECT_NE(std::find(loca.begin(), loca.end(), k), loca.end());
    }
    const std::vector<std::string> tests = Keys(groups["PMTG"], test);
    for (const char* child : {"PMTD", "PMTP"}) {
        for (const std::string& k : Keys(groups[child], test)) {
            EXPECT_NE(std::find(tests.begin(), tests.end(), k), tests.end()) << child << k;
        }
    }
    EXPECT_EQ(groups["PMTG"].rows.size(), 6u);
    EXPECT_EQ(groups["PMTD"].rows.size(), 6u * 27);

    // The example test at 10.50 m, worked out from its file: the row of the
    // third B-1 test, its second reading (P 120.703, V60" 44.0) and its
    // results (Pw 82, Pf' 407.374, Pl 677.473, nu 0.3, Em 8404.57).
    const AgsGroup& pmtg = groups["PMTG"];
    EXPECT_EQ(pmtg.rows[2],
              (std::vector<std::string>{"B-1", "10.50", "B-1_10.5.kdw", "2026-10-14", "2.30",
                                        "yamada tarou", "MPM", "677", "suna maji ri shiruto"}));
    EXPECT_EQ(groups["PMTD"].rows[2 * 27 + 1],
              (std::vector<std::string>{"B-1", "10.50", "B-1_10.5.kdw", "2", "120.7", "44.0"}));
    // The total yield pressure Pf = Pf' + U0 in the standard heading, Pf'
    // in a heading of our own.
    EXPECT_EQ(groups["PMTP"].rows[2],
              (std::vector<std::string>{"B-1", "10.50", "B-1_10.5.kdw", "82", "677", "489", "0.30",
                                        "8404.6", "407"}));
    // Headings in the order of the standard dictionary, our own after.
    EXPECT_EQ(groups["PMTP"].headings,
              (std::vector<std::string>{"LOCA_ID", "PMTG_DPTH", "PMTG_TESN", "PMTP_U0", "PMTP_PL",
                                        "PMTP_PF", "PMTP_MU", "PMTP_EM", "PMTP_PFEF"}));
    EXPECT_EQ(groups["TRAN"].Field(0, "TRAN_AGS"), "4.2");
    EXPECT_EQ(groups["TRAN"].Field(0, "TRAN_RECV"), "Not stated");
    EXPECT_EQ(groups["PROJ"].Field(0, "PROJ_NAME"), "midorigaoka chiku jiban chousa gyoumu");
    EXPECT_EQ(test::AgsRuleFindings(file), std::vector<std::string>{});
}

TEST_F(ExampleCampaign, AgsKeysStayUniqueAcrossSurveys) {
    // B-2 of another survey, and a quote in a text.
    for (auto& t : campaign.tests) {
        if (t->ws->test.testHeader[header::surveyNumber] == "B-2") {
            t->ws->test.testHeader[header::surveyNumber] = "B-1";
            t->ws->test.testHeader[header::surveyName] = "East \"2\"";
        }
    }
    campaign.boreholes[1].surveyNumber = "B-1";
    campaign.boreholes[1].surveyName = "East \"2\"";
    const std::string file = WriteAgsFile(campaign, "2026-12-08").bytes;
    EXPECT_NE(file.find("\"DATA\",\"B-1_2\",\"East \"\"2\"\"\"\r\n"), std::string::npos);
    CheckedAgs(file);
}

// Texts as engineers type them: full-width numbers, no number at all, kanji,
// quotes, a character without a reading, a date that is no date.
TEST_F(ExampleCampaign, AgsFileOfAwkwardTextsPassesTheRules) {
    SKIP_WITHOUT_KAKASI();
    for (auto& t : campaign.tests) {
        HeaderTexts& h = t->ws->test.testHeader;
        h[header::soilName] = Sjis("砂礫 \"①\"");
        if (h[header::surveyNumber] == "B-2") {
            h[header::dateEra] = "";
            h[header::dateYear] = "9";
        }
    }
    campaign.boreholes[0].surveyNumber = Sjis("Ｂ－１");
    campaign.boreholes[1].surveyNumber = "";
    campaign.boreholes[1].surveyName = Sjis("東 \"2\" 地区");
    const AgsFile file = WriteAgsFile(campaign, "2026-12-08", {"株式会社 みどり地質", false});
    EXPECT_EQ(file.romaji.end, RunEnd::finished);
    EXPECT_EQ(test::AgsRuleFindings(file.bytes), std::vector<std::string>{});
    std::vector<std::string> unread;
    const auto groups = test::ReadAgs(file.bytes, unread);
    const test::AgsTable& loca = groups.at("LOCA");
    EXPECT_EQ(loca.Field(0, "LOCA_ID"), "B-1");
    EXPECT_EQ(loca.Field(1, "LOCA_ID"), "BH2");
    EXPECT_EQ(loca.Field(1, "LOCA_REM"), "higashi \"2\" chiku");
    EXPECT_EQ(groups.at("TRAN").Field(0, "TRAN_RECV"), "kabushikigaisha midori chishitsu");
    const test::AgsTable& pmtg = groups.at("PMTG");
    EXPECT_EQ(pmtg.Field(0, "PMTG_REM"), "sareki \" ?? \"");
    EXPECT_EQ(pmtg.Field(0, "PMTG_DATE"), "2026-10-12");
    EXPECT_EQ(pmtg.Field(4, "LOCA_ID"), "BH2");
    EXPECT_EQ(pmtg.Field(4, "PMTG_DATE"), "");  // the year 9 of no era is no date
}

// With --utf8 the texts are also kept as written, in headings of our own
// declared in DICT: the file then breaks the ASCII rule alone.
TEST_F(ExampleCampaign, AgsFileInUtf8KeepsTheTextsAsWritten) {
    SKIP_WITHOUT_KAKASI();
    const AgsFile file = WriteAgsFile(campaign, "2026-12-08", {"", true});
    EXPECT_EQ(test::AgsRuleFindings(file.bytes),
              std::vector<std::string>{"rule 1: a character outside ASCII"});
    std::vector<std::string> unread;
    const auto groups = test::ReadAgs(file.bytes, unread);
    EXPECT_EQ(groups.at("PMTG").Field(0, "PMTG_CREW"), "yamada tarou");
    EXPECT_EQ(groups.at("PMTG").Field(0, "PMTG_JCRW"), "山田 太郎");
    EXPECT_EQ(groups.at("PMTG").Field(0, "PMTG_JTSN"), "");  // ASCII already
    EXPECT_EQ(groups.at("LOCA").Field(0, "LOCA_JREM"), "緑ヶ丘地区 地盤調査業務");
    EXPECT_NE(groups.at("TRAN").Field(0, "TRAN_REM").find("UTF-8"), std::string::npos);
}

// The checker itself: each breach planted in a good file is found.
TEST_F(ExampleCampaign, AgsRuleCheckerFindsPlantedBreaches) {
    SKIP_WITHOUT_KAKASI();
    const std::string good = WriteAgsFile(campaign, "2026-12-08").bytes;
    const auto finds = [&](const std::string& from, const std::string& to, const char* rule) {
        std::string bad = good;
        const std::size_t at = bad.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        bad.replace(at, from.size(), to);
        const std::vector<std::string> found = test::AgsRuleFindings(bad);
        EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                [&](const std::string& f) { return f.starts_with(rule); }))
            << rule << " for " << to;
    };
    finds("\"PMTP_PL\",\"PMTP_PF\"", "\"PMTP_PF\",\"PMTP_PL\"", "rule 7");
    finds("\"Final\",\"4.2\",\"Not stated\"", "\"Final\",\"4.2\",\"\"", "rule 10a/b");
    finds("yamada tarou", "山田", "rule 1");
    finds("\"PMTP_EM\",\"OTHER\"", "\"PMTP_XX\",\"OTHER\"", "rule 9");
    finds("\"DATA\",\"B-1\",\"3.50\",\"B-1_03.5.kdw\",\"1\"",
          "\"DATA\",\"B-9\",\"3.50\",\"B-1_03.5.kdw\",\"1\"", "rule 10c");
    finds("\"2026-10-12\",\"2.30\"", "\"2026-10-12\",\"2.3\"", "rule 8");
    finds("\"MPM\",\"Menard type pressuremeter\"", "\"PBP\",\"Menard type pressuremeter\"",
          "rule 16");
    finds("\r\n\r\n\"GROUP\",\"TRAN\"", "\r\n\"GROUP\",\"TRAN\"", "rule 2");
}

// Tests without a usable reading give no PMTD group: a group without data
// rows is not written at all.
TEST_F(ExampleCampaign, AgsLeavesOutGroupsWithoutRows) {
    for (auto& t : campaign.tests) {
        t->ws->test.testRows.fill({});
    }
    const std::string file = WriteAgsFile(campaign, "2026-12-08").bytes;
    EXPECT_EQ(file.find("\"GROUP\",\"PMTD\""), std::string::npos);
    const std::map<std::string, AgsGroup> groups = CheckedAgs(file);
    EXPECT_EQ(groups.count("PMTD"), 0u);
    EXPECT_EQ(groups.count("PMTG"), 1u);
}

TEST(IsoDate, WesternAndEraYears) {
    HeaderTexts h;
    h[header::dateYear] = "8";
    h[header::dateMonth] = "10";
    h[header::dateDay] = "4";
    h[header::dateEra] = Sjis("令和");
    EXPECT_EQ(IsoDate(h), "2026-10-04");
    h[header::dateEra] = Sjis("平成");
    EXPECT_EQ(IsoDate(h), "1996-10-04");
    h[header::dateEra] = "X";
    EXPECT_EQ(IsoDate(h), "");
    h[header::dateEra] = Sjis("令和");
    h[header::dateYear] = "2147483647";
    EXPECT_EQ(IsoDate(h), "");
    h[header::dateEra] = "";
    h[header::dateYear] = "2026";
    h[header::dateMonth] = "13";
    EXPECT_EQ(IsoDate(h), "");
    // A year without an era is western; the year 9 is none a test was made in.
    h[header::dateMonth] = "4";
    h[header::dateYear] = "9";
    EXPECT_EQ(IsoDate(h), "");
    h[header::dateYear] = "2026";
    h[header::dateDay] = "31";  // April has 30 days
    EXPECT_EQ(IsoDate(h), "");
    // Each era holds its own days: 平成 31 ends with April, 令和 1 begins in
    // May, 昭和 64 lasted a week. A date that is not real says why.
    const struct {
        const char* era;
        const char* year;
        const char* month;
        const char* day;
        const char* isoOrWhy;
    } days[] = {
        {"平成", "31", "4", "30", "2019-04-30"},
        {"平成", "31", "5", "1", "平成は31年4月30日まで"},
        {"令和", "1", "5", "1", "2019-05-01"},
        {"令和", "1", "4", "30", "令和は元年5月1日から"},
        {"昭和", "64", "1", "7", "1989-01-07"},
        {"昭和", "64", "1", "8", "昭和は64年1月7日まで"},
        {"平成", "1", "1", "8", "1989-01-08"},
        {"平成", "2026", "2", "30", "2月30日はありません"},
        {"平成", "2026", "3", "1", "平成は31年4月30日まで"},
        {"令和", "7", "2", "29", "令和7年に2月29日はありません"},
        {"", "2024", "2", "29", "2024-02-29"},
        {"", "2026", "13", "1", "13月はありません"},
        {"", "2026", "", "1", "年、月、日をすべて数字で入れて下さい"},
        {"大正", "5", "1", "1", "元号 大正 は使えません。令和、平成、昭和、西暦なら空欄です"}};
    for (const auto& d : days) {
        h[header::dateEra] = Sjis(d.era);
        h[header::dateYear] = d.year;
        h[header::dateMonth] = d.month;
        h[header::dateDay] = d.day;
        const DateCheck check = CheckDate(h);
        EXPECT_EQ(check.iso.empty() ? check.why : check.iso, d.isoOrWhy)
            << d.era << d.year << "-" << d.month << "-" << d.day;
        EXPECT_EQ(IsoDate(h), check.iso);
    }
    EXPECT_EQ(EraYears(Sjis("平成")), "平成は元年(1989年)1月8日から31年(2019年)4月30日まで");
    EXPECT_EQ(EraYears(Sjis("令和")), "令和は元年(2019年)5月1日から");
    EXPECT_EQ(EraYears(Sjis("昭和"), true), "昭和 元年～64年");
}

}  // namespace
}  // namespace karnea
