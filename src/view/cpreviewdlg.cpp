#include "view/cpreviewdlg.h"

#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace karnea {
namespace {

constexpr int kMostZoomSteps = 2;
constexpr double kZoomFactor = 1.5;

QPushButton* BarButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

CPreviewDlg::CPreviewDlg(QPrinter& printer, const std::function<void(QPrinter*)>& paint,
                         int pagesShown, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
    print_ = BarButton(QStringLiteral("印刷(&P)..."), "print", this);
    next_ = BarButton(QStringLiteral("次ﾍﾟｰｼﾞ(&N)"), "next", this);
    previous_ = BarButton(QStringLiteral("前ﾍﾟｰｼﾞ(&V)"), "previous", this);
    pages_ = BarButton(QString(), "pages", this);
    zoomIn_ = BarButton(QStringLiteral("拡大(&I)"), "zoomIn", this);
    zoomOut_ = BarButton(QStringLiteral("縮小(&O)"), "zoomOut", this);
    close_ = BarButton(QStringLiteral("閉じる(&C)"), "close", this);
    preview_ = new QPrintPreviewWidget(&printer, this);
    preview_->setObjectName(QStringLiteral("preview"));

    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {print_, next_, previous_, pages_, zoomIn_, zoomOut_, close_}) {
        bar->addWidget(b);
    }
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(preview_, 1);

    connect(preview_, &QPrintPreviewWidget::paintRequested, this, paint);
    connect(preview_, &QPrintPreviewWidget::previewChanged, this, &CPreviewDlg::UpdateButtons);
    connect(print_, &QPushButton::clicked, this, [this] {
        printRequested_ = true;
        accept();
    });
    connect(next_, &QPushButton::clicked, this, &CPreviewDlg::NextPage);
    connect(previous_, &QPushButton::clicked, this, &CPreviewDlg::PreviousPage);
    connect(pages_, &QPushButton::clicked, this, &CPreviewDlg::TogglePages);
    connect(zoomIn_, &QPushButton::clicked, this, &CPreviewDlg::ZoomIn);
    connect(zoomOut_, &QPushButton::clicked, this, &CPreviewDlg::ZoomOut);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    // The keys page whatever has the focus, without a click first.
    new QShortcut(QKeySequence(Qt::Key_PageDown), this, this, &CPreviewDlg::NextPage);
    new QShortcut(QKeySequence(Qt::Key_PageUp), this, this, &CPreviewDlg::PreviousPage);

    preview_->setZoomMode(QPrintPreviewWidget::FitInView);
    ShowPages(pagesShown == 2 ? 2 : 1);
    resize(900, 1000);
}

int CPreviewDlg::CurrentPage() const {
    return preview_->currentPage();
}

int CPreviewDlg::PageCount() const {
    return preview_->pageCount();
}

void CPreviewDlg::ShowPages(int pages) {
    pagesShown_ = pages;
    preview_->setViewMode(pages == 2 ? QPrintPreviewWidget::FacingPagesView
                                     : QPrintPreviewWidget::SinglePageView);
    // The button offers the other choice.
    pages_->setText(pages == 2 ? QStringLiteral("1 ﾍﾟｰｼﾞ(&O)") : QStringLiteral("2 ﾍﾟｰｼﾞ(&T)"));
    UpdateButtons();
}

void CPreviewDlg::UpdateButtons() {
    const int count = preview_->pageCount();
    const int current = preview_->currentPage();
    next_->setEnabled(current + pagesShown_ <= count);
    previous_->setEnabled(current > 1);
    pages_->setEnabled(count > 1 || pagesShown_ == 2);
    zoomIn_->setEnabled(zoom_ < kMostZoomSteps);
    zoomOut_->setEnabled(zoom_ > 0);
}

void CPreviewDlg::NextPage() {
    const int target = preview_->currentPage() + pagesShown_;
    if (target <= preview_->pageCount()) {
        preview_->setCurrentPage(target);
    }
    UpdateButtons();
}

void CPreviewDlg::PreviousPage() {
    preview_->setCurrentPage(std::max(1, preview_->currentPage() - pagesShown_));
    UpdateButtons();
}

void CPreviewDlg::TogglePages() {
    ShowPages(pagesShown_ == 2 ? 1 : 2);
}

void CPreviewDlg::ZoomIn() {
    if (zoom_ < kMostZoomSteps) {
        ++zoom_;
        preview_->zoomIn(kZoomFactor);
    }
    UpdateButtons();
}

void CPreviewDlg::ZoomOut() {
    if (zoom_ > 0) {
        --zoom_;
        if (zoom_ == 0) {
            preview_->setZoomMode(QPrintPreviewWidget::FitInView);
        } else {
            preview_->zoomOut(kZoomFactor);
        }
    }
    UpdateButtons();
}

}  // namespace karnea
