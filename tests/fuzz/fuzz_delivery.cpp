// What an electronic delivery reads from outside: the site sheet typed by
// hand, and the management file of a delivery already there (any program's,
// in any encoding), extended and checked as the delivery does; and texts
// made plain for Shift_JIS.
#include <cstdint>
#include <set>
#include <string>

#include "delivery/deliveryxml.h"
#include "delivery/managementfile.h"
#include "delivery/sitesheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    const SiteSheet sheet = ReadSiteSheet(input, problems);
    for (const SiteBoring& b : sheet.borings) {
        BoringProblems(b, sheet.edition);
    }
    ReadSiteSheet(WriteSiteSheet(sheet), problems);
    WithDelivered(input, sheet.delivered);

    std::string why;
    if (const auto file = ManagementFile::Read(input, why)) {
        file->Rules();
        file->Entries("BRG0001");
        file->PositionOf("BRG0001");
        file->Remove("BRG0001", "TS000001.PDF");
        file->Add({.site = "x",
                   .folder = "BRG0001",
                   .position = {{"1", "2", "3"}, {"1", "2", "3"}, "02", "1"}},
                  {.sheetFile = "TS000009.PDF"});
        file->Add({.site = "y", .folder = "BRG0002"}, {.sheetFile = "TS000001.PDF"});
        std::set<std::string> replaced;
        const std::string text = PlainForShiftJis(file->Text(), replaced);
        InvalidDelivered(ShiftJisBytes(text));
    }
    return 0;
}
