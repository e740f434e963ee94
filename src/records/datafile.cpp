#include "records/datafile.h"

#include "base/messages.h"
#include "records/olderfile.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

// The marker line and the header section that both layouts begin with.
std::string StartFile(std::string_view marker, const HeaderTexts& h) {
    std::string out;
    out.reserve(8192);
    out += marker;
    out += kCrLf;
    out += "$$Z\r\n";
    for (const std::string& text : h) {
        out += text;
        if (!text.ends_with(kCrLf)) {
            out += kCrLf;
        }
    }
    return out;
}

// A field holding a comma is quoted so that it reads back as one field.
template <typename Row>
void AppendRow(std::string& out, const Row& row) {
    bool first = true;
    for (const std::string& field : row) {
        if (!first) {
            out += ',';
        }
        first = false;
        if (Contains(field, ",")) {
            out += '"';
            out += field;
            out += '"';
        } else {
            out += field;
        }
    }
    out += kCrLf;
}

// Calls `each(rowNumber, row)` for the rows that the writer writes.
template <typename Rows, typename Keep, typename Each>
void ForWrittenRows(const Rows& rows, Keep keep, Each each) {
    for (int r = 1; r <= Rows::size() && keep(rows[r]); ++r) {
        each(r, rows[r]);
    }
}

bool KeepTestRow(const TestRow& row) {
    return IsNumber(row[testField::pm]) || IsNumber(row[testField::vol15]);
}
bool KeepLoadedCalibrationRow(const CalibrationRow& row) {
    return IsNumber(row[calibrationField::pm]);
}
bool KeepCalibrationRow(const CalibrationRow& row) {
    return IsNumber(row[calibrationField::pm]) || IsNumber(row[calibrationField::vm]);
}

bool HeaderTextUnwritable(std::string_view text) {
    if (text.ends_with(kCrLf)) {
        text.remove_suffix(kCrLf.size());
    }
    return Contains(text, "$$") || Contains(text, "\n");
}

bool RowFieldUnwritable(std::string_view field) {
    return Contains(field, "$$") || Contains(field, "\n") || Contains(field, "\"");
}

std::string CheckHeader(const HeaderTexts& h) {
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        if (HeaderTextUnwritable(h[n])) {
            const std::string which =
                FormatText("%d（", n) + std::string(HeaderTextInfoOf(n).caption) + "）";
            return FormatMessage(msg::unsafeHeaderText, which);
        }
    }
    return {};
}

template <typename Rows, typename Keep>
std::string CheckRows(const Rows& rows, Keep keep, std::string_view tableName) {
    std::string found;
    ForWrittenRows(rows, keep, [&](int r, const auto& row) {
        for (int f = 1; f <= row.size() && found.empty(); ++f) {
            if (RowFieldUnwritable(row[f])) {
                found = FormatMessage(msg::unsafeRowText,
                                      std::string(tableName) + FormatText(" %d 行 %d 列", r, f));
            }
        }
    });
    return found;
}

// The shared section state machine of both readers.
void ReadSectionLine(Workspace& ws, DataReaderState& state, bool testReader, std::string_view line,
                     Messages& messages) {
    if (Contains(line, "$$")) {
        if (line.size() > 2) {
            state.section = line[2];
            state.row = 1;
            state.field = 1;
        }
        return;
    }
    switch (state.section) {
        case 'Z': {
            if (state.row >= 1 && state.row <= kHeaderTextCount) {
                HeaderTexts& h = testReader ? ws.testHeader : ws.calibrationHeader;
                h[state.row++] = std::string(line);
            }
            break;
        }
        case 'A': {
            if (testReader && state.row >= 1 && state.row <= kTestRowCount) {
                TestRow& row = ws.testRows[state.row++];
                for (int f = 1; f <= kTestFieldCount; ++f) {
                    GetCsvField(line, f, row[f], messages);
                }
            }
            break;
        }
        case 'C': {
            if (state.row >= 1 && state.row <= kCalibrationRowCount) {
                CalibrationRows& rows = testReader ? ws.loadedCalibrationRows : ws.calibrationRows;
                CalibrationRow& row = rows[state.row++];
                for (int f = 1; f <= kCalibrationFieldCount; ++f) {
                    GetCsvField(line, f, row[f], messages);
                }
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

int DetectFileVersion(std::string_view firstLine) {
    if (firstLine.size() < 4 || firstLine.size() > 31) {
        return kNotDataFile;
    }
    if (Contains(firstLine, "$$_KCVARDO3")) {
        return kCalibrationVersion;
    }
    if (Contains(firstLine, "$$_KDVARDO3")) {
        return kTestVersion;
    }
    // A line of at most 31 bytes gives no message when it is split.
    SilentMessages none;
    std::string field2;
    std::string field3;
    GetCsvField(firstLine, 2, field2, none);
    GetCsvField(firstLine, 3, field3, none);
    if (TextToInt(field2) == 100 && TextToInt(field3) == 10) {
        return kOlderVersion;
    }
    return kNotDataFile;
}

std::string WriteTestFile(const Workspace& ws) {
    std::string out = StartFile(kTestMarker, ws.testHeader);
    out += "$$A\r\n";
    ForWrittenRows(ws.testRows, KeepTestRow, [&](int, const TestRow& row) { AppendRow(out, row); });
    out += "$$C\r\n";
    ForWrittenRows(ws.loadedCalibrationRows, KeepLoadedCalibrationRow,
                   [&](int, const CalibrationRow& row) { AppendRow(out, row); });
    return out;
}

std::string WriteCalibrationFile(const Workspace& ws) {
    std::string out = StartFile(kCalibrationMarker, ws.calibrationHeader);
    out += "$$C\r\n";
    ForWrittenRows(ws.calibrationRows, KeepCalibrationRow,
                   [&](int, const CalibrationRow& row) { AppendRow(out, row); });
    return out;
}

std::string WriteDataFile(const Workspace& ws, FileLayout layout) {
    return layout == FileLayout::test ? WriteTestFile(ws) : WriteCalibrationFile(ws);
}

std::string FindUnwritableText(const Workspace& ws, FileLayout layout) {
    std::string found;
    if (layout == FileLayout::test) {
        found = CheckHeader(ws.testHeader);
        if (found.empty()) {
            found = CheckRows(ws.testRows, KeepTestRow, "測定データ");
        }
        if (found.empty()) {
            found = CheckRows(ws.loadedCalibrationRows, KeepLoadedCalibrationRow, "CALデータ");
        }
    } else {
        found = CheckHeader(ws.calibrationHeader);
        if (found.empty()) {
            found = CheckRows(ws.calibrationRows, KeepCalibrationRow, "CALデータ");
        }
    }
    return found;
}

void ReadDataLine(Workspace& ws, int version, char kindLetter, std::string_view line,
                  Messages& messages) {
    if (line.ends_with(kCrLf)) {
        line.remove_suffix(2);
    } else if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    const bool calibration = kindLetter == kCalibrationKindLetter;
    if (version == kOlderVersion) {
        (calibration ? ReadOldCalibrationLine : ReadOldTestLine)(ws, line, messages);
    } else if (version >= kCalibrationVersion) {
        (calibration ? ReadCalibrationLine : ReadTestLine)(ws, line, messages);
    }
}

void ReadTestLine(Workspace& ws, std::string_view line, Messages& messages) {
    ReadSectionLine(ws, ws.testReader, true, line, messages);
}

void ReadCalibrationLine(Workspace& ws, std::string_view line, Messages& messages) {
    ReadSectionLine(ws, ws.calibrationReader, false, line, messages);
}

void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& each) {
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        const std::size_t length = end == std::string_view::npos ? content.size() : end + 1;
        each(content.substr(0, length));
        content.remove_prefix(length);
    }
}

}  // namespace karnea
