// The measurement records: a test and a calibration, every value held as a
// CP932 text exactly as the data file stores it, plus the coefficient doubles.
// Numbers are converted with the plain conversions when used.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace karnea {

inline constexpr int kHeaderTextCount = 100;
inline constexpr int kTestRowCount = 120;
inline constexpr int kTestFieldCount = 10;
inline constexpr int kCalibrationRowCount = 40;
inline constexpr int kCalibrationFieldCount = 3;
inline constexpr int kCoefficientCount = 8;
inline constexpr int kCoefficientsUsed = 5;

// Which record the open document is; it also selects the page set shown.
// The values are those the program has always used.
enum class DocumentKind { calibration = 0, test = 1 };

// A fixed-size table numbered from 1, as the records number headers, rows and
// fields. A number outside 1..N is a programming error and throws.
template <typename T, int N>
class Numbered {
public:
    static constexpr int size() { return N; }
    T& operator[](int number) { return items_.at(index(number)); }
    const T& operator[](int number) const { return items_.at(index(number)); }
    void fill(const T& value) { items_.fill(value); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    friend bool operator==(const Numbered&, const Numbered&) = default;

private:
    static std::size_t index(int number) {
        if (number < 1 || number > N) {
            throw std::out_of_range("record number out of range");
        }
        return static_cast<std::size_t>(number - 1);
    }
    std::array<T, N> items_{};
};

using HeaderTexts = Numbered<std::string, kHeaderTextCount>;
using TestRow = Numbered<std::string, kTestFieldCount>;
using TestRows = Numbered<TestRow, kTestRowCount>;
using CalibrationRow = Numbered<std::string, kCalibrationFieldCount>;
using CalibrationRows = Numbered<CalibrationRow, kCalibrationRowCount>;
using Coefficients = std::array<double, kCoefficientCount>;

// Header text numbers. The same number means the same thing in both headers
// where both use it; numbers without a name are kept but carry no meaning.
namespace header {
enum : int {
    surveyName = 1,
    surveyNumber = 2,
    depth = 3,
    waterLevel = 4,
    machineHeight = 5,
    poissonRatio = 6,
    dateEra = 7,
    dateYear = 8,
    dateMonth = 9,
    dateDay = 10,
    engineer = 11,
    soilName = 12,
    nValue = 13,
    memo = 16,
    pw = 17,
    pz = 18,
    volumeLossFlag = 19,
    calibrationFileName = 20,
    fitMethod = 21,
    tableTitle = 22,
    graphTitle = 23,
    companyName = 24,
    coefficient0 = 25,
    coefficient1 = 26,
    coefficient2 = 27,
    coefficient3 = 28,
    coefficient4 = 29,
    poRow = 30,
    pfRow = 31,
    plRow = 32,
    poEffective = 34,
    pfEffective = 35,
    plValue = 36,
    meanVolume = 37,
    spareResult = 38,
    modulusValue = 39,
    vAxisMin = 40,
    vAxisMax = 41,
    vAxisStep = 42,
    show120InTable = 43,
    measurementTime = 44,
    numberCaption = 45,
    pAxisMin = 46,
    pAxisMax = 47,
    pAxisStep = 48,
    dvAxisMin = 49,
    dvAxisMax = 50,
    dvAxisStep = 51,
    gridDivisionsV = 52,
    gridDivisionsP = 53,
    pmAxisMin = 54,
    pmAxisMax = 55,
    vmAxisMin = 56,
    vmAxisMax = 57,
    poLine = 61,
    pfLine = 62,
    plLine = 63,
    dpdvLine = 64,
    emLine = 65,
    extraLine = 66,
    hidePl = 67,
    graphPagePrefix = 71,
    graphPageNumber = 72,
    graphPageSuffix = 73,
    tablePagePrefix = 74,
    tablePageNumber = 75,
    tablePageSuffix = 76,
    topMarginMode = 80,
    topMarginFromPaper = 81,
    topMarginFromName = 82,
    leftMarginMode = 83,
    leftMarginFromPaper = 84,
    leftMarginCentred = 85,
    conversionStamp = 90,
};
}  // namespace header

// Fields of a test reading row.
namespace testField {
enum : int { pm = 1, vol15, vol30, vol60, vol120, pmPlusPz, pi, p, dv, spare };
}

// Fields of a calibration reading row (calibration readings and loaded calibration).
namespace calibrationField {
enum : int { pm = 1, vm, vmCopy };
}

// The program name of a header text ("" where the number has no meaning) and
// a short Japanese caption (UTF-8) for messages.
struct HeaderTextInfo {
    std::string_view name;
    std::string_view caption;
};
const HeaderTextInfo& HeaderTextInfoOf(int number);

// A test at one depth: its header, its reading rows, the calibration it was
// reduced with (rows copied from a calibration file, coefficient texts in
// header texts 25..29) and those coefficients as numbers (c0..c4 in 0..4).
struct TestRecord {
    HeaderTexts testHeader;
    TestRows testRows;
    CalibrationRows loadedCalibrationRows;
    Coefficients testCoefficients{};
    friend bool operator==(const TestRecord&, const TestRecord&) = default;
};

// A calibration run of the probe: its header, its readings and the fitted
// coefficients (texts 25..29 of the header, and as numbers).
struct CalibrationRecord {
    HeaderTexts calibrationHeader;
    CalibrationRows calibrationRows;
    Coefficients calibrationCoefficients{};
    friend bool operator==(const CalibrationRecord&, const CalibrationRecord&) = default;
};

// Every text empty and every coefficient 0.
void ClearTestRecord(TestRecord& test);
void ClearCalibrationRecord(CalibrationRecord& calibration);

// Leading rows whose given field is a number.
int CountTestRows(const TestRows& rows, int field);
int CountCalibrationRows(const CalibrationRows& rows, int field);

// Coefficients 0..4 from header texts 25..29.
void LoadTestCoefficients(TestRecord& test);
void LoadCalibrationCoefficients(CalibrationRecord& calibration);

// The calibration graph's fixed scale: Pm 0..300 kN/m2 across, Vm 0..800 ml
// upwards. The graph always uses it; the calibration header's scale texts
// are kept, and given these values when they are unusable.
inline constexpr int kCalibrationGraphPmMax = 300;
inline constexpr int kCalibrationGraphVmMax = 800;

// Calibration scale texts 54..57 as 0..300 / 0..800 when texts 55 or 57 are
// unusable.
void ApplyCalibrationScaleDefaults(CalibrationRecord& calibration);

// Brings the eleven graph scale texts of the test header into range.
void NormalizeTestScales(TestRecord& test);

// A double truncated toward zero into the range of int (for "%d" of a quotient).
int TruncateToInt(double value);

}  // namespace karnea
