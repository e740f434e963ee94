// The tests of a campaign as an Excel workbook (xlsx): a first sheet 一覧
// with a row a test (boring, depth, date, engineer, soil, Po, Pf, Pl, Em and
// the file), then a sheet a test with its header values and its readings as
// the data sheet prints them. Numbers are numbers, with the number formats
// of the decimals the settings print them with; texts are as written.
#pragma once

#include <string>
#include <vector>

#include "document/campaign.h"

namespace karnea {

// The sheet names the tests get: "B-1 10.50m", at most 31 characters,
// without the characters a sheet name cannot hold, each unique.
std::vector<std::string> TestSheetNames(const Campaign& campaign);

// A sheet of texts another part of the program makes, after the tests':
// a heading row, then a row each; a cell that reads as a number is a
// number.
struct TextSheet {
    std::string name;
    std::vector<std::string> heading;
    std::vector<std::vector<std::string>> rows;
};

// Writes the workbook to `path` as every save does (never half a file),
// with `more` after the tests' sheets. A date that is not real is left out
// of its cells, and each test whose date was left out is named through
// `messages`. False when it cannot be written.
[[nodiscard]] bool WriteWorkbook(const Campaign& campaign, const Settings& settings,
                                 const std::string& path, Messages& messages,
                                 const std::vector<TextSheet>& more = {});

}  // namespace karnea
