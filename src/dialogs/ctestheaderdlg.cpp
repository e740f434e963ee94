#include "dialogs/ctestheaderdlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/creadingsdlg.h"
#include "dialogs/dialogsupport.h"
#include "dialogs/guiservices.h"
#include "entry/testheadermodel.h"
#include "settings/settings.h"

namespace karnea {
namespace {

const QString kCalibrationFilter = QStringLiteral("Ver3形式(*.kcw)|*.kcw|すべて(*.*)|*.*||");

}  // namespace

CTestHeaderDlg::CTestHeaderDlg(TestHeaderModel& model, const Settings& settings,
                               FileChooser& chooser, Messages& messages, QWidget* parent)
    : CHeaderDlg(
          QStringLiteral("カルネア 見出し"),
          [&model](int number) -> std::string& { return model.field(number); }, parent),
      model_(model),
      settings_(settings),
      chooser_(chooser),
      messages_(messages) {
    setObjectName(QStringLiteral("testHeader"));
    SetOk([this] { return model_.Check(); }, messages);
    AddText(header::surveyName, QStringLiteral("調査名"));
    AddNumber(header::numberCaption, header::surveyNumber);
    const Input number = Input::number;
    QLineEdit* depth =
        AddText(header::depth, QStringLiteral("測定深度"), number, QStringLiteral("m"));
    QLineEdit* level =
        AddText(header::waterLevel, QStringLiteral("孔内水位"), number, QStringLiteral("m"));
    QLineEdit* height = AddText(header::machineHeight, QStringLiteral("機械高 m  "), number);
    AddText(header::pw, QStringLiteral("Pw"), number, QStringLiteral(" kN/㎡"));
    AddText(header::pz, QStringLiteral("Pz"), number, QStringLiteral(" kN/㎡"));
    AddText(header::poissonRatio, QStringLiteral("ポアソン比"), number);
    AddEngineer(settings);
    AddDate();
    AddText(header::soilName, QStringLiteral("土質名"));
    AddText(header::nValue, QStringLiteral("Ｎ値"), number);
    AddText(header::memo, QStringLiteral("メモ"));
    auto* volumeLoss = new QCheckBox(QStringLiteral("硬質地盤用 容積損失補正をする"), this);
    volumeLoss->setObjectName(QStringLiteral("volumeLoss"));
    volumeLoss->setChecked(model.volumeLoss);
    connect(volumeLoss, &QCheckBox::toggled, this, [this](bool on) { model_.volumeLoss = on; });
    form_->addWidget(volumeLoss, row_++, 1, 1, 3);
    AddText(header::tableTitle, QStringLiteral("表タイトル"));
    AddText(header::graphTitle, QStringLiteral("グラフタイトル"));
    AddText(header::companyName, QStringLiteral("調査業者名"));

    OnFocusLost(depth, [this] {
        model_.DepthLostFocus(messages_);
        for (const int n : {header::depth, header::pw, header::pz}) {
            Refresh(n);
        }
    });
    OnFocusLost(level, [this] {
        model_.WaterLevelLostFocus(messages_);
        Refresh(header::waterLevel);
        Refresh(header::pw);
    });
    OnFocusLost(height, [this] {
        model_.MachineHeightLostFocus();
        Refresh(header::pz);
    });

    // The calibration the test is reduced with.
    auto* calibration = new QGroupBox(QStringLiteral("キャリブレーションファイル"), this);
    auto* group = new QVBoxLayout(calibration);
    auto* fileLine = new QHBoxLayout;
    QLineEdit* file = ReadOnlyBox(
        calibration,
        QStringLiteral("field%1").arg(header::calibrationFileName).toLatin1().constData(),
        QStringLiteral("キャリブレーションファイル名"));
    const auto showFile = [file](const QString& path) {
        file->setText(path);
        file->setToolTip(path);
        file->setCursorPosition(0);
    };
    showFile(FromCp932(model.field(header::calibrationFileName)));
    file->setMinimumWidth(280);
    fileLine->addWidget(LabelFor(QStringLiteral("ファイル名"), file, calibration));
    fileLine->addWidget(file, 1);
    auto* open = new QPushButton(QStringLiteral("開く"), calibration);
    open->setObjectName(QStringLiteral("open"));
    fileLine->addWidget(open);
    group->addLayout(fileLine);
    group->addWidget(MethodButtons(QString(), model.fitMethod));
    preview_ = new CPreviewArea(
        [this](Surface& surface, PreviewArea area) { model_.DrawPreview(surface, area); },
        calibration);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setMinimumSize(240, 200);
    group->addWidget(preview_, 1);
    auto* draw = new QPushButton(QStringLiteral("グラフ描画"), calibration);
    draw->setObjectName(QStringLiteral("draw"));
    group->addWidget(draw, 0, Qt::AlignRight);
    connect(open, &QPushButton::clicked, this, [this, showFile] {
        OpenCalibration();
        showFile(FromCp932(model_.field(header::calibrationFileName)));
    });
    const auto redraw = [this] {
        preview_->SetDrawn(true);
        preview_->update();
    };
    connect(draw, &QPushButton::clicked, this, redraw);

    auto* top = new QGridLayout(this);
    top->addLayout(form_, 0, 0);
    top->addWidget(calibration, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("・補正値は「設定」「線種/係数」にて編集可"), this), 1,
                   0, 1, 2);
    Finish(settings);
    OnFirstPointerMove(*this, redraw);
}

void CTestHeaderDlg::OpenCalibration() {
    const std::optional<QString> chosen = chooser_.ChooseOpen(
        FromPath(ReadFolderMemory(settings_).folder), kCalibrationFilter, QStringLiteral("kcw"));
    if (!chosen || !model_.OpenCalibration(ToPath(*chosen), messages_)) {
        return;
    }
    preview_->SetDrawn(true);
    preview_->update();
}

}  // namespace karnea
