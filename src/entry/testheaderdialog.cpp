#include "entry/testheaderdialog.h"

#include "analysis/reduction.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr std::string_view kValueBad = "数値が異常です";
constexpr std::string_view kWaterLevelBad = "水位が異常です";
constexpr std::string_view kNotCalibration = "Ver.3 のキャリブレーションファイルではありません";
constexpr std::string_view kCalibrationMark = "$$_KCVARDO3";
constexpr std::size_t kFocusTextLimit = 31;

bool InRange(std::string_view text) {
    const double v = TextToDouble(text.substr(0, std::min(text.size(), kFocusTextLimit)));
    return v >= -1000 && v <= 1000;
}

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

}  // namespace

std::string ApplyDepthSign(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    if (first == std::string_view::npos) {
        return std::string(text);
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    const std::string_view trimmed = text.substr(first, last - first + 1);
    if (!IsNumber(trimmed)) {
        return std::string(text);
    }
    if (trimmed.find_first_of("+-") == std::string_view::npos) {
        return "-" + std::string(trimmed);
    }
    return std::string(trimmed);
}

std::string ReadCalibrationForTest(Workspace& ws, const std::string& path, Messages& messages) {
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
        return {};
    }
    const std::string_view firstLine =
        std::string_view(*content).substr(0, std::min<std::size_t>(content->find('\n'), 100));
    if (firstLine.find(kCalibrationMark) == std::string_view::npos) {
        messages.Show(kNotCalibration);
        return {};
    }
    ws.loadedCalibrationRows.fill({});
    for (int n = header::coefficient0; n <= header::coefficient4; ++n) {
        ws.testHeader[n].clear();
    }
    char section = '\0';
    int row = 0;
    ForEachLine(*content, [&](std::string_view line) {
        if (line.ends_with("\r\n")) {
            line.remove_suffix(2);
        } else if (line.ends_with('\n')) {
            line.remove_suffix(1);
        }
        if (line.find("$$") != std::string_view::npos) {
            if (line.size() > 2) {
                section = line[2];
                row = 1;
            }
            return;
        }
        if (section == 'C' && row >= 1 && row <= kCalibrationRowCount) {
            CalibrationRow& r = ws.loadedCalibrationRows[row++];
            for (int f = 1; f <= kCalibrationFieldCount; ++f) {
                GetCsvField(line, f, r[f], messages);
            }
        } else if (section == 'Z' && row >= 1 && row <= kHeaderTextCount) {
            if (row >= header::coefficient0 && row <= header::coefficient4) {
                ws.testHeader[row] = std::string(line);
            }
            ++row;
        }
    });
    LoadTestCoefficients(ws);
    return path;
}

const std::vector<int>& TestHeaderDialogModel::FieldNumbers() {
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

TestHeaderDialogModel::TestHeaderDialogModel(const Workspace& ws) {
    const HeaderTexts& h = ws.testHeader;
    for (int n : FieldNumbers()) {
        fields_[n] = h[n];
    }
    if (fields_[header::tableTitle].empty()) {
        fields_[header::tableTitle] = ws.settings.defaultTableTitle;
    }
    if (fields_[header::graphTitle].empty()) {
        fields_[header::graphTitle] = ws.settings.defaultGraphTitle;
    }
    volumeLoss = TextToInt(h[header::volumeLossFlag]) != 0;
    fitMethod = TextToInt(h[header::fitMethod]);
}

void TestHeaderDialogModel::DepthLostFocus(const Workspace& ws, Messages& messages) {
    std::string& depth = fields_[header::depth];
    if (!IsNumber(depth)) {
        return;
    }
    depth = ApplyDepthSign(depth);
    if (!InRange(depth)) {
        messages.Show(kValueBad);
        return;
    }
    const std::string& c = ws.settings.siCoefficient;
    fields_[header::pw] = ComputeWaterPressureText(depth, fields_[header::waterLevel], c);
    fields_[header::pz] = ComputeHoseHeadText(depth, fields_[header::machineHeight], c);
}

void TestHeaderDialogModel::WaterLevelLostFocus(const Workspace& ws, Messages& messages) {
    std::string& level = fields_[header::waterLevel];
    if (IsNumber(level)) {
        level = ApplyDepthSign(level);
        if (!InRange(level)) {
            messages.Show(kValueBad);
        }
    }
    fields_[header::pw] =
        ComputeWaterPressureText(fields_[header::depth], level, ws.settings.siCoefficient);
}

void TestHeaderDialogModel::MachineHeightLostFocus(const Workspace& ws) {
    fields_[header::pz] = ComputeHoseHeadText(
        fields_[header::depth], fields_[header::machineHeight], ws.settings.siCoefficient);
}

bool TestHeaderDialogModel::OpenCalibration(Workspace& ws, const std::string& path,
                                            Messages& messages) {
    const std::string read = ReadCalibrationForTest(ws, path, messages);
    if (read.size() <= 1) {
        return false;
    }
    // The header keeps CP932; a path that CP932 cannot show keeps its bytes.
    fields_[header::calibrationFileName] = TryUtf8ToCp932(read).value_or(read);
    return true;
}

void TestHeaderDialogModel::Accept(Messages& messages) {
    fields_[header::depth] = ApplyDepthSign(fields_[header::depth]);
    std::string& level = fields_[header::waterLevel];
    level = ApplyDepthSign(level);
    if (IsNumber(level) && !InRange(level)) {
        messages.Show(kWaterLevelBad);
    }
}

void TestHeaderDialogModel::Store(Workspace& ws) const {
    for (int n : FieldNumbers()) {
        ws.testHeader[n] = fields_[n];
    }
    ws.testHeader[header::volumeLossFlag] = volumeLoss ? "1" : "0";
    ws.testHeader[header::fitMethod] = fitMethod != 0 ? "1" : "0";
}

}  // namespace karnea

namespace karnea {

void CloseTestHeaderWithOk(TestHeaderDialogModel& dialog, Workspace& ws, Messages& messages) {
    dialog.Accept(messages);
    dialog.Store(ws);
    RecomputeTestRows(ws, messages);
}

}  // namespace karnea
