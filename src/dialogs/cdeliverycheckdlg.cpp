#include "dialogs/cdeliverycheckdlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "delivery/deliverycheck.h"

namespace karnea {
namespace {

QString U(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A list with its label tied to it, for the keyboard (Alt and `key`) and a
// screen reader (the label without the key).
QListWidget* LabelledList(QVBoxLayout* layout, const QString& label, char key, const char* name,
                          QWidget* parent) {
    auto* title =
        new QLabel(label + QStringLiteral("(&") + QLatin1Char(key) + QLatin1Char(')'), parent);
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(label);
    title->setBuddy(list);
    layout->addWidget(title);
    layout->addWidget(list);
    return list;
}

}  // namespace

CDeliveryCheckDlg::CDeliveryCheckDlg(const DeliveryCheck& check, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("電子納品チェック"));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(U(check.Summary()), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    QListWidget* findings =
        LabelledList(layout, QStringLiteral("検査の結果"), 'F', "findings", this);
    for (const DeliveryFinding& f : check.findings) {
        auto* item = new QListWidgetItem(U(FindingLine(f)), findings);
        if (f.kind == DeliveryFinding::Kind::caution) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    if (check.findings.empty()) {
        findings->addItem(QStringLiteral("指摘事項はありません"));
    }
    findings->setMinimumWidth(720);
    if (!check.toType.empty()) {
        QListWidget* toType = LabelledList(layout, U(msg::boringValuesToType), 'T', "toType", this);
        for (const std::string& line : ToTypeLines(check)) {
            toType->addItem(U(line));
        }
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace karnea
