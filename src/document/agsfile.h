// The tests of a campaign as an AGS 4.2 data-transfer file: the groups PROJ,
// TRAN, UNIT, TYPE, ABBR, DICT, LOCA (one row a borehole), PMTG (a test),
// PMTD (a reading) and PMTP (a test's parameters, with the deformation
// modulus and the effective yield pressure in headings of our own declared in
// DICT). Every field is quoted, every line ends in CR LF, and every text is
// ASCII: Japanese texts are written in romaji.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/romaji.h"
#include "base/system.h"

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
    // How the romaji program ended (its texts aside). Unless it finished,
    // the Japanese texts keep their ASCII characters alone (RomajiMessage
    // says why); when it was stopped, there is no file.
    Romaji romaji{{}, RunEnd::finished, 0, 0};
};

// The file; `today` ("yyyy-mm-dd") is the transmission date. `stopped`, asked
// while the texts are read as romaji, ends the export (the user's Cancel).
AgsFile WriteAgsFile(const Campaign& campaign, std::string_view today,
                     const AgsOptions& options = {}, const std::function<bool()>& stopped = {});

// What the user is told of a file whose texts could not be read as romaji,
// or nothing when they were.
std::optional<std::string> RomajiMessage(const AgsFile& file);

}  // namespace karnea
