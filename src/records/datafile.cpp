#include "records/datafile.h"

#include "base/diskfile.h"

#include "base/messages.h"
#include "base/textfields.h"

namespace karnea {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
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

// A row's line without its line end. A field holding a comma is quoted so
// that it reads back as one field.
template <typename Row>
void AppendRowLine(std::string& out, const Row& row) {
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
}

// Calls `each(rowNumber, row)` for the rows that the writer writes.
template <typename Rows, typename Keep, typename Each>
void ForWrittenRows(const Rows& rows, Keep keep, Each each) {
    for (int r = 1; r <= Rows::size() && keep(rows[r]); ++r) {
        each(r, rows[r]);
    }
}

template <typename Rows, typename Keep>
void AppendRows(std::string& out, const Rows& rows, Keep keep) {
    ForWrittenRows(rows, keep, [&](int, const auto& row) {
        AppendRowLine(out, row);
        out += kCrLf;
    });
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

// A written row must read back as it was: no field that the reader would
// take for something else, and a line the reader takes whole.
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
        if (found.empty()) {
            std::string line;
            AppendRowLine(line, row);
            if (line.size() > kLongestRowLine) {
                found = FormatMessage(msg::rowLineTooLong,
                                      std::string(tableName) + FormatText(" %d 行", r));
            }
        }
    });
    return found;
}

// The writer stops at the first row it does not keep: that row and every
// later one must hold no reading (the first `readings` fields), else saving
// would drop them without a word.
template <typename Rows, typename Keep>
std::string CheckRowsAfterStop(const Rows& rows, Keep keep, int readings,
                               std::string_view tableName) {
    int stop = 1;
    while (stop <= Rows::size() && keep(rows[stop])) {
        ++stop;
    }
    for (int r = stop; r <= Rows::size(); ++r) {
        for (int f = 1; f <= readings; ++f) {
            if (!rows[r][f].empty()) {
                return FormatMessage(msg::rowsAfterStop,
                                     std::string(tableName) + FormatText(" %d 行", stop));
            }
        }
    }
    return {};
}

constexpr std::string_view kTestTable = "測定データ";
constexpr std::string_view kCalibrationTable = "CALデータ";

template <typename Row>
void ReadRowFields(std::string_view line, Row& row, Messages& messages) {
    for (int f = 1; f <= Row::size(); ++f) {
        GetCsvField(line, f, row[f], messages);
    }
}

int ReadWhole(std::string_view content, const SectionTargets& targets, Messages& messages) {
    SectionReader reader(targets);
    OncePerRead once(messages);
    ForEachLine(content,
                [&](std::string_view line) { reader.ReadLine(WithoutLineEnd(line), once); });
    return reader.leftOut();
}

}  // namespace

std::optional<std::string> ReadDataFile(const std::string& path, Messages& messages) {
    // A file known to be too large is refused before a byte of it is read;
    // one that grows meanwhile, once the limit is passed.
    if (const std::optional<std::uintmax_t> size = FileSizeOf(path);
        size && *size > kLargestDataFile) {
        messages.Show(FormatMessage(msg::dataFileTooLarge, path));
        return std::nullopt;
    }
    std::optional<std::string> content = ReadFileStart(path, kLargestDataFile + 1);
    if (!content) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
    } else if (content->size() > kLargestDataFile) {
        messages.Show(FormatMessage(msg::dataFileTooLarge, path));
        content.reset();
    } else if (DataFileCut(*content) && !messages.AskYesNo(FormatMessage(msg::openCutFile, path))) {
        content.reset();
    }
    return content;
}

bool DataFileCut(std::string_view content) {
    const std::string_view first = FirstLineOf(content);
    const bool calibration = Contains(first, kCalibrationMark);
    if (!calibration && !Contains(first, kTestMark)) {
        return false;
    }
    if (first.ends_with("\r\n") && !content.ends_with("\r\n")) {
        return true;
    }
    bool readings = calibration;
    bool last = false;
    ForEachLine(content, [&](std::string_view line) {
        line = WithoutLineEnd(line);
        if (line.starts_with("$$A")) {
            readings = true;
        } else if (line.starts_with("$$C")) {
            last = last || readings;
        }
    });
    return !last;
}

int DetectFileVersion(std::string_view firstLine) {
    if (firstLine.size() < kShortestFirstLine || firstLine.size() > kLongestFirstLine) {
        return kNotDataFile;
    }
    if (Contains(firstLine, kCalibrationMark)) {
        return kCalibrationVersion;
    }
    if (Contains(firstLine, kTestMark)) {
        return kTestVersion;
    }
    // The older version's start line; a line this short gives no message
    // when it is split.
    SilentMessages none;
    if (TextToInt(CsvField(firstLine, 2, none)) == kOldStartField2 &&
        TextToInt(CsvField(firstLine, 3, none)) == kOldStartField3) {
        return kOlderVersion;
    }
    return kNotDataFile;
}

std::string WriteTestFile(const TestRecord& test) {
    std::string out = StartFile(kTestMarker, test.testHeader);
    out += "$$A\r\n";
    AppendRows(out, test.testRows, KeepTestRow);
    out += "$$C\r\n";
    AppendRows(out, test.loadedCalibrationRows, KeepLoadedCalibrationRow);
    return out;
}

std::string WriteCalibrationFile(const CalibrationRecord& calibration) {
    std::string out = StartFile(kCalibrationMarker, calibration.calibrationHeader);
    out += "$$C\r\n";
    AppendRows(out, calibration.calibrationRows, KeepCalibrationRow);
    return out;
}

std::string FindUnwritableText(const TestRecord& test) {
    std::string found = CheckHeader(test.testHeader);
    if (found.empty()) {
        found = CheckRows(test.testRows, KeepTestRow, kTestTable);
    }
    if (found.empty()) {
        found = CheckRowsAfterStop(test.testRows, KeepTestRow, testField::vol120, kTestTable);
    }
    if (found.empty()) {
        found = CheckRows(test.loadedCalibrationRows, KeepLoadedCalibrationRow, kCalibrationTable);
    }
    // The loaded calibration is a copy of a calibration file, which keeps
    // its rows; it cannot be edited here either.
    return found;
}

std::string FindUnwritableText(const CalibrationRecord& calibration) {
    std::string found = CheckHeader(calibration.calibrationHeader);
    if (found.empty()) {
        found = CheckRows(calibration.calibrationRows, KeepCalibrationRow, kCalibrationTable);
    }
    if (found.empty()) {
        found = CheckRowsAfterStop(calibration.calibrationRows, KeepCalibrationRow,
                                   calibrationField::vm, kCalibrationTable);
    }
    return found;
}

void SectionReader::ReadLine(std::string_view line, Messages& messages) {
    if (Contains(line, "$$")) {
        if (line.size() > 2) {
            section_ = line[2];
            row_ = 1;
        }
        return;
    }
    switch (section_) {
        case 'Z':
            if (targets_.header != nullptr && row_ >= 1 && row_ <= kHeaderTextCount) {
                if (row_ >= targets_.firstHeaderLine && row_ <= targets_.lastHeaderLine) {
                    (*targets_.header)[row_] = std::string(line);
                }
                ++row_;
            }
            break;
        case 'A':
            if (targets_.testRows != nullptr && row_ >= 1) {
                if (row_ <= kTestRowCount) {
                    ReadRowFields(line, (*targets_.testRows)[row_++], messages);
                } else {
                    leftOut_ += line.empty() ? 0 : 1;
                }
            }
            break;
        case 'C':
            if (targets_.calibrationRows != nullptr && row_ >= 1) {
                if (row_ <= kCalibrationRowCount) {
                    ReadRowFields(line, (*targets_.calibrationRows)[row_++], messages);
                } else {
                    leftOut_ += line.empty() ? 0 : 1;
                }
            }
            break;
        default:
            break;
    }
}

int ReadTestFile(std::string_view content, TestRecord& test, Messages& messages) {
    return ReadWhole(
        content,
        {&test.testHeader, 1, kHeaderTextCount, &test.testRows, &test.loadedCalibrationRows},
        messages);
}

int ReadCalibrationFile(std::string_view content, CalibrationRecord& calibration,
                        Messages& messages) {
    return ReadWhole(content,
                     {&calibration.calibrationHeader, 1, kHeaderTextCount, nullptr,
                      &calibration.calibrationRows},
                     messages);
}

void ReadCalibrationIntoTest(std::string_view content, TestRecord& test, Messages& messages) {
    ReadWhole(content,
              {&test.testHeader, header::coefficient0, header::coefficient4, nullptr,
               &test.loadedCalibrationRows},
              messages);
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with(kCrLf)) {
        line.remove_suffix(kCrLf.size());
    } else if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    return line;
}

void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& each) {
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        const std::size_t length = end == std::string_view::npos ? content.size() : end + 1;
        each(content.substr(0, length));
        content.remove_prefix(length);
    }
}

std::string_view FirstLineOf(std::string_view content) {
    const std::size_t end = content.find('\n');
    return end == std::string_view::npos ? content : content.substr(0, end + 1);
}

}  // namespace karnea
