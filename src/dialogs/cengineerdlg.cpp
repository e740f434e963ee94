#include "dialogs/cengineerdlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/dialogsupport.h"
#include "entry/engineermastermodel.h"

namespace karnea {

CEngineerDlg::CEngineerDlg(EngineerMasterModel& model, QWidget* parent)
    : CReadingsDlg(model, QStringLiteral("登録 技術者名のマスタファイルへの登録と編集"), parent) {
    setObjectName(QStringLiteral("engineerMaster"));
    BuildList(16);
    list_->setAccessibleName(QStringLiteral("技術者(担当者)"));
    // The whole path shows, from its start.
    QLineEdit* path = ReadOnlyBox(this, "path", QStringLiteral("マスタファイル"));
    path->setText(FromCp932(model.path()));
    FitText(path, path->text());
    path->setMinimumWidth(std::min(path->minimumWidth(), 640));
    path->setCursorPosition(0);
    path->setToolTip(path->text());
    const struct {
        const char* caption;
        const char* name;
        void (EngineerMasterModel::*step)();
    } buttons[] = {{"↑", "up", &EngineerMasterModel::MoveUp},
                   {"↓", "down", &EngineerMasterModel::MoveDown},
                   {"削除", "delete", &EngineerMasterModel::Delete}};
    auto* side = new QVBoxLayout;
    std::vector<QWidget*> order = {list_};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        connect(button, &QPushButton::clicked, this,
                [this, &model, step = b.step] { Forward([&model, step] { (model.*step)(); }); });
        side->addWidget(button);
        order.push_back(button);
    }
    side->addStretch(1);
    side->addWidget(ok_);
    side->addWidget(cancel_);
    layout_ = new QGridLayout(this);
    layout_->addWidget(path, 0, 0, 1, 2);
    layout_->addWidget(list_, 1, 0);
    layout_->addLayout(side, 1, 1);
    order.insert(order.end(), {ok_, cancel_, path});
    SetTabOrder(order);
    Ready();
}

}  // namespace karnea
