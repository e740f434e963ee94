// The characteristic pressures Po', Pf', Pl, the mean volume and the
// deformation modulus Em of a test, and the six calculation lines that show
// how Em was found.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

// The chosen rows and the P values as the analysis shows them (texts; the Pl
// text may be typed, empty meaning no Pl).
struct AnalysisChoice {
    int poRow = 0;
    int pfRow = 0;
    int plRow = 0;
    std::string poP;
    std::string pfP;
    std::string plP;
};

struct AnalysisResult {
    int usableRows = 0;
    double poEffective = 0;  // Po'
    double pfEffective = 0;  // Pf'
    double pl = 0;
    double meanVolume = 0;  // Vm
    double em = 0;
    // Inputs and intermediate values the calculation lines show.
    double poP = 0;
    double pfP = 0;
    double pw = 0;
    double vo = 0;
    double vf = 0;
    double dp = 0;
    double dv = 0;
    double onePlusNu = 0;
    bool pointsSet = false;    // Po and Pf rows were usable
    bool plGiven = false;      // the Pl text was not empty
    bool differences = false;  // dP and dV were computed
    bool emComputed = false;
    bool volumeLoss = false;  // computed with the volume-loss correction
    // Why Em was not computed (the step of the calculation that stopped it).
    std::string_view emMissing;
};

using CalculationLines = std::array<std::string, 6>;

// Rows from 1 whose step volume and P are both numbers.
int UsableRowCount(const TestRecord& test);

// The results of the chosen rows, with V0 and a of the settings.
AnalysisResult ComputeModulus(const TestRecord& test, const Settings& settings,
                              const AnalysisChoice& choice);

// Writes the six lines (Po, Pf, Pl, dP/dV, Em formula, Em value) into `lines`
// with the decimals and the modulus symbol of the settings; with no usable
// rows they stay as they are. `signIndex` 0..3 picks "", "･", "x", "*" (above
// 3 counts as 3).
void FormatCalculationLines(const Settings& settings, const AnalysisResult& result, bool hidePl,
                            int signIndex, CalculationLines& lines);

}  // namespace karnea
