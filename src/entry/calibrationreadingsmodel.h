// The calibration readings dialog "キャリブレーション データ" without widgets:
// a readings grid of 40 rows with the columns Pm and Vm, the preview beside
// it, and what its OK leads to; and the refit that follows either
// calibration dialog, OK or not.
//
// The dialog works on a copy of the readings: the records change only with
// Accept, so a cancelled dialog leaves them exactly as they were.
#pragma once

#include <array>
#include <string>

#include "entry/edit.h"
#include "entry/readingsgrid.h"
#include "pages/dialogpreviews.h"
#include "records/choices.h"
#include "records/records.h"

namespace karnea {

struct Settings;
class Surface;

// vmCopy becomes "%g" of Vm for the leading rows whose Vm is a number, and
// is emptied from the first row whose Vm is not.
void NormalizeCalibrationRows(CalibrationRows& rows);

// The fit again, with its message when the stored method is the regression
// curve. Returns the fit's code.
int RefitCalibration(CalibrationRecord& calibration, Messages& messages);

class CalibrationReadingsModel : public ReadingsGrid {
public:
    // The settings must outlive the model.
    CalibrationReadingsModel(const CalibrationRecord& calibration, const Settings& settings,
                             Messages& messages);

    // The measuring time that the dialog carries through (not shown).
    MeasuringTime measurementTime = MeasuringTime::seconds60;

    // The read-only boxes around the preview; OK stores them as they show.
    enum AxisBox { pmMin, pmMax, vmMin, vmMax };
    std::array<std::string, 4> axisBox;

    // The readings as the dialog holds them.
    const CalibrationRows& rows() const { return rows_; }
    void DrawPreview(Surface& surface, PreviewArea area) const;

    // OK, after the grid was written back (Check): the calibration with the
    // readings, the measuring time and the scale boxes, the readings
    // normalised; the curve is then fitted again, as after Cancel.
    Edit Accept() const;
    static constexpr Follow kAfterCancel = Follow::refitCalibration;

protected:
    void WriteRecordCell(int row, int column, const std::string& text) override;
    void AfterCell(int row, int column) override;
    void AfterRow(int row) override;
    void AfterEntry(int column) override;
    void DeleteRecordRow(int row) override;
    bool PreviewFollowsColumn(int) const override { return true; }
    void CommitRecordRow(int row, const std::vector<std::string>& cells) override;
    void ClearRecordRowsFrom(int row) override;
    void CheckMoreEntries(bool showMessages, const std::string& alreadyShown) override;
    void PrepareRedraw() override;

private:
    void CopyVolume(int row);

    const CalibrationRecord original_;
    CalibrationRows rows_;
    const Settings& settings_;
    CalibrationPreviewScale scale_;
};

}  // namespace karnea
