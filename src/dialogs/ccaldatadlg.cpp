#include "dialogs/ccaldatadlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"
#include "entry/calibrationreadingsmodel.h"

namespace karnea {

CCalDataDlg::CCalDataDlg(CalibrationReadingsModel& model, QWidget* parent)
    : CReadingsDlg(model, QStringLiteral("キャリブレーション データ"), parent), model_(model) {
    setObjectName(QStringLiteral("calibrationData"));
    BuildGrid({{QStringLiteral("セル圧Pm kN/㎡"), QString()}, {QStringLiteral("Vm ml"), QString()}},
              QStringLiteral("自動増分　"),
              [this](Surface& surface, PreviewArea area) { model_.DrawPreview(surface, area); });
    list_->setAccessibleName(QStringLiteral("キャリブレーションデータ"));

    const char* names[] = {"pmMin", "pmMax", "vmMin", "vmMax"};
    const char* spoken[] = {"Pm 最小", "Pm 最大", "Vm 最小", "Vm 最大"};
    for (std::size_t i = 0; i < axisBoxes_.size(); ++i) {
        axisBoxes_[i] = AxisBox(names[i], QString::fromUtf8(spoken[i]));
    }
    using Box = CalibrationReadingsModel::AxisBox;
    PlacePreview(axisBoxes_[Box::vmMin], axisBoxes_[Box::vmMax], nullptr, nullptr,
                 axisBoxes_[Box::pmMin], axisBoxes_[Box::pmMax], QStringLiteral("Vm"),
                 QStringLiteral("Pm"));

    // The measuring time is carried through, not shown.
    auto* time = new QGroupBox(QStringLiteral("測定時間"), this);
    auto* time60 = new QRadioButton(QStringLiteral("60”"), time);
    auto* time120 = new QRadioButton(QStringLiteral("120”"), time);
    auto* timeLayout = new QHBoxLayout(time);
    timeLayout->addWidget(time60);
    timeLayout->addWidget(time120);
    (model_.measurementTime == MeasuringTime::seconds120 ? time120 : time60)->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(time60, 0);
    group->addButton(time120, 1);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        model_.measurementTime = id == 1 ? MeasuringTime::seconds120 : MeasuringTime::seconds60;
    });
    time->hide();
    options_->addWidget(time);
    options_->addStretch(1);
    FinishLayout({axisBoxes_[Box::vmMax], axisBoxes_[Box::vmMin], axisBoxes_[Box::pmMin],
                  axisBoxes_[Box::pmMax]});
}

void CCalDataDlg::SyncOwn() {
    for (std::size_t i = 0; i < axisBoxes_.size(); ++i) {
        axisBoxes_[i]->setText(FromCp932(model_.axisBox[i]));
    }
}

}  // namespace karnea
