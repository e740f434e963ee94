#include "entry/calibrationheadermodel.h"

#include "base/textfields.h"
#include "settings/settings.h"

namespace karnea {

const std::vector<int>& CalibrationHeaderModel::FieldNumbers() {
    static const std::vector<int> numbers = {
        header::surveyName, header::numberCaption, header::surveyNumber, header::engineer,
        header::dateEra,    header::dateYear,      header::dateMonth,    header::dateDay,
        header::memo,       header::tableTitle,    header::graphTitle,   header::companyName};
    return numbers;
}

CalibrationHeaderModel::CalibrationHeaderModel(const CalibrationRecord& calibration,
                                               const Settings& settings)
    : fitMethod(TextToInt(calibration.calibrationHeader[header::fitMethod])),
      header_(calibration.calibrationHeader) {
    if (field(header::tableTitle).empty()) {
        field(header::tableTitle) = settings.defaultTableTitle;
    }
    if (field(header::graphTitle).empty()) {
        field(header::graphTitle) = settings.defaultGraphTitle;
    }
}

void CalibrationHeaderModel::Accept(CalibrationRecord& calibration) const {
    for (const int n : FieldNumbers()) {
        calibration.calibrationHeader[n] = field(n);
    }
    calibration.calibrationHeader[header::fitMethod] = fitMethod >= 1 ? "1" : "0";
}

}  // namespace karnea
