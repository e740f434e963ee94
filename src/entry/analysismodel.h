// The analysis and scale dialog without widgets: the rows chosen for Po, Pf
// and Pl and their P and V boxes, the arrow buttons, "経過式更新", the scales,
// and what OK stores in the test header.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "analysis/modulus.h"
#include "entry/edit.h"
#include "entry/entrytexts.h"
#include "pages/dialogpreviews.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class Messages;
class Surface;

class AnalysisModel {
public:
    enum Point { po = 0, pf = 1, pl = 2 };

    // Opening: usable rows, the chosen rows (stored rows limited to the usable
    // ones, defaults for rows not chosen), their boxes, the lines, the scales.
    // The model keeps a copy of the record; the settings must outlive it.
    AnalysisModel(const TestRecord& test, const Settings& settings);

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
    // Why the last "経過式更新" found no modulus Em (UTF-8), or empty. OK
    // says it too, as the edit's notice.
    std::string emNote;

    // Scales: V and P as numbers, dV and the grid divisions as integers.
    double vMin = 0, vMax = 0, vStep = 0;
    double pMin = 0, pMax = 0, pStep = 0;
    int dvMin = 0, dvMax = 0, dvStep = 0;
    int gridV = 0, gridP = 0;

    // The scale boxes, in this order, as texts: what a box shows ("%g" of a
    // number, "%d" of an integer), and a box's text as typed taken into its
    // scale (a text that is no number reads as 0).
    enum Scale {
        vMinBox,
        vMaxBox,
        vStepBox,
        pMinBox,
        pMaxBox,
        pStepBox,
        dvMinBox,
        dvMaxBox,
        dvStepBox,
        gridVBox,
        gridPBox,
        scaleCount
    };
    std::string ScaleText(Scale scale) const;
    void SetScaleText(Scale scale, const std::string& text);

    // The point radio buttons: the point becomes current at its chosen row,
    // and the other two points are displayed at their chosen rows.
    void ChoosePoint(Point point);
    // The arrow buttons: "↑" moves to the next row, "↓" to the previous one.
    void Up();
    void Down();
    // "グラフ描画".
    void Redraw();
    // "経過式更新": the results and the six lines from the boxes and rows.
    void UpdateLines();

    // The preview: counts the redraws asked for (the first pointer move over
    // the dialog, the point buttons, the arrows, "グラフ描画", leaving a V
    // scale box ask for one).
    unsigned previewRevision = 0;
    void RequestPreview() { ++previewRevision; }
    // Before a redraw: scales that cannot be drawn are reset (V 0..600, P
    // 0..1200), dV min is 0 and a dV max below 0.1 is drawn as 120. Returns
    // "目盛りが異常です" after a reset, for the dialog to say once the boxes
    // show the values reset.
    std::optional<std::string> PreparePreview();
    void DrawPreview(Surface& surface, PreviewArea area) const;

    // Cancel: asks after changes when there are usable rows; true to close.
    bool Cancel(Messages& messages) const;

    // The check of OK: a scale that would be refused ("vStep").
    std::optional<Refusal> Check() const;
    // OK: recomputes the lines when something changed; the test with the
    // rows, results, lines and scales in its header.
    Edit Accept();

private:
    void FillBoxes(Point point, int row);
    void MoveTo(int row);

    const TestRecord test_;
    const Settings& settings_;
    double dvMaxDrawn_ = 0;
    // The results OK stores: read back from the record on opening, replaced by
    // "経過式更新".
    double poEffective_ = 0, pfEffective_ = 0, pl_ = 0, meanVolume_ = 0, em_ = 0;
};

}  // namespace karnea
