// The kdw (test) and kcw (calibration) data file layout: version detection
// from the first line, the writers, and the line reader with its section
// state machine.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "records/records.h"

namespace karnea {

class Messages;

// Version numbers returned by DetectFileVersion.
inline constexpr int kNotDataFile = 0;
inline constexpr int kOlderVersion = 200;
inline constexpr int kCalibrationVersion = 300;
inline constexpr int kTestVersion = 301;
// The versions the open commands accept (the older one included).
inline constexpr int kFirstAcceptedVersion = 200;
inline constexpr int kLastAcceptedVersion = 399;

// A first line outside these lengths (in bytes, line end included) is no
// data file's.
inline constexpr std::size_t kShortestFirstLine = 4;
inline constexpr std::size_t kLongestFirstLine = 31;

// The older version's start line: its field 2 is the integer 100 and its
// field 3 the integer 10.
inline constexpr int kOldStartField2 = 100;
inline constexpr int kOldStartField3 = 10;

// First lines written by the writers, and what the reader looks for.
inline constexpr std::string_view kCalibrationMarker = "$$_KCVARDO300";
inline constexpr std::string_view kTestMarker = "$$_KDVARDO300";
inline constexpr std::string_view kCalibrationMark = "$$_KCVARDO3";
inline constexpr std::string_view kTestMark = "$$_KDVARDO3";

// The longest row line the reader takes whole (longer ones lose their end).
inline constexpr std::size_t kLongestRowLine = 2600;

// The largest data file that is read or written: far more than a record
// holds (90 header texts, 160 rows of at most 2600 bytes), even with header
// texts of megabytes, so that a damaged or foreign file costs no more.
inline constexpr std::size_t kLargestDataFile = std::size_t(64) << 20;

// The content of the data file at `path`, read no further than
// kLargestDataFile; nothing, with the message shown, when the file cannot be
// read or goes on past that. A file that is cut (DataFileCut) is read only
// when the user agrees to have what it holds.
std::optional<std::string> ReadDataFile(const std::string& path, Messages& messages);

// Whether the content of a data file of the current version ends before
// the writer's end: without the last section ("$$C", after "$$A" in a test
// file), or, in a file whose lines end in CR LF as the writer ends them,
// inside its last line. A file of the older version is never judged cut.
bool DataFileCut(std::string_view content);

// The version of a data file from its first line (line end may be present).
int DetectFileVersion(std::string_view firstLine);

// The bytes of a test file and of a calibration file, exactly as they go to
// disk.
std::string WriteTestFile(const TestRecord& test);
std::string WriteCalibrationFile(const CalibrationRecord& calibration);

// A text that the layout cannot hold without being misread on reading back
// ("$$" or a line break in a header text; "$$", a double quote or a line break
// in a written row field; a row line longer than the reader takes). Returns
// the message to show, or empty when the record can be written.
std::string FindUnwritableText(const TestRecord& test);
std::string FindUnwritableText(const CalibrationRecord& calibration);

// The section state machine of the current version: a line holding "$$"
// opens the section its third byte names; "Z" lines are header texts, "A"
// lines test rows, "C" lines calibration rows. What a section feeds is set by
// the targets; a section without target is skipped.
struct SectionTargets {
    HeaderTexts* header = nullptr;
    // The "Z" lines that are kept (by number); the others are skipped.
    int firstHeaderLine = 1;
    int lastHeaderLine = kHeaderTextCount;
    TestRows* testRows = nullptr;
    CalibrationRows* calibrationRows = nullptr;
};

class SectionReader {
public:
    explicit SectionReader(const SectionTargets& targets) : targets_(targets) {}
    // One line, its line end already removed.
    void ReadLine(std::string_view line, Messages& messages);
    // The rows that held something but did not fit their table.
    int leftOut() const { return leftOut_; }

private:
    SectionTargets targets_;
    char section_ = '\0';
    int row_ = 0;
    int leftOut_ = 0;
};

// The readers of a whole file of the current version: every section the
// record has. They return the rows of the file that did not fit the
// record's tables (beyond 120 readings, 40 calibration rows).
int ReadTestFile(std::string_view content, TestRecord& test, Messages& messages);
int ReadCalibrationFile(std::string_view content, CalibrationRecord& calibration,
                        Messages& messages);

// A calibration file read into a test as its loaded calibration: only the
// "C" rows and the coefficient texts (header lines 25..29).
void ReadCalibrationIntoTest(std::string_view content, TestRecord& test, Messages& messages);

// One line without its line end: one trailing CR LF, or else one LF, removed.
std::string_view WithoutLineEnd(std::string_view line);

// Calls `each` with every line of `content`, line end included; a last line
// without line end is passed too. Only LF ends a line.
void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& each);

// The first line of a text, line end included.
std::string_view FirstLineOf(std::string_view content);

}  // namespace karnea
