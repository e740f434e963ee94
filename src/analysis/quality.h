// A second look at a finished test: the limit pressure by the conventional
// definition, suggested beside the engineer's own, and warnings where a
// result or a reading wants reviewing. Nothing here changes a record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

// A text for the user in Japanese and in English (UTF-8 both).
struct TwoLanguageText {
    std::string japanese;
    std::string english;
};

// The conventional limit volume Vs + 2·V1: Vs the probe volume V0 of the
// settings, V1 the volume read at the Po row (cm3). Nothing without a usable
// Po row.
std::optional<double> ConventionalLimitVolume(const TestRecord& test, const Settings& settings);

// The pressure at which the volume read reaches the conventional limit
// volume, by the inverse-volume method: 1/V fitted against P by least
// squares over the steps after the Pf row, and the fit read at 1/(Vs + 2·V1).
struct LimitSuggestion {
    bool found = false;
    double limitVolume = 0;     // Vs + 2·V1 (cm3)
    double pressure = 0;        // the suggested limit pressure (kN/m2)
    int steps = 0;              // steps the fit used
    double residual = 0;        // root mean square misfit of the fit, as pressure (kN/m2)
    bool extrapolated = false;  // the readings stop short of the limit volume
    TwoLanguageText reason;     // why there is none
};
LimitSuggestion SuggestLimitPressure(const TestRecord& test, const Settings& settings);

// One finding of the checks; `code` names it for scripts. A note is a
// remark to keep in mind, not a fault (shown as such, and after the faults).
struct QualityWarning {
    std::string code;
    TwoLanguageText text;
    bool note = false;
};

// Fewer than 8 usable steps; a value that is no number where the reduction
// reads one; a missing reading that ends the usable steps before the last
// row; a negative volume, or one that falls within a step; a negative creep
// (from the 30" reading to the one the test measures with), or one above a
// fifth of the probe volume; pressures that do not rise row to row, and
// volumes that fall while the pressure rises (over every row with a
// pressure); Po, Pf and Pl rows out of order; Em, Pf' or Pl zero or
// negative, and no Em where the Po and Pf rows are chosen; Pl/Pf' outside 1.2..5 or Em/Pl
// outside 5..20; the loaded calibration missing or its curve not fitted; a test date that is no
// date; and, as a note, a test that ended before the conventional limit volume.
std::vector<QualityWarning> CheckTestQuality(const TestRecord& test, const Settings& settings);

}  // namespace karnea
