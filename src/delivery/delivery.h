// The electronic delivery of a campaign's tests: for each test its pages as a
// PDF (the electronic data sheet) and its exchange data (XML), and the
// management file GRNDTST.XML listing every test, laid out under OUT as the
// delivery rules ask:
//
//   OUT/BORING/TEST/GRNDTST.XML + GTST0200.DTD
//   OUT/BORING/TEST/BRG0001/TS000001.PDF, TS000001.XML, the two test DTDs
//
// A delivery already in OUT is extended: what other programs wrote stays as
// it was, and what this program wrote before for the same data file (or,
// where the site sheet does not say, the same boring and depth) is
// replaced under its name. Every XML is checked, as the bytes delivered,
// against its DTD before anything is written, and the files are installed
// as one set: a delivery interrupted at any point (a kill, a power cut) is
// completed or undone by the next one into the folder, never left half.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/orderedwork.h"
#include "delivery/sitesheet.h"
#include "document/campaign.h"

namespace karnea {

// What the delivery's rules name for each edition.
struct DeliveryRules {
    std::string_view rules;     // 適用要領基準
    std::string_view testDtd;   // B1531_04.DTD
    std::string_view titleDtd;  // T_IND_04.DTD
    std::string_view root;      // the exchange data's root element
    std::string_view version;   // its DTD_version
    std::string_view code;      // 試験コード
    std::string_view name;      // 試験名称
    std::string_view standard;  // 基準番号
};
const DeliveryRules& RulesOf(DeliveryEdition edition);

// One test as the delivery places it.
struct DeliveredTest {
    const CampaignTest* test = nullptr;
    std::string number;     // the boring's number (UTF-8)
    std::string folder;     // BRG0001
    std::string name;       // TS000001 (without extension)
    bool replaces = false;  // this program's earlier files of the same test
};

// A boring's number as the site sheet names it (UTF-8, blanks around it
// left out).
std::string BoringNumber(const BoreholeProfile& profile);

// What would stop a delivery of the campaign with the sheet (the tests'
// borings, dates, depths and required texts, the sheet's items), each said
// in a line; empty when it can be written.
std::vector<std::string> DeliveryProblems(const Campaign& campaign, const SiteSheet& sheet);

// The exchange data of one test (UTF-8 XML; made plain for Shift_JIS and
// encoded when written).
std::string ExchangeXml(const TestRecord& test, const Settings& settings, const SiteSheet& sheet,
                        const SiteBoring& boring);

// The PDF of a test's pages, what its drawing says told to `messages`;
// nothing when it cannot be made. Called for several tests at once, each on
// a thread of its own.
using TestPdf =
    std::function<std::optional<std::string>(const CampaignTest& test, Messages& messages)>;

struct DeliveryResult {
    bool written = false;
    bool stopped = false;
    std::size_t borings = 0;
    std::size_t tests = 0;
    std::size_t files = 0;
    std::size_t replaced = 0;  // this program's earlier tests replaced
    std::vector<DeliveredTest> placed;
    // "① → (1)": characters written as their plain equivalents.
    std::set<std::string> plain;
    // Tests delivered before whose data files are not among these: kept as
    // they were ("BRG0001/TS000003 (B-1_03.5.kdw)").
    std::vector<std::string> kept;
};

// The journal an interrupted delivery leaves in OUT/BORING/TEST.
inline constexpr std::string_view kDeliveryJournal = ".karnea-delivery.journal";

// Completes or undoes a delivery into `output` that was interrupted, saying
// which; false (said) when its journal cannot be read, and nothing may be
// delivered there until it is dealt with.
bool RecoverDelivery(const std::string& output, Messages& messages);

// Writes the delivery into `output` (the folder that holds BORING). Every
// problem is said through `messages` and nothing is written; `software` names
// this program and its version in the management file. The data sheets are
// made on up to `jobs` threads started by `start`; `progress` is told the
// tests done, and false stops the delivery with nothing written.
DeliveryResult WriteDelivery(const Campaign& campaign, const SiteSheet& sheet,
                             const std::string& output, std::string_view software,
                             const TestPdf& pdf, Messages& messages,
                             const CampaignProgress& progress = {}, int jobs = 1,
                             const ThreadStart& start = StartThread);

// The summary the user is told ("電子納品: ボーリング 2、試験 5、…"), with
// the tests kept whose data files are gone.
std::string DeliverySummary(const DeliveryResult& result);

// The sheet after a delivery: which test each data file became, for the
// next delivery to replace under the same name.
void RecordDelivered(SiteSheet& sheet, const DeliveryResult& result);

}  // namespace karnea
