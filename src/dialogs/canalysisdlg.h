// "解析 / 目盛り　計算経過式": the analysis and scale dialog on the screen.
#pragma once

#include <array>

#include "dialogs/ceditdlg.h"
#include "entry/analysismodel.h"

class QAbstractButton;
class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace karnea {

class Messages;
class CPreviewArea;

class CAnalysisDlg : public CEditDlg {
    Q_OBJECT

public:
    // The model and the messages must outlive the dialog.
    CAnalysisDlg(AnalysisModel& model, Messages& messages, QWidget* parent);

    // OK: refused (with the reason) while a scale would be refused.
    // Cancel and the close box: asks after changes.
    void reject() override;

protected:
    void BeforeOk() override;

private:
    // The parts of the dialog: the chosen points with the arrows, the
    // calculation lines with their update and sign, the scale boxes, and
    // the buttons under the preview.
    QGroupBox* PointsBox();
    QBoxLayout* CalculationLines();
    QBoxLayout* ScaleBoxes();
    QBoxLayout* Buttons();
    // A button that runs one of the model's actions and shows the result.
    void ConnectAction(QAbstractButton* button, void (AnalysisModel::*action)());
    // Shows the model's boxes, and redraws the preview when it asked.
    void Sync();
    // The scale boxes into the model.
    void ReadScales();

    AnalysisModel& model_;
    Messages& messages_;
    std::array<QRadioButton*, 3> points_{};
    std::array<QLineEdit*, 3> pBoxes_{};
    std::array<QLineEdit*, 3> vBoxes_{};
    std::array<QLineEdit*, 6> lines_{};
    // V min, V max, V step, P min, P max, P step, dV min, dV max, dV step,
    // grid V, grid P.
    std::array<QLineEdit*, AnalysisModel::scaleCount> scales_{};
    QCheckBox* hidePl_ = nullptr;
    // Why no Em was computed, under the lines.
    QLabel* emNote_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* draw_ = nullptr;
    CPreviewArea* preview_ = nullptr;
    unsigned previewRevision_ = 0;
    bool saying_ = false;
};

}  // namespace karnea
