// A checker of AGS 4 data files for the tests: the rules of the format that
// apply to the files this program writes, judged against rows copied from
// the standard dictionary and abbreviation list (tests/data/ags).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace karnea::test {

// One group of a file: its headings, units and types, and its data rows.
struct AgsTable {
    std::vector<std::string> headings, units, types;
    std::vector<std::vector<std::string>> rows;
    // A row's field under `heading` ("" when there is no such heading).
    std::string Field(std::size_t row, const std::string& heading) const;
};

// The groups of a file by name, in the order read; what cannot be read is
// added to `findings`.
std::map<std::string, AgsTable> ReadAgs(const std::string& file,
                                        std::vector<std::string>& findings);

// Every breach of the rules found in `file`, each as "rule N: what"; none
// for a file that keeps them.
std::vector<std::string> AgsRuleFindings(const std::string& file);

}  // namespace karnea::test
