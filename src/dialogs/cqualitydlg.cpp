#include "dialogs/cqualitydlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/quality.h"
#include "base/textfields.h"
#include "dialogs/dialogsupport.h"
#include "pages/depthprofile.h"

namespace karnea {
namespace {

QString U(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QLabel* Named(QLabel* label, const char* name) {
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

CQualityDlg::CQualityDlg(const TestRecord& test, const Settings& settings, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("品質チェック"));
    const HeaderTexts& h = test.testHeader;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        Named(new QLabel(FromCp932(h[header::surveyName]) + QStringLiteral("　") +
                             FromCp932(h[header::surveyNumber]) +
                             QStringLiteral("　GL -%1 m").arg(TestDepth(test), 0, 'f', 2),
                         this),
              "test"));

    auto* warnings = new QListWidget(this);
    warnings->setObjectName(QStringLiteral("warnings"));
    warnings->setAccessibleName(QStringLiteral("確認が必要な点"));
    for (const QualityWarning& w : CheckTestQuality(test, settings)) {
        auto* item = new QListWidgetItem(U(w.text.japanese), warnings);
        item->setToolTip(U(w.text.english));
        item->setData(Qt::UserRole, U(w.code));
        // A note is a remark, not a fault: drawn quieter.
        if (w.note) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    if (warnings->count() == 0) {
        warnings->addItem(QStringLiteral("指摘事項はありません"));
    }
    warnings->setMinimumWidth(560);
    layout->addWidget(warnings);

    auto* limit = new QGroupBox(QStringLiteral("極限圧力 Pl"), this);
    auto* limitLayout = new QVBoxLayout(limit);
    const std::string& pl = h[header::plValue];
    limitLayout->addWidget(Named(
        new QLabel(
            QStringLiteral("測定者の Pl: ") +
                (IsNumber(pl) ? QString::number(TextToDouble(pl), 'f', 2) + QStringLiteral(" kN/㎡")
                              : QStringLiteral("なし")),
            limit),
        "engineerPl"));
    const LimitSuggestion s = SuggestLimitPressure(test, settings);
    const QString suggestion =
        s.found ? QStringLiteral(
                      "慣用限界圧力の提案 (逆体積法): %1 kN/㎡\n"
                      "Vs+2V1 = %2 cm³、%3 段で近似、残差 %4 kN/㎡%5")
                      .arg(s.pressure, 0, 'f', 1)
                      .arg(s.limitVolume, 0, 'f', 1)
                      .arg(s.steps)
                      .arg(s.residual, 0, 'f', 1)
                      .arg(s.extrapolated ? QStringLiteral("、測定範囲外への外挿") : QString())
                : QStringLiteral("慣用限界圧力の提案なし: ") + U(s.reason.japanese);
    limitLayout->addWidget(Named(new QLabel(suggestion, limit), "suggestion"));
    layout->addWidget(limit);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace karnea
