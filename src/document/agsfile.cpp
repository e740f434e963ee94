#include "document/agsfile.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "analysis/modulus.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "records/choices.h"

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

// The code of the one pressuremeter type the program measures with.
constexpr const char* kPressuremeterType = "PBP";

}  // namespace

std::string IsoDate(const HeaderTexts& h) {
    if (!IsNumber(h[header::dateYear]) || !IsNumber(h[header::dateMonth]) ||
        !IsNumber(h[header::dateDay])) {
        return {};
    }
    // Taken wide: a year near the limit of int plus an era stays a number.
    long long year = TextToInt(h[header::dateYear]);
    const std::string& era = h[header::dateEra];
    const std::pair<const char*, int> eras[] = {{"令和", 2018}, {"平成", 1988}, {"昭和", 1925}};
    if (!era.empty()) {
        bool known = false;
        for (const auto& [name, offset] : eras) {
            if (era == Sjis(name)) {
                year += offset;
                known = true;
            }
        }
        if (!known) {
            return {};
        }
    }
    const int month = TextToInt(h[header::dateMonth]);
    const int day = TextToInt(h[header::dateDay]);
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        return {};
    }
    return FormatText("%04lld-%02d-%02d", year, month, day);
}

namespace {

// The headings of a group about one test: the keys of the test (its
// borehole, depth and name), then `own`.
std::vector<Heading> OfTest(std::vector<Heading> own) {
    std::vector<Heading> headings = {
        {"LOCA_ID", "", "ID"}, {"PMTG_DPTH", "m", "2DP"}, {"PMTG_TESN", "", "X"}};
    headings.insert(headings.end(), own.begin(), own.end());
    return headings;
}

// The groups of the file in the order they are written, each with its
// headings in the order of the standard dictionary.
struct AgsGroups {
    Group proj{"PROJ", {{"PROJ_ID", "", "ID"}, {"PROJ_NAME", "", "X"}}};
    Group tran{"TRAN",
               {{"TRAN_ISNO", "", "X"},
                {"TRAN_DATE", "yyyy-mm-dd", "DT"},
                {"TRAN_PROD", "", "X"},
                {"TRAN_STAT", "", "X"},
                {"TRAN_AGS", "", "X"},
                {"TRAN_RECV", "", "X"},
                {"TRAN_DLIM", "", "X"},
                {"TRAN_RCON", "", "X"}}};
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
    Group loca{"LOCA", {{"LOCA_ID", "", "ID"}, {"LOCA_REM", "", "X"}}};
    Group pmtg{"PMTG", OfTest({{"PMTG_DATE", "yyyy-mm-dd", "DT"},
                               {"PMTG_WAT", "m", "2DP"},
                               {"PMTG_CREW", "", "X"},
                               {"PMTG_TYPE", "", "PA"},
                               {"PMTG_PL", "kPa", "0DP"},
                               {"PMTG_REM", "", "X"}})};
    Group pmtd{
        "PMTD",
        OfTest({{"PMTD_SEQ", "", "0DP"}, {"PMTD_TPC", "kPa", "1DP"}, {"PMTD_VOL", "cm3", "1DP"}})};
    // The standard headings, then the one of our own (declared in DICT).
    Group pmtp{"PMTP", OfTest({{"PMTP_U0", "kPa", "0DP"},
                               {"PMTP_PL", "kPa", "0DP"},
                               {"PMTP_PF", "kPa", "0DP"},
                               {"PMTP_MU", "", "2DP"},
                               {"PMTP_EM", "kPa", "1DP"}})};

    std::string Text() const {
        std::string out;
        for (const Group* g :
             {&proj, &tran, &unit, &type, &abbr, &dict, &loca, &pmtg, &pmtd, &pmtp}) {
            g->WriteTo(out);
        }
        return out;
    }
};

// The rows that describe the file itself: the project (every survey name),
// the transmission, and the units, types, codes and headings it uses.
void AddFileRows(AgsGroups& g, const Campaign& campaign, std::string_view today) {
    std::string surveys;
    for (const BoreholeProfile& b : campaign.boreholes) {
        const std::string name = Utf8(b.surveyName);
        if (!name.empty() && surveys.find(name) == std::string::npos) {
            surveys += (surveys.empty() ? "" : "; ") + name;
        }
    }
    g.proj.Row({"1", surveys});
    g.tran.Row({"1", std::string(today), "karnea", "Final", "4.2", "", "|", "+"});
    for (const auto& [u, description] :
         std::vector<std::pair<const char*, const char*>>{{"cm3", "cubic centimetre"},
                                                          {"kPa", "kilopascal"},
                                                          {"m", "metre"},
                                                          {"yyyy-mm-dd", "year month day"}}) {
        g.unit.Row({u, description});
    }
    for (const auto& [t, description] :
         std::vector<std::pair<const char*, const char*>>{{"0DP", "Value; 0 decimal places"},
                                                          {"1DP", "Value; 1 decimal place"},
                                                          {"2DP", "Value; 2 decimal places"},
                                                          {"DT", "Date time"},
                                                          {"ID", "Unique identifier"},
                                                          {"PA", "Text listed in ABBR group"},
                                                          {"PT", "Text listed in TYPE group"},
                                                          {"PU", "Text listed in UNIT group"},
                                                          {"X", "Text"}}) {
        g.type.Row({t, description});
    }
    g.abbr.Row({"DICT_TYPE", "HEADING", "Heading"});
    g.abbr.Row({"DICT_STAT", "OTHER", "Other heading"});
    g.abbr.Row({"PMTG_TYPE", kPressuremeterType, "Pre-bored pressuremeter (Menard type)"});
    g.dict.Row(
        {"HEADING", "PMTP", "PMTP_EM", "OTHER", "1DP", "Menard deformation modulus Em", "kPa", ""});
}

// The borehole's LOCA_ID: its number, or "BH<n>" without one; a number met
// again in another survey gets a suffix.
std::string BoreholeId(const BoreholeProfile& borehole, std::size_t index,
                       std::set<std::string>& ids) {
    std::string id = Utf8(borehole.surveyNumber);
    if (id.empty()) {
        id = FormatText("BH%zu", index + 1);
    }
    for (int n = 2; ids.count(id) != 0; ++n) {
        id = Utf8(borehole.surveyNumber) + FormatText("_%d", n);
    }
    ids.insert(id);
    return id;
}

// One test of a borehole: its PMTG row, a PMTD row a usable reading, and its
// PMTP row. The test is named by its file (made unique at its depth).
void AddTestRows(AgsGroups& g, const std::string& id, const CampaignTest& test,
                 std::set<std::pair<std::string, std::string>>& tests) {
    const TestRecord& t = test.ws.test;
    const HeaderTexts& h = t.testHeader;
    const std::string depth = Fixed(TestDepth(t), 2);
    const std::string file = ReadableName(std::filesystem::path(test.path).filename().string());
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
    g.pmtg.Row({id, depth, tesn, IsoDate(h), Fixed(water, 2), Utf8(h[header::engineer]),
                kPressuremeterType, Fixed(pl, 0), Utf8(h[header::soilName])});

    const int volumeField = StepVolumeField(h);
    for (int row = 1, usable = UsableRowCount(t); row <= usable; ++row) {
        const TestRow& r = t.testRows[row];
        g.pmtd.Row({id, depth, tesn, std::to_string(row), Fixed(TextToDouble(r[testField::p]), 1),
                    Fixed(TextToDouble(r[volumeField]), 1)});
    }
    g.pmtp.Row({id, depth, tesn, Fixed(NumberOf(h[header::pw]), 0), Fixed(pl, 0),
                Fixed(NumberOf(h[header::pfEffective]), 0),
                Fixed(NumberOf(h[header::poissonRatio]), 2),
                Fixed(NumberOf(h[header::modulusValue]), 1)});
}

}  // namespace

std::string WriteAgsFile(const Campaign& campaign, std::string_view today) {
    AgsGroups g;
    AddFileRows(g, campaign, today);
    std::set<std::string> ids;
    std::size_t next = 0;
    for (std::size_t b = 0; b < campaign.boreholes.size(); ++b) {
        const BoreholeProfile& borehole = campaign.boreholes[b];
        const std::string id = BoreholeId(borehole, b, ids);
        g.loca.Row({id, Utf8(borehole.surveyName)});
        std::set<std::pair<std::string, std::string>> tests;
        for (std::size_t i = 0; i < borehole.tests.size(); ++i, ++next) {
            AddTestRows(g, id, *campaign.tests[next], tests);
        }
    }
    return g.Text();
}

}  // namespace karnea
