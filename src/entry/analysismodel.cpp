#include "entry/analysismodel.h"

#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"

namespace karnea {
namespace {

// The V step the dialog's range check accepts.
constexpr double kSmallestVStep = 0.1;
constexpr double kLargestVStep = 10000;

}  // namespace

AnalysisModel::AnalysisModel(const TestRecord& test, const Settings& settings)
    : test_(test), settings_(settings) {
    const HeaderTexts& h = test.testHeader;
    usableRows = UsableRowCount(test);
    const int n = usableRows;
    for (int p = po; p <= pl; ++p) {
        chosenRows[static_cast<std::size_t>(p)] = std::min(TextToInt(h[header::poRow + p]), n);
    }
    if (n > 0) {
        if (chosenRows[po] <= 0) {
            chosenRows[po] = 1;
        }
        if (chosenRows[pf] <= 0) {
            chosenRows[pf] = n / 2 > 0 ? n / 2 : 1;
        }
        if (chosenRows[pl] <= 0) {
            chosenRows[pl] = n;
        }
    }
    for (int p = po; p <= pl; ++p) {
        const int row = chosenRows[static_cast<std::size_t>(p)];
        if (row > 0) {
            FillBoxes(static_cast<Point>(p), row);
        }
    }
    displayedRows = chosenRows;
    for (int i = 0; i < 6; ++i) {
        lines[static_cast<std::size_t>(i)] = h[header::poLine + i];
    }
    hidePl = !PlShown(h);
    vMin = TextToDouble(h[header::vAxisMin]);
    vMax = TextToDouble(h[header::vAxisMax]);
    vStep = TextToDouble(h[header::vAxisStep]);
    pMin = TextToDouble(h[header::pAxisMin]);
    pMax = TextToDouble(h[header::pAxisMax]);
    pStep = TextToDouble(h[header::pAxisStep]);
    dvMin = TextToInt(h[header::dvAxisMin]);
    dvMax = TextToInt(h[header::dvAxisMax]);
    dvStep = TextToInt(h[header::dvAxisStep]);
    gridV = TextToInt(h[header::gridDivisionsV]);
    gridP = TextToInt(h[header::gridDivisionsP]);
    poEffective_ = TextToDouble(h[header::poEffective]);
    pfEffective_ = TextToDouble(h[header::pfEffective]);
    pl_ = TextToDouble(h[header::plValue]);
    meanVolume_ = TextToDouble(h[header::meanVolume]);
    em_ = TextToDouble(h[header::modulusValue]);
}

void AnalysisModel::FillBoxes(Point point, int row) {
    const TestRow& r = test_.testRows[row];
    const auto i = static_cast<std::size_t>(point);
    pBox[i] = FormatDerived(DecimalsPlusOneFormat(settings_.pointDecimals),
                            TextToDouble(r[testField::p]));
    vBox[i] = r[StepVolumeField(test_.testHeader)];
}

void AnalysisModel::ChoosePoint(Point point) {
    RequestPreview();
    currentPoint = point;
    currentRow = chosenRows[static_cast<std::size_t>(point)];
    for (int p = po; p <= pl; ++p) {
        if (p != point) {
            displayedRows[static_cast<std::size_t>(p)] = chosenRows[static_cast<std::size_t>(p)];
        }
    }
}

void AnalysisModel::MoveTo(int row) {
    changed = true;
    currentRow = row;
    if (currentRow >= 1) {
        RequestPreview();
        FillBoxes(currentPoint, currentRow);
        chosenRows[static_cast<std::size_t>(currentPoint)] = currentRow;
    }
}

void AnalysisModel::Up() {
    int row = currentRow;
    if (row == 0) {
        row = displayedRows[po];
    } else if (row < usableRows) {
        ++row;
    }
    MoveTo(row);
}

void AnalysisModel::Down() {
    int row = currentRow;
    if (row == 0) {
        row = displayedRows[po];
    } else if (row > 1) {
        --row;
    }
    MoveTo(row);
}

void AnalysisModel::Redraw() {
    displayedRows = chosenRows;
    currentRow = 0;
    RequestPreview();
}

std::optional<std::string> AnalysisModel::PreparePreview() {
    bool vReset = false;
    if (vMax - vMin < 0.1) {
        vMin = 0;
        vMax = 600;
        vReset = true;
    }
    dvMin = 0;
    dvMaxDrawn_ = dvMax < 0.1 ? 120 : dvMax;
    bool pReset = false;
    if (pMax - pMin < 0.1) {
        pMin = 0;
        pMax = 1200;
        pReset = true;
    }
    if (pReset || vReset) {
        return std::string(msg::scaleBad);
    }
    return std::nullopt;
}

void AnalysisModel::DrawPreview(Surface& surface, PreviewArea area) const {
    AnalysisPreviewState state;
    state.pMin = pMin;
    state.pMax = pMax;
    state.vMin = vMin;
    state.vMax = vMax;
    state.dvMax = dvMaxDrawn_;
    state.displayedRows = displayedRows;
    state.currentRow = currentRow;
    state.currentPoint = currentPoint;
    DrawAnalysisPreview(surface, area, test_, usableRows, state, settings_.dvDecimals,
                        settings_.font(FontRole::graph).face);
}

bool AnalysisModel::Cancel(Messages& messages) const {
    return !(changed && usableRows > 0) || messages.AskYesNo(msg::cancelAfterChanges);
}

void AnalysisModel::UpdateLines() {
    displayedRows = chosenRows;
    AnalysisChoice choice;
    choice.poRow = chosenRows[po];
    choice.pfRow = chosenRows[pf];
    choice.plRow = chosenRows[pl];
    choice.poP = pBox[po];
    choice.pfP = pBox[pf];
    choice.plP = pBox[pl];
    const AnalysisResult result = ComputeModulus(test_, settings_, choice);
    FormatCalculationLines(settings_, result, hidePl, signIndex, lines);
    poEffective_ = result.poEffective;
    pfEffective_ = result.pfEffective;
    pl_ = result.pl;
    meanVolume_ = result.meanVolume;
    em_ = result.em;
}

std::optional<Refusal> AnalysisModel::Check() const {
    if (!(vStep >= kSmallestVStep && vStep <= kLargestVStep)) {
        return Refusal{std::string(msg::vStepRefused), "vStep"};
    }
    return std::nullopt;
}

Edit AnalysisModel::Accept() {
    if (changed) {
        UpdateLines();
    }
    Edit edit{.name = editName::analysis, .test = test_};
    HeaderTexts& h = edit.test->testHeader;
    h[header::poRow] = FormatText("%d", chosenRows[po]);
    h[header::pfRow] = FormatText("%d", chosenRows[pf]);
    h[header::plRow] = FormatText("%d", chosenRows[pl]);
    h[header::poEffective] = FormatDerived("%g", poEffective_);
    h[header::pfEffective] = FormatDerived("%g", pfEffective_);
    h[header::plValue] = FormatDerived("%g", pl_);
    h[header::meanVolume] = FormatDerived("%g", meanVolume_);
    h[header::spareResult] = "0";
    h[header::modulusValue] = FormatDerived(DecimalsFormat(settings_.emDecimals), em_);
    for (int i = 0; i < 6; ++i) {
        h[header::poLine + i] = lines[static_cast<std::size_t>(i)];
    }
    h[header::hidePl] = ChoiceText(hidePl);
    h[header::vAxisMin] = FormatDerived("%g", vMin);
    h[header::vAxisMax] = FormatDerived("%g", vMax);
    h[header::vAxisStep] = FormatDerived("%g", vStep);
    h[header::pAxisMin] = FormatDerived("%g", pMin);
    h[header::pAxisMax] = FormatDerived("%g", pMax);
    h[header::pAxisStep] = FormatDerived("%g", pStep);
    h[header::dvAxisMin] = FormatText("%d", dvMin);
    h[header::dvAxisMax] = FormatText("%d", dvMax);
    h[header::dvAxisStep] = FormatText("%d", dvStep);
    h[header::gridDivisionsV] = FormatText("%d", gridV);
    h[header::gridDivisionsP] = FormatText("%d", gridP);
    return edit;
}

}  // namespace karnea
