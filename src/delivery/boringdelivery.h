// The boring delivery beside the tests: the boring management file
// BORING/BORING.XML and each boring's exchange file BORING/DATA/BEDnnnn.XML,
// written by the boring-log software. They state each boring's name,
// folder, position and elevation, and the results of its pressuremeter
// tests as the boring log shows them; the tests' delivery takes the first
// from them and checks the second against its own.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "delivery/deliveryxml.h"
#include "delivery/sitesheet.h"
#include "document/campaign.h"

namespace karnea {

// One boring as BORING.XML and its BED give it (texts as written, UTF-8).
struct BoringLog {
    std::string name;    // ボーリング名
    std::string folder;  // BRG and ボーリング連番 in four digits
    std::array<std::string, 3> longitude, latitude;
    std::string datum;      // 測地系
    std::string elevation;  // 孔口標高
    std::string bedFile;    // ボーリング交換用データファイル名 (in DATA)
    int line = 0;           // where BORING.XML states it
    // From the BED, where it holds them.
    std::string method;     // 取得方法コード
    std::string precision;  // 読取精度コード
    // 孔径孔壁保護: the hole's diameter down to each depth.
    struct Diameter {
        double bottom = 0;
        std::string diameter;
    };
    std::vector<Diameter> diameters;
    // The 孔内水平載荷試験 blocks.
    struct Result {
        std::string depth, po, pf, em;  // _試験深度, _初期圧, _降伏圧, _変形係数
        int line = 0;
    };
    std::vector<Result> results;
};

struct BoringDelivery {
    std::string folder;  // the BORING folder
    std::string rules;   // 適用要領基準 of BORING.XML
    std::vector<BoringLog> borings;
    // What could not be checked ("BED0002.XML: BED0400.DTD がないため DTD
    // による検証をしていません").
    std::vector<std::string> notes;
};

// The boring delivery as BORING.XML's elements state it, each boring's BED
// given by `bedOf` from its file name (nothing when there is none).
using BedReader = std::function<const XmlElement*(const std::string& bedFile)>;
BoringDelivery BoringDeliveryOf(const XmlElement& boringXml, const BedReader& bedOf,
                                std::vector<std::string>& problems);

// Reads BORING.XML under `boringFolder` and each boring's BED (Shift_JIS,
// UTF-8 or UTF-16), each checked against the DTD its DOCTYPE names beside it
// when that is there. Nothing when the folder holds no BORING.XML; what
// cannot be read or is not valid is said in `problems`.
std::optional<BoringDelivery> ReadBoringDelivery(const std::string& boringFolder,
                                                 std::vector<std::string>& problems);

// The degrees, minutes and seconds of an angle ("経度") below `parent`:
// nested in an element of its name (BORING.XML, GRNDTST.XML) or beside each
// other (a BED's 経度緯度情報); empty when there are none.
std::array<std::string, 3> AngleIn(const XmlElement* parent, const std::string& name);

// A boring's name as names are compared: full-width letters, digits and
// signs as their ASCII forms, blanks left out, upper case.
std::string BoringKey(std::string_view utf8);

// Whether two texts of one value agree: numbers by value (a sheet's "7.1"
// is the file's "7.10"), angles written whole ("136 13 13.033") part by
// part, other texts as they stand.
bool SameValue(std::string_view a, std::string_view b);

// The boring log of a boring of the tests: the one the sheet pairs it with
// (`boringName`), else the one whose name matches its number.
const BoringLog* BoringLogOf(const BoringDelivery& delivery, const SiteBoring& boring);

// What a boring's log gives the site sheet: an item's key ("elevation"),
// its value, and the file it comes from ("BORING.XML", "BED0001.XML"); the
// hole's diameter that down to `deepest` (m).
struct TakenItem {
    std::string key, value, file;
};
std::vector<TakenItem> TakenItems(const BoringLog& log, double deepest);

// The depth of a boring's deepest test (m).
double DeepestTest(const BoreholeProfile& profile);

// The site sheet completed from the boring delivery: each of the
// campaign's borings takes its folder, 地点名, position, datum, elevation
// and, from the BED, what it holds of 取得方法, 読取精度 and 孔径 (the
// diameter down to the boring's deepest test). A sheet value that differs
// from the boring delivery is a problem naming both values and both files.
SiteSheet WithBoringDelivery(const SiteSheet& sheet, const BoringDelivery& delivery,
                             const Campaign& campaign, std::vector<std::string>& problems);

}  // namespace karnea
