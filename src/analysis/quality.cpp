#include "analysis/quality.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "analysis/modulus.h"
#include "analysis/reduction.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "records/choices.h"
#include "records/testdate.h"

namespace karnea {
namespace {

// The fewest steps a test should have, and the typical ranges of the ratios.
constexpr int kFewestSteps = 8;
constexpr double kPlPfLow = 1.2;
constexpr double kPlPfHigh = 5;
constexpr double kEmPlLow = 5;
constexpr double kEmPlHigh = 20;

// The step volume of a usable row (1..usable rows), or nothing.
std::optional<double> StepVolume(const TestRecord& test, int row) {
    if (row < 1 || row > UsableRowCount(test)) {
        return std::nullopt;
    }
    return TextToDouble(test.testRows[row][StepVolumeField(test.testHeader)]);
}

// A positive number held in a header text, or nothing.
std::optional<double> PositiveValue(const HeaderTexts& h, int number) {
    if (!IsNumber(h[number])) {
        return std::nullopt;
    }
    const double v = TextToDouble(h[number]);
    if (!std::isfinite(v) || v <= 0) {
        return std::nullopt;
    }
    return v;
}

// Whether every coefficient text of the curve is a number, not all zero.
bool CurveFitted(const HeaderTexts& h) {
    bool nonZero = false;
    for (int n = header::coefficient0; n <= header::coefficient4; ++n) {
        if (!IsNumber(h[n])) {
            return false;
        }
        nonZero = nonZero || TextToDouble(h[n]) != 0;
    }
    return nonZero;
}

LimitSuggestion NoSuggestion(LimitSuggestion s, const char* japanese, const char* english) {
    s.found = false;
    s.reason = {japanese, english};
    return s;
}

}  // namespace

std::optional<double> ConventionalLimitVolume(const TestRecord& test, const Settings& settings) {
    const std::optional<double> v1 = StepVolume(test, TextToInt(test.testHeader[header::poRow]));
    if (!v1) {
        return std::nullopt;
    }
    return settings.initialVolumeV0 + 2 * *v1;
}

LimitSuggestion SuggestLimitPressure(const TestRecord& test, const Settings& settings) {
    LimitSuggestion s;
    const std::optional<double> limit = ConventionalLimitVolume(test, settings);
    if (!limit || *limit <= 0) {
        return NoSuggestion(s, "Po の行が選ばれていません", "no Po row is chosen");
    }
    s.limitVolume = *limit;
    const int pfRow = TextToInt(test.testHeader[header::pfRow]);
    const int usable = UsableRowCount(test);
    if (pfRow < 1 || pfRow > usable) {
        return NoSuggestion(s, "Pf の行が選ばれていません", "no Pf row is chosen");
    }
    // Po ends the recompression and Pf comes after it; rows the other way
    // round give a limit volume from the wrong step.
    if (TextToInt(test.testHeader[header::poRow]) >= pfRow) {
        return NoSuggestion(s, "Po の行が Pf の行より前にありません",
                            "the Po row does not come before the Pf row");
    }
    // The fit 1/V = a + b P over the steps after Pf, about the means.
    std::vector<std::pair<double, double>> points;
    double largestVolume = 0;
    for (int row = pfRow + 1; row <= usable; ++row) {
        const double v = *StepVolume(test, row);
        if (v > 0) {
            points.emplace_back(TextToDouble(test.testRows[row][testField::p]), 1 / v);
            largestVolume = std::max(largestVolume, v);
        }
    }
    s.steps = static_cast<int>(points.size());
    if (s.steps < 2) {
        return NoSuggestion(s, "Pf より後の段階が 2 つ未満です",
                            "fewer than 2 steps follow the Pf row");
    }
    double meanP = 0;
    double meanY = 0;
    for (const auto& [p, y] : points) {
        meanP += p / s.steps;
        meanY += y / s.steps;
    }
    double spp = 0;
    double spy = 0;
    for (const auto& [p, y] : points) {
        spp += (p - meanP) * (p - meanP);
        spy += (p - meanP) * (y - meanY);
    }
    const double slope = spp > 0 ? spy / spp : 0;
    if (!(slope < 0) || !std::isfinite(slope)) {
        return NoSuggestion(s, "1/V が圧力とともに減っていません",
                            "1/V does not fall as the pressure rises");
    }
    double squares = 0;
    for (const auto& [p, y] : points) {
        const double misfit = y - (meanY + slope * (p - meanP));
        squares += misfit * misfit;
    }
    const double pressure = meanP + (1 / s.limitVolume - meanY) / slope;
    const double residual = std::sqrt(squares / s.steps) / -slope;
    if (!std::isfinite(pressure) || !std::isfinite(residual)) {
        return NoSuggestion(s, "1/V が圧力とともに減っていません",
                            "1/V does not fall as the pressure rises");
    }
    s.found = true;
    s.pressure = pressure;
    s.residual = residual;
    s.extrapolated = largestVolume < s.limitVolume;
    return s;
}

std::vector<QualityWarning> CheckTestQuality(const TestRecord& test, const Settings& settings) {
    std::vector<QualityWarning> warnings;
    const auto warn = [&](const char* code, std::string japanese, std::string english) {
        warnings.push_back({code, {std::move(japanese), std::move(english)}});
    };
    const HeaderTexts& h = test.testHeader;
    const int usable = UsableRowCount(test);
    if (usable < kFewestSteps) {
        warn("few-steps", FormatText("有効な加圧段階が %d 段しかありません (8 段未満)", usable),
             FormatText("only %d usable pressure steps (fewer than 8)", usable));
    }

    // A value that cannot be read as a number is read as the number it
    // begins with (or 0), without a word: it is named.
    std::string unreadableJa;
    std::string unreadableEn;
    const auto unreadableIf = [&](const std::string& text, const std::string& ja,
                                  const std::string& en) {
        if (!text.empty() && !ParseNumber(text)) {
            const std::string value = " \"" + Cp932ToUtf8(text) + "\"";
            unreadableJa += (unreadableJa.empty() ? "" : ", ") + ja + value;
            unreadableEn += (unreadableEn.empty() ? "" : ", ") + en + value;
        }
    };
    for (const int number : {header::depth, header::waterLevel, header::machineHeight, header::pw,
                             header::pz, header::poissonRatio}) {
        const HeaderTextInfo& info = HeaderTextInfoOf(number);
        unreadableIf(h[number], std::string(info.caption), std::string(info.name));
    }
    const std::pair<int, const char*> readings[] = {{testField::pm, "Pm"},
                                                    {testField::vol15, "V15\""},
                                                    {testField::vol30, "V30\""},
                                                    {testField::vol60, "V60\""},
                                                    {testField::vol120, "V120\""}};
    for (int row = 1; row <= kTestRowCount; ++row) {
        for (const auto& [field, name] : readings) {
            unreadableIf(test.testRows[row][field], FormatText("%d 行 %s", row, name),
                         FormatText("row %d %s", row, name));
        }
    }
    if (!unreadableJa.empty()) {
        warn("unreadable-number", "数値として読めない値があります: " + unreadableJa,
             "values that cannot be read as numbers: " + unreadableEn);
    }

    // The readings of every row with a pressure, also those after a row
    // that ends the usable steps.
    const int rowCount = CountTestRows(test.testRows, testField::pm);
    if (usable < rowCount) {
        const int row = usable + 1;
        const char* reading = StepVolumeField(h) == testField::vol120 ? "120″" : "60″";
        warn("usable-rows-end",
             FormatText("%d 行に %s の読み (または補正圧力 P) がないため、有効な段階はその前で"
                        "終わります。その後の %d 行は解析に使われません",
                        row, reading, rowCount - row),
             FormatText("row %d has no %s reading (or corrected pressure P): the usable steps end "
                        "before it, and the %d rows after it are not analysed",
                        row, StepVolumeField(h) == testField::vol120 ? "120\"" : "60\"",
                        rowCount - row));
    }
    const auto reading = [&](int row, int field) -> std::optional<double> {
        const std::string& text = test.testRows[row][field];
        return IsNumber(text) ? std::optional<double>(TextToDouble(text)) : std::nullopt;
    };
    const auto add = [](std::string& list, const std::string& item) {
        list += (list.empty() ? "" : ", ") + item;
    };

    // A volume below zero, and one that falls from one reading of a row to
    // the next (the creep to the measuring time apart, checked below).
    const int measured = StepVolumeField(h);
    const bool at120 = measured == testField::vol120;
    const int volumes[] = {testField::vol15, testField::vol30, testField::vol60, testField::vol120};
    std::string negative;
    std::string fallsInRow;
    for (int row = 1; row <= rowCount; ++row) {
        std::optional<double> before;
        int beforeField = 0;
        bool falls = false;
        for (const int field : volumes) {
            const std::optional<double> v = reading(row, field);
            if (!v) {
                continue;
            }
            if (*v < 0) {
                add(negative, FormatText("%d (%g)", row, *v));
            }
            const bool creep = beforeField == testField::vol30 && field == measured;
            falls = falls || (before && *v < *before && !creep);
            before = v;
            beforeField = field;
        }
        if (falls) {
            add(fallsInRow, std::to_string(row));
        }
    }
    if (!negative.empty()) {
        warn("negative-volume", "体積が負の行があります: " + negative,
             "negative volumes in rows " + negative);
    }
    if (!fallsInRow.empty()) {
        warn("volume-falls-in-row",
             "同じ段階の中で、後の読みの体積が前の読みより小さい行があります: " + fallsInRow,
             "a later reading of the step is below an earlier one in rows " + fallsInRow);
    }

    // The creep from the 30" reading to the one the test measures with:
    // below zero, or more than a fifth of the probe's own volume, which no
    // ground gives in half a minute (a reading mistyped).
    const double mostCreep = settings.initialVolumeV0 / 5;
    std::string rows;
    std::string large;
    for (int row = 1; row <= rowCount; ++row) {
        const std::optional<double> v30 = reading(row, testField::vol30);
        const std::optional<double> v = reading(row, measured);
        if (v30 && v && *v < *v30) {
            add(rows, std::to_string(row));
        } else if (v30 && v && *v - *v30 > mostCreep) {
            add(large, FormatText("%d (%.1f)", row, *v - *v30));
        }
    }
    if (!rows.empty()) {
        warn("negative-creep",
             std::string("クリープ (") + (at120 ? "V120″−V30″" : "V60″−V30″") +
                 ") が負の行があります: " + rows,
             std::string("negative creep (") + (at120 ? "V120\" - V30\"" : "V60\" - V30\"") +
                 ") in rows " + rows);
    }
    if (!large.empty()) {
        warn("large-creep",
             std::string("クリープ (") + (at120 ? "V120″−V30″" : "V60″−V30″") +
                 FormatText(") がプローブ体積の 1/5 (%.1f cm³) を超える行があります: ", mostCreep) +
                 large,
             std::string("creep (") + (at120 ? "V120\" - V30\"" : "V60\" - V30\"") +
                 FormatText(") above a fifth of the probe volume (%.1f cm3) in rows ", mostCreep) +
                 large);
    }

    // Pressures that do not rise from row to row (the same pressure twice
    // among them), and volumes that fall while the pressure rises.
    std::string flat;
    std::string falling;
    for (int row = 2; row <= rowCount; ++row) {
        const double pm = TextToDouble(test.testRows[row][testField::pm]);
        const double pmBefore = TextToDouble(test.testRows[row - 1][testField::pm]);
        const std::optional<double> v = reading(row, measured);
        const std::optional<double> vBefore = reading(row - 1, measured);
        if (pm <= pmBefore) {
            add(flat, pm == pmBefore ? FormatText("%d (= %d)", row, row - 1) : std::to_string(row));
        } else if (v && vBefore && *v < *vBefore) {
            add(falling, std::to_string(row));
        }
    }
    if (!flat.empty()) {
        warn("pressure-not-rising", "圧力 Pm が前の行より上がっていない行があります: " + flat,
             "the pressure Pm does not rise from the row before in rows " + flat);
    }
    if (!falling.empty()) {
        warn("volume-falls", "圧力が上がったのに体積が減っている行があります: " + falling,
             "the volume falls while the pressure rises in rows " + falling);
    }

    const int po = TextToInt(h[header::poRow]);
    const int pf = TextToInt(h[header::pfRow]);
    const int pl = TextToInt(h[header::plRow]);
    if ((po > 0 && pf > 0 && po >= pf) || (pf > 0 && pl > 0 && pl <= pf) ||
        (po > 0 && pl > 0 && pl <= po)) {
        warn("row-order",
             FormatText("Po, Pf, Pl の行が増える順になっていません (Po %d, Pf %d, Pl %d)", po, pf,
                        pl),
             FormatText("the Po, Pf and Pl rows are not in increasing order (Po %d, Pf %d, Pl %d)",
                        po, pf, pl));
    }

    // A ratio outside its range, printed with as many decimals as it takes
    // (from `decimals` on) for the printed value itself to lie outside.
    const auto outside = [](double ratio, double low, double high, int decimals) {
        std::string text;
        for (int d = decimals; d <= 9; ++d) {
            text = FormatText("%.*f", d, ratio);
            const double shown = std::strtod(text.c_str(), nullptr);
            if (shown < low || shown > high) {
                break;
            }
        }
        return text;
    };
    // Results that cannot be: a modulus or a pressure of zero or below; no
    // modulus where the rows were chosen.
    std::string notPositive;
    const std::optional<double> storedEm = StoredModulus(h);
    if (storedEm && *storedEm <= 0) {
        notPositive = "Em = " + FormatDerived("%g", *storedEm);
    }
    for (const auto& [number, name] :
         {std::pair{header::pfEffective, "Pf'"}, {header::plValue, "Pl"}}) {
        if (IsNumber(h[number]) && TextToDouble(h[number]) <= 0) {
            notPositive += (notPositive.empty() ? "" : ", ") + std::string(name) + " = " +
                           FormatDerived("%g", TextToDouble(h[number]));
        }
    }
    if (!storedEm && po > 0 && pf > 0) {
        warn("em-missing", "Po と Pf の行は選ばれていますが、Em が計算されていません",
             "the Po and Pf rows are chosen, but no modulus Em was computed");
    }
    if (!notPositive.empty()) {
        warn("result-not-positive", "0 以下の結果があります: " + notPositive,
             "results of zero or below: " + notPositive);
    }
    const std::optional<double> plValue = PositiveValue(h, header::plValue);
    const std::optional<double> pfEffective = PositiveValue(h, header::pfEffective);
    std::optional<double> em;
    if (storedEm && std::isfinite(*storedEm) && *storedEm > 0) {
        em = *storedEm;
    }
    if (plValue && pfEffective) {
        const double ratio = *plValue / *pfEffective;
        if (ratio < kPlPfLow || ratio > kPlPfHigh) {
            const std::string shown = outside(ratio, kPlPfLow, kPlPfHigh, 2);
            warn("pl-pf-ratio", "Pl/Pf′ = " + shown + " が通常の範囲 1.2〜5 の外です (要確認)",
                 "Pl/Pf' = " + shown + " is outside the typical range 1.2 to 5 (review)");
        }
    }
    if (plValue && em) {
        const double ratio = *em / *plValue;
        if (ratio < kEmPlLow || ratio > kEmPlHigh) {
            const std::string shown = outside(ratio, kEmPlLow, kEmPlHigh, 1);
            warn("em-pl-ratio", "Em/Pl = " + shown + " が通常の範囲 5〜20 の外です (要確認)",
                 "Em/Pl = " + shown + " is outside the typical range 5 to 20 (review)");
        }
    }

    const std::optional<double> limit = ConventionalLimitVolume(test, settings);
    const std::optional<double> plVolume = StepVolume(test, pl);
    std::optional<QualityWarning> limitNote;
    if (limit && plVolume && *plVolume < *limit) {
        limitNote = QualityWarning{
            "pl-below-limit-volume",
            {FormatText("参考: 慣用限界体積 %.1f cm³ に達する前に試験を終えています (Pl の段階で "
                        "%.1f cm³)。慣用の極限圧力 pL は外挿になります (提案値を参照)",
                        *limit, *plVolume),
             FormatText("note: the test ended before the conventional limit volume %.1f cm3 "
                        "(%.1f cm3 at the Pl step); the conventional limit pressure pL is an "
                        "extrapolation (see the suggestion)",
                        *limit, *plVolume)},
            true};
    }

    if (!LoadedCalibrationUsable(test.loadedCalibrationRows)) {
        warn("calibration-missing", "キャリブレーションが読み込まれていません",
             "no calibration is loaded");
    } else if (FitMethodOf(h) == FitMethod::regression && !CurveFitted(h)) {
        warn("calibration-failed", "キャリブレーション曲線が求められていません",
             "the calibration curve was not fitted");
    }
    if (const DateCheck date = CheckDate(h); !date.why.empty()) {
        const std::string typed = DateAsTyped(h);
        warn("date-not-real", "測定年月日が暦にない日付です: " + typed + "（" + date.why + "）",
             "the test date is not a real date: " + typed);
    }
    // The notes after the faults.
    if (limitNote) {
        warnings.push_back(*limitNote);
    }
    return warnings;
}

}  // namespace karnea
