// The site sheet of an electronic delivery ("delivery.ini", UTF-8, beside the
// tests): what the delivery needs and the tests do not hold — the client,
// and for each boring its folder, position, codes, elevation and hole
// diameter. Written by the delivery dialog, readable and editable by hand:
//
//   [delivery]
//   edition = 2016
//   client = 発注機関名称
//   [boring B-1]
//   folder = BRG0001
//   longitude = 136 13 13.0330
//   ...
//   [delivered]
//   B-1_03.5.kdw = BRG0001/TS000003
//
// The last section is the delivery's own: which delivered test each data
// file became, so that a test keeps its name whatever is corrected in it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace karnea {

// The two editions of the delivery rules the output follows.
enum class DeliveryEdition { e2016, e2008 };

// What one boring needs (UTF-8 texts, as the sheet holds them). `number` is
// the boring's number as its tests hold it.
struct SiteBoring {
    std::string number;
    std::string folder;     // BRG0001 …
    std::string site;       // 地点名; empty: the number
    std::string longitude;  // "d m s.ssss"
    std::string latitude;
    std::string method;      // 経緯度取得方法_コード: 01, 02, 03, 09
    std::string precision;   // 経緯度読取精度: 0 … 4
    std::string datum;       // 測地系, by edition
    std::string elevation;   // 標高 (m)
    std::string diameter;    // 試験孔径 (mm)
    std::string instrument;  // 測定器名
    // The boring delivery's ボーリング名 of this boring, where it is not
    // its number (a pairing the user makes).
    std::string boringName;
    // The seconds' decimals of a position taken as written (the boring
    // delivery's); -1: those of the reading precision. Not kept in the sheet.
    int secondsDecimals = -1;
    friend bool operator==(const SiteBoring&, const SiteBoring&) = default;
};

struct SiteSheet {
    DeliveryEdition edition = DeliveryEdition::e2016;
    std::string client;  // 発注機関名称
    std::vector<SiteBoring> borings;
    // A data file's name → the test it was delivered as ("BRG0001/TS000003").
    std::map<std::string, std::string> delivered;
    friend bool operator==(const SiteSheet&, const SiteSheet&) = default;

    const SiteBoring* Boring(std::string_view number) const;
    SiteBoring& BoringToEdit(std::string_view number);
};

// The sheet's file name, beside the tests.
inline constexpr std::string_view kSiteSheetName = "delivery.ini";

// Reads a sheet; each line it cannot take is said in `problems` ("delivery.ini
// 12 行: …") and the sheet holds what could be read.
SiteSheet ReadSiteSheet(std::string_view text, std::vector<std::string>& problems);
// The sheet as the dialog writes it (UTF-8, one item a line).
std::string WriteSiteSheet(const SiteSheet& sheet);

// The text of the site sheet at `path`, read no further than 64 KB, far more
// than a sheet holds. Nothing when there is no sheet (`why` empty; a link
// that leads nowhere yet too) or it cannot be read as one (`why` says why:
// a folder, a pipe, a link that loops, a file too large).
inline constexpr std::size_t kLargestSiteSheet = std::size_t(64) << 10;
std::optional<std::string> ReadSiteSheetFile(const std::string& path, std::string& why);

// The sheet's text (as read) with its [delivered] section made `delivered`,
// everything else kept as it stands, comments and all.
std::string WithDelivered(std::string_view text,
                          const std::map<std::string, std::string>& delivered);

// The edition as the sheet and the command line name it ("2016", "2008").
std::optional<DeliveryEdition> EditionNamed(std::string_view name);
std::string_view EditionName(DeliveryEdition edition);

// An angle of the sheet ("136 13 13.0330") as degrees, minutes and seconds;
// nothing when it is not one (degrees up to `maxDegrees`, minutes 0 … 59,
// seconds from 0 to under 60).
struct Angle {
    int degrees = 0;
    int minutes = 0;
    double seconds = 0;
};
std::optional<Angle> AngleOf(std::string_view text, int maxDegrees);

// A plain decimal ("7.10", "-1.5", "+66") as its value; nothing for any
// other form of a number ("1e3", ".5").
std::optional<double> PlainDecimal(std::string_view text);

// The codes a boring's items may take, with their meaning (UTF-8), for the
// dialog's choices and the checks.
struct CodeChoice {
    std::string_view code;
    std::string_view meaning;
};
const std::vector<CodeChoice>& MethodChoices();
const std::vector<CodeChoice>& PrecisionChoices();
const std::vector<CodeChoice>& DatumChoices(DeliveryEdition edition);

// The values 測定器名 takes in real deliveries, with what is known of them:
// their meaning is not published.
const std::vector<CodeChoice>& InstrumentChoices();

// A boring's item by its key in the sheet ("latitude"); nothing for a key
// the sheet does not have.
std::string* ItemOf(SiteBoring& boring, std::string_view key);

// The label the dialog shows for an item of a boring ("latitude" → "緯度").
std::string_view ItemLabel(std::string_view key);

// What is missing or wrong in a boring's items, each as "B-2: 緯度 の値が
// 異常です（36 61 0）"; empty when the boring can be delivered. Positions
// lie in Japan (北緯 20–46 度, 東経 122–154 度).
std::vector<std::string> BoringProblems(const SiteBoring& boring, DeliveryEdition edition);

}  // namespace karnea
