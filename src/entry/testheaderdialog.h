// The test header dialog without widgets: the fields it shows, the rules that
// run when the depth, water level and machine height lose the focus, the
// calibration reader behind "開く", and what OK writes back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/records.h"

namespace karnea {

struct Workspace;
class Messages;

// Reads the calibration file at `path` into the loaded calibration of the test
// (rows and coefficient texts 25..29, which are emptied first) and returns
// the path; shows the reason and returns "" when the file cannot be opened or
// is not a calibration file of the current version, leaving the record as it was.
std::string ReadCalibrationForTest(Workspace& ws, const std::string& path, Messages& messages);

class TestHeaderDialogModel {
public:
    // Opening: the fields from the test header; empty titles show the
    // program's default titles.
    explicit TestHeaderDialogModel(const Workspace& ws);

    // The text of a header field as the dialog shows it (by header number).
    std::string& field(int number) { return fields_[number]; }
    const std::string& field(int number) const { return fields_[number]; }
    bool volumeLoss = false;
    int fitMethod = 0;

    // Focus rules (the texts are those of the boxes).
    void DepthLostFocus(const Workspace& ws, Messages& messages);
    void WaterLevelLostFocus(const Workspace& ws, Messages& messages);
    void MachineHeightLostFocus(const Workspace& ws);

    // "開く" with a chosen file: reads it into the record and shows its path.
    bool OpenCalibration(Workspace& ws, const std::string& path, Messages& messages);

    // OK: the sign rule on depth and water level, the water-level check.
    void Accept(Messages& messages);

    // What the caller writes back after OK (every field, the flags as "1"/"0").
    void Store(Workspace& ws) const;

    // The header numbers of the fields the dialog shows.
    static const std::vector<int>& FieldNumbers();

private:
    HeaderTexts fields_;
};

// What OK of the test header dialog leads to: the dialog's own checks, the
// fields written back, then every row reduced again.
void CloseTestHeaderWithOk(TestHeaderDialogModel& dialog, Workspace& ws, Messages& messages);

// The sign rule of depth and water level: blanks removed, and a number typed
// without sign becomes negative. Non-numbers stay as they are.
std::string ApplyDepthSign(std::string_view text);

}  // namespace karnea
