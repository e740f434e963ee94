// The choices the records hold as texts: each is read here, once, and every
// reader (the reduction, the pages, the dialogs, the command line, the
// exports and the checks) takes the reading from here. A text outside the
// choices reads as the choice it is used as, the same everywhere.
#pragma once

#include <optional>
#include <string>

#include "records/records.h"

namespace karnea {

// The calibration curve (header text 21, both records): read as an integer,
// 0 the straight lines between the readings, anything else the regression
// curve.
enum class FitMethod { linear = 0, regression = 1 };
FitMethod FitMethodOf(const HeaderTexts& header);

// The reading that is a step's volume (header text 44, both records): the
// 120-second one when the text reads as a positive integer, else the
// 60-second one.
enum class MeasuringTime { seconds60 = 0, seconds120 = 1 };
MeasuringTime MeasuringTimeOf(const HeaderTexts& header);
// The row field that holds a test step's volume: 5 (120 s) or 4 (60 s).
int StepVolumeField(const HeaderTexts& testHeader);

// The data sheet's V120" column (test header text 43): printed when the text
// reads as a positive integer. Any other text prints the eight columns
// without it, so that no stored text leaves the readings off the sheet.
bool Shows120Column(const HeaderTexts& testHeader);

// Pl on the pages and in the calculation lines (test header text 67): shown
// when the text reads as 0.
bool PlShown(const HeaderTexts& testHeader);

// The deformation modulus the analysis stored (test header text 39), or
// nothing when there is none: a text that is no number, or 0 with an empty
// Em value line (header text 66), which is how the analysis stores a modulus
// it could not compute (and a test not analysed holds). Never shown as a
// number then.
std::optional<double> StoredModulus(const HeaderTexts& testHeader);

// The volume-loss correction for hard ground (test header text 19): on when
// the text reads as anything but 0.
bool VolumeLossCorrected(const HeaderTexts& testHeader);

// Where the page number stands (header texts 80 and 83): below the name
// block when text 80 reads as anything but 0, else from the paper's top
// edge; centred when text 83 reads as anything but 0, else from the paper's
// left edge.
bool PageNumberBelowName(const HeaderTexts& header);
bool PageNumberCentred(const HeaderTexts& header);

// A choice as the records store it.
inline std::string ChoiceText(bool on) {
    return on ? "1" : "0";
}
template <typename Choice>
std::string ChoiceText(Choice choice) {
    return ChoiceText(static_cast<int>(choice) != 0);
}

}  // namespace karnea
