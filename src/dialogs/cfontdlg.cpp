#include "dialogs/cfontdlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "dialogs/dialogsupport.h"
#include "entry/fontsettingsmodel.h"
#include "render/qpaintersurface.h"

namespace karnea {
namespace {

// A size box that takes the digits an input method types.
class SizeBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QValidator::State validate(QString& input, int& position) const override {
        TypeAsNumber(input, position);
        return QDoubleSpinBox::validate(input, position);
    }
};

QString Swatch(long colour) {
    return QStringLiteral("color: %1").arg(ToQColor(colour).name());
}

}  // namespace

std::optional<FontSetting> ChooseFontInDialog(const FontSetting& preset, SettingRange sizes,
                                              QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("フォントの選択"));
    // The face is kept as named, also when it is not installed here.
    auto* face = new QFontComboBox(&dialog);
    face->setObjectName(QStringLiteral("face"));
    face->setEditText(FromCp932(preset.face));
    auto* size = new SizeBox(&dialog);
    size->setObjectName(QStringLiteral("size"));
    size->setDecimals(1);
    // One decimal: the smallest size above an excluded lowest is 0.1 more.
    size->setRange(sizes.lowestIncluded ? sizes.lowest : sizes.lowest + 0.1, sizes.highest);
    size->setSingleStep(0.5);
    size->setValue(preset.size);
    auto* underline = new QCheckBox(QStringLiteral("下線"), &dialog);
    underline->setChecked(preset.underline != 0);
    long colour = preset.colour;
    auto* swatch = new QLabel(QStringLiteral("■"), &dialog);
    swatch->setStyleSheet(Swatch(colour));
    auto* choose = new QPushButton(QStringLiteral("色..."), &dialog);
    QObject::connect(choose, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen =
            QColorDialog::getColor(ToQColor(colour), &dialog, QStringLiteral("色"));
        if (chosen.isValid()) {
            colour = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
            swatch->setStyleSheet(Swatch(colour));
        }
    });
    auto* grid = new QGridLayout;
    grid->addWidget(LabelFor(QStringLiteral("書体"), face, &dialog), 0, 0);
    grid->addWidget(face, 0, 1, 1, 2);
    grid->addWidget(LabelFor(QStringLiteral("サイズ (ポイント)"), size, &dialog), 1, 0);
    grid->addWidget(size, 1, 1);
    grid->addWidget(underline, 2, 1);
    grid->addWidget(choose, 3, 1);
    grid->addWidget(swatch, 3, 2);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addLayout(OkCancelRow(dialog));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    FontSetting chosen = preset;
    chosen.face = ToCp932(face->currentText());
    chosen.size = size->value();
    chosen.colour = colour;
    chosen.underline = underline->isChecked() ? 1 : 0;
    return chosen;
}

CFontDlg::CFontDlg(FontSettingsModel& model, Messages& messages, FontChooser chooser,
                   QWidget* parent)
    : CEditDlg(parent), model_(model), messages_(messages), chooser_(std::move(chooser)) {
    SetOk([this] { return model_.Check(); }, messages);
    setWindowTitle(QStringLiteral("フォント"));
    setObjectName(QStringLiteral("fonts"));
    auto* grid = new QGridLayout;
    for (int k = 1; k <= kFontRoleCount; ++k) {
        const auto role = static_cast<FontRole>(k);
        const auto i = static_cast<std::size_t>(k - 1);
        auto* button = new QPushButton(QString::fromUtf8(FontSettingsModel::Caption(role)), this);
        button->setObjectName(QStringLiteral("role%1").arg(k));
        const QString caption = QString::fromUtf8(FontSettingsModel::Caption(role)).trimmed();
        faces_[i] = ReadOnlyBox(this, QStringLiteral("face%1").arg(k).toLatin1().constData(),
                                caption + QStringLiteral(" 書体"));
        sizes_[i] = ReadOnlyBox(this, QStringLiteral("size%1").arg(k).toLatin1().constData(),
                                caption + QStringLiteral(" サイズ"));
        swatches_[i] = new QLabel(QStringLiteral("■"), this);
        grid->addWidget(button, 2 * (k - 1), 0);
        grid->addWidget(faces_[i], 2 * (k - 1), 1);
        grid->addWidget(sizes_[i], 2 * (k - 1), 2);
        grid->addWidget(swatches_[i], 2 * (k - 1), 3);
        grid->addWidget(new QLabel(QString::fromUtf8(FontSettingsModel::Description(role)), this),
                        2 * (k - 1) + 1, 1, 1, 3);
        connect(button, &QPushButton::clicked, this, [this, role] {
            const std::optional<FontSetting> chosen =
                chooser_(model_.font(role), FontSizeRange(role), this);
            if (!chosen) {
                return;
            }
            if (const std::optional<Refusal> refusal = model_.Choose(role, *chosen)) {
                messages_.Show(refusal->message);
            }
            ShowRows();
        });
    }
    auto* standard = new QPushButton(QStringLiteral("標準の設定例"), this);
    standard->setObjectName(QStringLiteral("standard"));
    connect(standard, &QPushButton::clicked, this, [this] {
        model_.Standard();
        ShowRows();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(OkCancelRow(*this, standard));
    ShowRows();
}

void CFontDlg::ShowRows() {
    for (int k = 1; k <= kFontRoleCount; ++k) {
        const auto role = static_cast<FontRole>(k);
        const auto i = static_cast<std::size_t>(k - 1);
        faces_[i]->setText(FromCp932(model_.font(role).face));
        sizes_[i]->setText(QString::fromStdString(model_.SizeText(role)));
        swatches_[i]->setStyleSheet(Swatch(model_.font(role).colour));
    }
}

void CFontDlg::reject() {
    if (model_.Cancel(messages_)) {
        QDialog::reject();
    }
}

}  // namespace karnea
