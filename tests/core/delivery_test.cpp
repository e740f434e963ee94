#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "base/encoding.h"
#include "base/textfields.h"
#include "delivery/boringdelivery.h"
#include "delivery/delivery.h"
#include "delivery/deliverycheck.h"
#include "delivery/deliveryxml.h"
#include "document/campaign.h"
#include "document/startup.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"
#include "records/datafile.h"
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
instrument = 11
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
    // A file of the delivery as text (its Shift_JIS read), the bytes checked
    // as a checker reads them: by xmllint against the DTD beside the file
    // (where it runs), and for bytes a strict Shift_JIS reader refuses.
    std::string Checked(const std::string& name) const {
        const std::string bytes = ReadBytes(Test(name));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (IsCp932LeadByte(c)) {
                EXPECT_FALSE(c == 0x87 || (c >= 0xED && c <= 0xEE) || c >= 0xF0)
                    << name << " " << i;
                ++i;
            }
        }
        EXPECT_EQ(InvalidDelivered(bytes), std::nullopt) << name;
#ifndef _WIN32
        const std::string text = Cp932ToUtf8(bytes);
        const std::size_t system = text.find("SYSTEM \"");
        const std::string dtd = text.substr(system + 8, text.find('"', system + 8) - system - 8);
        const std::string folder = Test(name).substr(0, Test(name).rfind('/'));
        EXPECT_EQ(std::system(("xmllint --noout --dtdvalid '" + folder + "/" + dtd + "' '" +
                               Test(name) + "' 2>/dev/null")
                                  .c_str()),
                  0)
            << name;
#endif
        return Cp932ToUtf8(bytes);
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
                // 指示 − 補正 = 載荷, exactly as the figures print.
                EXPECT_NEAR(TextToDouble(pm[i]) - TextToDouble(correction[i]), TextToDouble(p[i]),
                            1e-9)
                    << name << " row " << r;
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
            // What the sheet prints beside the readings fills its elements;
            // depths below ground are positive; positions as the rules write
            // them.
            const HeaderTexts& h = t.testHeader;
            EXPECT_EQ(Values(xml, "ガードセル初期圧"),
                      std::vector<std::string>{HeaderNumber(h[header::pz], s.pzDecimals)});
            EXPECT_EQ(Values(xml, "その他").at(0).rfind("Pw=", 0), 0u);
            EXPECT_EQ(Values(xml, "孔内水位"), std::vector<std::string>{FormatText(
                                                   "%.2f", -TextToDouble(h[header::waterLevel]))});
            EXPECT_EQ(Values(xml, "緯度_分"), std::vector<std::string>{"04"});
            EXPECT_EQ(Values(xml, "測定器名"),
                      std::vector<std::string>{d.number == "B-1" ? "11" : ""});
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
        "<位置情報><経度><経度_度>136</経度_度><経度_分>13</経度_分><経度_秒>13.0330</経度_秒>"
        "</経度><緯度><緯度_度>36</緯度_度><緯度_分>4</緯度_分><緯度_秒>41.987</緯度_秒></緯度>"
        "<測地系>02</測地系><標高>7.1</標高></位置情報>";
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

// Characters a strict Shift_JIS reader refuses (a user-defined one, 外字,
// among them) reach the files as their plain equivalents, said once; XML's
// own characters are escaped; numbers are written as the rules write them.
TEST_F(DeliveryTest, TextsAndNumbersAsACheckerTakesThem) {
    HeaderTexts& h = campaign.tests[0]->ws->test.testHeader;
    h[header::surveyName] = Sjis("第①工区 髙橋ビル ㎡");
    h[header::engineer] = Sjis("山田 & <太郎>");
    campaign.tests[4]->ws->test.testHeader[header::engineer] =
        Sjis("山") + "\xF0\x40" + Sjis(" 太郎");
    SiteSheet sheet = Sheet();
    sheet.BoringToEdit("B-1").latitude = "36 04 59.999";  // precision 2: 00.00 of the next minute
    sheet.BoringToEdit("B-1").diameter = "+66";
    const DeliveryResult result = Write(sheet);
    ASSERT_TRUE(result.written) << (messages.shown.empty() ? "" : messages.shown[0]);
    const std::string xml = Checked("BRG0001/TS000001.XML");
    EXPECT_NE(xml.find("<調査件名>第(1)工区 高橋ビル m2</調査件名>"), std::string::npos);
    EXPECT_NE(xml.find("<試験者>山田 &amp; &lt;太郎&gt;</試験者>"), std::string::npos);
    EXPECT_NE(xml.find("<緯度_分>05</緯度_分>\n<緯度_秒>00.00</緯度_秒>"), std::string::npos);
    EXPECT_NE(xml.find("<試験孔径>66</試験孔径>"), std::string::npos);
    EXPECT_NE(Checked("BRG0002/TS000001.XML").find("<試験者>山〓 太郎</試験者>"),
              std::string::npos);
    EXPECT_NE(Checked("GRNDTST.XML").find("<試験者>山〓 太郎</試験者>"), std::string::npos);
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"Shift_JIS にない文字を置き換えました: "
                                       "① → (1), ㎡ → m2, 外字 F040 → 〓, 髙 → 高"});
}

// A test keeps its name across deliveries whatever is corrected in it (the
// sheet records which data file became which test); a data file gone
// leaves its test as it was, named; a boring the delivery lists already
// keeps its position.
TEST_F(DeliveryTest, ARedeliveryReplacesEachTestUnderItsName) {
    SiteSheet sheet = Sheet();
    DeliveryResult first = Write(sheet);
    ASSERT_TRUE(first.written);
    RecordDelivered(sheet, first);
    EXPECT_EQ(sheet.delivered.at("B-1_03.5.kdw"), "BRG0001/TS000001");
    EXPECT_EQ(ReadSiteSheet(WriteSiteSheet(sheet), messages.shown).delivered, sheet.delivered);

    // The first test's depth corrected, the second's file gone.
    const std::string tests = dir.file("tests");
    std::filesystem::copy(KARNEA_EXAMPLES_DIR "/campaign", tests);
    std::filesystem::remove(tests + "/B-1_06.5.kdw");
    TestRecord corrected;
    ReadTestFile(ReadBytes(tests + "/B-1_03.5.kdw"), corrected, messages);
    corrected.testHeader[header::depth] = "-3.60";
    WriteBytes(tests + "/B-1_03.5.kdw", WriteTestFile(corrected));
    campaign = ReadCampaign(CampaignFiles({tests}), started);
    const DeliveryResult second = Write(sheet);
    ASSERT_TRUE(second.written) << (messages.shown.empty() ? "" : messages.shown[0]);
    EXPECT_EQ(second.replaced, 5u);
    EXPECT_EQ(second.placed.front().name, "TS000001");
    const std::string management = Checked("GRNDTST.XML");
    EXPECT_EQ(Count(management, "<電子データシートファイル名>"), 6u);
    EXPECT_EQ(Count(management, "<試験上端深度>3.60<"), 1u);
    EXPECT_EQ(Count(management, "<試験上端深度>3.50<"), 0u);
    EXPECT_NE(DeliverySummary(second).find("BRG0001/TS000002 (B-1_06.5.kdw)"), std::string::npos);

    sheet.BoringToEdit("B-1").elevation = "7.30";
    EXPECT_FALSE(Write(sheet).written);
    EXPECT_EQ(
        messages.shown,
        std::vector<std::string>{
            "B-1: BRG0001 は既存の GRNDTST.XML では 経度 136 13 13.03、緯度 36 04 41.99、"
            "測地系 02、標高 7.10 です。現場シートの 経度 136 13 13.03、緯度 36 04 41.99、"
            "測地系 02、標高 7.30 とは違います。ボーリングの位置は一つなので、どちらかに合わせ"
            "て下さい"});
}

// A delivery killed at any point of its install is completed by the next
// one into the folder (or undone when a file it wrote is gone), said so;
// never a management file that disagrees with the files.
TEST_F(DeliveryTest, AnInterruptedDeliveryIsCompletedOrUndone) {
    std::string& survey = campaign.tests[0]->ws->test.testHeader[header::surveyName];
    const std::string first = survey;
    // The set: 4 DTDs, then each test's PDF and XML, TS000001.XML the 6th.
    for (const int killed : {0, 5, 17}) {
        for (const bool lose : {false, true}) {
            std::filesystem::remove_all(out);
            survey = first;
            ASSERT_TRUE(Write(Sheet()).written);
            survey = Sjis("第二期");
            AbandonSetAfter(killed);
            EXPECT_FALSE(Write(Sheet()).written);
            AbandonSetAfter(-1);
            ASSERT_TRUE(std::filesystem::exists(Test(".karnea-delivery.journal")));
            if (lose) {
                for (const auto& e : std::filesystem::directory_iterator(Test("BRG0001"))) {
                    if (e.path().filename().string().rfind(".TS000001.XML.karnea~save~", 0) == 0) {
                        std::filesystem::remove(e.path());
                    }
                }
            }
            const bool forward = !lose || killed > 5;
            EXPECT_TRUE(RecoverDelivery(out, messages));
            EXPECT_NE(messages.shown.back().find(forward ? "最後まで書き込みました"
                                                         : "書き込み前の状態に戻しました"),
                      std::string::npos)
                << killed << lose;
            const std::string management = Checked("GRNDTST.XML");
            EXPECT_EQ(Checked("BRG0001/TS000001.XML").find("第二期") != std::string::npos, forward);
            for (const std::string& f : Values(management, "データシート交換用データファイル名")) {
                EXPECT_TRUE(std::filesystem::exists(Test("BRG0001/" + f)) ||
                            std::filesystem::exists(Test("BRG0002/" + f)));
            }
            for (const char* folder : {"BRG0001", "BRG0002", ""}) {
                for (const auto& e : std::filesystem::directory_iterator(Test(folder))) {
                    EXPECT_EQ(e.path().filename().string().find("karnea"), std::string::npos)
                        << e.path();
                }
            }
        }
    }
}

// Another program's management file is extended in its own words: its
// entries, its indentation and its empty elements stay to the byte; one
// that cannot be read says why (its size, the bytes that are no Shift_JIS).
TEST_F(DeliveryTest, AnotherProgramsManagementFileKeepsItsBytes) {
    const std::string other =
        "\t<試験情報>\r\n\t\t<地点名>No.1</地点名>\r\n\t\t<フォルダ名>BRG0001</フォルダ名>\r\n"
        "\t\t<位置情報><経度><経度_度>136</経度_度><経度_分>13</経度_分><経度_秒>13.03</経度_秒>"
        "</経度><緯度><緯度_度>36</緯度_度><緯度_分>04</緯度_分><緯度_秒>41.99</緯度_秒></緯度>"
        "<測地系>02</測地系><標高>7.10</標高></位置情報>\r\n"
        "\t\t<各種試験情報>\r\n\t\t\t<電子データシートファイル名>TS001001.PDF"
        "</電子データシートファイル名>\r\n\t\t\t<電子データシート作成ソフトウェア名>X 1"
        "</電子データシート作成ソフトウェア名>\r\n\t\t\t<試験コード></試験コード>\r\n"
        "\t\t\t<試験名称/>\r\n\t\t\t<試験開始年月日>2026-10-01</試験開始年月日>\r\n"
        "\t\t\t<試験終了年月日>2026-10-01</試験終了年月日><試験者>他社</試験者>\r\n"
        "\t\t</各種試験情報>\r\n\t</試験情報>\r\n";
    const std::string existing =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
        "<!DOCTYPE GRNDTEST SYSTEM \"GTST0200.DTD\">\r\n<GRNDTEST DTD_version=\"2.00\">\r\n"
        "\t<基礎情報>\r\n\t\t<適用要領基準>土木201610-01</適用要領基準>\r\n\t</基礎情報>\r\n" +
        other + "\t<!-- 手で書いた注記 -->\r\n</GRNDTEST>\r\n";
    std::filesystem::create_directories(Test("BRG0001"));
    WriteBytes(Test("GRNDTST.XML"), Sjis(existing));
    WriteBytes(Test("BRG0001/TS001001.PDF"), "other");
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(Write(Sheet()).written) << (messages.shown.empty() ? "" : messages.shown[0]);
        const std::string now = Cp932ToUtf8(ReadBytes(Test("GRNDTST.XML")));
        EXPECT_NE(now.find(other.substr(0, other.find("\t</試験情報>"))), std::string::npos) << now;
        EXPECT_NE(now.find("\t<!-- 手で書いた注記 -->\r\n</GRNDTEST>"), std::string::npos);
        EXPECT_EQ(Count(now, "karnea test"), 12u);
    }

    std::filesystem::resize_file(Test("GRNDTST.XML"), 65u << 20);
    EXPECT_FALSE(Write(Sheet()).written);
    EXPECT_NE(messages.shown.at(0).find("65 MB あり"), std::string::npos) << messages.shown.at(0);
    WriteBytes(Test("GRNDTST.XML"),
               Sjis(existing).replace(Sjis(existing).find("No.1"), 1, "\x85\x40"));
    EXPECT_FALSE(Write(Sheet()).written);
    EXPECT_NE(messages.shown.at(0).find("Shift_JIS と宣言されていますが、8 行目に"),
              std::string::npos)
        << messages.shown.at(0);
}

// What the sheet or the tests lack is named, each with its boring or file,
// and nothing is written.
TEST_F(DeliveryTest, ProblemsAreNamedAndNothingIsWritten) {
    struct Case {
        std::string key, value, said;
    };
    const std::vector<Case> cases = {
        {"latitude", "36 61 0", "B-2: 緯度 の値が異常です（36 61 0）"},
        {"latitude", "136 13 14", "B-2: 緯度 136 13 14 は日本の範囲（20～46 度）にありません"},
        {"longitude", "", "B-2: 経度 がありません"},
        {"method", "04", "B-2: 経緯度取得方法 の値が異常です（04）"},
        {"precision", "5", "B-2: 経緯度読取精度 の値が異常です（5）"},
        {"datum", "1", "B-2: 測地系 の値が異常です（1）"},
        {"elevation", "7.1m", "B-2: 標高 の値が異常です（7.1m）"},
        {"elevation", "1e3", "B-2: 標高 の値が異常です（1e3）"},
        {"diameter", "0", "B-2: 試験孔径 の値が異常です（0）"},
        {"folder", "BRG0001", "B-2: フォルダ名 BRG0001 は他のボーリングと同じです"},
        {"folder", "brg2", "B-2: フォルダ名 の値が異常です（brg2）"},
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
    // What each delivery fills in every real one: the client, the survey,
    // the engineer.
    SiteSheet sheet = Sheet();
    sheet.borings.pop_back();
    sheet.client.clear();
    campaign.tests[1]->ws->test.testHeader[header::dateMonth] = "13";
    campaign.tests[2]->ws->test.testHeader[header::engineer].clear();
    EXPECT_FALSE(Write(sheet).written);
    ASSERT_EQ(messages.shown.size(), 1u);
    for (const char* said : {"発注機関名称がありません", "B-1_06.5.kdw: 測定年月日 2026 年 13 月",
                             "（13月はありません）", ": 試験者（担当者） がありません",
                             "B-2: 現場シートにこのボーリングの項目がありません"}) {
        EXPECT_NE(messages.shown[0].find(said), std::string::npos) << said << messages.shown[0];
    }
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

// UTF-16 little-endian with a byte-order mark, as some programs write XML.
std::string Utf16Le(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? lead : lead & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < n; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += n;
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

// The boring delivery beside the tests: BORING.XML (UTF-16, its DTD not
// beside it: said) and a boring log (UTF-8) give the boring paired by its
// full-width name its position, and a sheet that says otherwise is named;
// the results are compared with the boring log (a modulus 1,000 times off,
// a pressure beyond the digits written, a block with no test), and the
// whole delivery is checked.
TEST_F(DeliveryTest, TheBoringDeliveryGivesPositionsAndChecksResults) {
    ASSERT_TRUE(Write(Sheet()).written);
    const std::string boring = out + "/BORING";
    WriteBytes(
        boring + "/BORING.XML",
        Utf16Le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                "<!DOCTYPE BORING SYSTEM \"BRG0200.DTD\">\n<BORING DTD_version=\"2.00\">\n"
                "<基礎情報><適用要領基準>土木201610-01</適用要領基準></基礎情報>\n"
                "<ボーリング情報><ボーリング名>Ｂ－１</ボーリング名>"
                "<ボーリング連番>0001</ボーリング連番>"
                "<経度><経度_度>136</経度_度><経度_分>13</経度_分><経度_秒>13.0330</経度_秒></経度>"
                "<緯度><緯度_度>36</緯度_度><緯度_分>04</緯度_分><緯度_秒>41.9870</緯度_秒></緯度>"
                "<測地系>02</測地系><孔口標高>7.10</孔口標高>"
                "<ボーリング交換用データ><ボーリング交換用データファイル名>BED0001.XML"
                "</ボーリング交換用データファイル名></ボーリング交換用データ>"
                "</ボーリング情報>\n</BORING>\n"));
    // The first test's results as its data sheet states them.
    const std::string sheet = Checked("BRG0001/TS000001.XML");
    const std::string comment = Values(sheet, "コメント").at(0);
    const auto result = [&](const std::string& name) {
        const std::size_t at = comment.find(name + "=") + name.size() + 1;
        return std::stod(comment.substr(at, comment.find(' ', at) - at));
    };
    const std::string depth = Values(sheet, "上端深度").at(0);
    const auto block = [](const std::string& at, const std::string& po, const std::string& em) {
        return "<孔内水平載荷試験><孔内水平載荷試験_試験深度>" + at +
               "</孔内水平載荷試験_試験深度><孔内水平載荷試験_初期圧>" + po +
               "</孔内水平載荷試験_初期圧><孔内水平載荷試験_変形係数>" + em +
               "</孔内水平載荷試験_変形係数></孔内水平載荷試験>\n";
    };
    std::filesystem::create_directories(boring + "/DATA");
    WriteBytes(boring + "/DATA/BED0001.XML",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE ボーリング情報 SYSTEM \"BED0400.DTD\">\n<ボーリング情報>\n"
               "<経度緯度情報><取得方法コード>03</取得方法コード><読取精度コード>4</"
               "読取精度コード></経度緯度情報>\n"
               "<孔径孔壁保護><孔径孔壁保護_下端深度>30.00</孔径孔壁保護_下端深度>"
               "<孔径孔壁保護_孔径>86</孔径孔壁保護_孔径></孔径孔壁保護>\n" +
                   block(depth, FormatText("%.1f", result("Po") + 1),
                         FormatText("%.2E", result("Em") / 1000)) +
                   block("99.00", "1", "1") + "</ボーリング情報>\n");

    std::vector<std::string> problems;
    const std::optional<BoringDelivery> read = ReadBoringDelivery(boring, problems);
    ASSERT_TRUE(read);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(
        read->notes,
        (std::vector<std::string>{
            "BORING.XML: DTD BRG0200.DTD が同じフォルダにないため、DTD による検証をしていません",
            "BED0001.XML: DTD BED0400.DTD が同じフォルダにないため、DTD "
            "による検証をしていません"}));
    SiteSheet given = Sheet();
    given.BoringToEdit("B-1").elevation = "7.20";
    given.BoringToEdit("B-1").method = "";
    given.BoringToEdit("B-1").site = "";
    const SiteSheet merged = WithBoringDelivery(given, *read, campaign, problems);
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  "B-1: 標高 が現場シート (delivery.ini) では 7.20、BORING.XML では 7.10 です",
                  "B-1: 経緯度読取精度 が現場シート (delivery.ini) では 2、BED0001.XML では 4 です",
                  "B-1: 試験孔径 が現場シート (delivery.ini) では 66、BED0001.XML では 86 です"}));
    const SiteBoring& b1 = *merged.Boring("B-1");
    EXPECT_EQ(b1.site, "Ｂ－１");
    EXPECT_EQ(b1.method, "03");
    EXPECT_EQ(b1.elevation, "7.10");
    EXPECT_EQ(b1.latitude, "36 04 41.9870");

    const DeliveryCheck results = CheckResultsAgainstLogs(boring, boring);
    std::string lines;
    for (const DeliveryFinding& f : results.findings) {
        lines += FindingLine(f) + "\n";
    }
    for (const std::string& line :
         {"DATA/BED0001.XML:6: 孔内水平載荷試験_初期圧: 注意: " +
              FormatText("%.1f", result("Po") + 1) + " ですが TEST/BRG0001/TS000001.XML は ",
          std::string("DATA/BED0001.XML:6: 孔内水平載荷試験_変形係数: エラー: "),
          std::string("kN/m2 です (1000 倍違います。単位の誤りではありませんか)\n"),
          std::string("DATA/BED0001.XML:7: 孔内水平載荷試験: 注意: 試験深度 99.00 m の孔内水平載荷"
                      "試験のデータシートがありません\n"),
          std::string("DATA/BED0001.XML: 孔内水平載荷試験: 注意: 試験深度 ")}) {
        EXPECT_NE(lines.find(line), std::string::npos) << line << "\n" << lines;
    }
    // Each test of the boring delivered: the first, whose results differ,
    // and those the boring log lacks.
    ASSERT_EQ(results.toType.size(), campaign.boreholes[0].tests.size());
    EXPECT_TRUE(
        ToTypeLines(results)[0].starts_with("Ｂ－１ (BED0001.XML) 深度 " + depth + " m: 初期圧 "))
        << ToTypeLines(results)[0];

    // Delivered anew with the borings so completed, the whole delivery
    // passes but for the DTDs missing beside the boring delivery's files.
    std::filesystem::remove_all(boring + "/TEST");
    ASSERT_TRUE(Write(merged).written);
    const DeliveryCheck whole = CheckDelivery(boring);
    EXPECT_TRUE(whole.HasErrors());
    for (const DeliveryFinding& f : whole.findings) {
        EXPECT_TRUE(f.path == "BORING.XML" || f.path == "DATA/BED0001.XML") << FindingLine(f);
    }
}

}  // namespace
}  // namespace karnea
