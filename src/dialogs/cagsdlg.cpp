#include "dialogs/cagsdlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"

namespace karnea {

CAgsDlg::CAgsDlg(AgsOptions& options, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("AGS出力"));
    setObjectName(QStringLiteral("agsExport"));
    auto* recipient = new QLineEdit(QString::fromStdString(options.recipient), this);
    recipient->setObjectName(QStringLiteral("recipient"));
    recipient->setPlaceholderText(QString::fromUtf8(
        kUnnamedRecipient.data(), static_cast<qsizetype>(kUnnamedRecipient.size())));
    recipient->setMinimumWidth(280);
    auto* utf8 = new QCheckBox(
        QStringLiteral("日本語の文字もそのまま残す (UTF-8、AGS の ASCII 規則の外)"), this);
    utf8->setObjectName(QStringLiteral("utf8"));
    utf8->setChecked(options.utf8);
    auto* form = new QFormLayout;
    form->addRow(LabelFor(QStringLiteral("受取者 (TRAN_RECV)"), recipient, this), recipient);
    form->addRow(utf8);
    auto* note = new QLabel(QStringLiteral("日本語の文字はローマ字で書きます。"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addLayout(OkCancelRow(*this));
    connect(this, &QDialog::accepted, this, [&options, recipient, utf8] {
        options.recipient = recipient->text().trimmed().toStdString();
        options.utf8 = utf8->isChecked();
    });
}

}  // namespace karnea
