#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/encoding.h"
#include "base/textfields.h"
#include "document/campaign.h"
#include "document/delivery.h"
#include "document/deliveryxml.h"
#include "document/startup.h"
#include "records/choices.h"
#include "records/records.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

constexpr std::string_view kSheet = R"(; written by hand
[delivery]
edition = 2016            ; or 2008
client = 福井県 土木事務所
[boring B-1]
folder = BRG0001
site = No.1
longitude = 136 13 13.0330
latitude = 36 04 41.987
method = 02               ; 地形図読取
precision = 2
datum = 02
elevation = 7.10
diameter = 66
[boring B-2]
folder = BRG0002
longitude = 136 13 14
latitude = 36 4 42
method = 01
precision = 4
datum = 01
elevation = -1.5
diameter = 86
)";

SiteSheet Sheet(DeliveryEdition edition = DeliveryEdition::e2016) {
    std::vector<std::string> problems;
    SiteSheet sheet = ReadSiteSheet(kSheet, problems);
    EXPECT_TRUE(problems.empty());
    sheet.edition = edition;
    if (edition == DeliveryEdition::e2008) {
        for (SiteBoring& b : sheet.borings) {
            b.datum = "1";
        }
    }
    return sheet;
}

// The example campaign (two borings, six tests) read as the command does.
struct DeliveryTest : ::testing::Test {
    ScratchDir dir;
    Workspace started;
    Campaign campaign;
    RecordedMessages messages;
    std::string out;
    void SetUp() override {
        test::WriteStandardSettings(dir.file("settings"));
        started.settings.fixedFolder = dir.file("settings");
        StartProgram(started, messages);
        campaign = ReadCampaign(CampaignFiles({KARNEA_EXAMPLES_DIR "/campaign"}), started);
        out = dir.file("out");
    }
    DeliveryResult Write(const SiteSheet& sheet) {
        messages.shown.clear();
        return WriteDelivery(
            campaign, sheet, out, "karnea test",
            [](const CampaignTest& t, Messages&) {
                return std::optional<std::string>("%PDF " + t.path);
            },
            messages);
    }
    std::string Test(const std::string& name) const { return out + "/BORING/TEST/" + name; }
    // A file of the delivery as text (its Shift_JIS read), checked against
    // its DTD and for bytes a strict Shift_JIS reader refuses.
    std::string Checked(const std::string& name) const {
        const std::string bytes = ReadBytes(Test(name));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (IsCp932LeadByte(c)) {
                EXPECT_FALSE(c == 0x87 || c == 0xED || c == 0xEE || c >= 0xFA) << name << " " << i;
                ++i;
            }
        }
        const std::string text = Cp932ToUtf8(bytes);
        EXPECT_EQ(InvalidAgainstDtd(text), std::nullopt) << name;
        return text;
    }
};

// The texts of every element `name` in a file.
std::vector<std::string> Values(const std::string& text, const std::string& name) {
    std::vector<std::string> found;
    const std::string open = "<" + name + ">";
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        at += open.size();
        found.push_back(text.substr(at, text.find('<', at) - at));
    }
    return found;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// Both editions: every file valid against its DTD, the DTDs as published,
// and every step's values those of the test's own reduced rows.
TEST_F(DeliveryTest, BothEditionsHoldTheTestsOwnValues) {
    for (const DeliveryEdition edition : {DeliveryEdition::e2008, DeliveryEdition::e2016}) {
        std::filesystem::remove_all(out);
        const DeliveryRules& rules = RulesOf(edition);
        const DeliveryResult result = Write(Sheet(edition));
        ASSERT_TRUE(result.written) << (messages.shown.empty() ? "" : messages.shown[0]);
        EXPECT_EQ(result.borings, 2u);
        EXPECT_EQ(result.tests, 6u);
        EXPECT_EQ(result.files, 6u * 2 + 2 * 2 + 2);
        EXPECT_EQ(DeliverySummary(result),
                  "電子納品: ボーリング 2、試験 6、ファイル 18 (置き換え 0)");
        EXPECT_EQ(ReadBytes(Test("GTST0200.DTD")), *ShippedDtd("GTST0200.DTD"));
        const std::string management = Checked("GRNDTST.XML");
        EXPECT_NE(management.find("<適用要領基準>" + std::string(rules.rules)), std::string::npos);
        for (const DeliveredTest& d : result.placed) {
            const std::string name = d.folder + "/" + d.name;
            EXPECT_EQ(ReadBytes(Test(d.folder + "/" + std::string(rules.titleDtd))),
                      *ShippedDtd(rules.titleDtd));
            EXPECT_EQ(ReadBytes(Test(name + ".PDF")), "%PDF " + d.test->path);
            const std::string xml = Checked(name + ".XML");
            EXPECT_NE(xml.find("<" + std::string(rules.root)), std::string::npos);
            EXPECT_NE(xml.find(edition == DeliveryEdition::e2016 ? "<地盤名>" : "<土質名>"),
                      std::string::npos);
            const TestRecord& t = d.test->ws->test;
            const std::string depth =
                FormatText("%.2f", std::fabs(TextToDouble(t.testHeader[header::depth])));
            EXPECT_EQ(Values(xml, "上端深度"), std::vector<std::string>{depth});
            EXPECT_NE(management.find("<電子データシートファイル名>" + d.name + ".PDF"),
                      std::string::npos);

            const std::vector<std::string> pm = Values(xml, "メーター指示圧力");
            const std::vector<std::string> p = Values(xml, "測定管載荷圧力");
            const std::vector<std::string> correction = Values(xml, "補正圧力");
            const std::vector<std::string> dv = Values(xml, "ΔV");
            const std::vector<std::string> v = Values(xml, "V");
            const std::vector<std::string> reads = Values(xml, "Vm");
            const int rows = CountTestRows(t.testRows, testField::pm);
            // A printed number is within half its last decimal of the record's.
            const Settings& s = started.settings;
            const auto half = [](int decimals) { return 0.5 * std::pow(10.0, -decimals) + 1e-9; };
            ASSERT_EQ(pm.size(), static_cast<std::size_t>(rows));
            ASSERT_EQ(reads.size() % static_cast<std::size_t>(rows), 0u);
            const std::size_t perRow = reads.size() / static_cast<std::size_t>(rows);
            for (int r = 1; r <= rows; ++r) {
                const TestRow& row = t.testRows[r];
                const auto i = static_cast<std::size_t>(r - 1);
                const auto near = [](const std::string& text, const std::string& stored,
                                     double tolerance) {
                    if (!IsNumber(stored)) {
                        return text.empty();
                    }
                    return std::fabs(TextToDouble(text) - TextToDouble(stored)) <= tolerance;
                };
                EXPECT_TRUE(near(pm[i], row[testField::pm], half(s.pmDecimals)))
                    << name << " row " << r;
                EXPECT_TRUE(near(p[i], row[testField::p], half(s.pressureDecimals)))
                    << name << " row " << r;
                EXPECT_NEAR(TextToDouble(correction[i]),
                            TextToDouble(row[testField::pm]) - TextToDouble(row[testField::p]),
                            0.6);
                EXPECT_TRUE(near(dv[i], row[testField::dv], half(s.volumeDecimals)))
                    << name << " row " << r;
                EXPECT_TRUE(near(v[i], row[StepVolumeField(t.testHeader)], half(s.volumeDecimals)))
                    << name << " row " << r;
                for (std::size_t k = 0; k < perRow; ++k) {
                    EXPECT_TRUE(near(reads[i * perRow + k],
                                     row[testField::vol15 + static_cast<int>(k)],
                                     half(s.volumeDecimals)));
                }
            }
            // The results as the result page prints them.
            const std::vector<std::string> comment = Values(xml, "コメント");
            ASSERT_EQ(comment.size(), 1u);
            EXPECT_EQ(comment[0].rfind("Po=", 0), 0u) << comment[0];
            EXPECT_NE(comment[0].find(" kN/m2"), std::string::npos);
        }
    }
}

// Another program's tests in the same borings stay as they were, entries
// and files; ours take the names left free, and a second delivery replaces
// what this one wrote, under the same names.
TEST_F(DeliveryTest, AnExistingDeliveryIsExtendedNeverDamaged) {
    const std::string other =
        "<各種試験情報><電子データシートファイル名>TS000001.PDF</電子データシートファイル名>"
        "<電子データシート作成ソフトウェア名>OtherSoft 2.1</電子データシート作成ソフトウェア名>"
        "<データシート交換用データファイル名>TS000001.XML</データシート交換用データファイル名>"
        "<試験コード>B1531</試験コード><試験名称>ほか①</試験名称><試験上端深度>3.50</試験上端深度>"
        "<試験開始年月日>2026-10-01</試験開始年月日><試験終了年月日>2026-10-01</試験終了年月日>"
        "<試験者>他社 &amp; 協力</試験者></各種試験情報>";
    const std::string position =
        "<位置情報><経度><経度_度>136</経度_度><経度_分>1</経度_分><経度_秒>2</経度_秒></経度>"
        "<緯度><緯度_度>36</緯度_度><緯度_分>1</緯度_分><緯度_秒>2</緯度_秒></緯度>"
        "<測地系>02</測地系><標高>1</標高></位置情報>";
    const std::string existing =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE GRNDTEST SYSTEM \"GTST0200.DTD\">\n"
        "<GRNDTEST "
        "DTD_version=\"2.00\"><基礎情報><適用要領基準>土木201610-01</適用要領基準></基礎情報>"
        "<試験情報><地点名>No.1</地点名><フォルダ名>BRG0001</フォルダ名>" +
        position + other +
        "</試験情報><試験情報><地点名>B-9</地点名><フォルダ名>BRG0009</フォルダ名>" + position +
        other + "</試験情報><コメント>手で書いた注記</コメント></GRNDTEST>\n";
    std::filesystem::create_directories(Test("BRG0001"));
    WriteBytes(Test("GRNDTST.XML"), existing);
    for (const char* file : {"TS000001.PDF", "TS000001.XML", "TS000002.PDF"}) {
        WriteBytes(Test(std::string("BRG0001/") + file), std::string("other ") + file);
    }
    // A delivery of the other edition is not mixed with this one.
    EXPECT_FALSE(Write(Sheet(DeliveryEdition::e2008)).written);
    EXPECT_EQ(messages.shown.at(0),
              "既存の GRNDTST.XML は 土木201610-01 の要領です。同じ要領 (土木200812-01) "
              "で出力して下さい");
    EXPECT_EQ(ReadBytes(Test("GRNDTST.XML")), existing);

    std::vector<std::string> names;
    for (int run = 0; run < 2; ++run) {
        const DeliveryResult result = Write(Sheet());
        ASSERT_TRUE(result.written) << (messages.shown.empty() ? "" : messages.shown[0]);
        EXPECT_EQ(result.replaced, run == 0 ? 0u : 6u);
        std::vector<std::string> now;
        for (const DeliveredTest& d : result.placed) {
            now.push_back(d.folder + "/" + d.name);
        }
        if (run == 0) {
            names = now;
        }
        EXPECT_EQ(now, names);
        const std::string management = Checked("GRNDTST.XML");
        EXPECT_EQ(Count(management, "OtherSoft 2.1"), 2u);
        EXPECT_EQ(Count(management, "karnea test"), 12u);  // two names an entry
        EXPECT_NE(management.find("<試験者>他社 &amp; 協力</試験者>"), std::string::npos);
        EXPECT_NE(management.find("<試験名称>ほか(1)</試験名称>"), std::string::npos);
        EXPECT_NE(management.find("<コメント>手で書いた注記</コメント>"), std::string::npos);
        EXPECT_EQ(Values(management, "フォルダ名"),
                  (std::vector<std::string>{"BRG0001", "BRG0009", "BRG0002"}));
        for (const char* file : {"TS000001.PDF", "TS000001.XML", "TS000002.PDF"}) {
            EXPECT_EQ(ReadBytes(Test(std::string("BRG0001/") + file)),
                      std::string("other ") + file);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"BRG0001/TS000003", "BRG0001/TS000004",
                                               "BRG0001/TS000005", "BRG0001/TS000006",
                                               "BRG0002/TS000001", "BRG0002/TS000002"}));
}

// Characters a strict Shift_JIS reader refuses reach the files as their plain
// equivalents, said once; XML's own characters are escaped.
TEST_F(DeliveryTest, TextsOutsideShiftJisArePlainAndSaid) {
    HeaderTexts& h = campaign.tests[0]->ws->test.testHeader;
    h[header::surveyName] = Sjis("第①工区 髙橋ビル ㎡");
    h[header::engineer] = Sjis("山田 & <太郎>");
    const DeliveryResult result = Write(Sheet());
    ASSERT_TRUE(result.written);
    const std::string xml = Checked("BRG0001/TS000001.XML");
    EXPECT_NE(xml.find("<調査件名>第(1)工区 高橋ビル m2</調査件名>"), std::string::npos);
    EXPECT_NE(xml.find("<試験者>山田 &amp; &lt;太郎&gt;</試験者>"), std::string::npos);
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{
                  "Shift_JIS にない文字を置き換えました: ① → (1), ㎡ → m2, 髙 → 高"});
}

// What the sheet or the tests lack is named, each with its boring or file,
// and nothing is written.
TEST_F(DeliveryTest, ProblemsAreNamedAndNothingIsWritten) {
    struct Case {
        std::string key, value, said;
    };
    const std::vector<Case> cases = {
        {"latitude", "36 61 0", "B-2: latitude の値が異常です"},
        {"longitude", "", "B-2: longitude がありません"},
        {"method", "04", "B-2: method の値が異常です"},
        {"precision", "5", "B-2: precision の値が異常です"},
        {"datum", "1", "B-2: datum の値が異常です"},
        {"elevation", "7.1m", "B-2: elevation の値が異常です"},
        {"diameter", "0", "B-2: diameter の値が異常です"},
        {"folder", "BRG0001", "B-2: folder BRG0001 は他のボーリングと同じです"},
        {"folder", "brg2", "B-2: folder の値が異常です"},
    };
    for (const Case& c : cases) {
        SiteSheet sheet = Sheet();
        std::string* item = nullptr;
        SiteBoring& b = sheet.BoringToEdit("B-2");
        const std::pair<const char*, std::string*> items[] = {
            {"latitude", &b.latitude},   {"longitude", &b.longitude}, {"method", &b.method},
            {"precision", &b.precision}, {"datum", &b.datum},         {"elevation", &b.elevation},
            {"diameter", &b.diameter},   {"folder", &b.folder}};
        for (const auto& [key, value] : items) {
            if (c.key == key) {
                item = value;
            }
        }
        *item = c.value;
        EXPECT_FALSE(Write(sheet).written) << c.key;
        EXPECT_EQ(messages.shown, std::vector<std::string>{c.said});
    }
    SiteSheet sheet = Sheet();
    sheet.borings.pop_back();
    campaign.tests[1]->ws->test.testHeader[header::dateMonth] = "13";
    EXPECT_FALSE(Write(sheet).written);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("B-1_06.5.kdw: 測定年月日"), std::string::npos);
    EXPECT_NE(messages.shown[0].find("B-2: 現場シートにこのボーリングの項目がありません"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));

    // The sheet's own lines: one that is no item is named, and the dialog's
    // form reads back as it was written.
    std::vector<std::string> problems;
    const SiteSheet read = ReadSiteSheet(
        "[delivery] ; the whole job\nclient " + std::string(300, 'x') + "\n[boring B-3\n",
        problems);
    EXPECT_EQ(problems, (std::vector<std::string>{"delivery.ini 2 行目を読めません",
                                                  "delivery.ini 3 行目を読めません"}));
    EXPECT_TRUE(read.client.empty());
    problems.clear();
    EXPECT_EQ(ReadSiteSheet(WriteSiteSheet(Sheet()), problems), Sheet());
    EXPECT_TRUE(problems.empty());
}

}  // namespace
}  // namespace karnea
