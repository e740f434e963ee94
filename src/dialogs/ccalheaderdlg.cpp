#include "dialogs/ccalheaderdlg.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "entry/calibrationheadermodel.h"
#include "records/records.h"

namespace karnea {

CCalHeaderDlg::CCalHeaderDlg(CalibrationHeaderModel& model, const Settings& settings,
                             QWidget* parent)
    : CHeaderDlg(
          QStringLiteral("キャリブレーション 見出し"),
          [&model](int number) -> std::string& { return model.field(number); }, parent) {
    setObjectName(QStringLiteral("calibrationHeader"));
    AddText(header::surveyName, QStringLiteral("調査名"));
    AddNumber(header::numberCaption, header::surveyNumber);
    AddEngineer(settings);
    AddDate();
    AddText(header::memo, QStringLiteral("メモ"));
    AddText(header::tableTitle, QStringLiteral("表タイトル"));
    AddText(header::graphTitle, QStringLiteral("グラフタイトル"));
    AddText(header::companyName, QStringLiteral("調査業者名"));
    form_->addWidget(MethodButtons(QStringLiteral("表示"), model.fitMethod), row_++, 0, 1, 4);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form_);
    Finish(settings);
}

}  // namespace karnea
