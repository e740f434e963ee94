// The test header dialog without widgets: the fields it shows, the rules that
// run when the depth, water level and machine height lose the focus, the
// calibration file behind "開く", and everything its OK leads to.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/edit.h"
#include "entry/entrytexts.h"
#include "pages/dialogpreviews.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class Messages;
class Surface;

// Reads the calibration file at `path` into the loaded calibration of `test`
// (rows and coefficient texts 25..29, which are emptied first, and the
// coefficients) and returns the path; shows the reason and returns "" when
// the file cannot be opened or is not a calibration file of the current
// version, leaving the record as it was.
std::string ReadCalibrationForTest(TestRecord& test, const std::string& path, Messages& messages);

class TestHeaderModel {
public:
    // Opening: the fields from the test header; empty titles show the
    // program's default titles. The settings must outlive the model.
    TestHeaderModel(const TestRecord& test, const Settings& settings);

    // The text of a header field as the dialog shows it (by header number).
    std::string& field(int number) { return edited_.testHeader[number]; }
    const std::string& field(int number) const { return edited_.testHeader[number]; }
    bool volumeLoss = false;
    int fitMethod = 0;

    // Focus rules (the texts are those of the boxes). A depth out of range
    // is refused with "数値が異常です"; Pw and Pz are then computed from the
    // depth last taken (the record's, at first), never from the refused one.
    void DepthLostFocus(Messages& messages);
    void WaterLevelLostFocus(Messages& messages);
    void MachineHeightLostFocus();

    // "開く" with a chosen file: reads it as the dialog's calibration; the
    // file name box shows the path when it is longer than one character.
    // False when the file was refused (with its message).
    bool OpenCalibration(const std::string& path, Messages& messages);

    // The calibration that "開く" read, or the test's own: the leading rows
    // with a numeric pressure and volume (at most 40), and their graph.
    int LoadedRows() const;
    void DrawPreview(Surface& surface, PreviewArea area) const;

    // The check of OK: a depth out of range is refused again (box
    // "field3"), and a date typed that is not real, with why.
    std::optional<Refusal> Check() const;

    // OK: the sign rule on depth and water level (a water level out of range
    // is pointed out and stored all the same); the test with the fields and
    // flags and the calibration "開く" read; the loaded calibration is then
    // checked ("CALのデータが異常です") and every row reduced again.
    Edit Accept();

    // The header numbers of the fields the dialog shows.
    static const std::vector<int>& FieldNumbers();

private:
    const TestRecord test_;
    const Settings& settings_;
    // The record as the dialog shows it: the header fields and the
    // calibration that "開く" read.
    TestRecord edited_;
    bool calibrationOpened_ = false;
    // The depth Pw and Pz follow.
    std::string takenDepth_;

    bool DepthRefused() const;
    const std::string& DepthForDerived() const;
};

// The sign rule of depth and water level: blanks removed, and a number typed
// without sign becomes negative. Non-numbers stay as they are.
std::string ApplyDepthSign(std::string_view text);

}  // namespace karnea
