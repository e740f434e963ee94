#include "dialogs/cheaderdlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/encoding.h"
#include "dialogs/dialogsupport.h"
#include "records/records.h"
#include "records/testdate.h"
#include "settings/engineermaster.h"
#include "settings/settings.h"

namespace karnea {

CHeaderDlg::CHeaderDlg(const QString& caption, FieldOf field, QWidget* parent)
    : CEditDlg(parent), field_(std::move(field)) {
    setWindowTitle(caption);
    form_ = new QGridLayout;
}

QLineEdit* CHeaderDlg::Box(int number, Input input) {
    QLineEdit* box =
        HeaderBox(this, QStringLiteral("field%1").arg(number).toLatin1().constData(), input);
    box->setText(FromCp932(field_(number)));
    connect(box, &QLineEdit::textChanged, this,
            [this, number](const QString& text) { field_(number) = ToCp932(text); });
    boxes_[number] = box;
    return box;
}

void CHeaderDlg::Refresh(int number) {
    QLineEdit* box = boxes_.at(number);
    const QString text = FromCp932(field_(number));
    if (box->text() != text) {
        box->setText(text);
    }
}

QLineEdit* CHeaderDlg::AddText(int number, const QString& caption, Input input,
                               const QString& unit) {
    QLineEdit* box = Box(number, input);
    form_->addWidget(LabelFor(caption, box, this), row_, 0);
    form_->addWidget(box, row_, 1, 1, unit.isEmpty() ? 3 : 2);
    if (!unit.isEmpty()) {
        form_->addWidget(new QLabel(unit, this), row_, 3);
        box->setAccessibleDescription(unit.trimmed());
    }
    ++row_;
    return box;
}

void CHeaderDlg::AddNumber(int captionNumber, int numberNumber) {
    auto* line = new QHBoxLayout;
    QLineEdit* number = Box(numberNumber);
    QLineEdit* caption = Box(captionNumber);
    line->addWidget(caption);
    line->addWidget(number, 1);
    form_->addWidget(LabelFor(QStringLiteral("（Ｎｏ．）"), caption, this), row_, 0);
    NameFor(caption, QStringLiteral("No.項目名"));
    NameFor(number, QStringLiteral("No."));
    QWidget::setTabOrder(caption, number);
    form_->addLayout(line, row_, 1, 1, 3);
    ++row_;
}

void CHeaderDlg::AddEngineer(const Settings& settings) {
    std::vector<std::string> names;
    for (const std::string& name :
         ReadEngineerNames(settings.engineerMasterPath).value_or(std::vector<std::string>())) {
        names.push_back(Cp932ToUtf8(name));
    }
    QComboBox* list = EditableList(this, "engineer", names);
    ShowInList(list, FromCp932(field_(header::engineer)));
    connect(list, &QComboBox::editTextChanged, this,
            [this](const QString& text) { field_(header::engineer) = ToCp932(text); });
    form_->addWidget(LabelFor(QStringLiteral("担当者"), list, this), row_, 0);
    form_->addWidget(list, row_, 1, 1, 3);
    ++row_;
}

void CHeaderDlg::AddDate() {
    // The list keeps an era it does not hold, too.
    QComboBox* era = EditableList(this, "era", {"令和", "平成", "昭和", ""});
    era->setMinimumContentsLength(3);
    era->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ShowInList(era, FromCp932(field_(header::dateEra)));
    auto* line = new QHBoxLayout;
    line->addWidget(era);
    const std::pair<int, const char*> parts[] = {
        {header::dateYear, "年"}, {header::dateMonth, "月"}, {header::dateDay, "日"}};
    QLineEdit* year = nullptr;
    for (const auto& [number, unit] : parts) {
        QLineEdit* box = Box(number, Input::number);
        FitText(box, QStringLiteral("88888"));
        box->setMaximumWidth(box->minimumWidth());
        NameFor(box, QStringLiteral("測定年月日 ") + QString::fromUtf8(unit));
        line->addWidget(box);
        line->addWidget(new QLabel(QString::fromUtf8(unit), this));
        year = year == nullptr ? box : year;
    }
    // The years the era holds, beside the date and told of the year box:
    // changing the era converts no year.
    auto* years = new QLabel(this);
    years->setObjectName(QStringLiteral("eraYears"));
    line->addSpacing(8);
    line->addWidget(years);
    const auto showYears = [year, years](const QString& eraText) {
        const QString text = QString::fromStdString(EraYears(ToCp932(eraText)));
        years->setText(QString::fromStdString(EraYears(ToCp932(eraText), true)));
        years->setToolTip(text);
        year->setToolTip(text);
        year->setAccessibleDescription(text);
    };
    showYears(era->currentText());
    connect(era, &QComboBox::editTextChanged, this, [this, showYears](const QString& text) {
        field_(header::dateEra) = ToCp932(text);
        showYears(text);
    });
    line->addStretch(1);
    form_->addWidget(LabelFor(QStringLiteral("測定年月日"), era, this), row_, 0);
    NameFor(era, QStringLiteral("測定年月日 元号"));
    form_->addLayout(line, row_, 1, 1, 3);
    ++row_;
}

QWidget* CHeaderDlg::MethodButtons(const QString& title, int& method) {
    auto* box = new QGroupBox(title, this);
    auto* line = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    const char* captions[] = {"直線近似", "回帰曲線　"};
    const char* names[] = {"linear", "regression"};
    for (int id = 0; id < 2; ++id) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[id]), box);
        button->setObjectName(QString::fromLatin1(names[id]));
        button->setChecked((method >= 1 ? 1 : 0) == id);
        group->addButton(button, id);
        line->addWidget(button);
    }
    connect(group, &QButtonGroup::idClicked, this, [&method](int id) { method = id; });
    return box;
}

void CHeaderDlg::Finish(const Settings& settings) {
    form_->addLayout(OkCancelRow(*this), row_++, 0, 1, form_->columnCount());
    InstallEnterKeyMode(*this, settings.enterKeyMode);
}

}  // namespace karnea
