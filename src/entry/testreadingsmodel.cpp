#include "entry/testreadingsmodel.h"

#include "analysis/reduction.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"
#include "settings/settings.h"

namespace karnea {
namespace {

constexpr int kColumns = 5;
constexpr int kHeaderOf[6] = {header::pAxisMin, header::pAxisMax,  header::vAxisMin,
                              header::vAxisMax, header::dvAxisMin, header::dvAxisMax};

std::vector<GridColumn> Columns() {
    return {{"セル圧Pm", 78}, {"V15”", 58}, {"V30”", 58}, {"V60”", 58}, {"V120”", 58}};
}

bool ReducedByColumn(int column) {
    return column == testField::pm || column == testField::vol60 || column == testField::vol120;
}

}  // namespace

TestReadingsModel::TestReadingsModel(const TestRecord& test, const Settings& settings,
                                     bool autoIncrementChecked, Messages& messages)
    : ReadingsGrid(kTestRowCount, Columns(), 4, settings.enterKeyMode, messages),
      original_(test),
      test_(test),
      settings_(settings) {
    autoIncrement = autoIncrementChecked;
    show120 = Shows120Column(test.testHeader);
    SetMeasurementTime(MeasuringTimeOf(test.testHeader) == MeasuringTime::seconds120 ? 1 : 0);
    for (int i = 0; i < 6; ++i) {
        axisBox[static_cast<std::size_t>(i)] = test.testHeader[kHeaderOf[i]];
    }
    FillList(TableOf(test.testRows, kColumns));
}

void TestReadingsModel::SetMeasurementTime(int time) {
    measurementTime_ = time == 1 ? 1 : 0;
    // The preview's step volume follows the choice at once.
    test_.testHeader[header::measurementTime] = ChoiceText(measurementTime_ == 1);
    SetEnterableColumns(measurementTime_ == 1 ? 5 : 4);
}

void TestReadingsModel::Reduce(int row) {
    if (row >= 1 && row <= kTestRowCount) {
        ReduceReadingRow(test_, row, TextToDouble(test_.testHeader[header::pz]));
    }
}

void TestReadingsModel::WriteRecordCell(int row, int column, const std::string& text) {
    test_.testRows[row][column] = text;
}

void TestReadingsModel::AfterCell(int row, int column) {
    if (ReducedByColumn(column)) {
        Reduce(row);
    }
}

void TestReadingsModel::AfterRow(int row) {
    Reduce(row);
}

void TestReadingsModel::AfterEntry(int column) {
    if (column == testField::vol60 || (column == testField::vol120 && measurementTime_ == 1)) {
        Reduce(currentRow());
        RedrawPreview();
    }
}

void TestReadingsModel::DeleteRecordRow(int row) {
    RemoveRow(test_.testRows, row);
}

bool TestReadingsModel::PreviewFollowsColumn(int column) const {
    return ReducedByColumn(column);
}

void TestReadingsModel::CommitRecordRow(int row, const std::vector<std::string>& cells) {
    TestRow& r = test_.testRows[row];
    for (int field = testField::pm; field <= testField::vol120; ++field) {
        r[field] = cells[static_cast<std::size_t>(field - 1)];
    }
    // Pm+Pz stays; the page view reduces every row after OK.
    for (int field = testField::pi; field <= testField::spare; ++field) {
        r[field].clear();
    }
}

void TestReadingsModel::ClearRecordRowsFrom(int row) {
    for (int r = row; r <= kTestRowCount; ++r) {
        test_.testRows[r].fill({});
    }
}

void TestReadingsModel::PrepareRedraw() {
    TestPreviewScale s{TextToDouble(axisBox[pMin]),  TextToDouble(axisBox[pMax]),
                       TextToDouble(axisBox[vMin]),  TextToDouble(axisBox[vMax]),
                       TextToDouble(axisBox[dvMin]), TextToDouble(axisBox[dvMax])};
    bool corrected = false;
    if (s.pMin < -100) {
        s.pMin = 0;
        corrected = true;
    }
    if (s.pMax - s.pMin < 0.1) {
        s.pMax = s.pMin + 1200;
        axisBox[pMax] = FormatText("%g", s.pMax);
        corrected = true;
    }
    if (s.vMax - s.vMin < 0.1) {
        s.vMin = 0;
        s.vMax = 600;
        axisBox[vMin] = "0";
        axisBox[vMax] = "600";
        corrected = true;
    }
    scale_ = s;
    if (corrected) {
        messages_.Show(msg::scaleBad);
    }
}

void TestReadingsModel::DrawPreview(Surface& surface, PreviewArea area) const {
    DrawTestPreview(surface, area, test_, scale_, previewRow(), settings_.pressureDecimals,
                    settings_.font(FontRole::graph).face);
}

Edit TestReadingsModel::Accept() const {
    Edit edit{.name = editName::readings, .test = original_, .follow = Follow::reduceTest};
    TestRecord& test = *edit.test;
    test.testRows = test_.testRows;
    test.testHeader[header::show120InTable] = ChoiceText(show120);
    test.testHeader[header::measurementTime] = ChoiceText(measurementTime_ == 1);
    return edit;
}

}  // namespace karnea
