#include "entry/analysisdialog.h"

#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr std::string_view kStepRefused = "V のきざみは 0.1 から 10000 までの数値を入力して下さい";

}  // namespace

AnalysisDialogModel::AnalysisDialogModel(const Workspace& ws) {
    const HeaderTexts& h = ws.testHeader;
    usableRows = UsableRowCount(ws);
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
            FillBoxes(ws, static_cast<Point>(p), row);
        }
    }
    displayedRows = chosenRows;
    for (int i = 0; i < 6; ++i) {
        lines[static_cast<std::size_t>(i)] = h[header::poLine + i];
    }
    hidePl = TextToInt(h[header::hidePl]) != 0;
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

void AnalysisDialogModel::FillBoxes(const Workspace& ws, Point point, int row) {
    const TestRow& r = ws.testRows[row];
    const auto i = static_cast<std::size_t>(point);
    pBox[i] = FormatDerived(DecimalsPlusOneFormat(ws.settings.pointDecimals),
                            TextToDouble(r[testField::p]));
    vBox[i] = r[StepVolumeField(ws.testHeader)];
}

void AnalysisDialogModel::ChoosePoint(Point point) {
    currentPoint = point;
    currentRow = chosenRows[static_cast<std::size_t>(point)];
    displayedRows = chosenRows;
}

void AnalysisDialogModel::MoveTo(const Workspace& ws, int row) {
    changed = true;
    currentRow = row;
    if (currentRow >= 1) {
        FillBoxes(ws, currentPoint, currentRow);
        chosenRows[static_cast<std::size_t>(currentPoint)] = currentRow;
    }
}

void AnalysisDialogModel::Up(const Workspace& ws) {
    int row = currentRow;
    if (row == 0) {
        row = displayedRows[po];
    } else if (row < usableRows) {
        ++row;
    }
    MoveTo(ws, row);
}

void AnalysisDialogModel::Down(const Workspace& ws) {
    int row = currentRow;
    if (row == 0) {
        row = displayedRows[po];
    } else if (row > 1) {
        --row;
    }
    MoveTo(ws, row);
}

void AnalysisDialogModel::Redraw() {
    displayedRows = chosenRows;
    currentRow = 0;
}

void AnalysisDialogModel::UpdateLines(const Workspace& ws) {
    displayedRows = chosenRows;
    AnalysisChoice choice;
    choice.poRow = chosenRows[po];
    choice.pfRow = chosenRows[pf];
    choice.plRow = chosenRows[pl];
    choice.poP = pBox[po];
    choice.pfP = pBox[pf];
    choice.plP = pBox[pl];
    const AnalysisResult result = ComputeModulus(ws, choice);
    FormatCalculationLines(ws, result, hidePl, signIndex, lines);
    poEffective_ = result.poEffective;
    pfEffective_ = result.pfEffective;
    pl_ = result.pl;
    meanVolume_ = result.meanVolume;
    em_ = result.em;
}

std::optional<std::string> AnalysisDialogModel::Refusal() const {
    if (!(vStep >= 0.1 && vStep <= 10000)) {
        return std::string(kStepRefused);
    }
    return std::nullopt;
}

void AnalysisDialogModel::Accept(Workspace& ws) {
    if (changed) {
        UpdateLines(ws);
    }
    HeaderTexts& h = ws.testHeader;
    h[header::poRow] = FormatText("%d", chosenRows[po]);
    h[header::pfRow] = FormatText("%d", chosenRows[pf]);
    h[header::plRow] = FormatText("%d", chosenRows[pl]);
    h[header::poEffective] = FormatDerived("%g", poEffective_);
    h[header::pfEffective] = FormatDerived("%g", pfEffective_);
    h[header::plValue] = FormatDerived("%g", pl_);
    h[header::meanVolume] = FormatDerived("%g", meanVolume_);
    h[header::spareResult] = "0";
    h[header::modulusValue] = FormatDerived(DecimalsFormat(ws.settings.emDecimals), em_);
    for (int i = 0; i < 6; ++i) {
        h[header::poLine + i] = lines[static_cast<std::size_t>(i)];
    }
    h[header::hidePl] = FormatText("%d", hidePl ? 1 : 0);
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
}

}  // namespace karnea
