#include "entry/calibrationreadingsmodel.h"

#include "analysis/calibration.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"
#include "settings/settings.h"

namespace karnea {
namespace {

constexpr int kColumns = 2;
constexpr int kHeaderOf[4] = {header::pmAxisMin, header::pmAxisMax, header::vmAxisMin,
                              header::vmAxisMax};

}  // namespace

void NormalizeCalibrationRows(CalibrationRows& rows) {
    bool ended = false;
    for (CalibrationRow& row : rows) {
        ended = ended || !IsNumber(row[calibrationField::vm]);
        row[calibrationField::vmCopy] =
            ended ? std::string() : FormatDerived("%g", TextToDouble(row[calibrationField::vm]));
    }
}

int RefitCalibration(CalibrationRecord& calibration, Messages& messages) {
    const bool showMessage = FitMethodOf(calibration.calibrationHeader) == FitMethod::regression;
    return FitCalibrationPolynomial(calibration, showMessage, messages);
}

CalibrationReadingsModel::CalibrationReadingsModel(const CalibrationRecord& calibration,
                                                   const Settings& settings, Messages& messages)
    : ReadingsGrid(kCalibrationRowCount, {{"Pm セル圧", 80}, {"Vm", 80}}, kColumns,
                   settings.enterKeyMode, messages),
      measurementTime(MeasuringTimeOf(calibration.calibrationHeader)),
      original_(calibration),
      rows_(calibration.calibrationRows),
      settings_(settings) {
    for (int i = 0; i < 4; ++i) {
        axisBox[static_cast<std::size_t>(i)] = calibration.calibrationHeader[kHeaderOf[i]];
    }
    FillList(TableOf(rows_, kColumns));
}

void CalibrationReadingsModel::CopyVolume(int row) {
    if (row >= 1 && row <= kCalibrationRowCount) {
        rows_[row][calibrationField::vmCopy] = rows_[row][calibrationField::vm];
    }
}

void CalibrationReadingsModel::WriteRecordCell(int row, int column, const std::string& text) {
    rows_[row][column] = text;
}

void CalibrationReadingsModel::AfterCell(int row, int column) {
    if (column == calibrationField::vm) {
        CopyVolume(row);
    }
}

void CalibrationReadingsModel::AfterRow(int row) {
    CopyVolume(row);
}

void CalibrationReadingsModel::AfterEntry(int column) {
    if (column == calibrationField::vm) {
        CopyVolume(currentRow());
        RedrawPreview();
    }
}

void CalibrationReadingsModel::DeleteRecordRow(int row) {
    RemoveRow(rows_, row);
}

void CalibrationReadingsModel::CommitRecordRow(int row, const std::vector<std::string>& cells) {
    rows_[row][calibrationField::pm] = cells[0];
    rows_[row][calibrationField::vm] = cells[1];
    rows_[row][calibrationField::vmCopy] = cells[1];
}

void CalibrationReadingsModel::ClearRecordRowsFrom(int row) {
    for (int r = row; r <= kCalibrationRowCount; ++r) {
        rows_[r].fill({});
    }
}

void CalibrationReadingsModel::CheckMoreEntries(bool showMessages,
                                                const std::string& alreadyShown) {
    // A missing volume is pointed out; the pressure alone decides.
    if (showMessages && !IsNumber(buffer()[1]) && alreadyShown != msg::entriesMissing) {
        messages_.Show(msg::entriesMissing);
    }
}

void CalibrationReadingsModel::PrepareRedraw() {
    CalibrationPreviewScale s{TextToDouble(axisBox[pmMin]), TextToDouble(axisBox[pmMax]),
                              TextToDouble(axisBox[vmMin]), TextToDouble(axisBox[vmMax])};
    bool corrected = false;
    if (s.pmMin <= -100) {
        s.pmMin = 0;
        corrected = true;
    }
    if (s.pmMax - s.pmMin < 0.1) {
        s.pmMax = s.pmMin + 300;
        corrected = true;
    }
    if (s.vmMax - s.vmMin < 0.1) {
        s.vmMin = 0;
        s.vmMax = 800;
        axisBox[vmMin] = "0";
        axisBox[vmMax] = "800";
        corrected = true;
    }
    scale_ = s;
    if (corrected) {
        messages_.Show(msg::scaleBad);
    }
}

void CalibrationReadingsModel::DrawPreview(Surface& surface, PreviewArea area) const {
    DrawCalibrationPreview(surface, area, rows_, scale_, previewRow(),
                           settings_.font(FontRole::graph).face);
}

Edit CalibrationReadingsModel::Accept() const {
    Edit edit{
        .name = editName::readings, .calibration = original_, .follow = Follow::refitCalibration};
    CalibrationRecord& c = *edit.calibration;
    c.calibrationRows = rows_;
    c.calibrationHeader[header::measurementTime] = ChoiceText(measurementTime);
    for (int i = 0; i < 4; ++i) {
        c.calibrationHeader[kHeaderOf[i]] = axisBox[static_cast<std::size_t>(i)];
    }
    NormalizeCalibrationRows(c.calibrationRows);
    return edit;
}

}  // namespace karnea
