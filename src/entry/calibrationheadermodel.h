// The calibration header dialog "キャリブレーション 見出し" without widgets:
// the texts it shows (default titles for empty ones), the display method,
// and what its OK stores. The refit that follows it, OK or not, is
// RefitCalibration.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "entry/edit.h"
#include "entry/entrytexts.h"
#include "records/records.h"

namespace karnea {

struct Settings;

class CalibrationHeaderModel {
public:
    CalibrationHeaderModel(const CalibrationRecord& calibration, const Settings& settings);

    // The text of a header field as the dialog shows it (by header number).
    std::string& field(int number) { return header_[number]; }
    const std::string& field(int number) const { return header_[number]; }
    // 0 "直線近似", 1 "回帰曲線　".
    int fitMethod = 0;

    // The check of OK: a date typed must be real; any other text is taken.
    std::optional<Refusal> Check() const { return RefuseDate(header_); }
    // OK: the calibration with every field as shown (so a default title
    // becomes the record's) and the method "1" or "0"; the curve is then
    // fitted again, as after Cancel.
    Edit Accept() const;
    static constexpr Follow kAfterCancel = Follow::refitCalibration;

    // The header numbers of the fields the dialog shows.
    static const std::vector<int>& FieldNumbers();

private:
    const CalibrationRecord calibration_;
    HeaderTexts header_;
};

}  // namespace karnea
