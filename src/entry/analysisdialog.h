// The analysis and scale dialog without widgets: the rows chosen for Po, Pf
// and Pl and their P and V boxes, the arrow buttons, "経過式更新", the scales,
// and what OK stores in the test header.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "analysis/modulus.h"

namespace karnea {

struct Workspace;

class AnalysisDialogModel {
public:
    enum Point { po = 0, pf = 1, pl = 2 };

    // Opening: usable rows, the chosen rows (stored rows limited to the usable
    // ones, defaults for rows not chosen), their boxes, the lines, the scales.
    explicit AnalysisDialogModel(const Workspace& ws);

    int usableRows = 0;
    std::array<int, 3> chosenRows{};
    std::array<int, 3> displayedRows{};
    std::array<std::string, 3> pBox;  // only the Pl box may be typed into
    std::array<std::string, 3> vBox;
    CalculationLines lines;
    bool hidePl = false;
    int signIndex = 1;
    Point currentPoint = po;
    int currentRow = 0;
    bool changed = false;

    // Scales: V and P as numbers, dV and the grid divisions as integers.
    double vMin = 0, vMax = 0, vStep = 0;
    double pMin = 0, pMax = 0, pStep = 0;
    int dvMin = 0, dvMax = 0, dvStep = 0;
    int gridV = 0, gridP = 0;

    // The point radio buttons.
    void ChoosePoint(Point point);
    // The arrow buttons: "↑" moves to the next row, "↓" to the previous one.
    void Up(const Workspace& ws);
    void Down(const Workspace& ws);
    // "グラフ描画".
    void Redraw();
    // "経過式更新": the results and the six lines from the boxes and rows.
    void UpdateLines(const Workspace& ws);

    // The check of OK: the message when a scale would be refused.
    std::optional<std::string> Refusal() const;
    // OK: recomputes the lines when something changed, then stores the rows,
    // results, lines and scales in the test header.
    void Accept(Workspace& ws);

private:
    void FillBoxes(const Workspace& ws, Point point, int row);
    void MoveTo(const Workspace& ws, int row);

    // The results OK stores: read back from the record on opening, replaced by
    // "経過式更新".
    double poEffective_ = 0, pfEffective_ = 0, pl_ = 0, meanVolume_ = 0, em_ = 0;
};

}  // namespace karnea
