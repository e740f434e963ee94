// A check of a whole delivery's BORING folder, whoever wrote its files: what
// a client's checking system refuses, and what disagrees between the files
// (a data sheet's position and its boring's, a pressuremeter test's results
// and its boring log's).
#pragma once

#include <string>
#include <vector>

#include "delivery/boringdelivery.h"
#include "document/workbook.h"

namespace karnea {

struct DeliveryFinding {
    enum class Kind {
        error,    // エラー: the delivery is not right as it stands
        caution,  // 注意: worth a second look
        noPdf,    // a PDF that should be there is not (an XML-only copy lacks them all)
        unread,   // a file that could not be read at all
    };
    Kind kind = Kind::error;
    std::string path;  // below the BORING folder ("TEST/BRG0001/TS000001.XML")
    int line = 0;      // where in the file, when known
    std::string element;
    std::string message;
};

// "エラー", "注意", "PDF なし", "読めません".
std::string_view KindLabel(DeliveryFinding::Kind kind);
// "TEST/BRG0001/TS000001.XML:17: 標高: エラー: …".
std::string FindingLine(const DeliveryFinding& finding);

// A pressuremeter test's results to type into its boring log, whose log
// lacks them or states others: as its data sheet writes them.
struct ToType {
    std::string boring, bedFile, depth;  // ボーリング名, BEDnnnn.XML, 試験深度 (m)
    std::string po, pf, em;              // 初期圧, 降伏圧, 変形係数 (kN/m2)
};
// "B.H26-1 (BED0001.XML) 深度 3.50 m: 初期圧 64.36、降伏圧 216.12、変形係数 4447.97 (kN/m2)".
std::string ToTypeLine(const ToType& values);

struct DeliveryCheck {
    std::string folder;  // the BORING folder checked
    std::size_t files = 0;
    std::vector<DeliveryFinding> findings;
    // What to type into the boring logs.
    std::vector<ToType> toType;
    bool HasErrors() const;
    // "電子納品チェック FOLDER: ファイル 18、エラー 0、注意 0".
    std::string Summary() const;
    bool HasUnread() const;
};

// What to type into the boring logs, a line a test, and as a workbook's
// sheet.
std::vector<std::string> ToTypeLines(const DeliveryCheck& check);
TextSheet ToTypeSheet(const DeliveryCheck& check);

// The BORING folder of `folder`: its BORING subfolder when it has one, else
// itself.
std::string BoringFolderOf(const std::string& folder);

// Whether a BORING folder holds a delivery (BORING.XML or TEST).
bool HoldsDelivery(const std::string& boringFolder);

// Checks everything under the BORING folder; without `pdfs`, the PDFs are
// not looked for (a copy of the XML alone).
DeliveryCheck CheckDelivery(const std::string& boringFolder, bool pdfs = true);

// The pressuremeter tests' results in TEST against the boring logs alone
// (what a delivery says after it is written); the boring delivery read from
// `logsFolder` (BORING.XML, DATA).
DeliveryCheck CheckResultsAgainstLogs(const std::string& boringFolder,
                                      const std::string& logsFolder);

}  // namespace karnea
