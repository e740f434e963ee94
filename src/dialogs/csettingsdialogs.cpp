#include "dialogs/csettingsdialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"
#include "dialogs/guiservices.h"
#include "entry/linesettingsmodel.h"
#include "entry/setupmodel.h"
#include "entry/stylesettingsmodel.h"
#include "render/qpaintersurface.h"

namespace karnea {
namespace {

QPushButton* StandardButton(QWidget* parent, const char* caption = "標準の設定") {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QStringLiteral("standard"));
    return button;
}

QLabel* Label(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

}  // namespace

CStyleDlg::CStyleDlg(StyleSettingsModel& model, Messages& messages, QWidget* parent)
    : CSettingsDlg(
          QStringLiteral("様式 / 桁数"), messages, [&model] { return model.Check(); }, parent) {
    setObjectName(QStringLiteral("style"));
    auto* form = new QGridLayout;
    int row = 0;
    QComboBox* numberCaption =
        List("numberCaption", StyleSettingsModel::NumberCaptions(), model.numberCaption);
    form->addWidget(LabelFor(QStringLiteral("No.項目名"), numberCaption, this), row, 0);
    form->addWidget(numberCaption, row++, 1, 1, 2);
    form->addWidget(Label("Vの印刷単位 ", this), row, 0);
    auto* unit = new QHBoxLayout;
    Radios(unit, {QStringLiteral("ml"), QStringLiteral("cm3 ")}, {"ml", "cm3"}, model.volumeUnit);
    form->addLayout(unit, row++, 1, 1, 2);
    QComboBox* tableTitle = List("tableTitle", StyleSettingsModel::TableTitles(), model.tableTitle);
    form->addWidget(LabelFor(QStringLiteral("データ表 タイトル"), tableTitle, this), row, 0);
    form->addWidget(tableTitle, row++, 1, 1, 2);
    QComboBox* graphTitle = List("graphTitle", StyleSettingsModel::GraphTitles(), model.graphTitle);
    form->addWidget(LabelFor(QStringLiteral("グラフ タイトル"), graphTitle, this), row, 0);
    form->addWidget(graphTitle, row++, 1, 1, 2);
    QComboBox* modulusName =
        List("modulusName", StyleSettingsModel::ModulusNames(), model.modulusName);
    QComboBox* modulusSymbol =
        List("modulusSymbol", StyleSettingsModel::ModulusSymbols(), model.modulusSymbol);
    form->addWidget(LabelFor(QStringLiteral("変形・弾性 見出し"), modulusName, this), row, 0);
    NameFor(modulusSymbol, QStringLiteral("変形係数の記号"));
    form->addWidget(modulusName, row, 1);
    form->addWidget(modulusSymbol, row++, 2);
    form->addWidget(Check(QStringLiteral("たて軸変数名（Ｖ、ΔＶ、Ｖm） 90゜回転　"), "rotate",
                          model.rotateAxisNames),
                    row++, 0, 1, 3);
    form->addWidget(Check(QStringLiteral("Ｐo、Ｐf、Ｐl 文字を表示しない"), "hideLetters",
                          model.hidePointLetters),
                    row++, 0, 1, 3);

    const auto decimalsGroup = [&](const char* title,
                                   std::initializer_list<std::pair<const char*, int>> boxes) {
        auto* group = new QGroupBox(QString::fromUtf8(title), this);
        auto* grid = new QGridLayout(group);
        int r = 0;
        for (const auto& [caption, index] : boxes) {
            QLineEdit* box = Text(("decimals" + std::to_string(index)).c_str(),
                                  model.decimals[static_cast<std::size_t>(index)], Input::number);
            box->setMaximumWidth(48);
            grid->addWidget(LabelFor(QString::fromUtf8(caption), box, group), r, 0);
            NameFor(box, QString::fromUtf8(caption).trimmed() + QStringLiteral(" 桁数"));
            grid->addWidget(box, r++, 1);
        }
        return group;
    };
    using D = StyleSettingsModel::Decimals;
    auto* digits = new QHBoxLayout;
    digits->addWidget(decimalsGroup("データ表 小数以下表示桁数", {{"Ｐw", D::pw},
                                                                  {"Ｐz", D::pz},
                                                                  {"Ｐm", D::pm},
                                                                  {"Ｐm+Ｐz、Ｐi、Ｐ", D::pressure},
                                                                  {"Ｖ、ΔＶ、Ｖm", D::volume}}));
    digits->addWidget(decimalsGroup("グラフ 小数以下表示桁数", {{"Ｐo、Ｐf、Ｐl、dＰ", D::point},
                                                                {"dV ", D::dv},
                                                                {"変形係数Ｅm ", D::em},
                                                                {"補正値 ａ", D::a}}));
    QPushButton* standard = StandardButton(this);
    connect(standard, &QPushButton::clicked, this, [this, &model] {
        model.Standard();
        Reload();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(digits);
    layout->addWidget(Label("◎ No.項目名、タイトルは新規作成時の初期設定.", this));
    layout->addWidget(Label(
        "ファイル毎の設定はメニュー「CAL」「見出し」または「カルネア」「見出し」の画面内.", this));
    layout->addLayout(OkCancelRow(*this, standard));
}

CLineDlg::CLineDlg(LineSettingsModel& model, Messages& messages, QWidget* parent)
    : CSettingsDlg(
          QStringLiteral("線種 / 係数 / マージン"), messages, [&model] { return model.Check(); },
          parent),
      model_(model),
      mode_(model.monochrome() ? 1 : 0) {
    setObjectName(QStringLiteral("lines"));
    // Made in this order, which is the order Tab goes through them.
    auto* columns = new QGridLayout;
    columns->addWidget(LinesBox(), 0, 0);
    columns->addWidget(GridBox(), 1, 0);
    columns->addWidget(ConstantsBox(), 0, 1);
    columns->addWidget(SiBox(), 1, 1);
    columns->addWidget(MarginsBox(), 2, 0);
    columns->addWidget(NameBox(), 2, 1);
    QPushButton* standard = StandardButton(this);
    connect(standard, &QPushButton::clicked, this, [this] {
        model_.Standard();
        mode_ = model_.monochrome() ? 1 : 0;
        Reload();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(OkCancelRow(*this, standard));
    ShowMode();
}

QGroupBox* CLineDlg::LinesBox() {
    auto* box = new QGroupBox(QStringLiteral("線種"), this);
    auto* grid = new QGridLayout(box);
    QLineEdit* frameWidth = Text("frameWidth", model_.frameWidth, Input::number);
    QLineEdit* ruleWidth = Text("ruleWidth", model_.ruleWidth, Input::number);
    grid->addWidget(Label("外枠", box), 0, 0);
    grid->addWidget(LabelFor(QStringLiteral("太さ"), frameWidth, box), 0, 1);
    grid->addWidget(frameWidth, 0, 2);
    grid->addWidget(Label("罫線", box), 1, 0);
    grid->addWidget(LabelFor(QStringLiteral("太さ"), ruleWidth, box), 1, 1);
    grid->addWidget(ruleWidth, 1, 2);
    NameFor(frameWidth, QStringLiteral("外枠 太さ"));
    NameFor(ruleWidth, QStringLiteral("罫線 太さ"));
    grid->addWidget(Label("単位 ピクセル", box), 2, 2);
    return box;
}

QGroupBox* CLineDlg::GridBox() {
    auto* box = new QGroupBox(QStringLiteral("グラフグリッド"), this);
    auto* grid = new QGridLayout(box);
    auto* modes = new QHBoxLayout;
    Radios(modes, {QStringLiteral("カラー"), QStringLiteral("白黒")}, {"colourMode", "monoMode"},
           mode_, [this] {
               model_.SetMonochrome(mode_ == 1);
               Reload();
           });
    grid->addLayout(modes, 0, 0, 1, 4);
    QLineEdit* width = Text("gridWidth", model_.gridWidth, Input::number);
    grid->addWidget(LabelFor(QStringLiteral("太さ"), width, box), 1, 0);
    NameFor(width, QStringLiteral("グラフグリッド 太さ"));
    grid->addWidget(width, 1, 1);
    dash_ = Text("dashLength", model_.dashLength, Input::number);
    grid->addWidget(LabelFor(QStringLiteral("実線部"), dash_, box), 2, 0);
    grid->addWidget(dash_, 2, 1);
    gap_ = Text("gapLength", model_.gapLength, Input::number);
    grid->addWidget(LabelFor(QStringLiteral("空白部"), gap_, box), 3, 0);
    grid->addWidget(gap_, 3, 1);
    auto* choose = new QPushButton(QStringLiteral("色"), box);
    choose->setObjectName(QStringLiteral("chooseColour"));
    colour_ = Text("colour", model_.colour, Input::number);
    NameFor(colour_, QStringLiteral("グリッドの色"));
    FitText(colour_, QStringLiteral("0x888888"));
    grid->addWidget(choose, 1, 2);
    grid->addWidget(colour_, 1, 3);
    note_ = new QLabel(box);
    note_->setObjectName(QStringLiteral("gridNote"));
    grid->addWidget(note_, 4, 0, 1, 4);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QColor chosen =
            QColorDialog::getColor(ToQColor(model_.ColourValue()), this, QStringLiteral("色"));
        if (chosen.isValid()) {
            model_.SetColour(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
            Reload();
        }
    });
    connect(colour_, &QLineEdit::editingFinished, this, [this] { ShowMode(); });
    OnReload([this] { ShowMode(); });
    return box;
}

QGroupBox* CLineDlg::ConstantsBox() {
    auto* box = new QGroupBox(QStringLiteral("初期値 補正値"), this);
    auto* grid = new QGridLayout(box);
    QLineEdit* v0 = Text("v0", model_.v0, Input::number);
    QLineEdit* a = Text("a", model_.a, Input::number);
    grid->addWidget(LabelFor(QStringLiteral("Ｖ0"), v0, box), 0, 0);
    NameFor(v0, QStringLiteral("Ｖ0 メインセル初期体積 cm3"));
    v0->setMinimumWidth(96);
    a->setMinimumWidth(96);
    grid->addWidget(v0, 0, 1);
    grid->addWidget(Label("メインセル初期体積 cm3", box), 0, 2);
    grid->addWidget(LabelFor(QStringLiteral("ａ"), a, box), 1, 0);
    NameFor(a, QStringLiteral("ａ 容積損失補正 圧縮特性値"));
    grid->addWidget(a, 1, 1);
    grid->addWidget(Label("容積損失補正 圧縮特性値", box), 1, 2);
    return box;
}

QGroupBox* CLineDlg::SiBox() {
    auto* box = new QGroupBox(QStringLiteral("ＳＩ 換算係数Ｃ"), this);
    auto* grid = new QGridLayout(box);
    QLineEdit* c = Text("c", model_.c, Input::number);
    grid->addWidget(LabelFor(QStringLiteral("C"), c, box), 0, 0);
    NameFor(c, QStringLiteral("ＳＩ 換算係数Ｃ"));
    grid->addWidget(c, 0, 1);
    grid->addWidget(Label("1kgf/c㎡=C kPa", box), 0, 2);
    grid->addWidget(Check(QStringLiteral("表右上に表示"), "showC", model_.showSiCoefficient), 1, 0,
                    1, 3);
    return box;
}

QGroupBox* CLineDlg::MarginsBox() {
    auto* box = new QGroupBox(QStringLiteral("マージン"), this);
    auto* grid = new QGridLayout(box);
    const char* names[] = {"graphTop", "graphLeft", "tableTop", "tableLeft"};
    for (int i = 0; i < 4; ++i) {
        const int r = i / 2;
        const QString page = QString::fromUtf8(r == 0 ? "グラフ" : "データ表");
        const QString side = QString::fromUtf8(i % 2 == 0 ? "トップ" : "レフト");
        if (i % 2 == 0) {
            grid->addWidget(new QLabel(page, box), r, 0);
        }
        QLineEdit* margin =
            Text(names[i], model_.margins[static_cast<std::size_t>(i)], Input::number);
        grid->addWidget(LabelFor(side, margin, box), r, 1 + 2 * (i % 2));
        NameFor(margin, QStringLiteral("マージン %1 %2").arg(page, side));
        FitText(margin, QStringLiteral("-1000"));
        grid->addWidget(margin, r, 2 + 2 * (i % 2));
    }
    return box;
}

QGroupBox* CLineDlg::NameBox() {
    auto* box = new QGroupBox(QStringLiteral("名称"), this);
    auto* line = new QHBoxLayout(box);
    QLineEdit* company = Text("companyName", model_.companyName);
    line->addWidget(LabelFor(QStringLiteral("調査業者名の初期設定"), company, box));
    line->addWidget(company, 1);
    return box;
}

void CLineDlg::ShowMode() {
    colour_->setEnabled(model_.colourEnabled());
    dash_->setEnabled(model_.dashEnabled());
    gap_->setEnabled(model_.dashEnabled());
    note_->setText(QString::fromStdString(model_.GridNote()));
    // The colour box's text is drawn in the colour itself.
    QPalette p = colour_->palette();
    p.setColor(QPalette::Text, ToQColor(model_.ColourValue()));
    colour_->setPalette(p);
}

CKeyDlg::CKeyDlg(KeySettingsModel& model, Messages& messages, QWidget* parent)
    : CSettingsDlg(QStringLiteral("キー動作のオプション"), messages, nullptr, parent) {
    setObjectName(QStringLiteral("keys"));
    auto* group = new QGroupBox(QStringLiteral("Enterキー (Returnキー)"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(Label("データ入力画面での動作", group), 0, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    Radios(buttons,
           {QStringLiteral("Windows標準"), QStringLiteral("次に移動"), QStringLiteral("確定のみ")},
           {"standardEnter", "nextEnter", "acceptEnter"}, model.enterKeyMode);
    grid->addLayout(buttons, 1, 0);
    auto* notes = new QVBoxLayout;
    for (const char* note :
         {"OKボタンクリックと同じ", "次の入力欄に移動", "OKボタンや次に移動しない"}) {
        notes->addWidget(Label(note, group));
    }
    grid->addLayout(notes, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(Label(
        "※ かな漢字変換中とドロップダウンリストの選択中は、システム標準の動作になります.", this));
    layout->addLayout(OkCancelRow(*this));
}

CSetupDlg::CSetupDlg(SetupModel& model, Messages& messages, QWidget* parent)
    : CSettingsDlg(
          QStringLiteral("セットアップ"), messages, [&model] { return model.Check(); }, parent) {
    setObjectName(QStringLiteral("setup"));
    auto* group = new QGroupBox(QStringLiteral("本システムのインストール場所"), this);
    auto* line = new QHBoxLayout(group);
    // The drive, where paths have one: a letter, shown upper-case.
    if (SetupModel::HasDriveBox()) {
        auto* drive = new QLineEdit(QString::fromStdString(model.drive), group);
        drive->setObjectName(QStringLiteral("drive"));
        drive->setMaxLength(1);
        drive->setMaximumWidth(40);
        line->addWidget(LabelFor(QStringLiteral("ドライブ"), drive, group));
        line->addWidget(drive);
        connect(drive, &QLineEdit::textEdited, this, [&model, drive](const QString& text) {
            model.drive = text.toUpper().toStdString();
            drive->setText(QString::fromStdString(model.drive));
        });
    }
    // A file system path, not a text of the records.
    auto* folder = new QLineEdit(FromPath(model.folder), group);
    folder->setObjectName(QStringLiteral("folder"));
    line->addWidget(LabelFor(QStringLiteral("フォルダ"), folder, group));
    folder->setMinimumWidth(360);
    folder->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), folder));
    line->addWidget(folder, 1);
    connect(folder, &QLineEdit::textEdited, this,
            [&model](const QString& text) { model.folder = ToPath(text); });
    OnFocusLost(folder, [this, &model, folder] {
        model.FolderLostFocus(messages_);
        folder->setText(FromPath(model.folder));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(OkCancelRow(*this));
}

}  // namespace karnea
