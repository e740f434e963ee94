#include "entry/analysismodel.h"

#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"

namespace karnea {
namespace {

// The scales that hold numbers and those that hold integers, in box order.
constexpr double AnalysisModel::*kNumberScales[] = {&AnalysisModel::vMin,  &AnalysisModel::vMax,
                                                    &AnalysisModel::vStep, &AnalysisModel::pMin,
                                                    &AnalysisModel::pMax,  &AnalysisModel::pStep};
constexpr int AnalysisModel::*kIntegerScales[] = {&AnalysisModel::dvMin, &AnalysisModel::dvMax,
                                                  &AnalysisModel::dvStep, &AnalysisModel::gridV,
                                                  &AnalysisModel::gridP};
constexpr int kNumberScaleCount = 6;
// The header texts that keep the scales, in box order.
constexpr int kScaleHeaders[] = {header::vAxisMin,       header::vAxisMax,      header::vAxisStep,
                                 header::pAxisMin,       header::pAxisMax,      header::pAxisStep,
                                 header::dvAxisMin,      header::dvAxisMax,     header::dvAxisStep,
                                 header::gridDivisionsV, header::gridDivisionsP};

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
    for (int s = 0; s < scaleCount; ++s) {
        SetScaleText(static_cast<Scale>(s), h[kScaleHeaders[s]]);
    }
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
    emNote = result.emComputed ? std::string() : std::string(result.emMissing);
}

std::string AnalysisModel::ScaleText(Scale scale) const {
    if (scale < kNumberScaleCount) {
        return FormatDerived("%g", this->*kNumberScales[scale]);
    }
    return FormatText("%d", this->*kIntegerScales[scale - kNumberScaleCount]);
}

void AnalysisModel::SetScaleText(Scale scale, const std::string& text) {
    if (scale < kNumberScaleCount) {
        this->*kNumberScales[scale] = TextToDouble(text);
    } else {
        this->*kIntegerScales[scale - kNumberScaleCount] = TextToInt(text);
    }
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
    Edit edit{.name = editName::analysis, .test = test_, .notice = emNote};
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
    for (int s = 0; s < scaleCount; ++s) {
        h[kScaleHeaders[s]] = ScaleText(static_cast<Scale>(s));
    }
    return edit;
}

}  // namespace karnea
