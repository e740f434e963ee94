// The kdw (test) and kcw (calibration) data file layout: version detection
// from the first line, the writers, and the line reader with its section
// state machine.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace karnea {

struct Workspace;
class Messages;

// Version numbers returned by DetectFileVersion.
inline constexpr int kNotDataFile = 0;
inline constexpr int kOlderVersion = 200;
inline constexpr int kCalibrationVersion = 300;
inline constexpr int kTestVersion = 301;

// Kind letters of ReadDataLine.
inline constexpr char kCalibrationKindLetter = 'C';
inline constexpr char kTestKindLetter = 'L';

// First lines written by the writers.
inline constexpr std::string_view kCalibrationMarker = "$$_KCVARDO300";
inline constexpr std::string_view kTestMarker = "$$_KDVARDO300";

// State of one section reader; it changes only at section marker lines, so it
// carries over from one file to the next.
struct DataReaderState {
    char section = '\0';
    int row = 0;
    int field = 0;
};

// Which of the two layouts a file is written in.
enum class FileLayout { calibration, test };

// The version of a data file from its first line (line end may be present).
int DetectFileVersion(std::string_view firstLine);

// The bytes of a test file of the test record, and of a calibration file of
// the calibration record, exactly as they go to disk.
std::string WriteTestFile(const Workspace& ws);
std::string WriteCalibrationFile(const Workspace& ws);
std::string WriteDataFile(const Workspace& ws, FileLayout layout);

// A text that the layout cannot hold without being misread on reading back
// ("$$" or a line break in a header text; "$$", a double quote or a line break
// in a written row field). Returns the message to show, or empty when the
// record can be written.
std::string FindUnwritableText(const Workspace& ws, FileLayout layout);

// Feeds one line of a file (line end included or not) to the reader of the
// version and kind letter.
void ReadDataLine(Workspace& ws, int version, char kindLetter, std::string_view line,
                  Messages& messages);
// The two readers of the current version (line end already removed).
void ReadTestLine(Workspace& ws, std::string_view line, Messages& messages);
void ReadCalibrationLine(Workspace& ws, std::string_view line, Messages& messages);

// Calls `each` with every line of `content`, line end included; a last line
// without line end is passed too. Only LF ends a line.
void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& each);

}  // namespace karnea
