// The test readings dialog "カルネア データ" without widgets: a readings grid
// of 120 rows and the columns Pm, V15”, V30”, V60” and V120”, the options it
// carries (the 120” column in the data sheet, the measuring time, Pm
// auto-increment), the preview beside it and what its OK leads to.
//
// The dialog works on a copy of the test: the records change only with
// Accept, so a cancelled dialog leaves them exactly as they were.
#pragma once

#include <array>
#include <string>

#include "entry/edit.h"
#include "entry/readingsgrid.h"
#include "pages/dialogpreviews.h"
#include "records/records.h"

namespace karnea {

struct Settings;
class Surface;

class TestReadingsModel : public ReadingsGrid {
public:
    // `autoIncrement` is the check box as the last OK left it. The settings
    // must outlive the model.
    TestReadingsModel(const TestRecord& test, const Settings& settings, bool autoIncrement,
                      Messages& messages);

    // "データ表に120\"を表示".
    bool show120 = false;
    // 0: 60”, the editor moves through Pm .. V60”; 1: 120”, through V120”.
    int measurementTime() const { return measurementTime_; }
    void SetMeasurementTime(int time);
    // The V120” entry field is open in 120” mode only.
    bool entryEnabled(int column) const { return column != 5 || measurementTime_ == 1; }

    // The read-only boxes around the preview, from the analysis settings.
    enum AxisBox { pMin, pMax, vMin, vMax, dvMin, dvMax };
    std::array<std::string, 6> axisBox;

    // The test as the dialog holds it.
    const TestRecord& test() const { return test_; }
    void DrawPreview(Surface& surface, PreviewArea area) const;

    // OK, after the grid was written back (Check): the test with the rows
    // and the two options, every row then reduced again.
    Edit Accept() const;

protected:
    void WriteRecordCell(int row, int column, const std::string& text) override;
    void AfterCell(int row, int column) override;
    void AfterRow(int row) override;
    void AfterEntry(int column) override;
    void DeleteRecordRow(int row) override;
    bool PreviewFollowsColumn(int column) const override;
    void CommitRecordRow(int row, const std::vector<std::string>& cells) override;
    void ClearRecordRowsFrom(int row) override;
    void PrepareRedraw() override;

private:
    void Reduce(int row);

    const TestRecord original_;
    TestRecord test_;
    const Settings& settings_;
    int measurementTime_ = 0;
    TestPreviewScale scale_;
};

}  // namespace karnea
