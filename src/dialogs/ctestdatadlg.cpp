#include "dialogs/ctestdatadlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"
#include "entry/testreadingsmodel.h"

namespace karnea {

CTestDataDlg::CTestDataDlg(TestReadingsModel& model, QWidget* parent)
    : CReadingsDlg(model, QStringLiteral("カルネア データ"), parent), model_(model) {
    setObjectName(QStringLiteral("testData"));
    BuildGrid({{QStringLiteral("セル圧Pm"), QStringLiteral("kN/㎡")},
               {QStringLiteral("15”"), QStringLiteral("ml")},
               {QStringLiteral("30”"), QStringLiteral("ml")},
               {QStringLiteral("60”"), QStringLiteral("ml")},
               {QStringLiteral("120”"), QStringLiteral("ml")}},
              QStringLiteral("Pm 自動増分　"),
              [this](Surface& surface, PreviewArea area) { model_.DrawPreview(surface, area); });
    list_->setAccessibleName(QStringLiteral("測定データ"));

    const char* names[] = {"pMin", "pMax", "vMin", "vMax", "dvMin", "dvMax"};
    const char* spoken[] = {"P 最小", "P 最大", "V 最小", "V 最大", "ΔV 最小", "ΔV 最大"};
    for (std::size_t i = 0; i < axisBoxes_.size(); ++i) {
        axisBoxes_[i] = AxisBox(names[i], QString::fromUtf8(spoken[i]));
    }
    using Box = TestReadingsModel::AxisBox;
    PlacePreview(axisBoxes_[Box::vMin], axisBoxes_[Box::vMax], axisBoxes_[Box::dvMin],
                 axisBoxes_[Box::dvMax], axisBoxes_[Box::pMin], axisBoxes_[Box::pMax], QString(),
                 QString());

    show120_ = new QCheckBox(QStringLiteral("データ表に120\"を表示"), this);
    show120_->setObjectName(QStringLiteral("show120"));
    show120_->setChecked(model_.show120);
    connect(show120_, &QCheckBox::toggled, this, [this](bool on) { model_.show120 = on; });

    auto* time = new QGroupBox(QStringLiteral("測定時間"), this);
    time60_ = new QRadioButton(QStringLiteral("60”"), time);
    time120_ = new QRadioButton(QStringLiteral("120”"), time);
    time60_->setObjectName(QStringLiteral("time60"));
    time120_->setObjectName(QStringLiteral("time120"));
    auto* timeLayout = new QHBoxLayout(time);
    timeLayout->addWidget(time60_);
    timeLayout->addWidget(time120_);
    (model_.measurementTime() == 1 ? time120_ : time60_)->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(time60_, 0);
    group->addButton(time120_, 1);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        model_.SetMeasurementTime(id);
        Sync();
    });
    options_->addWidget(show120_);
    options_->addWidget(time);
    options_->addStretch(1);
    FinishLayout({show120_, time60_, time120_, axisBoxes_[Box::vMax], axisBoxes_[Box::vMin],
                  axisBoxes_[Box::dvMax], axisBoxes_[Box::dvMin], axisBoxes_[Box::pMin],
                  axisBoxes_[Box::pMax]});
}

void CTestDataDlg::SyncOwn() {
    for (int column = 1; column <= static_cast<int>(entries_.size()); ++column) {
        entries_[static_cast<std::size_t>(column - 1)]->setEnabled(model_.entryEnabled(column));
    }
    for (std::size_t i = 0; i < axisBoxes_.size(); ++i) {
        axisBoxes_[i]->setText(FromCp932(model_.axisBox[i]));
    }
}

}  // namespace karnea
