#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "base/encoding.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "pages/depthprofile.h"
#include "pages/opsrecorder.h"
#include "records/datafile.h"
#include "support/golden.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

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
    namespace fs = std::filesystem;
    ScratchDir dir;
    const std::string test = test::ReadBytes(KARNEA_EXAMPLES_DIR "/test.kdw");
    test::WriteBytes(dir.file("good.kdw"), test);
    test::WriteBytes(dir.file("\x82\xa0.kdw"), test);
    fs::create_symlink("loop.kdw", dir.file("loop.kdw"));
    fs::create_symlink("missing", dir.file("broken.kdw"));
    fs::create_directory(dir.file("folder.kdw"));
    fs::create_symlink("folder.kdw", dir.file("linked.kdw"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.kdw").c_str(), 0600), 0);
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
// refused at once and leaves the record as it was, and a record that would
// make a larger file is not saved.
TEST(DataFileSize, ReadingAndWritingStopAtTheLargestFile) {
    ScratchDir dir;
    const std::string huge = dir.file("huge.kdw");
    test::WriteBytes(huge, "$$_KDVARDO300\r\n$$Z\r\nname\r\n");
    std::filesystem::resize_file(huge, std::uintmax_t(1) << 30);
    Workspace ws;
    ws.test.testHeader[header::surveyName] = "kept";
    RecordedMessages m;
    EXPECT_FALSE(OpenDataFile(ws, huge, m));
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
        depths.push_back(TestDepth(*t.test));
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
    const PageSource source = PagesOf(campaign.tests[0]->ws);
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
    TestRecord edge = *many.tests[0].test;
    edge.testHeader[header::modulusValue] = "1.6e308";
    edge.testHeader[header::depth] = "-1e308";
    edge.testHeader[header::plValue] = "nan";
    edge.testHeader[header::pfEffective] = "4e-324";
    BoreholeProfile wild{"", "", {{"edge.kdw", &edge}}, {}};
    OpsRecorder edgeOps(96, 96);
    DrawDepthProfile(wild, 1, started.settings, edgeOps, m);
    EXPECT_NE(edgeOps.text().find("edge.kdw"), std::string::npos);
    OpsRecorder continued(96, 96);
    continued.BeginPage(2, DocumentKind::test);
    DrawDepthProfile(many, 2, started.settings, continued, m);
    test::ExpectGolden("depth-profile-continued", continued.text());
}

// An AGS file split into its groups: each line's fields, quotes removed.
struct AgsGroup {
    std::vector<std::string> headings, units, types;
    std::vector<std::vector<std::string>> rows;
    std::string Field(std::size_t row, const std::string& heading) const {
        const auto at = std::find(headings.begin(), headings.end(), heading);
        return at == headings.end() ? "<none>" : rows.at(row).at(at - headings.begin());
    }
};

std::vector<std::string> AgsFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        EXPECT_EQ(line[i], '"') << line;
        std::string field;
        for (++i; i < line.size(); ++i) {
            if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (line[i] == '"') {
                break;
            } else {
                field += line[i];
            }
        }
        fields.push_back(field);
        i += 2;  // the closing quote and the comma
    }
    return fields;
}

// A number written with exactly `decimals` decimals.
bool HasDecimals(const std::string& v, int decimals) {
    const std::size_t first = v[0] == '-' ? 1 : 0;
    const std::size_t digits = std::min(v.find_first_not_of("0123456789", first), v.size());
    const std::size_t point = decimals == 0 ? v.size() : v.find('.');
    if (point == first || digits != point) {
        return false;
    }
    return decimals == 0 || (v.size() - point - 1 == static_cast<std::size_t>(decimals) &&
                             v.find_first_not_of("0123456789", point + 1) == std::string::npos);
}

// Checks the rules of the format that apply and returns the groups.
std::map<std::string, AgsGroup> CheckedAgs(const std::string& file) {
    std::map<std::string, AgsGroup> groups;
    std::string current;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        const std::string line = file.substr(start, end - start);
        start = end + 2;
        EXPECT_EQ(line.find('\n'), std::string::npos);
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string> fields = AgsFields(line);
        const std::string& kind = fields.at(0);
        if (kind == "GROUP") {
            current = fields.at(1);
            EXPECT_EQ(groups.count(current), 0u) << "one GROUP line a group: " << current;
            groups[current];
            continue;
        }
        AgsGroup& g = groups[current];
        const std::vector<std::string> rest(fields.begin() + 1, fields.end());
        if (kind == "HEADING") {
            g.headings = rest;
        } else if (kind == "UNIT") {
            g.units = rest;
        } else if (kind == "TYPE") {
            g.types = rest;
        } else {
            EXPECT_EQ(kind, "DATA");
            EXPECT_FALSE(g.types.empty()) << "HEADING, UNIT and TYPE come before DATA";
            g.rows.push_back(rest);
        }
        EXPECT_EQ(rest.size(), g.headings.size()) << "fields in a row of " << current;
    }
    // Every value of a numeric type has exactly its decimals; units, types
    // and codes are declared; headings outside the dictionary are in DICT.
    std::set<std::string> units, types, codes, dict;
    for (const auto& row : groups["UNIT"].rows)
        units.insert(row[0]);
    for (const auto& row : groups["TYPE"].rows)
        types.insert(row[0]);
    for (const auto& row : groups["ABBR"].rows)
        codes.insert(row[0] + "=" + row[1]);
    for (const auto& row : groups["DICT"].rows)
        dict.insert(row[2]);
    for (const auto& [name, g] : groups) {
        for (std::size_t h = 0; h < g.headings.size(); ++h) {
            EXPECT_TRUE(types.count(g.types[h])) << g.types[h];
            EXPECT_TRUE(g.units[h].empty() || units.count(g.units[h])) << g.units[h];
            const std::string& type = g.types[h];
            const bool decimal = type.size() == 3 && type.substr(1) == "DP";
            for (const auto& row : g.rows) {
                const std::string& v = row[h];
                if (decimal && !v.empty()) {
                    EXPECT_TRUE(HasDecimals(v, type[0] - '0')) << g.headings[h] << " " << v;
                }
                if (g.types[h] == "PA" && !v.empty()) {
                    EXPECT_TRUE(codes.count(g.headings[h] + "=" + v)) << g.headings[h] << " " << v;
                }
            }
        }
    }
    EXPECT_TRUE(dict.count("PMTP_EM"));
    return groups;
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
    const std::string file = WriteAgsFile(campaign, "2026-12-08");
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
                                        "山田 太郎", "PBP", "677", "砂混じりシルト"}));
    EXPECT_EQ(groups["PMTD"].rows[2 * 27 + 1],
              (std::vector<std::string>{"B-1", "10.50", "B-1_10.5.kdw", "2", "120.7", "44.0"}));
    EXPECT_EQ(groups["PMTP"].rows[2],
              (std::vector<std::string>{"B-1", "10.50", "B-1_10.5.kdw", "82", "677", "407", "0.30",
                                        "8404.6"}));
    // Headings in the order of the standard dictionary, our own after.
    EXPECT_EQ(groups["PMTP"].headings,
              (std::vector<std::string>{"LOCA_ID", "PMTG_DPTH", "PMTG_TESN", "PMTP_U0", "PMTP_PL",
                                        "PMTP_PF", "PMTP_MU", "PMTP_EM"}));
    EXPECT_EQ(groups["TRAN"].Field(0, "TRAN_AGS"), "4.2");
    EXPECT_EQ(groups["PROJ"].Field(0, "PROJ_NAME"), "緑ヶ丘地区 地盤調査業務");
}

TEST_F(ExampleCampaign, AgsKeysStayUniqueAcrossSurveys) {
    // B-2 of another survey, and a quote in a text.
    for (auto& t : campaign.tests) {
        if (t->ws.test.testHeader[header::surveyNumber] == "B-2") {
            t->ws.test.testHeader[header::surveyNumber] = "B-1";
            t->ws.test.testHeader[header::surveyName] = "East \"2\"";
        }
    }
    campaign.boreholes[1].surveyNumber = "B-1";
    campaign.boreholes[1].surveyName = "East \"2\"";
    const std::string file = WriteAgsFile(campaign, "2026-12-08");
    EXPECT_NE(file.find("\"DATA\",\"B-1_2\",\"East \"\"2\"\"\"\r\n"), std::string::npos);
    CheckedAgs(file);
}

// Tests without a usable reading give no PMTD group: a group without data
// rows is not written at all.
TEST_F(ExampleCampaign, AgsLeavesOutGroupsWithoutRows) {
    for (auto& t : campaign.tests) {
        t->ws.test.testRows.fill({});
    }
    const std::string file = WriteAgsFile(campaign, "2026-12-08");
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
}

}  // namespace
}  // namespace karnea
