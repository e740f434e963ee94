#include "document/agsfile.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "analysis/modulus.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/romaji.h"
#include "base/system.h"
#include "base/textfields.h"
#include "records/choices.h"
#include "records/testdate.h"

namespace karnea {
namespace {

struct Heading {
    const char* name;
    const char* unit;
    const char* type;
};

// One group: its headings and rows, written as GROUP, HEADING, UNIT, TYPE
// and DATA lines and a blank line.
class Group {
public:
    Group(const char* name, std::vector<Heading> headings)
        : name_(name), headings_(std::move(headings)) {}

    void Row(std::vector<std::string> fields) { rows_.push_back(std::move(fields)); }

    // A group without data rows is left out: every group written has one.
    void WriteTo(std::string& out) const {
        if (rows_.empty()) {
            return;
        }
        Line(out, {"GROUP", name_});
        std::vector<std::string> names = {"HEADING"};
        std::vector<std::string> units = {"UNIT"};
        std::vector<std::string> types = {"TYPE"};
        for (const Heading& h : headings_) {
            names.emplace_back(h.name);
            units.emplace_back(h.unit);
            types.emplace_back(h.type);
        }
        Line(out, names);
        Line(out, units);
        Line(out, types);
        for (const std::vector<std::string>& row : rows_) {
            std::vector<std::string> data = {"DATA"};
            data.insert(data.end(), row.begin(), row.end());
            data.resize(headings_.size() + 1);
            Line(out, data);
        }
        out += "\r\n";
    }

private:
    // Every field quoted, a quote inside doubled; a line break or tab inside
    // a field becomes a space.
    static void Line(std::string& out, const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out += i == 0 ? "\"" : ",\"";
            for (const char c : fields[i]) {
                if (c == '"') {
                    out += "\"\"";
                } else if (c == '\r' || c == '\n' || c == '\t') {
                    out += ' ';
                } else {
                    out += c;
                }
            }
            out += '"';
        }
        out += "\r\n";
    }

    std::string name_;
    std::vector<Heading> headings_;
    std::vector<std::vector<std::string>> rows_;
};

// A number with exactly `decimals` decimals (never "-0"); "" for none.
std::string Fixed(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    return FormatDerived(FormatText("%%.%df", decimals), *value);
}

std::optional<double> NumberOf(const std::string& text) {
    if (!IsNumber(text)) {
        return std::nullopt;
    }
    return TextToDouble(text);
}

std::string Utf8(const std::string& cp932) {
    return Cp932ToUtf8(cp932);
}

// The standard code of the one pressuremeter type the program measures with.
constexpr const char* kPressuremeterType = "MPM";

// The headings of a group about one test: the keys of the test (its
// borehole, depth and name), then `own`.
std::vector<Heading> OfTest(std::vector<Heading> own) {
    std::vector<Heading> headings = {
        {"LOCA_ID", "", "ID"}, {"PMTG_DPTH", "m", "2DP"}, {"PMTG_TESN", "", "X"}};
    headings.insert(headings.end(), own.begin(), own.end());
    return headings;
}

// The texts of the file as it writes them: in ASCII, Japanese read as
// romaji, converted together in one run; with `utf8`, also as they are.
class AgsTexts {
public:
    explicit AgsTexts(bool utf8) : utf8_(utf8) {}

    // A text to be written (UTF-8).
    void Add(const std::string& utf8) { ascii_.emplace(utf8, std::string()); }
    // Converts every text added, unless `stopped` says so first; how the
    // romaji program ended (the texts keep their ASCII characters alone
    // when it did not finish).
    Romaji Convert(const std::function<bool()>& stopped) {
        std::vector<std::string> cp932;
        for (const auto& [utf8, ascii] : ascii_) {
            cp932.push_back(Utf8ToCp932(utf8));
        }
        Romaji romaji = RomajiOf(cp932, stopped);
        const bool read = romaji.end == RunEnd::finished;
        std::size_t i = 0;
        for (auto& [utf8, ascii] : ascii_) {
            ascii = read ? romaji.texts[i] : AsciiOnly(cp932[i]);
            ++i;
        }
        romaji.texts.clear();
        return romaji;
    }
    // The text in ASCII, and as it is (only in a UTF-8 file, and only when
    // the two differ).
    const std::string& Ascii(const std::string& utf8) const { return ascii_.at(utf8); }
    std::string Original(const std::string& utf8) const {
        return utf8_ && Ascii(utf8) != utf8 ? utf8 : std::string();
    }
    bool utf8() const { return utf8_; }

private:
    bool utf8_;
    std::map<std::string, std::string> ascii_;
};

// The headings of our own that keep the Japanese texts in a UTF-8 file, after
// the standard headings of their group.
struct OriginalHeading {
    const char* group;
    const char* name;
    const char* description;
};
constexpr OriginalHeading kOriginalHeadings[] = {
    {"PROJ", "PROJ_JNAM", "Project title as written in Japanese (UTF-8)"},
    {"LOCA", "LOCA_JID", "Location identifier as written in Japanese (UTF-8)"},
    {"LOCA", "LOCA_JREM", "Survey name as written in Japanese (UTF-8)"},
    {"PMTG", "PMTG_JTSN", "Test reference as written in Japanese (UTF-8)"},
    {"PMTG", "PMTG_JCRW", "Operators as written in Japanese (UTF-8)"},
    {"PMTG", "PMTG_JREM", "Soil as written in Japanese (UTF-8)"},
};

// `headings` with those of our own for the original texts of `group`.
std::vector<Heading> WithOriginals(const char* group, std::vector<Heading> headings, bool utf8) {
    if (utf8) {
        for (const OriginalHeading& o : kOriginalHeadings) {
            if (std::string_view(o.group) == group) {
                headings.push_back({o.name, "", "X"});
            }
        }
    }
    return headings;
}

// The groups of the file in the order they are written, each with its
// headings in the order of the standard dictionary, then those of our own.
struct AgsGroups {
    explicit AgsGroups(bool utf8)
        : proj{"PROJ",
               WithOriginals("PROJ", {{"PROJ_ID", "", "ID"}, {"PROJ_NAME", "", "X"}}, utf8)},
          tran{"TRAN", TranHeadings(utf8)},
          loca{"LOCA", WithOriginals("LOCA", {{"LOCA_ID", "", "ID"}, {"LOCA_REM", "", "X"}}, utf8)},
          pmtg{"PMTG", WithOriginals("PMTG",
                                     OfTest({{"PMTG_DATE", "yyyy-mm-dd", "DT"},
                                             {"PMTG_WAT", "m", "2DP"},
                                             {"PMTG_CREW", "", "X"},
                                             {"PMTG_TYPE", "", "PA"},
                                             {"PMTG_PL", "kPa", "0DP"},
                                             {"PMTG_REM", "", "X"}}),
                                     utf8)} {}

    // A UTF-8 file names its character set in TRAN_REM.
    static std::vector<Heading> TranHeadings(bool remark) {
        std::vector<Heading> headings = {{"TRAN_ISNO", "", "X"}, {"TRAN_DATE", "yyyy-mm-dd", "DT"},
                                         {"TRAN_PROD", "", "X"}, {"TRAN_STAT", "", "X"},
                                         {"TRAN_AGS", "", "X"},  {"TRAN_RECV", "", "X"},
                                         {"TRAN_DLIM", "", "X"}, {"TRAN_RCON", "", "X"}};
        if (remark) {
            headings.push_back({"TRAN_REM", "", "X"});
        }
        return headings;
    }

    Group proj;
    Group tran;
    Group unit{"UNIT", {{"UNIT_UNIT", "", "X"}, {"UNIT_DESC", "", "X"}}};
    Group type{"TYPE", {{"TYPE_TYPE", "", "X"}, {"TYPE_DESC", "", "X"}}};
    Group abbr{"ABBR", {{"ABBR_HDNG", "", "X"}, {"ABBR_CODE", "", "X"}, {"ABBR_DESC", "", "X"}}};
    Group dict{"DICT",
               {{"DICT_TYPE", "", "PA"},
                {"DICT_GRP", "", "X"},
                {"DICT_HDNG", "", "X"},
                {"DICT_STAT", "", "PA"},
                {"DICT_DTYP", "", "PT"},
                {"DICT_DESC", "", "X"},
                {"DICT_UNIT", "", "PU"},
                {"DICT_PGRP", "", "X"}}};
    Group loca;
    Group pmtg;
    Group pmtd{
        "PMTD",
        OfTest({{"PMTD_SEQ", "", "0DP"}, {"PMTD_TPC", "kPa", "1DP"}, {"PMTD_VOL", "cm3", "1DP"}})};
    // The standard headings with the total pressures, then the modulus and
    // the effective yield pressure in headings of our own.
    Group pmtp{"PMTP", OfTest({{"PMTP_U0", "kPa", "0DP"},
                               {"PMTP_PL", "kPa", "0DP"},
                               {"PMTP_PF", "kPa", "0DP"},
                               {"PMTP_MU", "", "2DP"},
                               {"PMTP_EM", "kPa", "1DP"},
                               {"PMTP_PFEF", "kPa", "0DP"}})};

    std::string Text() const {
        std::string out;
        for (const Group* g :
             {&proj, &tran, &unit, &type, &abbr, &dict, &loca, &pmtg, &pmtd, &pmtp}) {
            g->WriteTo(out);
        }
        return out;
    }
};

// The survey names of the campaign, each once, joined by "; " (UTF-8).
std::string SurveyNames(const Campaign& campaign) {
    std::string surveys;
    for (const BoreholeProfile& b : campaign.boreholes) {
        const std::string name = Utf8(b.surveyName);
        if (!name.empty() && surveys.find(name) == std::string::npos) {
            surveys += (surveys.empty() ? "" : "; ") + name;
        }
    }
    return surveys;
}

// The rows that describe the file itself: the project (every survey name),
// the transmission, and the units, types, codes and headings it uses.
void AddFileRows(AgsGroups& g, const std::string& surveys, const std::string& recipient,
                 std::string_view today, const AgsTexts& texts) {
    g.proj.Row({"1", texts.Ascii(surveys), texts.Original(surveys)});
    g.tran.Row({"1", std::string(today), "karnea", "Final", "4.2", texts.Ascii(recipient), "|", "+",
                "Character set UTF-8: texts as written in Japanese in the headings *_J*"});
    for (const auto& [u, description] :
         std::vector<std::pair<const char*, const char*>>{{"cm3", "cubic centimetre"},
                                                          {"kPa", "kilopascal"},
                                                          {"m", "metre"},
                                                          {"yyyy-mm-dd", "year month day"}}) {
        g.unit.Row({u, description});
    }
    for (const auto& [t, description] : std::vector<std::pair<const char*, const char*>>{
             {"0DP", "Value; required number of decimal places, 0"},
             {"1DP", "Value; required number of decimal places, 1"},
             {"2DP", "Value; required number of decimal places, 2"},
             {"DT", "Date time in international format"},
             {"ID", "Unique Identifier"},
             {"PA", "Text listed in ABBR Group"},
             {"PT", "Text listed in TYPE Group"},
             {"PU", "Text listed in UNIT Group"},
             {"X", "Text"}}) {
        g.type.Row({t, description});
    }
    // The standard codes, with the standard descriptions.
    g.abbr.Row({"DICT_STAT", "OTHER", "Other field"});
    g.abbr.Row({"DICT_TYPE", "HEADING", "Flag to indicate definition is a HEADING"});
    g.abbr.Row({"PMTG_TYPE", kPressuremeterType, "Menard type pressuremeter"});
    // The headings of our own, after the standard ones of their group.
    g.dict.Row(
        {"HEADING", "PMTP", "PMTP_EM", "OTHER", "1DP", "Menard deformation modulus Em", "kPa", ""});
    g.dict.Row({"HEADING", "PMTP", "PMTP_PFEF", "OTHER", "0DP",
                "Effective yield pressure Pf' (PMTP_PF less PMTP_U0)", "kPa", ""});
    if (texts.utf8()) {
        for (const OriginalHeading& o : kOriginalHeadings) {
            g.dict.Row({"HEADING", o.group, o.name, "OTHER", "X", o.description, "", ""});
        }
    }
}

// The borehole's LOCA_ID: its number, or "BH<n>" without one; an id met
// again (the same number in another survey, or two numbers alike in ASCII)
// gets a suffix.
std::string BoreholeId(const std::string& number, std::size_t index, std::set<std::string>& ids) {
    const std::string base = number.empty() ? "BH" + std::to_string(index + 1) : number;
    std::string id = base;
    for (int n = 2; ids.count(id) != 0; ++n) {
        id = base + FormatText("_%d", n);
    }
    ids.insert(id);
    return id;
}

// One test of a borehole: its PMTG row, a PMTD row a usable reading, and its
// PMTP row. The test is named by its file (made unique at its depth).
void AddTestRows(AgsGroups& g, const std::string& id, const CampaignTest& test,
                 const AgsTexts& texts, std::set<std::pair<std::string, std::string>>& tests) {
    const TestRecord& t = test.ws->test;
    const HeaderTexts& h = t.testHeader;
    const std::string depth = Fixed(TestDepth(t), 2);
    const std::string file = texts.Ascii(ReadableFileName(test));
    std::string tesn = file;
    for (int n = 2; tests.count({depth, tesn}) != 0; ++n) {
        tesn = file + FormatText("#%d", n);
    }
    tests.insert({depth, tesn});
    const std::optional<double> pl = PlShown(h) ? NumberOf(h[header::plValue]) : std::nullopt;
    std::optional<double> water = NumberOf(h[header::waterLevel]);
    if (water) {
        water = std::fabs(*water);
    }
    const std::string crew = Utf8(h[header::engineer]);
    const std::string soil = Utf8(h[header::soilName]);
    g.pmtg.Row({id, depth, tesn, IsoDate(h), Fixed(water, 2), texts.Ascii(crew), kPressuremeterType,
                Fixed(pl, 0), texts.Ascii(soil), texts.Original(ReadableFileName(test)),
                texts.Original(crew), texts.Original(soil)});

    const int volumeField = StepVolumeField(h);
    for (int row = 1, usable = UsableRowCount(t); row <= usable; ++row) {
        const TestRow& r = t.testRows[row];
        g.pmtd.Row({id, depth, tesn, std::to_string(row), Fixed(TextToDouble(r[testField::p]), 1),
                    Fixed(TextToDouble(r[volumeField]), 1)});
    }
    // The record keeps Pf' = Pf - U0; the standard heading takes the total.
    const std::optional<double> u0 = NumberOf(h[header::pw]);
    const std::optional<double> pfEffective = NumberOf(h[header::pfEffective]);
    const std::string pf = u0 && pfEffective ? Fixed(*pfEffective + *u0, 0) : std::string();
    g.pmtp.Row({id, depth, tesn, Fixed(u0, 0), Fixed(pl, 0), pf,
                Fixed(NumberOf(h[header::poissonRatio]), 2), Fixed(StoredModulus(h), 1),
                Fixed(pfEffective, 0)});
}

}  // namespace

AgsFile WriteAgsFile(const Campaign& campaign, std::string_view today, const AgsOptions& options,
                     const std::function<bool()>& stopped) {
    // Every text first, so that they are read as romaji in one run.
    AgsTexts texts(options.utf8);
    const std::string surveys = SurveyNames(campaign);
    const std::string recipient =
        options.recipient.empty() ? std::string(kUnnamedRecipient) : options.recipient;
    texts.Add(surveys);
    texts.Add(recipient);
    for (const BoreholeProfile& b : campaign.boreholes) {
        texts.Add(Utf8(b.surveyNumber));
        texts.Add(Utf8(b.surveyName));
    }
    for (const auto& test : campaign.tests) {
        texts.Add(ReadableFileName(*test));
        texts.Add(Utf8(test->ws->test.testHeader[header::engineer]));
        texts.Add(Utf8(test->ws->test.testHeader[header::soilName]));
    }
    AgsFile file;
    file.romaji = texts.Convert(stopped);
    if (file.romaji.end == RunEnd::stopped) {
        return file;
    }

    AgsGroups g(options.utf8);
    AddFileRows(g, surveys, recipient, today, texts);
    std::set<std::string> ids;
    std::size_t next = 0;
    for (std::size_t b = 0; b < campaign.boreholes.size(); ++b) {
        const BoreholeProfile& borehole = campaign.boreholes[b];
        const std::string number = Utf8(borehole.surveyNumber);
        const std::string name = Utf8(borehole.surveyName);
        const std::string id = BoreholeId(texts.Ascii(number), b, ids);
        g.loca.Row({id, texts.Ascii(name), texts.Original(number), texts.Original(name)});
        std::set<std::pair<std::string, std::string>> tests;
        for (std::size_t i = 0; i < borehole.tests.size(); ++i, ++next) {
            AddTestRows(g, id, *campaign.tests[next], texts, tests);
        }
    }
    file.bytes = g.Text();
    return file;
}

std::optional<std::string> RomajiMessage(const AgsFile& file) {
    return RomajiFailure(file.romaji);
}

}  // namespace karnea
