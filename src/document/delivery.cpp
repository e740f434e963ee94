#include "document/delivery.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/orderedwork.h"
#include "base/system.h"
#include "base/textfields.h"
#include "document/deliveryxml.h"
#include "pages/datasheet.h"
#include "records/choices.h"
#include "records/testdate.h"

namespace karnea {
namespace {

constexpr std::string_view kSoftwarePrefix = "karnea";
constexpr std::uintmax_t kLargestManagementFile = 64u << 20;

std::string Trimmed(std::string_view text) {
    return std::string(TrimBlanks(text));
}

// A header text as the XML holds it (UTF-8, blanks around it left out).
std::string Text(const HeaderTexts& h, int number) {
    return Trimmed(Cp932ToUtf8(h[number]));
}

std::string Depth(const HeaderTexts& h) {
    return FormatText("%.2f", TestDepth(h));
}

// A number with the decimals a settings value gives, without the padding
// of the page's formats.
std::string Number(double value, int decimals) {
    return Trimmed(FormatDerived(DecimalsFormat(decimals), value));
}

std::string Element(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + XmlEscaped(value) + "</" + std::string(name) + ">\n";
}

// The sheet's angle as the three texts of its elements, seconds with four
// decimals.
std::array<std::string, 3> AngleTexts(std::string_view text, int maxDegrees) {
    const Angle a = AngleOf(text, maxDegrees).value_or(Angle{});
    return {std::to_string(a.degrees), std::to_string(a.minutes), FormatText("%.4f", a.seconds)};
}

std::string SiteName(const SiteBoring& b) {
    const std::string site = Trimmed(b.site);
    return site.empty() ? b.number : site;
}

// The campaign's borings with the index of their first test.
struct BoringTests {
    const BoreholeProfile* profile = nullptr;
    std::string number;
    std::size_t first = 0;
};

std::vector<BoringTests> BoringsOf(const Campaign& campaign) {
    std::vector<BoringTests> borings;
    std::size_t next = 0;
    for (const BoreholeProfile& b : campaign.boreholes) {
        borings.push_back({&b, BoringNumber(b), next});
        next += b.tests.size();
    }
    return borings;
}

bool IsOwnTsName(std::string_view file) {
    return file.size() == 12 && file.substr(0, 2) == "TS" && file.substr(8) == ".PDF" &&
           std::all_of(file.begin() + 2, file.begin() + 8,
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The names (without extension, upper case) of the files in a folder.
std::set<std::string> StemsIn(const std::string& folder) {
    std::set<std::string> stems;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), ec)) {
        stems.insert(Upper(PathText(entry.path().stem())));
    }
    return stems;
}

std::string StemOf(std::string_view file) {
    return Upper(std::string(file.substr(0, file.rfind('.'))));
}

}  // namespace

std::string BoringNumber(const BoreholeProfile& profile) {
    return Trimmed(Cp932ToUtf8(profile.surveyNumber));
}

const DeliveryRules& RulesOf(DeliveryEdition edition) {
    static const DeliveryRules e2016{"土木201610-01",
                                     "B1531_04.DTD",
                                     "T_IND_04.DTD",
                                     "孔内載荷試験データシート情報",
                                     "04",
                                     "B1531",
                                     "地盤の指標値を求めるためのプレッシャーメータ試験",
                                     "JGS 1531-2012"};
    static const DeliveryRules e2008{"土木200812-01",
                                     "B1421_03.DTD",
                                     "T_IND_03.DTD",
                                     "孔内水平載荷試験データシート情報",
                                     "03",
                                     "B1421",
                                     "孔内水平載荷試験",
                                     "JGS 1421-2003"};
    return edition == DeliveryEdition::e2016 ? e2016 : e2008;
}

std::vector<std::string> DeliveryProblems(const Campaign& campaign, const SiteSheet& sheet) {
    std::vector<std::string> problems;
    std::map<std::string, std::string> surveys;  // number → survey name
    std::map<std::string, std::string> folders;  // folder → number
    for (const BoringTests& b : BoringsOf(campaign)) {
        const std::vector<ProfileTest>& tests = b.profile->tests;
        if (b.number.empty()) {
            for (std::size_t i = 0; i < tests.size(); ++i) {
                problems.push_back(FormatMessage(msg::deliveryNoNumber,
                                                 ReadableFileName(*campaign.tests[b.first + i])));
            }
            continue;
        }
        const std::string survey = Trimmed(Cp932ToUtf8(b.profile->surveyName));
        if (const auto [at, added] = surveys.emplace(b.number, survey); !added) {
            problems.push_back(
                FormatMessage(msg::deliveryNumberTwice, b.number, at->second + " / " + survey));
            continue;
        }
        if (const SiteBoring* boring = sheet.Boring(b.number)) {
            for (std::string& p : BoringProblems(*boring, sheet.edition)) {
                problems.push_back(std::move(p));
            }
            const std::string folder = Trimmed(boring->folder);
            if (const auto [at, added] = folders.emplace(folder, b.number);
                !added && !folder.empty()) {
                problems.push_back(FormatMessage(msg::siteFolderTwice, b.number, folder));
            }
        } else {
            problems.push_back(FormatMessage(msg::siteBoringMissing, b.number));
        }
        std::map<std::string, std::string> depths;
        for (std::size_t i = 0; i < tests.size(); ++i) {
            const CampaignTest& t = *campaign.tests[b.first + i];
            const HeaderTexts& h = t.Header();
            const std::string file = ReadableFileName(t);
            if (IsoDate(h).empty()) {
                problems.push_back(FormatMessage(msg::deliveryNoDate, file, DateAsTyped(h)));
            }
            if (t.ws && CountTestRows(t.ws->test.testRows, testField::pm) == 0) {
                problems.push_back(FormatMessage(msg::deliveryNoReadings, file));
            }
            if (const auto [at, added] = depths.emplace(Depth(h), file); !added) {
                problems.push_back(FormatMessage(msg::deliveryTestsTwice,
                                                 {b.number, at->first, at->second + ", " + file}));
            }
        }
    }
    return problems;
}

std::string ExchangeXml(const TestRecord& test, const Settings& settings, const SiteSheet& sheet,
                        const SiteBoring& boring) {
    const DeliveryRules& r = RulesOf(sheet.edition);
    const HeaderTexts& h = test.testHeader;
    const std::string root(r.root);
    std::string x = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";
    x += "<!DOCTYPE " + root + " SYSTEM \"" + std::string(r.testDtd) + "\">\n";
    x += "<" + root + " DTD_version=\"" + std::string(r.version) + "\">\n";
    x += "<標題情報 DTD_version=\"" + std::string(r.version) + "\">\n";
    x += Element("試験コード", r.code);
    x += Element("試験名称", r.name);
    x += Element("規格番号", "");
    x += Element("基準番号", r.standard);
    x += Element("調査件名", Text(h, header::surveyName));
    const std::string date = IsoDate(h);
    x += Element("試験開始年月日", date);
    x += Element("試験終了年月日", date);
    x += Element("試験者", Text(h, header::engineer));
    x += Element("調査業者名", Text(h, header::companyName));
    x += Element("発注機関名称", Trimmed(sheet.client));
    x += "<位置情報>\n";
    x += Element("地点名", SiteName(boring));
    x += Element("フォルダ名", Trimmed(boring.folder));
    const std::pair<const char*, std::array<std::string, 3>> angles[] = {
        {"経度", AngleTexts(boring.longitude, 180)}, {"緯度", AngleTexts(boring.latitude, 90)}};
    for (const auto& [name, parts] : angles) {
        const std::string n(name);
        x += "<" + n + ">\n" + Element(n + "_度", parts[0]) + Element(n + "_分", parts[1]) +
             Element(n + "_秒", parts[2]) + "</" + n + ">\n";
    }
    x += "<経緯度取得方法>\n" + Element("経緯度取得方法_コード", Trimmed(boring.method)) +
         "</経緯度取得方法>\n";
    x += Element("経緯度読取精度", Trimmed(boring.precision));
    x += Element("測地系", Trimmed(boring.datum));
    x += Element("標高", Trimmed(boring.elevation));
    x += Element("上端深度", Depth(h));
    x += Element("下端深度", Depth(h));
    x += "</位置情報>\n</標題情報>\n<試験情報>\n";
    x += Element("測定器名", "");
    if (sheet.edition == DeliveryEdition::e2016) {
        x += Element("試験孔径", Trimmed(boring.diameter));
    }
    const std::optional<double> water = ParseNumber(h[header::waterLevel]);
    x += Element("孔内水位", water ? FormatText("%.2f", *water) : std::string());
    x += Element(sheet.edition == DeliveryEdition::e2016 ? "地盤名" : "土質名",
                 Text(h, header::soilName));

    // Each step as the data sheet prints it.
    const TestRows& rows = test.testRows;
    const auto cell = [&](int row, int field) {
        return Trimmed(RowValue(rows, settings, row, field));
    };
    const bool has120 = Shows120Column(h) || MeasuringTimeOf(h) == MeasuringTime::seconds120;
    const int volume = StepVolumeField(h);
    for (int row = 1, n = CountTestRows(rows, testField::pm); row <= n; ++row) {
        x += "<測定>\n" + Element("メーター指示圧力", cell(row, testField::pm));
        const std::optional<double> pm = ParseNumber(rows[row][testField::pm]);
        const std::optional<double> p = ParseNumber(rows[row][testField::p]);
        x += "<圧力>\n" +
             Element("補正圧力", pm && p ? Number(*pm - *p, settings.pressureDecimals) : "") +
             Element("測定管載荷圧力", cell(row, testField::p)) + "</圧力>\n<変位>\n";
        const std::pair<const char*, int> reads[] = {{"15", testField::vol15},
                                                     {"30", testField::vol30},
                                                     {"60", testField::vol60},
                                                     {"120", testField::vol120}};
        for (const auto& [seconds, field] : reads) {
            if (field != testField::vol120 || has120) {
                x += "<スタンドパイプ読み><秒>" + std::string(seconds) + "</秒><Vm>" +
                     XmlEscaped(cell(row, field)) + "</Vm></スタンドパイプ読み>\n";
            }
        }
        x += Element("ΔV", cell(row, testField::dv)) + Element("V", cell(row, volume)) +
             "</変位>\n</測定>\n";
    }
    x += "</試験情報>\n";

    // The results, as the result page prints them.
    std::vector<std::string> results;
    const std::pair<const char*, int> points[] = {
        {"Po", header::poEffective}, {"Pf", header::pfEffective}, {"Pl", header::plValue}};
    for (const auto& [name, number] : points) {
        const std::optional<double> value = ParseNumber(h[number]);
        if (value && (number != header::plValue || PlShown(h))) {
            results.push_back(std::string(name) + "=" + Number(*value, settings.pointDecimals) +
                              " kN/m2");
        }
    }
    if (const std::optional<double> em = StoredModulus(h)) {
        results.push_back("Em=" + Number(*em, settings.emDecimals) + " kN/m2");
    }
    if (!results.empty()) {
        std::string line;
        for (const std::string& part : results) {
            line += (line.empty() ? "" : ", ") + part;
        }
        x += Element("コメント", line);
    }
    x += "</" + root + ">\n";
    return x;
}

DeliveryResult WriteDelivery(const Campaign& campaign, const SiteSheet& sheet,
                             const std::string& output, std::string_view software,
                             const TestPdf& pdf, Messages& messages,
                             const CampaignProgress& progress, int jobs,
                             const ThreadStart& start) {
    DeliveryResult result;
    const std::vector<std::string> problems = DeliveryProblems(campaign, sheet);
    if (!problems.empty()) {
        std::string text;
        for (const std::string& p : problems) {
            text += (text.empty() ? "" : "\n") + p;
        }
        messages.Show(text);
        return result;
    }
    const DeliveryRules& rules = RulesOf(sheet.edition);
    const std::string testFolder = output + "/BORING/TEST";
    const std::string managementPath = testFolder + "/GRNDTST.XML";

    // A delivery already there is read first, and kept.
    std::unique_ptr<ManagementFile> management;
    std::error_code ec;
    if (std::filesystem::exists(PathOf(managementPath), ec)) {
        std::string why;
        // A management file lists tests, not megabytes of them.
        const std::uintmax_t size = std::filesystem::file_size(PathOf(managementPath), ec);
        const std::optional<std::string> bytes =
            !ec && size <= kLargestManagementFile ? ReadWholeFile(managementPath) : std::nullopt;
        if (bytes) {
            management = ManagementFile::Read(*bytes, why);
        }
        if (!management) {
            messages.Show(FormatMessage(msg::deliveryExistingUnread, managementPath,
                                        bytes ? why : std::string(msg::fileUnreadable)));
            return result;
        }
        if (management->Rules() != rules.rules) {
            messages.Show(
                FormatMessage(msg::deliveryEditionDiffers, management->Rules(), rules.rules));
            return result;
        }
    } else {
        management = std::make_unique<ManagementFile>(rules.rules);
    }

    FileContents files;
    std::vector<std::string> folders;
    // The tests' places, boring by boring in the campaign's order.
    std::vector<const SiteBoring*> boringOf;
    std::vector<DeliveredTest> placedTests;
    for (const BoringTests& b : BoringsOf(campaign)) {
        const SiteBoring& boring = *sheet.Boring(b.number);
        const std::string folder = Trimmed(boring.folder);
        const std::string folderPath = testFolder + "/" + folder;
        folders.push_back(folderPath);
        // The names taken: every entry's and every file's in the folder.
        std::set<std::string> used = StemsIn(folderPath);
        std::vector<std::pair<std::string, double>> own;
        for (const ManagementFile::Entry& e : management->Entries(folder)) {
            used.insert(StemOf(e.sheetFile));
            if (!e.exchangeFile.empty()) {
                used.insert(StemOf(e.exchangeFile));
            }
            if (e.software.compare(0, kSoftwarePrefix.size(), kSoftwarePrefix) == 0 &&
                IsOwnTsName(Upper(e.sheetFile))) {
                own.emplace_back(e.sheetFile, ParseNumber(e.topDepth).value_or(-1));
            }
        }
        const std::size_t count = b.profile->tests.size();
        std::vector<DeliveredTest> placed(count);
        for (std::size_t i = 0; i < count; ++i) {
            DeliveredTest& d = placed[i];
            d.test = campaign.tests[b.first + i].get();
            d.number = b.number;
            d.folder = folder;
            const double depth = TestDepth(d.test->Header());
            for (const auto& [sheetFile, ownDepth] : own) {
                if (std::fabs(ownDepth - depth) < 0.005) {
                    d.name = StemOf(sheetFile);
                    d.replaces = true;
                    management->Remove(folder, sheetFile);
                }
            }
        }
        int next = 1;
        for (DeliveredTest& d : placed) {
            while (d.name.empty() && next <= 999) {
                const std::string name = FormatText("TS000%03d", next++);
                if (used.insert(name).second) {
                    d.name = name;
                }
            }
            if (d.name.empty()) {
                messages.Show(FormatMessage(msg::deliveryFull, b.number));
                return result;
            }
            boringOf.push_back(&boring);
            placedTests.push_back(std::move(d));
        }
        for (const std::string_view dtd : {rules.testDtd, rules.titleDtd}) {
            files.emplace_back(folderPath + "/" + std::string(dtd), std::string(*ShippedDtd(dtd)));
        }
        ++result.borings;
    }

    // The data sheets are made side by side; each test's files are added in
    // order.
    struct Sheet {
        std::optional<std::string> pdf;
        KeptMessages said;
    };
    const std::size_t total = placedTests.size();
    const auto make = [&](std::size_t i) {
        Sheet made;
        made.pdf = pdf(*placedTests[i].test, made.said);
        return made;
    };
    bool failed = false;
    const auto take = [&](std::size_t i, Sheet&& made) {
        made.said.SayAgain(messages);
        const DeliveredTest& d = placedTests[i];
        const SiteBoring& boring = *boringOf[i];
        if (progress && !progress(i, total)) {
            result.stopped = true;
            return false;
        }
        const TestRecord& test = d.test->ws->test;
        const std::string xml =
            PlainForShiftJis(ExchangeXml(test, d.test->ws->settings, sheet, boring), result.plain);
        if (const std::optional<std::string> why = InvalidAgainstDtd(xml)) {
            messages.Show(FormatMessage(msg::deliveryInvalid, d.name + ".XML", *why));
            failed = true;
            return false;
        }
        if (!made.pdf) {
            messages.Show(msg::cannotSave);
            failed = true;
            return false;
        }
        const std::string folderPath = testFolder + "/" + d.folder;
        files.emplace_back(folderPath + "/" + d.name + ".PDF", std::move(*made.pdf));
        files.emplace_back(folderPath + "/" + d.name + ".XML", ShiftJisBytes(xml));
        const HeaderTexts& h = test.testHeader;
        const ManagementFile::NewBoring newBoring{.site = SiteName(boring),
                                                  .folder = d.folder,
                                                  .longitude = AngleTexts(boring.longitude, 180),
                                                  .latitude = AngleTexts(boring.latitude, 90),
                                                  .datum = Trimmed(boring.datum),
                                                  .elevation = Trimmed(boring.elevation)};
        management->Add(newBoring, {.sheetFile = d.name + ".PDF",
                                    .exchangeFile = d.name + ".XML",
                                    .software = std::string(software),
                                    .code = std::string(rules.code),
                                    .standard = std::string(rules.standard),
                                    .name = std::string(rules.name),
                                    .topDepth = Depth(h),
                                    .bottomDepth = Depth(h),
                                    .startDate = IsoDate(h),
                                    .endDate = IsoDate(h),
                                    .tester = Text(h, header::engineer)});
        result.replaced += d.replaces ? 1 : 0;
        result.placed.push_back(d);
        return true;
    };
    if (!MakeInOrder(total, jobs, make, take, start) || failed) {
        return result;
    }
    const std::string text = PlainForShiftJis(management->Text(), result.plain);
    if (const std::optional<std::string> why = InvalidAgainstDtd(text)) {
        messages.Show(FormatMessage(msg::deliveryInvalid, "GRNDTST.XML", *why));
        return result;
    }
    files.emplace_back(managementPath, ShiftJisBytes(text));
    files.emplace_back(testFolder + "/GTST0200.DTD", std::string(*ShippedDtd("GTST0200.DTD")));

    // A Cancel up to here leaves the output as it was.
    if (progress && !progress(total, total)) {
        result.stopped = true;
        return result;
    }
    // The folders first; those made for nothing go again.
    std::vector<std::string> made;
    for (const std::string& folder : folders) {
        std::filesystem::path p = PathOf(folder);
        std::vector<std::filesystem::path> missing;
        for (; !p.empty() && !std::filesystem::exists(p, ec); p = p.parent_path()) {
            missing.push_back(p);
        }
        std::filesystem::create_directories(PathOf(folder), ec);
        for (const auto& m : missing) {
            made.push_back(PathText(m));
        }
    }
    if (!ReplaceFiles(files)) {
        std::sort(made.begin(), made.end(),
                  [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        for (const std::string& m : made) {
            std::filesystem::remove(PathOf(m), ec);
        }
        messages.Show(msg::cannotSave);
        return result;
    }
    result.written = true;
    result.tests = result.placed.size();
    result.files = files.size();
    if (!result.plain.empty()) {
        std::string list;
        for (const std::string& p : result.plain) {
            list += (list.empty() ? "" : ", ") + p;
        }
        messages.Show(FormatMessage(msg::deliveryReplaced, list));
    }
    return result;
}

std::string DeliverySummary(const DeliveryResult& r) {
    return FormatMessage(msg::deliverySummary,
                         {std::to_string(r.borings), std::to_string(r.tests),
                          std::to_string(r.files), std::to_string(r.replaced)});
}

}  // namespace karnea
