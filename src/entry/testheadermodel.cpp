#include "entry/testheadermodel.h"

#include "analysis/reduction.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"
#include "records/datafile.h"

namespace karnea {
namespace {

// Depths and water levels beyond a kilometre are typing mistakes.
constexpr double kLevelLimit = 1000;
// The calibration file's first line is looked at up to this many bytes.
constexpr std::size_t kCalibrationFirstLine = 100;

bool InRange(std::string_view text) {
    const double v = TextToDouble(text);
    return v >= -kLevelLimit && v <= kLevelLimit;
}

}  // namespace

std::string ApplyDepthSign(std::string_view text) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || !IsNumber(trimmed)) {
        return std::string(text);
    }
    if (trimmed.find_first_of("+-") == std::string_view::npos) {
        return "-" + std::string(trimmed);
    }
    return std::string(trimmed);
}

std::string ReadCalibrationForTest(TestRecord& test, const std::string& path, Messages& messages) {
    const std::optional<std::string> content = ReadDataFile(path, messages);
    if (!content) {
        return {};
    }
    const std::string_view firstLine =
        FirstLineOf(std::string_view(*content).substr(0, kCalibrationFirstLine));
    if (firstLine.find(kCalibrationMark) == std::string_view::npos) {
        messages.Show(msg::notCalibrationFile);
        return {};
    }
    test.loadedCalibrationRows.fill({});
    for (int n = header::coefficient0; n <= header::coefficient4; ++n) {
        test.testHeader[n].clear();
    }
    ReadCalibrationIntoTest(*content, test, messages);
    LoadTestCoefficients(test);
    return path;
}

const std::vector<int>& TestHeaderModel::FieldNumbers() {
    static const std::vector<int> numbers = {header::surveyName,
                                             header::numberCaption,
                                             header::surveyNumber,
                                             header::depth,
                                             header::waterLevel,
                                             header::machineHeight,
                                             header::pw,
                                             header::pz,
                                             header::poissonRatio,
                                             header::engineer,
                                             header::dateEra,
                                             header::dateYear,
                                             header::dateMonth,
                                             header::dateDay,
                                             header::soilName,
                                             header::nValue,
                                             header::memo,
                                             header::tableTitle,
                                             header::graphTitle,
                                             header::companyName,
                                             header::calibrationFileName};
    return numbers;
}

TestHeaderModel::TestHeaderModel(const TestRecord& test, const Settings& settings)
    : test_(test), settings_(settings), edited_(test), takenDepth_(test.testHeader[header::depth]) {
    if (field(header::tableTitle).empty()) {
        field(header::tableTitle) = settings.defaultTableTitle;
    }
    if (field(header::graphTitle).empty()) {
        field(header::graphTitle) = settings.defaultGraphTitle;
    }
    volumeLoss = VolumeLossCorrected(test.testHeader);
    fitMethod = static_cast<int>(FitMethodOf(test.testHeader));
}

bool TestHeaderModel::DepthRefused() const {
    const std::string& depth = field(header::depth);
    return IsNumber(depth) && !InRange(ApplyDepthSign(depth));
}

const std::string& TestHeaderModel::DepthForDerived() const {
    return DepthRefused() ? takenDepth_ : field(header::depth);
}

std::optional<Refusal> TestHeaderModel::Check() const {
    if (DepthRefused()) {
        return Refusal{std::string(msg::valueBad), FormatText("field%d", header::depth)};
    }
    return RefuseDate(edited_.testHeader);
}

void TestHeaderModel::DepthLostFocus(Messages& messages) {
    std::string& depth = field(header::depth);
    if (!IsNumber(depth)) {
        return;
    }
    depth = ApplyDepthSign(depth);
    if (!InRange(depth)) {
        messages.Show(msg::valueBad);
        return;
    }
    takenDepth_ = depth;
    const std::string& c = settings_.siCoefficient;
    field(header::pw) = ComputeWaterPressureText(depth, field(header::waterLevel), c);
    field(header::pz) = ComputeHoseHeadText(depth, field(header::machineHeight), c);
}

void TestHeaderModel::WaterLevelLostFocus(Messages& messages) {
    std::string& level = field(header::waterLevel);
    if (IsNumber(level)) {
        level = ApplyDepthSign(level);
        if (!InRange(level)) {
            messages.Show(msg::valueBad);
        }
    }
    field(header::pw) = ComputeWaterPressureText(DepthForDerived(), level, settings_.siCoefficient);
}

void TestHeaderModel::MachineHeightLostFocus() {
    field(header::pz) = ComputeHoseHeadText(DepthForDerived(), field(header::machineHeight),
                                            settings_.siCoefficient);
}

bool TestHeaderModel::OpenCalibration(const std::string& path, Messages& messages) {
    TestRecord read = edited_;
    if (ReadCalibrationForTest(read, path, messages).empty()) {
        return false;
    }
    edited_.loadedCalibrationRows = read.loadedCalibrationRows;
    edited_.testCoefficients = read.testCoefficients;
    for (int n = header::coefficient0; n <= header::coefficient4; ++n) {
        edited_.testHeader[n] = read.testHeader[n];
    }
    calibrationOpened_ = true;
    // Only the name shown follows the length rule; the calibration is read
    // whatever the name. The header keeps CP932; a path that CP932 cannot
    // show keeps its bytes.
    if (path.size() > 1) {
        field(header::calibrationFileName) = TryUtf8ToCp932(path).value_or(path);
    }
    return true;
}

int TestHeaderModel::LoadedRows() const {
    int count = 0;
    for (const CalibrationRow& r : edited_.loadedCalibrationRows) {
        if (!IsNumber(r[calibrationField::pm]) || !IsNumber(r[calibrationField::vm])) {
            break;
        }
        ++count;
    }
    return count;
}

void TestHeaderModel::DrawPreview(Surface& surface, PreviewArea area) const {
    DrawLoadedCalibrationPreview(surface, area, edited_.loadedCalibrationRows, LoadedRows());
}

Edit TestHeaderModel::Accept() {
    field(header::depth) = ApplyDepthSign(field(header::depth));
    std::string& level = field(header::waterLevel);
    level = ApplyDepthSign(level);
    Edit edit{.name = editName::header, .test = test_, .follow = Follow::recheckAndReduce};
    if (IsNumber(level) && !InRange(level)) {
        edit.notice = msg::waterLevelBad;
    }
    TestRecord& test = *edit.test;
    for (int n : FieldNumbers()) {
        test.testHeader[n] = field(n);
    }
    test.testHeader[header::volumeLossFlag] = ChoiceText(volumeLoss);
    test.testHeader[header::fitMethod] = ChoiceText(fitMethod >= 1);
    if (calibrationOpened_) {
        test.loadedCalibrationRows = edited_.loadedCalibrationRows;
        test.testCoefficients = edited_.testCoefficients;
        for (int n = header::coefficient0; n <= header::coefficient4; ++n) {
            test.testHeader[n] = edited_.testHeader[n];
        }
    }
    return edit;
}

}  // namespace karnea
