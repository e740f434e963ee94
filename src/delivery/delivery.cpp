#include "delivery/delivery.h"

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
#include "delivery/deliveryxml.h"
#include "delivery/managementfile.h"
#include "pages/datasheet.h"
#include "pages/pagecomposer.h"
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

// The decimals of the seconds a boring's reading precision gives (0 … 4),
// or those of a position taken as written.
int SecondsDecimals(const SiteBoring& b) {
    if (b.secondsDecimals >= 0) {
        return std::min(b.secondsDecimals, 6);
    }
    const std::string_view code = TrimBlanks(b.precision);
    return code.size() == 1 && code[0] >= '0' && code[0] <= '4' ? code[0] - '0' : 4;
}

// An angle of the sheet as the delivery rules write it: degrees, minutes in
// two digits ("04"), seconds in two digits with the precision's decimals
// ("03.5838"), rounded so that 59.99999 carries into the minute.
std::array<std::string, 3> AngleTexts(std::string_view text, int decimals) {
    const Angle a = AngleOf(text, 180).value_or(Angle{});
    const double scale = std::pow(10.0, decimals);
    auto units = static_cast<long long>(std::llround(a.seconds * scale));
    int minutes = a.minutes;
    int degrees = a.degrees;
    if (units >= std::llround(60 * scale)) {
        units -= std::llround(60 * scale);
        ++minutes;
    }
    if (minutes >= 60) {
        minutes -= 60;
        ++degrees;
    }
    const double seconds = static_cast<double>(units) / scale;
    return {std::to_string(degrees), FormatText("%02d", minutes),
            FormatText("%0*.*f", decimals > 0 ? decimals + 3 : 2, decimals, seconds)};
}

ManagementFile::Position PositionOf(const SiteBoring& b) {
    const int decimals = SecondsDecimals(b);
    return {AngleTexts(b.longitude, decimals), AngleTexts(b.latitude, decimals), Trimmed(b.datum),
            Trimmed(b.elevation)};
}

// A plain decimal as the file writes it: without a plus sign.
std::string PlainNumberText(std::string_view text) {
    std::string t = Trimmed(text);
    if (!t.empty() && t[0] == '+') {
        t.erase(0, 1);
    }
    return t;
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

bool IsOwn(const ManagementFile::Entry& e) {
    return e.software.compare(0, kSoftwarePrefix.size(), kSoftwarePrefix) == 0;
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

// A data file's name as the site sheet can record it (an item's key).
std::optional<std::string> RecordKey(const CampaignTest& test) {
    const std::string name = ReadableFileName(test);
    if (name.empty() || name.find_first_of("=[];#\n\r") != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

// "BRG0001/TS000003" of the site sheet.
std::optional<std::pair<std::string, std::string>> RecordedTest(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos ||
        !IsOwnTsName(std::string(text.substr(slash + 1)) + ".PDF")) {
        return std::nullopt;
    }
    return std::pair{std::string(text.substr(0, slash)), std::string(text.substr(slash + 1))};
}

std::string TestFolderOf(const std::string& output) {
    return output + "/BORING/TEST";
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
    if (TrimBlanks(sheet.client).empty()) {
        problems.push_back(std::string(msg::deliveryNoClient));
    }
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
            const DateCheck date = CheckDate(h);
            if (date.iso.empty()) {
                problems.push_back(
                    FormatMessage(msg::deliveryNoDate,
                                  {file, DateAsTyped(h), date.why.empty() ? "未入力" : date.why}));
            }
            for (const auto& [number, label] : {std::pair{header::surveyName, "調査件名"},
                                                std::pair{header::engineer, "試験者（担当者）"}}) {
                if (Text(h, number).empty()) {
                    problems.push_back(FormatMessage(msg::deliveryTextMissing, file, label));
                }
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
    const ManagementFile::Position position = PositionOf(boring);
    const std::pair<const char*, const std::array<std::string, 3>*> angles[] = {
        {"経度", &position.longitude}, {"緯度", &position.latitude}};
    for (const auto& [name, parts] : angles) {
        const std::string n(name);
        x += "<" + n + ">\n" + Element(n + "_度", (*parts)[0]) + Element(n + "_分", (*parts)[1]) +
             Element(n + "_秒", (*parts)[2]) + "</" + n + ">\n";
    }
    x += "<経緯度取得方法>\n" + Element("経緯度取得方法_コード", Trimmed(boring.method)) +
         "</経緯度取得方法>\n";
    x += Element("経緯度読取精度", Trimmed(boring.precision));
    x += Element("測地系", position.datum);
    x += Element("標高", PlainNumberText(boring.elevation));
    x += Element("上端深度", Depth(h));
    x += Element("下端深度", Depth(h));
    x += "</位置情報>\n</標題情報>\n<試験情報>\n";
    x += Element("測定器名", Trimmed(boring.instrument));
    if (sheet.edition == DeliveryEdition::e2016) {
        x += Element("試験孔径", PlainNumberText(boring.diameter));
    }
    // Depths below ground are positive, as real deliveries write them: the
    // record's water level 2.30 m below ground (-2.30) is 2.30.
    const std::optional<double> water = ParseNumber(h[header::waterLevel]);
    x += Element("孔内水位", water ? FormatText("%.2f", *water == 0 ? 0.0 : -*water) : "");
    x += Element(sheet.edition == DeliveryEdition::e2016 ? "地盤名" : "土質名",
                 Text(h, header::soilName));
    // What the sheet prints that has no element of its own, as free text.
    std::vector<std::string> other;
    if (IsNumber(h[header::pw])) {
        other.push_back("Pw=" + Trimmed(HeaderNumber(h[header::pw], settings.pwDecimals)) +
                        " kN/m2");
    }
    for (const auto& [number, label] :
         {std::pair{header::poissonRatio, "ポアソン比="}, std::pair{header::nValue, "N値="}}) {
        if (!Text(h, number).empty()) {
            other.push_back(label + Text(h, number));
        }
    }
    std::string otherText;
    for (const std::string& part : other) {
        otherText += (otherText.empty() ? "" : ", ") + part;
    }
    x += Element("その他", otherText);
    x += Element("ガードセル初期圧", IsNumber(h[header::pz])
                                         ? Trimmed(HeaderNumber(h[header::pz], settings.pzDecimals))
                                         : std::string());

    // Each step as the data sheet prints it; the correction is what the
    // printed gauge and wall pressures differ by, to the decimals of both.
    const TestRows& rows = test.testRows;
    const auto cell = [&](int row, int field) {
        return Trimmed(RowValue(rows, settings, row, field));
    };
    const bool has120 = Shows120Column(h) || MeasuringTimeOf(h) == MeasuringTime::seconds120;
    const int volume = StepVolumeField(h);
    const int correctionDecimals = std::max(settings.pmDecimals, settings.pressureDecimals);
    for (int row = 1, n = CountTestRows(rows, testField::pm); row <= n; ++row) {
        const std::string pm = cell(row, testField::pm);
        const std::string p = cell(row, testField::p);
        x += "<測定>\n" + Element("メーター指示圧力", pm);
        x +=
            "<圧力>\n" +
            Element("補正圧力", !pm.empty() && !p.empty()
                                    ? Number(TextToDouble(pm) - TextToDouble(p), correctionDecimals)
                                    : "") +
            Element("測定管載荷圧力", p) + "</圧力>\n<変位>\n";
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

bool RecoverDelivery(const std::string& output, Messages& messages) {
    const std::string journal = TestFolderOf(output) + "/" + std::string(kDeliveryJournal);
    switch (RecoverFileSet(journal)) {
        case SetRecovery::none:
            return true;
        case SetRecovery::forward:
            messages.Show(FormatMessage(msg::deliveryCompleted, TestFolderOf(output)));
            return true;
        case SetRecovery::back:
            messages.Show(FormatMessage(msg::deliveryUndone, TestFolderOf(output)));
            return true;
        case SetRecovery::unreadable:
            break;
    }
    messages.Show(FormatMessage(msg::deliveryJournalUnread, journal));
    return false;
}

namespace {

// The management file already in the folder, read to be extended; a new
// one when there is none; nothing (said) when it cannot be.
std::unique_ptr<ManagementFile> ExistingManagement(const std::string& path,
                                                   const DeliveryRules& rules, Messages& messages) {
    std::error_code ec;
    // Anything under the name (a folder, a pipe, a link that leads nowhere)
    // is said, never written over.
    if (!std::filesystem::exists(std::filesystem::symlink_status(PathOf(path), ec))) {
        return std::make_unique<ManagementFile>(rules.rules);
    }
    if (const std::string_view unreadable = WhyUnreadable(path); !unreadable.empty()) {
        messages.Show(FormatMessage(msg::deliveryExistingUnread, path, unreadable));
        return nullptr;
    }
    // A management file lists tests, not megabytes of them.
    const std::optional<std::string> bytes = ReadFileStart(path, kLargestManagementFile + 1);
    if (bytes && bytes->size() > kLargestManagementFile) {
        const std::uintmax_t size = FileSizeOf(path).value_or(bytes->size());
        messages.Show(FormatMessage(
            msg::deliveryExistingUnread, path,
            FormatMessage(msg::deliveryExistingTooLarge, std::to_string(size >> 20))));
        return nullptr;
    }
    std::string why;
    std::unique_ptr<ManagementFile> management =
        bytes ? ManagementFile::Read(*bytes, why) : nullptr;
    if (!management) {
        messages.Show(FormatMessage(msg::deliveryExistingUnread, path,
                                    bytes ? why : std::string(msg::fileUnreadable)));
        return nullptr;
    }
    if (management->Rules() != rules.rules) {
        messages.Show(
            management->Rules().empty()
                ? FormatMessage(msg::deliveryExistingUnread, path, msg::deliveryExistingNoRules)
                : FormatMessage(msg::deliveryEditionDiffers, management->Rules(), rules.rules));
        return nullptr;
    }
    return management;
}

// Whether two texts of one number agree (the one delivered before may have
// been written with other decimals).
bool SameNumber(const std::string& a, const std::string& b, double tolerance) {
    const std::optional<double> x = ParseNumber(a);
    const std::optional<double> y = ParseNumber(b);
    return x && y ? std::fabs(*x - *y) <= tolerance : TrimBlanks(a) == TrimBlanks(b);
}

std::string PositionText(const ManagementFile::Position& p) {
    return "経度 " + p.longitude[0] + " " + p.longitude[1] + " " + p.longitude[2] + "、緯度 " +
           p.latitude[0] + " " + p.latitude[1] + " " + p.latitude[2] + "、測地系 " + p.datum +
           "、標高 " + p.elevation;
}

// A boring the delivery lists already keeps its one position: the sheet
// that says otherwise is named with both.
std::vector<std::string> PositionConflicts(const ManagementFile& management,
                                           const Campaign& campaign, const SiteSheet& sheet) {
    std::vector<std::string> problems;
    for (const BoringTests& b : BoringsOf(campaign)) {
        const SiteBoring& boring = *sheet.Boring(b.number);
        const std::optional<ManagementFile::Position> listed =
            management.PositionOf(Trimmed(boring.folder));
        if (!listed) {
            continue;
        }
        const ManagementFile::Position ours = PositionOf(boring);
        const double second = 0.5 * std::pow(10.0, -SecondsDecimals(boring)) + 1e-9;
        bool same = SameNumber(listed->datum, ours.datum, 0) &&
                    SameNumber(listed->elevation, ours.elevation, 0.005);
        for (int k = 0; k < 3; ++k) {
            same = same &&
                   SameNumber(listed->longitude[k], ours.longitude[k], k == 2 ? second : 0) &&
                   SameNumber(listed->latitude[k], ours.latitude[k], k == 2 ? second : 0);
        }
        if (!same) {
            problems.push_back(FormatMessage(
                msg::deliveryPositionDiffers,
                {b.number, Trimmed(boring.folder), PositionText(*listed), PositionText(ours)}));
        }
    }
    return problems;
}

// Where each test goes: the name the sheet recorded for its data file (its
// earlier entry replaced, wherever it stood), else this program's entry of
// the same depth in its boring that no other data file holds, else the
// first name free in the folder. What the earlier places leave is taken out.
struct Placement {
    std::vector<DeliveredTest> tests;
    std::vector<const SiteBoring*> borings;
    std::vector<std::string> removals;  // files of entries moved to another boring
    std::vector<std::string> kept;
    std::vector<std::string> folders;
};

// The names the sheet records for data files, by folder; those whose data
// files are not among the tests are kept as they are, and named.
std::map<std::string, std::set<std::string>> RecordedNames(const Campaign& campaign,
                                                           const SiteSheet& sheet,
                                                           std::vector<std::string>& kept) {
    std::set<std::string> present;
    for (const auto& test : campaign.tests) {
        if (const std::optional<std::string> key = RecordKey(*test)) {
            present.insert(*key);
        }
    }
    std::map<std::string, std::set<std::string>> claimed;
    for (const auto& [file, where] : sheet.delivered) {
        if (const auto recorded = RecordedTest(where)) {
            claimed[recorded->first].insert(recorded->second);
            if (!present.contains(file)) {
                kept.push_back(where + " (" + file + ")");
            }
        }
    }
    return claimed;
}

// The names taken in a boring's folder (every entry's and every file's),
// and this program's entries there that no data file's record holds, with
// their depths.
struct FolderNames {
    std::set<std::string> used;
    std::vector<std::pair<std::string, double>> own;
};
FolderNames NamesIn(const ManagementFile& management, const std::string& folder,
                    const std::string& folderPath, const std::set<std::string>& claimed) {
    FolderNames names{StemsIn(folderPath), {}};
    for (const ManagementFile::Entry& e : management.Entries(folder)) {
        names.used.insert(StemOf(e.sheetFile));
        if (!e.exchangeFile.empty()) {
            names.used.insert(StemOf(e.exchangeFile));
        }
        if (IsOwn(e) && IsOwnTsName(Upper(e.sheetFile)) && !claimed.contains(StemOf(e.sheetFile))) {
            names.own.emplace_back(StemOf(e.sheetFile), ParseNumber(e.topDepth).value_or(-1));
        }
    }
    return names;
}

// The name the sheet recorded for a test's data file, when it may be taken
// again: its entry (this program's) goes, and its files too when the test
// moved to another boring; "" when the test gets a name otherwise.
std::string RecordedName(const DeliveredTest& d, const SiteSheet& sheet, ManagementFile& management,
                         const std::set<std::string>& used, const std::string& testFolder,
                         std::vector<std::string>& removals) {
    const std::optional<std::string> key = RecordKey(*d.test);
    const auto found = key ? sheet.delivered.find(*key) : sheet.delivered.end();
    const auto recorded =
        found == sheet.delivered.end() ? std::nullopt : RecordedTest(found->second);
    if (!recorded) {
        return {};
    }
    const std::string& folder = recorded->first;
    const std::string& name = recorded->second;
    const std::vector<ManagementFile::Entry> entries = management.Entries(folder);
    const bool ownEntry = std::any_of(entries.begin(), entries.end(), [&](const auto& e) {
        return IsOwn(e) && Upper(e.sheetFile) == name + ".PDF";
    });
    if (ownEntry) {
        management.Remove(folder, name + ".PDF");
        if (folder == d.folder) {
            return name;
        }
        const std::string old = testFolder + "/" + folder + "/" + name;
        removals.insert(removals.end(), {old + ".PDF", old + ".XML"});
        return {};
    }
    // Its entry went (by hand): the name is its own while nothing holds it.
    return folder == d.folder && !used.contains(name) ? name : std::string();
}

std::optional<Placement> PlaceTests(const Campaign& campaign, const SiteSheet& sheet,
                                    ManagementFile& management, const std::string& testFolder,
                                    Messages& messages) {
    Placement place;
    std::map<std::string, std::set<std::string>> claimed =
        RecordedNames(campaign, sheet, place.kept);
    for (const BoringTests& b : BoringsOf(campaign)) {
        const SiteBoring& boring = *sheet.Boring(b.number);
        const std::string folder = Trimmed(boring.folder);
        const std::string folderPath = testFolder + "/" + folder;
        place.folders.push_back(folderPath);
        FolderNames names = NamesIn(management, folder, folderPath, claimed[folder]);
        std::set<std::string> given;
        std::vector<DeliveredTest> placed(b.profile->tests.size());
        for (std::size_t i = 0; i < placed.size(); ++i) {
            DeliveredTest& d = placed[i];
            d.test = campaign.tests[b.first + i].get();
            d.number = b.number;
            d.folder = folder;
            d.name = RecordedName(d, sheet, management, names.used, testFolder, place.removals);
            d.replaces = !d.name.empty() && names.used.contains(d.name);
            const double depth = TestDepth(d.test->Header());
            for (const auto& [name, ownDepth] : names.own) {
                if (d.name.empty() && !given.contains(name) &&
                    std::fabs(ownDepth - depth) < 0.005) {
                    d.name = name;
                    d.replaces = true;
                    management.Remove(folder, name + ".PDF");
                }
            }
            given.insert(d.name);
        }
        int next = 1;
        for (DeliveredTest& d : placed) {
            while (d.name.empty() && next <= 999) {
                const std::string name = FormatText("TS000%03d", next++);
                if (!claimed[folder].contains(name) && names.used.insert(name).second) {
                    d.name = name;
                }
            }
            if (d.name.empty()) {
                messages.Show(FormatMessage(msg::deliveryFull, b.number));
                return std::nullopt;
            }
            place.borings.push_back(&boring);
            place.tests.push_back(std::move(d));
        }
    }
    return place;
}

// Installs the delivery's files as one set, in its folders (those made
// for a set that failed go again); false, said with why, when it failed.
bool InstallDelivery(const std::string& testFolder, const std::vector<std::string>& folders,
                     const FileContents& files, const std::vector<std::string>& removals,
                     Messages& messages) {
    std::error_code ec;
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
    if (ReplaceFileSet(testFolder + "/" + std::string(kDeliveryJournal), files, removals)) {
        return true;
    }
    std::uintmax_t size = 0;
    for (const auto& file : files) {
        size += file.second.size();
    }
    const std::string why = WhyNotWritten(testFolder, size);
    std::sort(made.begin(), made.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& m : made) {
        std::filesystem::remove(PathOf(m), ec);
    }
    messages.Show(FormatMessage(msg::deliveryNotWritten, testFolder, why));
    return false;
}

}  // namespace

// The files of the delivery: each folder's DTDs, each test's data sheet
// (its pages as a PDF, made side by side on up to `jobs` threads) and its
// exchange data checked as delivered, and the management file with the
// tests added. Nothing when a file cannot be made (said) or the user
// stopped (`result.stopped`); what is made is counted in `result`.
std::optional<FileContents> MakeSheets(const Placement& place, const SiteSheet& sheet,
                                       ManagementFile& management, const std::string& testFolder,
                                       std::string_view software, const TestPdf& pdf,
                                       Messages& messages, const CampaignProgress& progress,
                                       int jobs, const ThreadStart& start, DeliveryResult& result) {
    const DeliveryRules& rules = RulesOf(sheet.edition);
    const std::string managementPath = testFolder + "/GRNDTST.XML";
    FileContents files;
    for (const std::string& folderPath : place.folders) {
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
    const std::vector<DeliveredTest>& placed = place.tests;
    const std::size_t total = placed.size();
    const auto make = [&](std::size_t i) {
        Sheet made;
        made.pdf = pdf(*placed[i].test, made.said);
        return made;
    };
    bool failed = false;
    const auto take = [&](std::size_t i, Sheet&& made) {
        made.said.SayAgain(messages);
        const DeliveredTest& d = placed[i];
        const SiteBoring& boring = *place.borings[i];
        if (progress && !progress(i, total)) {
            result.stopped = true;
            return false;
        }
        const TestRecord& test = d.test->ws->test;
        const std::string bytes = ShiftJisBytes(
            PlainForShiftJis(ExchangeXml(test, d.test->ws->settings, sheet, boring), result.plain));
        if (const std::optional<std::string> why = InvalidDelivered(bytes)) {
            messages.Show(FormatMessage(msg::deliveryInvalid, d.name + ".XML", *why));
            failed = true;
            return false;
        }
        if (!made.pdf) {
            messages.Show(FormatMessage(msg::deliveryNoPdf, ReadableFileName(*d.test)));
            failed = true;
            return false;
        }
        const std::string folderPath = testFolder + "/" + d.folder;
        files.emplace_back(folderPath + "/" + d.name + ".PDF", std::move(*made.pdf));
        files.emplace_back(folderPath + "/" + d.name + ".XML", bytes);
        const HeaderTexts& h = test.testHeader;
        management.Add(
            {.site = SiteName(boring), .folder = d.folder, .position = PositionOf(boring)},
            {.sheetFile = d.name + ".PDF",
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
        return std::nullopt;
    }
    const std::string bytes = ShiftJisBytes(PlainForShiftJis(management.Text(), result.plain));
    if (const std::optional<std::string> why = InvalidDelivered(bytes)) {
        messages.Show(FormatMessage(msg::deliveryInvalid, "GRNDTST.XML", *why));
        return std::nullopt;
    }
    files.emplace_back(managementPath, bytes);
    files.emplace_back(testFolder + "/GTST0200.DTD", std::string(*ShippedDtd("GTST0200.DTD")));

    return files;
}

DeliveryResult WriteDelivery(const Campaign& campaign, const SiteSheet& sheet,
                             const std::string& output, std::string_view software,
                             const TestPdf& pdf, Messages& messages,
                             const CampaignProgress& progress, int jobs, const ThreadStart& start) {
    DeliveryResult result;
    if (!RecoverDelivery(output, messages)) {
        return result;
    }
    const DeliveryRules& rules = RulesOf(sheet.edition);
    const std::string testFolder = TestFolderOf(output);
    const std::string managementPath = testFolder + "/GRNDTST.XML";
    std::vector<std::string> problems = DeliveryProblems(campaign, sheet);
    // A delivery already there is read first, and kept.
    std::unique_ptr<ManagementFile> management;
    if (problems.empty()) {
        management = ExistingManagement(managementPath, rules, messages);
        if (!management) {
            return result;
        }
        problems = PositionConflicts(*management, campaign, sheet);
    }
    if (!problems.empty()) {
        messages.Show(JoinedLines(problems));
        return result;
    }
    std::optional<Placement> place = PlaceTests(campaign, sheet, *management, testFolder, messages);
    if (!place) {
        return result;
    }
    result.kept = place->kept;

    std::optional<FileContents> files = MakeSheets(*place, sheet, *management, testFolder, software,
                                                   pdf, messages, progress, jobs, start, result);
    if (!files) {
        return result;
    }
    // A Cancel up to here leaves the output as it was.
    const std::size_t total = place->tests.size();
    if (progress && !progress(total, total)) {
        result.stopped = true;
        return result;
    }
    if (!InstallDelivery(testFolder, place->folders, *files, place->removals, messages)) {
        return result;
    }
    result.written = true;
    result.tests = result.placed.size();
    result.files = files->size();
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
    std::string summary =
        FormatMessage(msg::deliverySummary, {std::to_string(r.borings), std::to_string(r.tests),
                                             std::to_string(r.files), std::to_string(r.replaced)});
    if (!r.kept.empty()) {
        std::string list;
        for (const std::string& k : r.kept) {
            list += (list.empty() ? "" : ", ") + k;
        }
        summary += "\n" + FormatMessage(msg::deliveryKept, list);
    }
    return summary;
}

void RecordDelivered(SiteSheet& sheet, const DeliveryResult& result) {
    for (const DeliveredTest& d : result.placed) {
        if (const std::optional<std::string> key = RecordKey(*d.test)) {
            sheet.delivered[*key] = d.folder + "/" + d.name;
        }
    }
}

}  // namespace karnea
