#include "support/agsrules.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "support/testsupport.h"

namespace karnea::test {
namespace {

// A line's quoted fields; false when a field is not quoted as the rules ask.
bool Fields(const std::string& line, std::vector<std::string>& fields) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '"') {
            return false;
        }
        std::string field;
        for (++i;; ++i) {
            if (i >= line.size()) {
                return false;
            }
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
        ++i;
        if (i < line.size()) {
            if (line[i] != ',') {
                return false;
            }
            ++i;
        }
    }
    return true;
}

// What the dictionary says of one heading.
struct HeadingRule {
    std::size_t order = 0;
    std::string status;  // KEY, REQUIRED, KEY+REQUIRED or OTHER
    std::string type;
};

struct Dictionary {
    std::map<std::string, std::map<std::string, HeadingRule>> headings;  // by group
    std::map<std::string, std::string> parents;                          // group -> parent
    std::set<std::pair<std::string, std::string>> codes;                 // (heading, code)
};

const Dictionary& Standard() {
    static const Dictionary dictionary = [] {
        Dictionary d;
        std::vector<std::string> ignored;
        const auto dict =
            ReadAgs(ReadBytes(KARNEA_TEST_DATA_DIR "/ags/standard-dictionary.ags"), ignored);
        const AgsTable& t = dict.at("DICT");
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const std::string group = t.Field(r, "DICT_GRP");
            if (t.Field(r, "DICT_TYPE") == "GROUP") {
                d.parents[group] = t.Field(r, "DICT_PGRP");
            } else {
                auto& headings = d.headings[group];
                headings[t.Field(r, "DICT_HDNG")] = {headings.size(), t.Field(r, "DICT_STAT"),
                                                     t.Field(r, "DICT_DTYP")};
            }
        }
        const auto abbr =
            ReadAgs(ReadBytes(KARNEA_TEST_DATA_DIR "/ags/standard-abbreviations.ags"), ignored);
        const AgsTable& a = abbr.at("ABBR");
        for (std::size_t r = 0; r < a.rows.size(); ++r) {
            d.codes.insert({a.Field(r, "ABBR_HDNG"), a.Field(r, "ABBR_CODE")});
        }
        return d;
    }();
    return dictionary;
}

bool UpperOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool Digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A group name: four capitals or digits.
bool GroupName(std::string_view name) {
    return name.size() == 4 && std::all_of(name.begin(), name.end(), UpperOrDigit);
}

// A heading name: its group's name, "_", and one to four capitals or digits.
bool HeadingName(std::string_view name) {
    return name.size() >= 6 && name.size() <= 9 && GroupName(name.substr(0, 4)) && name[4] == '_' &&
           std::all_of(name.begin() + 5, name.end(), UpperOrDigit);
}

bool ValueOfType(const std::string& value, const std::string& type, const std::string& unit) {
    if (type.size() == 3 && type.substr(1) == "DP" && type[0] >= '0' && type[0] <= '9') {
        const std::size_t n = static_cast<std::size_t>(type[0] - '0');
        std::string_view v = value;
        if (!v.empty() && v[0] == '-') {
            v.remove_prefix(1);
        }
        const std::size_t dot = v.find('.');
        if (n == 0) {
            return Digits(v);
        }
        return dot != std::string_view::npos && Digits(v.substr(0, dot)) &&
               v.size() - dot - 1 == n && Digits(v.substr(dot + 1));
    }
    if (type == "DT") {
        return unit == "yyyy-mm-dd" && value.size() == 10 && value[4] == '-' && value[7] == '-' &&
               Digits(value.substr(0, 4)) && Digits(value.substr(5, 2)) &&
               Digits(value.substr(8, 2));
    }
    return true;
}

}  // namespace

std::string AgsTable::Field(std::size_t row, const std::string& heading) const {
    const auto at = std::find(headings.begin(), headings.end(), heading);
    return at == headings.end() || row >= rows.size() ? std::string()
                                                      : rows[row].at(at - headings.begin());
}

std::map<std::string, AgsTable> ReadAgs(const std::string& file,
                                        std::vector<std::string>& findings) {
    std::map<std::string, AgsTable> groups;
    std::string current;
    std::string last;  // the kind of the group's last line
    std::size_t start = 0;
    int number = 0;
    const auto finding = [&](const std::string& rule, const std::string& what) {
        findings.push_back("rule " + rule + ": line " + std::to_string(number) + ": " + what);
    };
    while (start < file.size()) {
        ++number;
        std::size_t end = file.find("\r\n", start);
        if (end == std::string::npos) {
            finding("2", "does not end in CR LF");
            end = file.size();
        }
        const std::string line = file.substr(start, end - start);
        start = end + 2;
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) {
            finding("2", "a line break inside a line");
        }
        if (line.empty()) {
            if (!current.empty() && groups[current].rows.empty()) {
                finding("2", current + " has no DATA row");
            }
            current.clear();
            continue;
        }
        std::vector<std::string> fields;
        if (!Fields(line, fields) || fields.empty()) {
            finding("4", "fields not each in double quotes: " + line);
            continue;
        }
        const std::string& kind = fields[0];
        const std::vector<std::string> rest(fields.begin() + 1, fields.end());
        if (kind == "GROUP") {
            if (!current.empty()) {
                finding("2", "no blank line before GROUP " + rest.at(0));
            }
            current = rest.empty() ? std::string() : rest[0];
            if (!GroupName(current)) {
                finding("19", "group name " + current);
            }
            if (groups.count(current) != 0) {
                finding("3", "GROUP " + current + " appears twice");
            }
            groups[current];
            last = kind;
            continue;
        }
        if (current.empty()) {
            finding("3", "a line outside a group: " + kind);
            continue;
        }
        AgsTable& t = groups[current];
        const std::map<std::string, std::string> next = {{"GROUP", "HEADING"},
                                                         {"HEADING", "UNIT"},
                                                         {"UNIT", "TYPE"},
                                                         {"TYPE", "DATA"},
                                                         {"DATA", "DATA"}};
        if (next.count(last) == 0 || next.at(last) != kind) {
            finding("3", current + ": " + kind + " after " + last);
        }
        last = kind;
        if (kind == "HEADING") {
            t.headings = rest;
            continue;
        }
        if (rest.size() != t.headings.size()) {
            finding("4", current + ": " + kind + " has " + std::to_string(rest.size()) +
                             " fields for " + std::to_string(t.headings.size()) + " headings");
        }
        if (kind == "UNIT") {
            t.units = rest;
        } else if (kind == "TYPE") {
            t.types = rest;
        } else {
            t.rows.push_back(rest);
        }
    }
    if (!current.empty() && groups[current].rows.empty()) {
        finding("2", current + " has no DATA row");
    }
    return groups;
}

std::vector<std::string> AgsRuleFindings(const std::string& file) {
    std::vector<std::string> findings;
    for (const char c : file) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte > 0x7E) && c != '\r' && c != '\n') {
            findings.push_back("rule 1: a character outside ASCII");
            break;
        }
    }
    const std::map<std::string, AgsTable> groups = ReadAgs(file, findings);
    const Dictionary& standard = Standard();
    const auto has = [&](const char* g) { return groups.count(g) != 0; };
    for (const char* required : {"PROJ", "TRAN", "UNIT", "TYPE"}) {
        if (!has(required)) {
            findings.push_back(std::string("rule 13-17: no ") + required + " group");
        }
    }
    // What the file's own DICT declares.
    std::map<std::string, std::map<std::string, HeadingRule>> own;
    std::set<std::string> units, types;
    std::set<std::pair<std::string, std::string>> codes;
    if (has("DICT")) {
        const AgsTable& d = groups.at("DICT");
        for (std::size_t r = 0; r < d.rows.size(); ++r) {
            own[d.Field(r, "DICT_GRP")][d.Field(r, "DICT_HDNG")] = {0, d.Field(r, "DICT_STAT"),
                                                                    d.Field(r, "DICT_DTYP")};
        }
    }
    if (has("UNIT")) {
        for (std::size_t r = 0; r < groups.at("UNIT").rows.size(); ++r) {
            units.insert(groups.at("UNIT").Field(r, "UNIT_UNIT"));
        }
    }
    if (has("TYPE")) {
        for (std::size_t r = 0; r < groups.at("TYPE").rows.size(); ++r) {
            types.insert(groups.at("TYPE").Field(r, "TYPE_TYPE"));
        }
    }
    if (has("ABBR")) {
        for (std::size_t r = 0; r < groups.at("ABBR").rows.size(); ++r) {
            codes.insert(
                {groups.at("ABBR").Field(r, "ABBR_HDNG"), groups.at("ABBR").Field(r, "ABBR_CODE")});
        }
    }

    for (const auto& [name, t] : groups) {
        const auto standardOf = standard.headings.find(name);
        std::size_t lastOrder = 0;
        bool ownSeen = false;
        std::vector<std::size_t> keys;
        std::vector<HeadingRule> rules;
        for (std::size_t h = 0; h < t.headings.size(); ++h) {
            const std::string& heading = t.headings[h];
            if (!HeadingName(heading)) {
                findings.push_back("rule 19a: heading name " + heading);
            }
            HeadingRule rule;
            if (standardOf != standard.headings.end() && standardOf->second.count(heading) != 0) {
                rule = standardOf->second.at(heading);
                if (ownSeen || rule.order < lastOrder) {
                    findings.push_back("rule 7: " + name + "." + heading + " out of order");
                }
                lastOrder = rule.order;
            } else if (own.count(name) != 0 && own.at(name).count(heading) != 0) {
                rule = own.at(name).at(heading);
                ownSeen = true;
            } else {
                findings.push_back("rule 9: " + name + "." + heading +
                                   " neither standard nor in DICT");
            }
            rules.push_back(rule);
            if (h < t.types.size() && !rule.type.empty() && t.types[h] != rule.type) {
                findings.push_back("rule 8: " + name + "." + heading + " is " + rule.type +
                                   ", not " + t.types[h]);
            }
            if (h < t.units.size() && !t.units[h].empty() && units.count(t.units[h]) == 0) {
                findings.push_back("rule 15: unit " + t.units[h] + " not in UNIT");
            }
            if (h < t.types.size() && types.count(t.types[h]) == 0) {
                findings.push_back("rule 17: type " + t.types[h] + " not in TYPE");
            }
            if (rule.status.find("KEY") != std::string::npos) {
                keys.push_back(h);
            }
        }
        std::set<std::vector<std::string>> seen;
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const std::vector<std::string>& row = t.rows[r];
            for (std::size_t h = 0; h < row.size() && h < t.headings.size(); ++h) {
                const std::string where =
                    name + "." + t.headings[h] + " row " + std::to_string(r + 1);
                const HeadingRule& rule = rules[h];
                const bool keyOrRequired = rule.status.find("KEY") != std::string::npos ||
                                           rule.status.find("REQUIRED") != std::string::npos;
                if (row[h].empty()) {
                    if (keyOrRequired) {
                        findings.push_back("rule 10a/b: " + where + " is empty");
                    }
                    continue;
                }
                if (h < t.types.size()) {
                    const std::string& type = t.types[h];
                    if (!ValueOfType(row[h], type, h < t.units.size() ? t.units[h] : "")) {
                        findings.push_back("rule 8: " + where + " \"" + row[h] + "\" is not " +
                                           type);
                    }
                    if (type == "PA" && codes.count({t.headings[h], row[h]}) == 0) {
                        findings.push_back("rule 16: " + where + " code " + row[h] +
                                           " not in ABBR");
                    }
                    if (type == "PA" && name != "DICT" &&
                        standard.codes.count({t.headings[h], row[h]}) == 0) {
                        findings.push_back("rule 16: " + where + " code " + row[h] +
                                           " is not the standard list's");
                    }
                    if (type == "PU" && units.count(row[h]) == 0) {
                        findings.push_back("rule 15: " + where + " unit " + row[h] +
                                           " not in UNIT");
                    }
                    if (type == "PT" && types.count(row[h]) == 0) {
                        findings.push_back("rule 17: " + where + " type " + row[h] +
                                           " not in TYPE");
                    }
                }
            }
            if (!keys.empty()) {
                std::vector<std::string> key;
                for (const std::size_t k : keys) {
                    key.push_back(k < row.size() ? row[k] : std::string());
                }
                if (!seen.insert(key).second) {
                    findings.push_back("rule 10a: " + name + " row " + std::to_string(r + 1) +
                                       " repeats a key");
                }
            }
        }
        // Every row has its parent: the parent's key fields, by heading.
        const auto parent = standard.parents.find(name);
        if (parent != standard.parents.end() && parent->second != "-" && !parent->second.empty()) {
            const std::string& p = parent->second;
            if (!has(p.c_str())) {
                findings.push_back("rule 10c: " + name + " without its parent group " + p);
                continue;
            }
            const AgsTable& pt = groups.at(p);
            std::vector<std::string> parentKeys;
            for (const auto& [heading, rule] : standard.headings.at(p)) {
                if (rule.status.find("KEY") != std::string::npos) {
                    parentKeys.push_back(heading);
                }
            }
            std::set<std::vector<std::string>> parentRows;
            for (std::size_t r = 0; r < pt.rows.size(); ++r) {
                std::vector<std::string> key;
                for (const std::string& k : parentKeys) {
                    key.push_back(pt.Field(r, k));
                }
                parentRows.insert(key);
            }
            for (std::size_t r = 0; r < t.rows.size(); ++r) {
                std::vector<std::string> key;
                for (const std::string& k : parentKeys) {
                    key.push_back(t.Field(r, k));
                }
                if (parentRows.count(key) == 0) {
                    findings.push_back("rule 10c: " + name + " row " + std::to_string(r + 1) +
                                       " has no parent row in " + p);
                }
            }
        }
    }
    return findings;
}

}  // namespace karnea::test
