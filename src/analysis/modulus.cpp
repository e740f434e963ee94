#include "analysis/modulus.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"

namespace karnea {
namespace {

// The multiplication signs; 1 is the half-width middle dot of code page 932.
constexpr std::array<const char*, 4> kSigns = {"", "\xA5", "x", "*"};

// A value that overflowed is no value.
void DropNonFinite(AnalysisResult& r) {
    for (double* v : {&r.poEffective, &r.pfEffective, &r.pl, &r.meanVolume, &r.dp, &r.dv}) {
        if (!std::isfinite(*v)) {
            *v = 0;
        }
    }
    if (!std::isfinite(r.em)) {
        r.em = 0;
        r.emComputed = false;
        r.emMissing = msg::emNotFinite;
    }
}

}  // namespace

int UsableRowCount(const TestRecord& test) {
    const int volumeField = StepVolumeField(test.testHeader);
    int n = 0;
    for (const TestRow& row : test.testRows) {
        if (!IsNumber(row[volumeField]) || !IsNumber(row[testField::p])) {
            break;
        }
        ++n;
    }
    return n;
}

AnalysisResult ComputeModulus(const TestRecord& test, const Settings& settings,
                              const AnalysisChoice& choice) {
    AnalysisResult r;
    const HeaderTexts& h = test.testHeader;
    r.usableRows = UsableRowCount(test);
    r.volumeLoss = VolumeLossCorrected(h);
    r.onePlusNu = 1.0 + TextToDouble(h[header::poissonRatio]);
    r.pw = TextToDouble(h[header::pw]);
    r.plGiven = !choice.plP.empty();
    const int n = r.usableRows;
    if (n <= 0) {
        r.emMissing = msg::emNoRows;
        return r;
    }
    if (choice.poRow <= 0 || choice.poRow > n || choice.pfRow <= 0 || choice.pfRow > n) {
        r.emMissing = msg::emNoPoints;
        return r;
    }
    r.pointsSet = true;
    r.poP = TextToDouble(choice.poP);
    r.pfP = TextToDouble(choice.pfP);
    r.poEffective = r.poP - r.pw;
    r.pfEffective = r.pfP - r.pw;
    if (r.plGiven) {
        r.pl = TextToDouble(choice.plP);
    }
    const int volumeField = StepVolumeField(h);
    r.vo = TextToDouble(test.testRows[choice.poRow][volumeField]);
    r.vf = TextToDouble(test.testRows[choice.pfRow][volumeField]);
    if (r.vo > 0.001 && r.vf > 0.001) {
        r.differences = true;
        r.meanVolume = (r.vf + r.vo) * 0.5;
        r.dv = r.vf - r.vo;
        r.dp = r.pfEffective - r.poEffective;
        const double v0 = settings.initialVolumeV0;
        if (!r.volumeLoss) {
            if (std::fabs(r.dv) > 0.001) {
                r.em = (v0 + r.meanVolume) * r.dp * r.onePlusNu * 2 / r.dv;
                r.emComputed = true;
            } else {
                r.emMissing = msg::emNoDv;
            }
        } else if (std::fabs(r.dp) > 0.001) {
            const double k = r.dv / r.dp - settings.compressionA;
            if (k > 0.001) {
                r.em = (v0 + r.meanVolume) * r.onePlusNu * 2 / k;
                r.emComputed = true;
            } else {
                r.emMissing = msg::emNoK;
            }
        } else {
            r.emMissing = msg::emNoDp;
        }
    } else {
        r.emMissing = msg::emNoVolume;
    }
    DropNonFinite(r);
    return r;
}

void FormatCalculationLines(const Settings& s, const AnalysisResult& r, bool hidePl, int signIndex,
                            CalculationLines& lines) {
    if (r.usableRows <= 0) {
        return;
    }
    const std::string fP = DecimalsFormat(s.pointDecimals);
    const std::string fV = DecimalsFormat(s.dvDecimals);
    const std::string fE = DecimalsFormat(s.emDecimals);
    const std::string fa = DecimalsFormat(s.aDecimals);
    const char* sign = kSigns[static_cast<std::size_t>(std::clamp(signIndex, 0, 3))];
    const auto pattern = [](const char* format, std::initializer_list<std::string> parts) {
        // The first pass puts the number formats into the template.
        std::string out;
        auto part = parts.begin();
        for (const char* c = format; *c != '\0'; ++c) {
            if (c[0] == '%' && c[1] == 's' && part != parts.end()) {
                out += *part++;
                ++c;
            } else {
                out += *c;
            }
        }
        return out;
    };

    if (r.pointsSet) {
        lines[0] = FormatValues(pattern("Po=%s-%s", {fP, fP}), {r.poP, r.pw});
        lines[1] = FormatValues(pattern("Pf=%s-%s", {fP, fP}), {r.pfP, r.pw});
    } else {
        lines[0] = "Po=";
        lines[1] = "Pf=";
    }
    if (hidePl) {
        lines[2].clear();
    } else if (r.plGiven) {
        lines[2] = FormatValues(pattern("Pl=%s", {fP}), {r.pl});
    } else {
        lines[2] = "Pl=";
    }
    if (r.differences) {
        lines[3] = FormatValues(
            pattern("dP=%s-%s=%s dV=%s-%s=%s", {fP, fP, fP, fV, fV, fV}),
            {r.pfEffective, r.poEffective, r.pfEffective - r.poEffective, r.vf, r.vo, r.vf - r.vo});
    } else {
        lines[3] = "dP=           dV=";
    }
    const std::string nu = FormatDerived("%1.2f", r.onePlusNu);
    std::string formula = "=";
    if (r.emComputed) {
        if (!r.volumeLoss) {
            formula =
                FormatValues(pattern("=2%s%s%s(%s+%s)(%s/%s)", {sign, nu, sign, fV, fV, fP, fV}),
                             {s.initialVolumeV0, r.meanVolume, r.dp, r.dv});
        } else {
            formula = FormatValues(
                pattern("=2%s%s%s(%s+%s)/(%s/%s-%s)", {sign, nu, sign, fV, fV, fV, fP, fa}),
                {s.initialVolumeV0, r.meanVolume, r.dv, r.dp, s.compressionA});
        }
    }
    lines[4] = s.modulusSymbol + formula;
    lines[5] = r.emComputed ? FormatValues(pattern("  =%s", {fE}), {r.em}) : std::string();
}

}  // namespace karnea
