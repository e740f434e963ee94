// Import of the version-2 data files (cf calibration, df test): ten header
// lines of comma-separated fields, then one value per line, ten lines a row,
// with pressures in kgf/cm2 that are converted with the SI coefficient.
#pragma once

#include <string_view>

namespace karnea {

struct Workspace;
class Messages;

// State of one version-2 reader.
struct OldReaderState {
    bool started = false;
    char section = '\0';
    int row = 0;
    int line = 0;
};

// Both readers back to their initial state (before the first line of a file).
void ResetOldReaders(Workspace& ws);

// The two readers, fed every line of the file (line end removed).
void ReadOldTestLine(Workspace& ws, std::string_view line, Messages& messages);
void ReadOldCalibrationLine(Workspace& ws, std::string_view line, Messages& messages);

// The date of a version-2 header (text 8) split into year, month and day.
void ConvertOldDate(Workspace& ws, bool test);

}  // namespace karnea
