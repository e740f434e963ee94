// The tests of a campaign as an AGS 4.2 data-transfer file: the groups PROJ,
// TRAN, UNIT, TYPE, ABBR, DICT, LOCA (one row a borehole), PMTG (a test),
// PMTD (a reading) and PMTP (a test's parameters, with the deformation
// modulus in a heading of our own declared in DICT). Every field is quoted,
// every line ends in CR LF, and texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "document/campaign.h"

namespace karnea {

// The file's bytes; `today` ("yyyy-mm-dd") is the transmission date.
std::string WriteAgsFile(const Campaign& campaign, std::string_view today);

// A test's date as "yyyy-mm-dd" (an era year of 令和, 平成 or 昭和 counted in
// the western calendar), or "" when the header holds no such date.
std::string IsoDate(const HeaderTexts& testHeader);

}  // namespace karnea
