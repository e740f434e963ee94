// The tests of a campaign as an AGS 4.2 data-transfer file: the groups PROJ,
// TRAN, UNIT, TYPE, ABBR, DICT, LOCA (one row a borehole), PMTG (a test),
// PMTD (a reading) and PMTP (a test's parameters, with the deformation
// modulus and the effective yield pressure in headings of our own declared in
// DICT). Every field is quoted, every line ends in CR LF, and every text is
// ASCII: Japanese texts are written in romaji.
#pragma once

#include <string>
#include <string_view>

#include "document/campaign.h"

namespace karnea {

// What the export is told: the recipient named in TRAN_RECV (UTF-8; empty
// gives kUnnamedRecipient), and whether the Japanese texts are also kept as
// they are (UTF-8, in headings of our own, declared in DICT), which leaves
// the file outside the rule that asks for ASCII.
struct AgsOptions {
    std::string recipient;
    bool utf8 = false;
};
inline constexpr std::string_view kUnnamedRecipient = "Not stated";

struct AgsFile {
    std::string bytes;
    // False when the Japanese texts could not be read as romaji (the kakasi
    // program is missing): their ASCII characters alone were kept.
    bool romaji = true;
};

// The file; `today` ("yyyy-mm-dd") is the transmission date.
AgsFile WriteAgsFile(const Campaign& campaign, std::string_view today,
                     const AgsOptions& options = {});

}  // namespace karnea
