#include "records/olderfile.h"

#include <string>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/datafile.h"

namespace karnea {
namespace {

constexpr int kOldHeaderLines = 10;
constexpr int kLinesPerRow = 10;
// The stamp of a record imported from an older file.
constexpr std::string_view kConversionStamp = "300 VARDO";

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
    return IsCp932LeadByte(c);
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
    return TextToInt(CsvField(line, 2, messages)) == kOldStartField2 &&
           TextToInt(CsvField(line, 3, messages)) == kOldStartField3;
}

template <typename Record>
int ReadAll(std::string_view content, Record& record, double siCoefficient, Messages& messages) {
    OldFileReader reader(record, siCoefficient);
    OncePerRead once(messages);
    ForEachLine(content,
                [&](std::string_view line) { reader.ReadLine(WithoutLineEnd(line), once); });
    return reader.leftOut();
}

}  // namespace

OldFileReader::OldFileReader(TestRecord& test, double siCoefficient)
    : test_(&test), siCoefficient_(siCoefficient) {}

OldFileReader::OldFileReader(CalibrationRecord& calibration, double siCoefficient)
    : calibration_(&calibration), siCoefficient_(siCoefficient) {}

HeaderTexts& OldFileReader::Header() {
    return IsTest() ? test_->testHeader : calibration_->calibrationHeader;
}

std::string OldFileReader::Pressure(std::string_view value) const {
    return FormatScaledNumber(value, siCoefficient_, 0);
}

// Ten lines make a row.
void OldFileReader::NextLineOfGroup() {
    if (line_ > kLinesPerRow - 1) {
        line_ = 1;
        ++row_;
    } else {
        ++line_;
    }
}

// A row beyond the table that holds a pressure is left out.
void OldFileReader::CountLeftOut(std::string_view line) {
    leftOut_ += line_ == 1 && !line.empty() ? 1 : 0;
    NextLineOfGroup();
}

void OldFileReader::ReadLine(std::string_view line, Messages& messages) {
    if (!started_ && IsStartLine(line, messages)) {
        started_ = true;
        section_ = 'Z';
        row_ = 1;
        line_ = 1;
        return;
    }
    HeaderTexts& h = Header();
    switch (section_) {
        case 'Z': {
            if (row_ > kOldHeaderLines) {
                break;
            }
            const int* targets = kHeaderTargets[row_ - 1];
            for (int f = 0; f < 2; ++f) {
                if (targets[f] == 0) {
                    continue;
                }
                std::string value = CsvField(line, 3 + f, messages);
                // A test's Pz is a pressure like its row pressures; a
                // calibration keeps the text, which it does not use.
                h[targets[f]] = targets[f] == header::pz && IsTest() ? Pressure(value) : value;
            }
            if (++row_ > kOldHeaderLines) {
                ConvertOldDate(h);
                h[header::conversionStamp] = kConversionStamp;
                section_ = IsTest() ? 'A' : 'C';
                row_ = 1;
                line_ = 1;
            }
            break;
        }
        case 'A': {
            if (!IsTest()) {
                break;
            }
            if (row_ > kTestRowCount) {
                CountLeftOut(line);
                break;
            }
            const std::string value = CsvField(line, 1, messages);
            const bool pressure = line_ == 1 || line_ == 6 || line_ == 7 || line_ == 8;
            test_->testRows[row_][line_] = pressure ? Pressure(value) : value;
            NextLineOfGroup();
            break;
        }
        case 'C': {
            if (IsTest()) {
                break;
            }
            if (row_ > kCalibrationRowCount) {
                CountLeftOut(line);
                break;
            }
            const std::string value = CsvField(line, 1, messages);
            CalibrationRow& row = calibration_->calibrationRows[row_];
            if (line_ == 1) {
                row[calibrationField::pm] = Pressure(value);
            } else if (line_ == 5) {
                row[calibrationField::vm] = value;
                row[calibrationField::vmCopy] = value;
            }
            NextLineOfGroup();
            break;
        }
        default:
            break;
    }
}

int ReadOldTestFile(std::string_view content, TestRecord& test, double siCoefficient,
                    Messages& messages) {
    return ReadAll(content, test, siCoefficient, messages);
}

int ReadOldCalibrationFile(std::string_view content, CalibrationRecord& calibration,
                           double siCoefficient, Messages& messages) {
    return ReadAll(content, calibration, siCoefficient, messages);
}

void ConvertOldDate(HeaderTexts& h) {
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
