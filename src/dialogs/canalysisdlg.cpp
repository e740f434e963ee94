#include "dialogs/canalysisdlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/textfields.h"
#include "dialogs/creadingsdlg.h"
#include "dialogs/dialogsupport.h"
#include "entry/analysismodel.h"

namespace karnea {
namespace {

QString Colour(long bgr) {
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

}  // namespace

CAnalysisDlg::CAnalysisDlg(AnalysisModel& model, Messages& messages, QWidget* parent)
    : CEditDlg(parent), model_(model), messages_(messages) {
    SetOk([this] { return model_.Check(); }, messages);
    setWindowTitle(QStringLiteral("解析 / 目盛り　計算経過式"));
    setObjectName(QStringLiteral("analysis"));

    auto* left = new QVBoxLayout;
    left->addWidget(PointsBox());
    left->addLayout(CalculationLines());
    left->addStretch(1);
    preview_ = new CPreviewArea(
        [this](Surface& surface, PreviewArea area) { model_.DrawPreview(surface, area); }, this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setMinimumSize(360, 280);
    auto* right = new QVBoxLayout;
    right->addWidget(preview_, 1);
    right->addLayout(ScaleBoxes());
    right->addLayout(Buttons());
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);
    // The scales as they stand on the screen, then the buttons.
    using S = AnalysisModel;
    SetTabOrder({hidePl_, scales_[S::vMaxBox], scales_[S::vStepBox], scales_[S::vMinBox],
                 scales_[S::dvMaxBox], scales_[S::dvStepBox], scales_[S::dvMinBox],
                 scales_[S::pMinBox], scales_[S::pMaxBox], scales_[S::pStepBox],
                 scales_[S::gridVBox], scales_[S::gridPBox], draw_, ok_, cancel_});

    OnFirstPointerMove(*this, [this] {
        model_.RequestPreview();
        Sync();
    });
    Sync();
}

void CAnalysisDlg::ConnectAction(QAbstractButton* button, void (AnalysisModel::*action)()) {
    connect(button, &QAbstractButton::clicked, this, [this, action] {
        (model_.*action)();
        Sync();
    });
}

QGroupBox* CAnalysisDlg::PointsBox() {
    auto* box = new QGroupBox(QStringLiteral("指定点"), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("P"), box), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("V"), box), 0, 2, Qt::AlignCenter);
    auto* group = new QButtonGroup(this);
    const char* captions[] = {"Po ", "Pf' ", "Pl"};
    const char* names[] = {"po", "pf", "pl"};
    for (int p = 0; p < 3; ++p) {
        const auto i = static_cast<std::size_t>(p);
        points_[i] = new QRadioButton(QString::fromUtf8(captions[p]), box);
        points_[i]->setObjectName(QString::fromLatin1(names[p]));
        group->addButton(points_[i], p);
        const QString point = QString::fromUtf8(captions[p]).trimmed();
        const std::string name = names[p];
        // Only the P of Pl may be typed.
        if (p == AnalysisModel::pl) {
            pBoxes_[i] = HeaderBox(box, (name + "P").c_str(), Input::number);
            NameFor(pBoxes_[i], point + QStringLiteral(" P"));
        } else {
            pBoxes_[i] = ReadOnlyBox(box, (name + "P").c_str(), point + QStringLiteral(" P"));
        }
        vBoxes_[i] = ReadOnlyBox(box, (name + "V").c_str(), point + QStringLiteral(" V"));
        auto* marker = new QLabel(QStringLiteral("■"), box);
        marker->setStyleSheet(QStringLiteral("color: %1").arg(Colour(kPointColours[i])));
        grid->addWidget(points_[i], p + 1, 0);
        grid->addWidget(pBoxes_[i], p + 1, 1);
        grid->addWidget(vBoxes_[i], p + 1, 2);
        grid->addWidget(marker, p + 1, 3);
    }
    points_[0]->setChecked(true);
    connect(pBoxes_[AnalysisModel::pl], &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.pBox[AnalysisModel::pl] = ToCp932(text); });
    connect(group, &QButtonGroup::idClicked, this, [this](int p) {
        model_.ChoosePoint(static_cast<AnalysisModel::Point>(p));
        Sync();
    });
    QPushButton* up = NamedButton(QStringLiteral("↑"), "up", box);
    QPushButton* down = NamedButton(QStringLiteral("↓"), "down", box);
    grid->addWidget(up, 4, 1);
    grid->addWidget(down, 4, 2);
    ConnectAction(up, &AnalysisModel::Up);
    ConnectAction(down, &AnalysisModel::Down);
    return box;
}

QBoxLayout* CAnalysisDlg::CalculationLines() {
    QPushButton* update = NamedButton(QStringLiteral("経過式更新"), "updateLines", this);
    ConnectAction(update, &AnalysisModel::UpdateLines);
    auto* signBox = new QGroupBox(QStringLiteral("かけ算記号"), this);
    auto* signLine = new QHBoxLayout(signBox);
    auto* signGroup = new QButtonGroup(this);
    const char* signs[] = {"・ ", "x ", "* "};
    for (int s = 1; s <= 3; ++s) {
        auto* button = new QRadioButton(QString::fromUtf8(signs[s - 1]), signBox);
        button->setObjectName(QStringLiteral("sign%1").arg(s));
        button->setChecked(s == model_.signIndex);
        signGroup->addButton(button, s);
        signLine->addWidget(button);
    }
    connect(signGroup, &QButtonGroup::idClicked, this, [this](int s) { model_.signIndex = s; });

    auto* grid = new QGridLayout;
    const char* labels[] = {"Po ", "Pf", "Pl ", "dPV", "Em", ""};
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        lines_[k] = HeaderBox(this, ("line" + std::to_string(i + 1)).c_str());
        lines_[k]->setMinimumWidth(400);
        grid->addWidget(LabelFor(QString::fromUtf8(labels[i]), lines_[k], this), i, 0);
        NameFor(lines_[k], QStringLiteral("計算経過式 %1").arg(i + 1));
        grid->addWidget(lines_[k], i, 1);
        connect(lines_[k], &QLineEdit::textEdited, this,
                [this, k](const QString& text) { model_.lines[k] = ToCp932(text); });
    }
    hidePl_ = new QCheckBox(QStringLiteral("表示しない"), this);
    hidePl_->setObjectName(QStringLiteral("hidePl"));
    hidePl_->setChecked(model_.hidePl);
    connect(hidePl_, &QCheckBox::toggled, this, [this](bool on) { model_.hidePl = on; });
    grid->addWidget(hidePl_, 2, 2);
    emNote_ = new QLabel(this);
    emNote_->setObjectName(QStringLiteral("emNote"));
    emNote_->setStyleSheet(QStringLiteral("color: #b00000"));
    grid->addWidget(emNote_, 6, 1);

    auto* column = new QVBoxLayout;
    auto* calc = new QHBoxLayout;
    calc->addWidget(update);
    calc->addWidget(signBox);
    column->addLayout(calc);
    column->addLayout(grid);
    return column;
}

QBoxLayout* CAnalysisDlg::ScaleBoxes() {
    using S = AnalysisModel;
    const char* names[] = {"vMin",  "vMax",  "vStep",  "pMin",  "pMax", "pStep",
                           "dvMin", "dvMax", "dvStep", "gridV", "gridP"};
    for (std::size_t i = 0; i < scales_.size(); ++i) {
        scales_[i] = HeaderBox(this, names[i], Input::number);
        scales_[i]->setMaximumWidth(72);
        connect(scales_[i], &QLineEdit::editingFinished, this, [this] { ReadScales(); });
    }
    // Leaving a V box redraws the preview.
    for (const S::Scale s : {S::vMinBox, S::vMaxBox}) {
        OnFocusLost(scales_[s], [this] {
            if (saying_) {
                return;
            }
            ReadScales();
            model_.RequestPreview();
            Sync();
        });
    }
    auto* grid = new QGridLayout;
    const auto axis = [&](int row, const char* name, const char* unit, S::Scale top, S::Scale step,
                          S::Scale bottom) {
        const QString axisName = QString::fromUtf8(name);
        grid->addWidget(LabelFor(axisName, scales_[top], this), row, 0);
        grid->addWidget(scales_[top], row, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(unit), this), row, 2);
        grid->addWidget(LabelFor(QStringLiteral("きざみ　"), scales_[step], this), row, 3);
        grid->addWidget(scales_[step], row, 4);
        grid->addWidget(scales_[bottom], row + 1, 1);
        NameFor(scales_[top], axisName + QStringLiteral(" 最大"));
        NameFor(scales_[step], axisName + QStringLiteral(" きざみ"));
        NameFor(scales_[bottom], axisName + QStringLiteral(" 最小"));
    };
    axis(0, "V", "ml", S::vMaxBox, S::vStepBox, S::vMinBox);
    axis(2, "ΔV", "ml", S::dvMaxBox, S::dvStepBox, S::dvMinBox);
    grid->addWidget(LabelFor(QStringLiteral("P"), scales_[S::pMinBox], this), 4, 0);
    grid->addWidget(scales_[S::pMinBox], 4, 1);
    grid->addWidget(scales_[S::pMaxBox], 4, 4);
    grid->addWidget(new QLabel(QStringLiteral("kN/㎡ "), this), 4, 5);
    grid->addWidget(LabelFor(QStringLiteral("きざみ　"), scales_[S::pStepBox], this), 5, 3);
    grid->addWidget(scales_[S::pStepBox], 5, 4);
    NameFor(scales_[S::pMinBox], QStringLiteral("P 最小"));
    NameFor(scales_[S::pMaxBox], QStringLiteral("P 最大"));
    NameFor(scales_[S::pStepBox], QStringLiteral("P きざみ"));

    auto* gridBox = new QGroupBox(QStringLiteral("グリッド等分　"), this);
    auto* gridLine = new QHBoxLayout(gridBox);
    gridLine->addWidget(LabelFor(QStringLiteral("Y軸 V "), scales_[S::gridVBox], gridBox));
    gridLine->addWidget(scales_[S::gridVBox]);
    gridLine->addWidget(LabelFor(QStringLiteral("X軸 P 　"), scales_[S::gridPBox], gridBox));
    gridLine->addWidget(scales_[S::gridPBox]);
    NameFor(scales_[S::gridVBox], QStringLiteral("グリッド等分 Y軸 V"));
    NameFor(scales_[S::gridPBox], QStringLiteral("グリッド等分 X軸 P"));

    auto* column = new QVBoxLayout;
    column->addLayout(grid);
    column->addWidget(gridBox);
    return column;
}

QBoxLayout* CAnalysisDlg::Buttons() {
    ok_ = NamedButton(QStringLiteral("OK"), "ok", this);
    cancel_ = NamedButton(QStringLiteral("ｷｬﾝｾﾙ"), "cancel", this);
    draw_ = NamedButton(QStringLiteral("グラフ描画"), "draw", this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CAnalysisDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CAnalysisDlg::reject);
    ConnectAction(draw_, &AnalysisModel::Redraw);
    auto* row = new QHBoxLayout;
    row->addWidget(draw_);
    row->addStretch(1);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    return row;
}

void CAnalysisDlg::ReadScales() {
    // While a message is up the boxes are not the user's doing.
    if (saying_) {
        return;
    }
    for (std::size_t i = 0; i < scales_.size(); ++i) {
        model_.SetScaleText(static_cast<AnalysisModel::Scale>(i), ToCp932(scales_[i]->text()));
    }
}

void CAnalysisDlg::Sync() {
    if (saying_) {
        return;
    }
    std::optional<std::string> reset;
    if (model_.previewRevision != previewRevision_) {
        previewRevision_ = model_.previewRevision;
        reset = model_.PreparePreview();
        preview_->SetDrawn(true);
        preview_->update();
    }
    for (std::size_t i = 0; i < 3; ++i) {
        pBoxes_[i]->setText(FromCp932(model_.pBox[i]));
        vBoxes_[i]->setText(FromCp932(model_.vBox[i]));
    }
    points_[static_cast<std::size_t>(model_.currentPoint)]->setChecked(true);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines_[i]->setText(FromCp932(model_.lines[i]));
    }
    emNote_->setText(QString::fromStdString(model_.emNote));
    for (std::size_t i = 0; i < scales_.size(); ++i) {
        scales_[i]->setText(FromCp932(model_.ScaleText(static_cast<AnalysisModel::Scale>(i))));
    }
    // Said once the boxes show the values put back, and said once: the
    // focus moves while the box is up, which would read the boxes again.
    if (reset) {
        saying_ = true;
        messages_.Show(*reset);
        saying_ = false;
    }
}

void CAnalysisDlg::BeforeOk() {
    ReadScales();
}

void CAnalysisDlg::reject() {
    if (model_.Cancel(messages_)) {
        QDialog::reject();
    }
}

}  // namespace karnea
