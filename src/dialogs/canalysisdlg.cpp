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

enum Scale { vMin, vMax, vStep, pMin, pMax, pStep, dvMin, dvMax, dvStep, gridV, gridP };

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

    // The chosen points.
    auto* pointsBox = new QGroupBox(QStringLiteral("指定点"), this);
    auto* pointsGrid = new QGridLayout(pointsBox);
    pointsGrid->addWidget(new QLabel(QStringLiteral("P"), pointsBox), 0, 1, Qt::AlignCenter);
    pointsGrid->addWidget(new QLabel(QStringLiteral("V"), pointsBox), 0, 2, Qt::AlignCenter);
    auto* pointGroup = new QButtonGroup(this);
    const char* captions[] = {"Po ", "Pf' ", "Pl"};
    const char* names[] = {"po", "pf", "pl"};
    for (int p = 0; p < 3; ++p) {
        const auto i = static_cast<std::size_t>(p);
        points_[i] = new QRadioButton(QString::fromUtf8(captions[p]), pointsBox);
        points_[i]->setObjectName(QString::fromLatin1(names[p]));
        pointGroup->addButton(points_[i], p);
        const QString point = QString::fromUtf8(captions[p]).trimmed();
        const std::string name = names[p];
        // Only the P of Pl may be typed.
        if (p == AnalysisModel::pl) {
            pBoxes_[i] = HeaderBox(pointsBox, (name + "P").c_str(), Input::number);
            NameFor(pBoxes_[i], point + QStringLiteral(" P"));
        } else {
            pBoxes_[i] = ReadOnlyBox(pointsBox, (name + "P").c_str(), point + QStringLiteral(" P"));
        }
        vBoxes_[i] = ReadOnlyBox(pointsBox, (name + "V").c_str(), point + QStringLiteral(" V"));
        auto* marker = new QLabel(QStringLiteral("■"), pointsBox);
        marker->setStyleSheet(QStringLiteral("color: %1").arg(Colour(kPointColours[i])));
        pointsGrid->addWidget(points_[i], p + 1, 0);
        pointsGrid->addWidget(pBoxes_[i], p + 1, 1);
        pointsGrid->addWidget(vBoxes_[i], p + 1, 2);
        pointsGrid->addWidget(marker, p + 1, 3);
    }
    points_[0]->setChecked(true);
    connect(pBoxes_[AnalysisModel::pl], &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.pBox[AnalysisModel::pl] = ToCp932(text); });
    connect(pointGroup, &QButtonGroup::idClicked, this, [this](int p) {
        model_.ChoosePoint(static_cast<AnalysisModel::Point>(p));
        Sync();
    });
    auto* up = new QPushButton(QStringLiteral("↑"), pointsBox);
    auto* down = new QPushButton(QStringLiteral("↓"), pointsBox);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    pointsGrid->addWidget(up, 4, 1);
    pointsGrid->addWidget(down, 4, 2);
    connect(up, &QPushButton::clicked, this, [this] {
        model_.Up();
        Sync();
    });
    connect(down, &QPushButton::clicked, this, [this] {
        model_.Down();
        Sync();
    });

    // The calculation lines.
    auto* update = new QPushButton(QStringLiteral("経過式更新"), this);
    update->setObjectName(QStringLiteral("updateLines"));
    auto* signBox = new QGroupBox(QStringLiteral("かけ算記号"), this);
    auto* signLine = new QHBoxLayout(signBox);
    auto* signGroup = new QButtonGroup(this);
    const char* signs[] = {"・ ", "x ", "* "};
    for (int s = 1; s <= 3; ++s) {
        auto* button = new QRadioButton(QString::fromUtf8(signs[s - 1]), signBox);
        button->setObjectName(QStringLiteral("sign%1").arg(s));
        button->setChecked(s == model.signIndex);
        signGroup->addButton(button, s);
        signLine->addWidget(button);
    }
    connect(signGroup, &QButtonGroup::idClicked, this, [this](int s) { model_.signIndex = s; });
    connect(update, &QPushButton::clicked, this, [this] {
        model_.UpdateLines();
        Sync();
    });
    auto* linesGrid = new QGridLayout;
    const char* labels[] = {"Po ", "Pf", "Pl ", "dPV", "Em", ""};
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        lines_[k] = HeaderBox(this, ("line" + std::to_string(i + 1)).c_str());
        lines_[k]->setMinimumWidth(400);
        linesGrid->addWidget(LabelFor(QString::fromUtf8(labels[i]), lines_[k], this), i, 0);
        NameFor(lines_[k], QStringLiteral("計算経過式 %1").arg(i + 1));
        linesGrid->addWidget(lines_[k], i, 1);
        connect(lines_[k], &QLineEdit::textEdited, this,
                [this, k](const QString& text) { model_.lines[k] = ToCp932(text); });
    }
    auto* hidePl = new QCheckBox(QStringLiteral("表示しない"), this);
    hidePl->setObjectName(QStringLiteral("hidePl"));
    hidePl->setChecked(model.hidePl);
    connect(hidePl, &QCheckBox::toggled, this, [this](bool on) { model_.hidePl = on; });
    linesGrid->addWidget(hidePl, 2, 2);

    // The scales.
    const char* scaleNames[] = {"vMin",  "vMax",  "vStep",  "pMin",  "pMax", "pStep",
                                "dvMin", "dvMax", "dvStep", "gridV", "gridP"};
    for (std::size_t i = 0; i < scales_.size(); ++i) {
        scales_[i] = HeaderBox(this, scaleNames[i], Input::number);
        scales_[i]->setMaximumWidth(72);
        connect(scales_[i], &QLineEdit::editingFinished, this, [this] { ReadScales(); });
    }
    for (const Scale s : {vMin, vMax}) {
        OnFocusLost(scales_[s], [this] {
            if (saying_) {
                return;
            }
            ReadScales();
            model_.RequestPreview();
            Sync();
        });
    }
    auto* scaleGrid = new QGridLayout;
    const auto axis = [&](int row, const char* name, const char* unit, Scale top, Scale step,
                          Scale bottom) {
        const QString axisName = QString::fromUtf8(name);
        scaleGrid->addWidget(LabelFor(axisName, scales_[top], this), row, 0);
        scaleGrid->addWidget(scales_[top], row, 1);
        scaleGrid->addWidget(new QLabel(QString::fromUtf8(unit), this), row, 2);
        scaleGrid->addWidget(LabelFor(QStringLiteral("きざみ　"), scales_[step], this), row, 3);
        scaleGrid->addWidget(scales_[step], row, 4);
        scaleGrid->addWidget(scales_[bottom], row + 1, 1);
        NameFor(scales_[top], axisName + QStringLiteral(" 最大"));
        NameFor(scales_[step], axisName + QStringLiteral(" きざみ"));
        NameFor(scales_[bottom], axisName + QStringLiteral(" 最小"));
    };
    axis(0, "V", "ml", vMax, vStep, vMin);
    axis(2, "ΔV", "ml", dvMax, dvStep, dvMin);
    scaleGrid->addWidget(LabelFor(QStringLiteral("P"), scales_[pMin], this), 4, 0);
    scaleGrid->addWidget(scales_[pMin], 4, 1);
    scaleGrid->addWidget(scales_[pMax], 4, 4);
    scaleGrid->addWidget(new QLabel(QStringLiteral("kN/㎡ "), this), 4, 5);
    scaleGrid->addWidget(LabelFor(QStringLiteral("きざみ　"), scales_[pStep], this), 5, 3);
    scaleGrid->addWidget(scales_[pStep], 5, 4);
    NameFor(scales_[pMin], QStringLiteral("P 最小"));
    NameFor(scales_[pMax], QStringLiteral("P 最大"));
    NameFor(scales_[pStep], QStringLiteral("P きざみ"));
    auto* gridBox = new QGroupBox(QStringLiteral("グリッド等分　"), this);
    auto* gridLine = new QHBoxLayout(gridBox);
    gridLine->addWidget(LabelFor(QStringLiteral("Y軸 V "), scales_[gridV], gridBox));
    gridLine->addWidget(scales_[gridV]);
    gridLine->addWidget(LabelFor(QStringLiteral("X軸 P 　"), scales_[gridP], gridBox));
    gridLine->addWidget(scales_[gridP]);
    NameFor(scales_[gridV], QStringLiteral("グリッド等分 Y軸 V"));
    NameFor(scales_[gridP], QStringLiteral("グリッド等分 X軸 P"));

    preview_ = new CPreviewArea(
        [this](Surface& surface, PreviewArea area) { model_.DrawPreview(surface, area); }, this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setMinimumSize(360, 280);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    auto* draw = new QPushButton(QStringLiteral("グラフ描画"), this);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    draw->setObjectName(QStringLiteral("draw"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAnalysisDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CAnalysisDlg::reject);
    connect(draw, &QPushButton::clicked, this, [this] {
        model_.Redraw();
        Sync();
    });

    auto* left = new QVBoxLayout;
    left->addWidget(pointsBox);
    auto* calc = new QHBoxLayout;
    calc->addWidget(update);
    calc->addWidget(signBox);
    left->addLayout(calc);
    left->addLayout(linesGrid);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(preview_, 1);
    right->addLayout(scaleGrid);
    right->addWidget(gridBox);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(draw);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);
    // The scales as they stand on the screen, then the buttons.
    SetTabOrder({hidePl, scales_[vMax], scales_[vStep], scales_[vMin], scales_[dvMax],
                 scales_[dvStep], scales_[dvMin], scales_[pMin], scales_[pMax], scales_[pStep],
                 scales_[gridV], scales_[gridP], draw, ok, cancel});

    OnFirstPointerMove(*this, [this] {
        model_.RequestPreview();
        Sync();
    });
    Sync();
}

void CAnalysisDlg::ReadScales() {
    // While a message is up the boxes are not the user's doing.
    if (saying_) {
        return;
    }
    const auto number = [this](Scale s) { return TextToDouble(ToCp932(scales_[s]->text())); };
    const auto integer = [this](Scale s) { return TextToInt(ToCp932(scales_[s]->text())); };
    model_.vMin = number(vMin);
    model_.vMax = number(vMax);
    model_.vStep = number(vStep);
    model_.pMin = number(pMin);
    model_.pMax = number(pMax);
    model_.pStep = number(pStep);
    model_.dvMin = integer(dvMin);
    model_.dvMax = integer(dvMax);
    model_.dvStep = integer(dvStep);
    model_.gridV = integer(gridV);
    model_.gridP = integer(gridP);
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
    const auto show = [this](Scale s, const std::string& text) {
        scales_[s]->setText(FromCp932(text));
    };
    show(vMin, FormatDerived("%g", model_.vMin));
    show(vMax, FormatDerived("%g", model_.vMax));
    show(vStep, FormatDerived("%g", model_.vStep));
    show(pMin, FormatDerived("%g", model_.pMin));
    show(pMax, FormatDerived("%g", model_.pMax));
    show(pStep, FormatDerived("%g", model_.pStep));
    show(dvMin, FormatText("%d", model_.dvMin));
    show(dvMax, FormatText("%d", model_.dvMax));
    show(dvStep, FormatText("%d", model_.dvStep));
    show(gridV, FormatText("%d", model_.gridV));
    show(gridP, FormatText("%d", model_.gridP));
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
