#include "dialogs/cpagedlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"
#include "entry/pagefootermodel.h"
#include "records/records.h"

namespace karnea {
namespace {

QRadioButton* Radio(QButtonGroup* group, int id, const char* caption, const char* name,
                    QWidget* parent) {
    auto* button = new QRadioButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    group->addButton(button, id);
    return button;
}

}  // namespace

CPageDlg::CPageDlg(PageFooterModel& model, const QString& caption, QWidget* parent)
    : CEditDlg(parent), model_(model) {
    setWindowTitle(caption);
    setObjectName(QStringLiteral("page"));

    // A text box bound to a header field of the model.
    // Every box of the dialog holds a number.
    const auto box = [this](int number, const char* name) {
        QLineEdit* b = HeaderBox(this, name, Input::number);
        connect(b, &QLineEdit::textEdited, this, [this, number](const QString& text) {
            model_.field(number) = ToCp932(text);
            Sync();
        });
        return b;
    };
    const auto list = [this](int number, const char* name,
                             const std::vector<std::string>& entries) {
        QComboBox* l = EditableList(this, name, entries);
        connect(l, &QComboBox::editTextChanged, this, [this, number](const QString& text) {
            model_.field(number) = ToCp932(text);
            Sync();
        });
        return l;
    };

    auto* format = new QGroupBox(QStringLiteral("書式"), this);
    auto* formatGrid = new QGridLayout(format);
    formatGrid->addWidget(new QLabel(QStringLiteral("前文字"), format), 0, 1);
    formatGrid->addWidget(new QLabel(QStringLiteral("頁(開始頁)"), format), 0, 2);
    formatGrid->addWidget(new QLabel(QStringLiteral("後文字"), format), 0, 3);
    const char* rows[] = {"グラフ", "表"};
    const char* keys[] = {"graph", "table"};
    for (int r = 0; r < 2; ++r) {
        const bool graph = r == 0;
        const auto i = static_cast<std::size_t>(r);
        const int base = graph ? header::graphPagePrefix : header::tablePagePrefix;
        const std::string key = keys[r];
        const QString row = QString::fromUtf8(rows[r]);
        prefixes_[i] = list(base, (key + "Prefix").c_str(), PageFooterModel::Prefixes());
        numbers_[i] = box(base + 1, (key + "Number").c_str());
        suffixes_[i] = list(base + 2, (key + "Suffix").c_str(), PageFooterModel::Suffixes());
        previews_[i] =
            ReadOnlyBox(format, (key + "Preview").c_str(), row + QStringLiteral(" 表示例"));
        NameFor(prefixes_[i], row + QStringLiteral(" 前文字"));
        NameFor(numbers_[i], row + QStringLiteral(" 頁(開始頁)"));
        NameFor(suffixes_[i], row + QStringLiteral(" 後文字"));
        // Wide enough for what the lists offer and a few more characters.
        for (QComboBox* l : {prefixes_[i], suffixes_[i]}) {
            l->setMinimumContentsLength(6);
            l->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        }
        formatGrid->addWidget(new QLabel(QString::fromUtf8(rows[r]), format), 2 * r + 1, 0);
        formatGrid->addWidget(prefixes_[i], 2 * r + 1, 1);
        formatGrid->addWidget(numbers_[i], 2 * r + 1, 2);
        formatGrid->addWidget(suffixes_[i], 2 * r + 1, 3);
        formatGrid->addWidget(previews_[i], 2 * r + 2, 1, 1, 3);
        OnFocusLost(prefixes_[i], [this, graph] {
            model_.PrefixLostFocus(graph);
            Sync();
        });
    }

    auto* position = new QGroupBox(QStringLiteral("表示位置"), this);
    auto* positionGrid = new QGridLayout(position);
    top_ = new QButtonGroup(this);
    left_ = new QButtonGroup(this);
    fromPaper_ = box(header::topMarginFromPaper, "topFromPaper");
    fromName_ = box(header::topMarginFromName, "topFromName");
    fromLeft_ = box(header::leftMarginFromPaper, "leftFromPaper");
    QLineEdit* centred = ReadOnlyBox(position, "leftCentred", QStringLiteral("用紙左右中央 mm"));
    centred->setText(QString::fromStdString(model.CentredText()));
    NameFor(fromPaper_, QStringLiteral("トップマージン 用紙上端から mm"));
    NameFor(fromName_, QStringLiteral("トップマージン 名称(社名)から mm"));
    NameFor(fromLeft_, QStringLiteral("レフトマージン 用紙左端から mm"));
    auto* same = new QPushButton(QStringLiteral("←"), position);
    same->setObjectName(QStringLiteral("sameAsName"));
    connect(same, &QPushButton::clicked, this, [this] {
        model_.SameHeightAsName();
        Sync();
    });
    positionGrid->addWidget(new QLabel(QStringLiteral("トップマージン mm"), position), 0, 0, 1, 4);
    positionGrid->addWidget(Radio(top_, 0, "用紙上端から", "topPaper", position), 1, 0);
    positionGrid->addWidget(fromPaper_, 1, 1);
    positionGrid->addWidget(Radio(top_, 1, "名称(社名)から", "topName", position), 2, 0);
    positionGrid->addWidget(fromName_, 2, 1);
    positionGrid->addWidget(same, 2, 2);
    positionGrid->addWidget(new QLabel(QStringLiteral("名称と同じ位置"), position), 2, 3);
    positionGrid->addWidget(new QLabel(QStringLiteral("レフトマージン mm"), position), 3, 0, 1, 4);
    positionGrid->addWidget(Radio(left_, 0, "用紙左端から", "leftPaper", position), 4, 0);
    positionGrid->addWidget(fromLeft_, 4, 1);
    positionGrid->addWidget(Radio(left_, 1, "用紙左右中央", "leftCentre", position), 5, 0);
    positionGrid->addWidget(centred, 5, 1);
    connect(top_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.SetTopMode(id);
        Sync();
    });
    connect(left_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.SetLeftMode(id);
        Sync();
    });

    auto* standard = new QPushButton(QStringLiteral("標準の設定"), this);
    standard->setObjectName(QStringLiteral("standard"));
    connect(standard, &QPushButton::clicked, this, [this] {
        model_.Standard();
        Sync();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(format);
    layout->addWidget(position);
    layout->addLayout(OkCancelRow(*this, standard));
    Sync();
}

void CPageDlg::Sync() {
    const auto show = [](QWidget* w, const QString& text) {
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && edit->text() != text) {
            edit->setText(text);
        } else if (auto* combo = qobject_cast<QComboBox*>(w);
                   combo != nullptr && combo->currentText() != text) {
            ShowInList(combo, text);
        }
    };
    for (int r = 0; r < 2; ++r) {
        const bool graph = r == 0;
        const auto i = static_cast<std::size_t>(r);
        const int base = graph ? header::graphPagePrefix : header::tablePagePrefix;
        show(prefixes_[i], FromCp932(model_.field(base)));
        show(numbers_[i], FromCp932(model_.field(base + 1)));
        show(suffixes_[i], FromCp932(model_.field(base + 2)));
        previews_[i]->setText(FromCp932(model_.Preview(graph)));
    }
    show(fromPaper_, FromCp932(model_.field(header::topMarginFromPaper)));
    show(fromName_, FromCp932(model_.field(header::topMarginFromName)));
    show(fromLeft_, FromCp932(model_.field(header::leftMarginFromPaper)));
    top_->button(model_.topMode())->setChecked(true);
    left_->button(model_.leftMode())->setChecked(true);
    fromPaper_->setEnabled(model_.topFromPaperEnabled());
    fromName_->setEnabled(model_.topFromNameEnabled());
    fromLeft_->setEnabled(model_.leftFromPaperEnabled());
}

}  // namespace karnea
