#include "entry/calibrationheadermodel.h"

#include "base/textfields.h"
#include "records/choices.h"
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
    : fitMethod(static_cast<int>(FitMethodOf(calibration.calibrationHeader))),
      calibration_(calibration),
      header_(calibration.calibrationHeader) {
    if (field(header::tableTitle).empty()) {
        field(header::tableTitle) = settings.defaultTableTitle;
    }
    if (field(header::graphTitle).empty()) {
        field(header::graphTitle) = settings.defaultGraphTitle;
    }
}

Edit CalibrationHeaderModel::Accept() const {
    Edit edit{
        .name = editName::header, .calibration = calibration_, .follow = Follow::refitCalibration};
    HeaderTexts& h = edit.calibration->calibrationHeader;
    for (const int n : FieldNumbers()) {
        h[n] = field(n);
    }
    h[header::fitMethod] = ChoiceText(fitMethod >= 1);
    return edit;
}

}  // namespace karnea
