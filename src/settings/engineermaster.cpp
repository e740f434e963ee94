#include "settings/engineermaster.h"

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/textfields.h"

namespace karnea {
namespace {

// The report lists at most this many pairs and stops growing at this length.
constexpr int kReportedPairs = 6;
constexpr std::size_t kReportLength = 300;
// No name is longer; a longer line is cut.
constexpr std::size_t kNameBytes = 65536;

}  // namespace

std::optional<std::vector<std::string>> ReadEngineerNames(const std::string& path,
                                                          std::size_t limit) {
    return ReadTextLines(path, limit > 0 ? limit : std::size_t(-1), kNameBytes);
}

EngineerMasterFile MakeEngineerMasterFile(const std::vector<std::string>& rows) {
    EngineerMasterFile file;
    std::size_t last = rows.size();
    while (last > 0 && rows[last - 1].empty()) {
        --last;
    }
    std::string report = "同じデータがあります\r\n";
    std::size_t reportBytes = Utf8ToCp932(report).size();
    int pairs = 0;
    for (std::size_t i = 0; i < last; ++i) {
        const std::string& name = rows[i];
        if (name.empty()) {
            continue;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (rows[j] != name) {
                continue;
            }
            ++pairs;
            if (pairs >= 1 && pairs <= kReportedPairs) {
                const std::string line = FormatText("%2d", static_cast<int>(i + 1)) +
                                         Sjis("行目と") +
                                         FormatText("%2d", static_cast<int>(j + 1)) +
                                         Sjis("行目 [") + name + Sjis("]　") + "\r\n";
                reportBytes += line.size();
                report += Cp932ToUtf8(line);
                if (reportBytes >= kReportLength) {
                    pairs = 99;
                }
            }
        }
        file.bytes += name + "\r\n";
    }
    if (pairs > 0) {
        file.duplicates = report;
    }
    return file;
}

}  // namespace karnea
