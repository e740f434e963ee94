#include "records/olderfile.h"

#include <string>

#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr int kOldHeaderLines = 10;
constexpr int kLinesPerRow = 10;

// Header line -> (text for field 3, text for field 4); 0 is no target.
constexpr int kHeaderTargets[kOldHeaderLines][2] = {
    {header::surveyNumber, header::coefficient0},
    {header::depth, header::coefficient1},
    {header::waterLevel, header::coefficient2},
    {header::pz, header::coefficient3},
    {header::poissonRatio, header::coefficient4},
    {header::dateYear, header::poRow},
    {header::engineer, header::pfRow},
    {header::surveyName, header::plRow},
    {header::soilName, 0},
    {header::nValue, 0},
};

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Position of `needle` in a CP932 text, matching on character boundaries only.
std::size_t FindCp932(std::string_view text, std::string_view needle) {
    for (std::size_t i = 0; i + needle.size() <= text.size();
         i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
        if (text.compare(i, needle.size(), needle) == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool IsStartLine(std::string_view line, Messages& messages) {
    return TextToInt(CsvField(line, 2, messages)) == 100 &&
           TextToInt(CsvField(line, 3, messages)) == 10;
}

std::string Pressure(const Workspace& ws, std::string_view value) {
    return FormatScaledNumber(value, TextToDouble(ws.settings.siCoefficient), 0);
}

// Ten lines make a row.
void NextLineOfGroup(OldReaderState& state) {
    if (state.line > kLinesPerRow - 1) {
        state.line = 1;
        ++state.row;
    } else {
        ++state.line;
    }
}

void ReadOldLine(Workspace& ws, OldReaderState& state, bool test, std::string_view line,
                 Messages& messages) {
    if (!state.started && IsStartLine(line, messages)) {
        state = {true, 'Z', 1, 1};
        return;
    }
    HeaderTexts& h = test ? ws.testHeader : ws.calibrationHeader;
    switch (state.section) {
        case 'Z': {
            if (state.row > kOldHeaderLines) {
                break;
            }
            const int* targets = kHeaderTargets[state.row - 1];
            for (int f = 0; f < 2; ++f) {
                if (targets[f] == 0) {
                    continue;
                }
                std::string value = CsvField(line, 3 + f, messages);
                // Pz is a pressure like the row pressures.
                h[targets[f]] = targets[f] == header::pz ? Pressure(ws, value) : value;
            }
            if (++state.row > kOldHeaderLines) {
                ConvertOldDate(ws, test);
                h[header::conversionStamp] = "300 VARDO";
                state.section = test ? 'A' : 'C';
                state.row = 1;
                state.line = 1;
            }
            break;
        }
        case 'A': {
            if (!test || state.row > kTestRowCount) {
                break;
            }
            const std::string value = CsvField(line, 1, messages);
            const bool pressure =
                state.line == 1 || state.line == 6 || state.line == 7 || state.line == 8;
            ws.testRows[state.row][state.line] = pressure ? Pressure(ws, value) : value;
            NextLineOfGroup(state);
            break;
        }
        case 'C': {
            if (test || state.row > kCalibrationRowCount) {
                break;
            }
            const std::string value = CsvField(line, 1, messages);
            CalibrationRow& row = ws.calibrationRows[state.row];
            if (state.line == 1) {
                row[calibrationField::pm] = Pressure(ws, value);
            } else if (state.line == 5) {
                row[calibrationField::vm] = value;
                row[calibrationField::vmCopy] = value;
            }
            NextLineOfGroup(state);
            break;
        }
        default:
            break;
    }
}

}  // namespace

void ResetOldReaders(Workspace& ws) {
    ws.oldTestReader = {};
    ws.oldCalibrationReader = {};
}

void ReadOldTestLine(Workspace& ws, std::string_view line, Messages& messages) {
    ReadOldLine(ws, ws.oldTestReader, true, line, messages);
}

void ReadOldCalibrationLine(Workspace& ws, std::string_view line, Messages& messages) {
    ReadOldLine(ws, ws.oldCalibrationReader, false, line, messages);
}

void ConvertOldDate(Workspace& ws, bool test) {
    HeaderTexts& h = test ? ws.testHeader : ws.calibrationHeader;
    const std::string date = h[header::dateYear];
    static const std::string kYear = Sjis("年");
    static const std::string kMonth = Sjis("月");

    if (const std::size_t m = FindCp932(date, kMonth); m != std::string::npos) {
        h[header::dateDay] = FormatText("%d", TextToInt(std::string_view(date).substr(m + 2)));
    } else {
        h[header::dateDay] = date.size() > 2 ? date.substr(date.size() - 2) : date;
    }
    if (const std::size_t y = FindCp932(date, kYear); y != std::string::npos) {
        h[header::dateMonth] = FormatText("%d", TextToInt(std::string_view(date).substr(y + 2)));
    }
    // A date that does not begin with a number has no year (not "0").
    const std::size_t first = date.find_first_not_of(" \t");
    const bool hasYear = first != std::string::npos && date[first] >= '0' && date[first] <= '9';
    h[header::dateYear] = hasYear ? FormatText("%d", TextToInt(date)) : std::string();
}

}  // namespace karnea
