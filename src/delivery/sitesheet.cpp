#include "delivery/sitesheet.h"

// The reader is a header: its code is built here, for char texts taken as
// they are (UTF-8).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>

#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"

namespace karnea {
namespace {

constexpr std::string_view kBoringPrefix = "boring ";

// One item of the sheet into its place; an item the sheet does not have is
// left alone (a later version's, or the user's own note).
void TakeItem(SiteSheet& sheet, std::string_view section, std::string_view key,
              std::string_view value, std::vector<std::string>& problems) {
    if (section == "delivery") {
        if (key == "edition") {
            if (const std::optional<DeliveryEdition> e = EditionNamed(value)) {
                sheet.edition = *e;
            } else {
                problems.push_back(FormatMessage(msg::siteValueWrong, "delivery", key));
            }
        } else if (key == "client") {
            sheet.client = value;
        }
    } else if (section == "delivered") {
        sheet.delivered[std::string(key)] = std::string(TrimBlanks(value));
    } else if (section.substr(0, kBoringPrefix.size()) == kBoringPrefix) {
        const std::string_view number = TrimBlanks(section.substr(kBoringPrefix.size()));
        if (std::string* item = ItemOf(sheet.BoringToEdit(number), key)) {
            *item = value;
        }
    }
}

// A line the reader takes as it is: blank, a comment, a section or an item;
// an item's comment after " ;" is left out.
std::optional<std::string> ReadableLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') {
        return std::string();
    }
    for (std::size_t at = line.find(';'); at != std::string_view::npos;
         at = line.find(';', at + 1)) {
        if (line[at - 1] == ' ' || line[at - 1] == '\t') {
            line = TrimBlanks(line.substr(0, at));
            break;
        }
    }
    const std::size_t equals = line.find('=');
    const bool section = line[0] == '[' && line.back() == ']';
    const bool item = line[0] != '[' && equals != std::string_view::npos &&
                      !TrimBlanks(line.substr(0, equals)).empty();
    if (!section && !item) {
        return std::nullopt;
    }
    return std::string(line);
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsCode(std::string_view text, const std::vector<CodeChoice>& choices) {
    return std::any_of(choices.begin(), choices.end(),
                       [&](const CodeChoice& c) { return c.code == text; });
}

// A folder of the delivery's borings: BRG0001 … BRG9999, BRGnnnnA (a borehole
// made before), SIT0001 … (a site without a boring).
bool IsFolderName(std::string_view name) {
    if (name.size() < 7 || (name.substr(0, 3) != "BRG" && name.substr(0, 3) != "SIT")) {
        return false;
    }
    const std::string_view digits = name.substr(3, 4);
    const std::string_view rest = name.substr(7);
    return IsDigits(digits) && digits != "0000" &&
           (rest.empty() || (rest == "A" && name.substr(0, 3) == "BRG"));
}

}  // namespace

const SiteBoring* SiteSheet::Boring(std::string_view number) const {
    for (const SiteBoring& b : borings) {
        if (b.number == number) {
            return &b;
        }
    }
    return nullptr;
}

SiteBoring& SiteSheet::BoringToEdit(std::string_view number) {
    for (SiteBoring& b : borings) {
        if (b.number == number) {
            return b;
        }
    }
    SiteBoring added;
    added.number = number;
    borings.push_back(std::move(added));
    return borings.back();
}

SiteSheet ReadSiteSheet(std::string_view text, std::vector<std::string>& problems) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    // Each line checked first, so that one the reader would pass over is
    // named; the reader is given the lines as it takes them.
    std::string lines;
    int number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++number;
        if (const std::optional<std::string> line = ReadableLine(text.substr(start, end - start))) {
            lines += *line;
        } else {
            problems.push_back(FormatMessage(msg::siteLineUnread, std::to_string(number)));
        }
        lines += '\n';
        start = end + 1;
    }
    CSimpleIniCaseA ini(true);
    SiteSheet sheet;
    if (ini.LoadData(lines) < 0) {
        problems.push_back(FormatMessage(msg::siteLineUnread, "1"));
        return sheet;
    }
    CSimpleIniCaseA::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(CSimpleIniCaseA::Entry::LoadOrder());
    for (const auto& section : sections) {
        CSimpleIniCaseA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        keys.sort(CSimpleIniCaseA::Entry::LoadOrder());
        for (const auto& key : keys) {
            TakeItem(sheet, section.pItem, key.pItem, ini.GetValue(section.pItem, key.pItem, ""),
                     problems);
        }
    }
    return sheet;
}

std::optional<std::string> ReadSiteSheetFile(const std::string& path, std::string& why) {
    why = WhyUnreadable(path);
    // A link to a sheet yet to be made is a place for one, as the save
    // takes it.
    if (why == msg::linkLeadsNowhere) {
        why.clear();
        return std::nullopt;
    }
    std::error_code ec;
    if (!why.empty() ||
        !std::filesystem::exists(std::filesystem::symlink_status(PathOf(path), ec))) {
        return std::nullopt;
    }
    std::optional<std::string> text = ReadFileStart(path, kLargestSiteSheet + 1);
    if (!text) {
        why = msg::fileUnreadable;
    } else if (text->size() > kLargestSiteSheet) {
        const std::uintmax_t size = FileSizeOf(path).value_or(text->size());
        why = FormatMessage(msg::siteSheetTooLarge, std::to_string(size >> 10));
        text.reset();
    }
    return text;
}

std::string WriteSiteSheet(const SiteSheet& sheet) {
    std::string out = "; 電子納品の現場シート (karnea)\n[delivery]\n";
    out += "edition = " + std::string(EditionName(sheet.edition)) + "\n";
    out += "client = " + sheet.client + "\n";
    for (const SiteBoring& b : sheet.borings) {
        out += "\n[boring " + b.number + "]\n";
        const std::pair<const char*, const std::string*> items[] = {
            {"folder", &b.folder},         {"site", &b.site},           {"longitude", &b.longitude},
            {"latitude", &b.latitude},     {"method", &b.method},       {"precision", &b.precision},
            {"datum", &b.datum},           {"elevation", &b.elevation}, {"diameter", &b.diameter},
            {"instrument", &b.instrument}, {"name", &b.boringName}};
        for (const auto& [key, value] : items) {
            out += std::string(key) + " = " + *value + "\n";
        }
    }
    return WithDelivered(out, sheet.delivered);
}

namespace {

std::string DeliveredSection(const std::map<std::string, std::string>& delivered,
                             std::string_view newline) {
    if (delivered.empty()) {
        return {};
    }
    std::string out =
        "; 電子納品した試験 (データファイル = フォルダ/名前)。消すと次の納品で新しい名前"
        "になります" +
        std::string(newline) + "[delivered]" + std::string(newline);
    for (const auto& [file, test] : delivered) {
        out += file + " = " + test + std::string(newline);
    }
    return out;
}

}  // namespace

std::string WithDelivered(std::string_view text,
                          const std::map<std::string, std::string>& delivered) {
    const std::string_view newline =
        text.find("\r\n") != std::string_view::npos ? std::string_view("\r\n") : "\n";
    std::string kept;
    bool inDelivered = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(start, end - start);
        const std::string_view trimmed = TrimBlanks(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            inDelivered = trimmed.substr(0, 11) == "[delivered]";
        }
        if (!inDelivered) {
            kept.append(line);
        }
        start = end;
    }
    // The section's own comment, written with it, goes with it.
    const std::string comment = "; 電子納品した試験";
    const std::size_t own = kept.rfind(comment);
    if (own != std::string::npos && kept.find('\n', own) + 1 == kept.size()) {
        kept.erase(own);
    }
    if (!kept.empty() && kept.back() != '\n') {
        kept += newline;
    }
    const std::string blank = std::string(newline) + std::string(newline);
    if (!kept.empty() && !delivered.empty() && !kept.ends_with(blank)) {
        kept += newline;
    }
    return kept + DeliveredSection(delivered, newline);
}

std::optional<DeliveryEdition> EditionNamed(std::string_view name) {
    name = TrimBlanks(name);
    if (name == "2016") {
        return DeliveryEdition::e2016;
    }
    if (name == "2008") {
        return DeliveryEdition::e2008;
    }
    return std::nullopt;
}

std::string_view EditionName(DeliveryEdition edition) {
    return edition == DeliveryEdition::e2016 ? "2016" : "2008";
}

std::optional<Angle> AngleOf(std::string_view text, int maxDegrees) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        parts.push_back(text.substr(start, end - start));
        at = end;
    }
    if (parts.size() != 3 || !IsDigits(parts[0]) || !IsDigits(parts[1]) || parts[0].size() > 3 ||
        parts[1].size() > 2) {
        return std::nullopt;
    }
    Angle a;
    std::from_chars(parts[0].data(), parts[0].data() + parts[0].size(), a.degrees);
    std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), a.minutes);
    const std::string_view s = parts[2];
    const std::size_t dot = s.find('.');
    if (!IsDigits(s.substr(0, dot)) ||
        (dot != std::string_view::npos && !IsDigits(s.substr(dot + 1)))) {
        return std::nullopt;
    }
    a.seconds = TextToDouble(s);
    if (a.degrees > maxDegrees || a.minutes > 59 || !(a.seconds < 60) ||
        (a.degrees == maxDegrees && (a.minutes > 0 || a.seconds > 0))) {
        return std::nullopt;
    }
    return a;
}

const std::vector<CodeChoice>& MethodChoices() {
    static const std::vector<CodeChoice> choices = {
        {"01", "測量(GPS含む)"}, {"02", "地形図読取"}, {"03", "GPS単独"}, {"09", "その他"}};
    return choices;
}

const std::vector<CodeChoice>& PrecisionChoices() {
    static const std::vector<CodeChoice> choices = {
        {"0", "1″"}, {"1", "0.1″"}, {"2", "0.01″"}, {"3", "0.001″"}, {"4", "0.0001″"}};
    return choices;
}

const std::vector<CodeChoice>& DatumChoices(DeliveryEdition edition) {
    static const std::vector<CodeChoice> e2016 = {
        {"00", "日本測地系"}, {"01", "世界測地系 (JGD2000)"}, {"02", "世界測地系 (JGD2011)"}};
    static const std::vector<CodeChoice> e2008 = {{"0", "日本測地系"},
                                                  {"1", "世界測地系 (JGD2000)"}};
    return edition == DeliveryEdition::e2016 ? e2016 : e2008;
}

const std::vector<CodeChoice>& InstrumentChoices() {
    static const std::vector<CodeChoice> choices = {{"1", "B1421 の納品例の値 (意味は未公表)"},
                                                    {"11", "B1531 の納品例の値 (意味は未公表)"}};
    return choices;
}

std::string* ItemOf(SiteBoring& b, std::string_view key) {
    if (key == "folder")
        return &b.folder;
    if (key == "site")
        return &b.site;
    if (key == "longitude")
        return &b.longitude;
    if (key == "latitude")
        return &b.latitude;
    if (key == "method")
        return &b.method;
    if (key == "precision")
        return &b.precision;
    if (key == "datum")
        return &b.datum;
    if (key == "elevation")
        return &b.elevation;
    if (key == "diameter")
        return &b.diameter;
    if (key == "instrument")
        return &b.instrument;
    if (key == "name")
        return &b.boringName;
    return nullptr;
}

std::string_view ItemLabel(std::string_view key) {
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"folder", "フォルダ名"},   {"site", "地点名"},           {"longitude", "経度"},
        {"latitude", "緯度"},       {"method", "経緯度取得方法"}, {"precision", "経緯度読取精度"},
        {"datum", "測地系"},        {"elevation", "標高"},        {"diameter", "試験孔径"},
        {"instrument", "測定器名"}, {"name", "ボーリング名"},     {"edition", "要領"},
        {"client", "発注機関名称"}};
    for (const auto& [k, label] : kLabels) {
        if (k == key) {
            return label;
        }
    }
    return key;
}

std::vector<std::string> BoringProblems(const SiteBoring& b, DeliveryEdition edition) {
    std::vector<std::string> problems;
    const auto check = [&](const char* key, const std::string& value, bool ok) {
        const std::string_view typed = TrimBlanks(value);
        if (typed.empty()) {
            problems.push_back(FormatMessage(msg::siteValueMissing, b.number, ItemLabel(key)));
        } else if (!ok) {
            problems.push_back(
                FormatMessage(msg::siteValueWrong, {b.number, ItemLabel(key), typed}));
        }
    };
    // A position in Japan: a latitude and longitude swapped, or typed in
    // another unit, is found here rather than by the client.
    const auto inJapan = [&](const char* key, const std::string& value, int least, int most) {
        const std::optional<Angle> a = AngleOf(value, 180);
        check(key, value, a.has_value());
        const double degrees = a ? a->degrees + a->minutes / 60.0 + a->seconds / 3600.0 : 0;
        if (a && (degrees < least || degrees > most)) {
            problems.push_back(FormatMessage(
                msg::siteOutsideJapan, {b.number, ItemLabel(key), std::string(TrimBlanks(value)),
                                        std::to_string(least), std::to_string(most)}));
        }
    };
    check("folder", b.folder, IsFolderName(TrimBlanks(b.folder)));
    inJapan("longitude", b.longitude, 122, 154);
    inJapan("latitude", b.latitude, 20, 46);
    check("method", b.method, IsCode(TrimBlanks(b.method), MethodChoices()));
    check("precision", b.precision, IsCode(TrimBlanks(b.precision), PrecisionChoices()));
    check("datum", b.datum, IsCode(TrimBlanks(b.datum), DatumChoices(edition)));
    const std::optional<double> elevation = PlainDecimal(b.elevation);
    check("elevation", b.elevation, elevation && std::fabs(*elevation) < 10000);
    if (edition == DeliveryEdition::e2016) {
        const std::optional<double> d = PlainDecimal(b.diameter);
        check("diameter", b.diameter, d && *d > 0 && *d < 10000);
    }
    return problems;
}

std::optional<double> PlainDecimal(std::string_view text) {
    const std::string_view typed = TrimBlanks(text);
    std::string_view digits = typed;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        digits.remove_prefix(1);
    }
    const std::size_t dot = digits.find('.');
    if (!IsDigits(digits.substr(0, dot)) ||
        (dot != std::string_view::npos && !IsDigits(digits.substr(dot + 1)))) {
        return std::nullopt;
    }
    return ParseNumber(typed);
}

}  // namespace karnea
