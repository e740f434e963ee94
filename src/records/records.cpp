#include "records/records.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/textfields.h"

namespace karnea {
namespace {

struct NumberedInfo {
    int number;
    HeaderTextInfo info;
};

constexpr NumberedInfo kHeaderInfo[] = {
    {header::surveyName, {"surveyName", "調査名"}},
    {header::surveyNumber, {"surveyNumber", "番号"}},
    {header::depth, {"depth", "測定深度"}},
    {header::waterLevel, {"waterLevel", "孔内水位"}},
    {header::machineHeight, {"machineHeight", "機械高"}},
    {header::poissonRatio, {"poissonRatio", "ポアソン比"}},
    {header::dateEra, {"dateEra", "測定日（元号）"}},
    {header::dateYear, {"dateYear", "測定日（年）"}},
    {header::dateMonth, {"dateMonth", "測定日（月）"}},
    {header::dateDay, {"dateDay", "測定日（日）"}},
    {header::engineer, {"engineer", "担当者"}},
    {header::soilName, {"soilName", "土質名"}},
    {header::nValue, {"nValue", "Ｎ値"}},
    {header::memo, {"memo", "メモ"}},
    {header::pw, {"pw", "Pw"}},
    {header::pz, {"pz", "Pz"}},
    {header::volumeLossFlag, {"volumeLossFlag", "容積損失補正"}},
    {header::calibrationFileName, {"calibrationFileName", "CALファイル名"}},
    {header::fitMethod, {"fitMethod", "近似方法"}},
    {header::tableTitle, {"tableTitle", "表タイトル"}},
    {header::graphTitle, {"graphTitle", "グラフタイトル"}},
    {header::companyName, {"companyName", "調査業者名"}},
    {header::coefficient0, {"coefficient0", "係数 c0"}},
    {header::coefficient1, {"coefficient1", "係数 c1"}},
    {header::coefficient2, {"coefficient2", "係数 c2"}},
    {header::coefficient3, {"coefficient3", "係数 c3"}},
    {header::coefficient4, {"coefficient4", "係数 c4"}},
    {header::poRow, {"poRow", "Po の行"}},
    {header::pfRow, {"pfRow", "Pf の行"}},
    {header::plRow, {"plRow", "Pl の行"}},
    {header::poEffective, {"poEffective", "Po’"}},
    {header::pfEffective, {"pfEffective", "Pf’"}},
    {header::plValue, {"plValue", "Pl"}},
    {header::meanVolume, {"meanVolume", "Vm"}},
    {header::spareResult, {"spareResult", "予備"}},
    {header::modulusValue, {"modulusValue", "Em"}},
    {header::vAxisMin, {"vAxisMin", "V 軸の最小値"}},
    {header::vAxisMax, {"vAxisMax", "V 軸の最大値"}},
    {header::vAxisStep, {"vAxisStep", "V 軸の間隔"}},
    {header::show120InTable, {"show120InTable", "120秒値の表示"}},
    {header::measurementTime, {"measurementTime", "測定時間"}},
    {header::numberCaption, {"numberCaption", "No.項目名"}},
    {header::pAxisMin, {"pAxisMin", "P 軸の最小値"}},
    {header::pAxisMax, {"pAxisMax", "P 軸の最大値"}},
    {header::pAxisStep, {"pAxisStep", "P 軸の間隔"}},
    {header::dvAxisMin, {"dvAxisMin", "ΔV 軸の最小値"}},
    {header::dvAxisMax, {"dvAxisMax", "ΔV 軸の最大値"}},
    {header::dvAxisStep, {"dvAxisStep", "ΔV 軸の間隔"}},
    {header::gridDivisionsV, {"gridDivisionsV", "V 軸の目盛り分割数"}},
    {header::gridDivisionsP, {"gridDivisionsP", "P 軸の目盛り分割数"}},
    {header::pmAxisMin, {"pmAxisMin", "Pm 軸の最小値"}},
    {header::pmAxisMax, {"pmAxisMax", "Pm 軸の最大値"}},
    {header::vmAxisMin, {"vmAxisMin", "Vm 軸の最小値"}},
    {header::vmAxisMax, {"vmAxisMax", "Vm 軸の最大値"}},
    {header::poLine, {"poLine", "計算経過式（Po）"}},
    {header::pfLine, {"pfLine", "計算経過式（Pf）"}},
    {header::plLine, {"plLine", "計算経過式（Pl）"}},
    {header::dpdvLine, {"dpdvLine", "計算経過式（dP/dV）"}},
    {header::emLine, {"emLine", "計算経過式（Em）"}},
    {header::extraLine, {"extraLine", "計算経過式（6行目）"}},
    {header::hidePl, {"hidePl", "Pl を表示しない"}},
    {header::graphPagePrefix, {"graphPagePrefix", "グラフのページ番号の前"}},
    {header::graphPageNumber, {"graphPageNumber", "グラフのページ番号"}},
    {header::graphPageSuffix, {"graphPageSuffix", "グラフのページ番号の後"}},
    {header::tablePagePrefix, {"tablePagePrefix", "データ表のページ番号の前"}},
    {header::tablePageNumber, {"tablePageNumber", "データ表のページ番号"}},
    {header::tablePageSuffix, {"tablePageSuffix", "データ表のページ番号の後"}},
    {header::topMarginMode, {"topMarginMode", "上余白の基準"}},
    {header::topMarginFromPaper, {"topMarginFromPaper", "上余白（用紙端から）"}},
    {header::topMarginFromName, {"topMarginFromName", "上余白（名前欄から）"}},
    {header::leftMarginMode, {"leftMarginMode", "左余白の基準"}},
    {header::leftMarginFromPaper, {"leftMarginFromPaper", "左余白（用紙端から）"}},
    {header::leftMarginCentred, {"leftMarginCentred", "左余白（中央）"}},
    {header::conversionStamp, {"conversionStamp", "変換印"}},
};

constexpr HeaderTextInfo kUnnamed{"", "予備"};

int CountRows(auto const& rows, int field) {
    int count = 0;
    for (const auto& row : rows) {
        if (!IsNumber(row[field])) {
            break;
        }
        ++count;
    }
    return count;
}

void LoadCoefficients(const HeaderTexts& h, Coefficients& c) {
    for (int i = 0; i < kCoefficientsUsed; ++i) {
        c[static_cast<std::size_t>(i)] = TextToDouble(h[header::coefficient0 + i]);
    }
}

}  // namespace

const HeaderTextInfo& HeaderTextInfoOf(int number) {
    for (const auto& entry : kHeaderInfo) {
        if (entry.number == number) {
            return entry.info;
        }
    }
    return kUnnamed;
}

void ClearTestRecord(TestRecord& test) {
    test = TestRecord{};
}

void ClearCalibrationRecord(CalibrationRecord& calibration) {
    calibration = CalibrationRecord{};
}

int CountTestRows(const TestRows& rows, int field) {
    return CountRows(rows, field);
}

int CountCalibrationRows(const CalibrationRows& rows, int field) {
    return CountRows(rows, field);
}

void LoadTestCoefficients(TestRecord& test) {
    LoadCoefficients(test.testHeader, test.testCoefficients);
}

void LoadCalibrationCoefficients(CalibrationRecord& calibration) {
    LoadCoefficients(calibration.calibrationHeader, calibration.calibrationCoefficients);
}

void ApplyCalibrationScaleDefaults(CalibrationRecord& calibration) {
    HeaderTexts& h = calibration.calibrationHeader;
    const auto unusable = [&](int n) { return !IsNumber(h[n]) || TextToDouble(h[n]) < 1; };
    if (unusable(header::pmAxisMax) || unusable(header::vmAxisMax)) {
        h[header::pmAxisMin] = "0";
        h[header::pmAxisMax] = std::to_string(kCalibrationGraphPmMax);
        h[header::vmAxisMin] = "0";
        h[header::vmAxisMax] = std::to_string(kCalibrationGraphVmMax);
    }
}

void NormalizeTestScales(TestRecord& test) {
    HeaderTexts& h = test.testHeader;
    const auto real = [&](int n) { return TextToDouble(h[n]); };
    const auto integer = [&](int n) { return TextToInt(h[n]); };

    h[header::vAxisMin] = "0";
    if (real(header::vAxisMax) < 0.1) {
        h[header::vAxisMax] = "600";
    }
    if (real(header::vAxisStep) < 0.1) {
        h[header::vAxisStep] =
            FormatText("%d", TruncateToInt((real(header::vAxisMax) - real(header::vAxisMin)) / 6));
    }
    h[header::pAxisMin] = "0";
    if (real(header::pAxisMax) < 0.1) {
        h[header::pAxisMax] = "1200";
    }
    if (real(header::pAxisStep) < 0.1) {
        h[header::pAxisStep] =
            FormatText("%d", TruncateToInt((real(header::pAxisMax) - real(header::pAxisMin)) / 12));
    }
    h[header::dvAxisMin] = "0";
    if (integer(header::dvAxisMax) <= 0 || integer(header::dvAxisMax) > 2000) {
        h[header::dvAxisMax] = "120";
    }
    if (integer(header::dvAxisStep) <= 0) {
        h[header::dvAxisStep] = "10";
    }
    if (integer(header::gridDivisionsV) <= 0) {
        h[header::gridDivisionsV] = "12";
    }
    if (integer(header::gridDivisionsP) <= 0) {
        h[header::gridDivisionsP] = "12";
    }
}

int TruncateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(value), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

}  // namespace karnea
