#include "view/cpreviewdlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "pages/pagerecording.h"

namespace karnea {
namespace {

constexpr int kMostZoomSteps = 2;
constexpr double kZoomFactor = 1.5;
// Room round the pages, and between two pages side by side, in screen pixels.
constexpr int kRoom = 12;
// A wheel's notch.
constexpr int kNotch = 120;

// A button of the bar: Tab reaches it, Space presses it, its letter with
// Alt presses it from anywhere.
QPushButton* BarButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

// The pages in sight, on grey, each on its sheet of paper.
class CPreviewDlg::PageArea : public QWidget {
public:
    explicit PageArea(CPreviewDlg& dialog) : QWidget(nullptr), dialog_(dialog) {
        setObjectName(QStringLiteral("preview"));
        setAccessibleName(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(colours);
    }

    // Screen pixels per printer pixel for a view of `room`.
    double FitScale(const QSize& room) const {
        const int n = dialog_.pagesShown_;
        const double across = (room.width() - kRoom * (n + 1)) / (n * dialog_.paper_.width());
        const double down = (room.height() - 2.0 * kRoom) / dialog_.paper_.height();
        return std::max(0.01, std::min(across, down));
    }

    // The size the pages take at scale `at`, with the room round them.
    QSize SizeAt(double at) const {
        const int n = dialog_.pagesShown_;
        return {static_cast<int>(std::ceil(n * dialog_.paper_.width() * at)) + kRoom * (n + 1),
                static_cast<int>(std::ceil(dialog_.paper_.height() * at)) + 2 * kRoom};
    }

    double scale = 0.1;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QSize block = SizeAt(scale);
        const double left = std::max(0, (width() - block.width()) / 2);
        const double top = std::max(0, (height() - block.height()) / 2);
        const double sheetWidth = dialog_.paper_.width() * scale;
        for (int i = 0; i < dialog_.pagesShown_; ++i) {
            const int index = dialog_.current_ - 1 + i;
            if (index >= dialog_.PageCount()) {
                break;
            }
            const QRectF sheet(left + kRoom + i * (sheetWidth + kRoom), top + kRoom, sheetWidth,
                               dialog_.paper_.height() * scale);
            painter.fillRect(sheet.translated(3, 3), QColor(0x40, 0x40, 0x40));
            painter.fillRect(sheet, Qt::white);
            painter.save();
            painter.setClipRect(sheet);
            painter.translate(sheet.topLeft());
            painter.scale(scale, scale);
            painter.translate(dialog_.origin_);
            QPainterSurface surface(painter, dialog_.pages_.DpiX(), dialog_.pages_.DpiY(),
                                    dialog_.fonts_);
            dialog_.pages_.DrawPage(index, surface);
            painter.restore();
        }
    }

    // While the whole page shows, the wheel steps the pages.
    void wheelEvent(QWheelEvent* event) override {
        if (dialog_.zoom_ > 0) {
            event->ignore();
            return;
        }
        wheel_ += event->angleDelta().y();
        while (wheel_ <= -kNotch) {
            wheel_ += kNotch;
            dialog_.NextPage();
        }
        while (wheel_ >= kNotch) {
            wheel_ -= kNotch;
            dialog_.PreviousPage();
        }
        event->accept();
    }

private:
    CPreviewDlg& dialog_;
    int wheel_ = 0;
};

CPreviewDlg::CPreviewDlg(const QPrinter& printer, const PageRecording& pages, int pagesShown,
                         QWidget* parent)
    : QDialog(parent), pages_(pages) {
    setWindowTitle(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
    // Pages are drawn from the corner of the area the printer prints on.
    QPageLayout layout = printer.pageLayout();
    layout.setMargins(layout.minimumMargins());
    const QRectF paper = layout.fullRect(QPageLayout::Point);
    const QRectF printable = layout.paintRect(QPageLayout::Point);
    const double perPointX = pages.DpiX() / 72.0;
    const double perPointY = pages.DpiY() / 72.0;
    paper_ =
        QSizeF(std::max(1.0, paper.width() * perPointX), std::max(1.0, paper.height() * perPointY));
    origin_ = QPointF(printable.left() * perPointX, printable.top() * perPointY);

    print_ = BarButton(QStringLiteral("印刷(&P)..."), "print", this);
    next_ = BarButton(QStringLiteral("次ﾍﾟｰｼﾞ(&N)"), "next", this);
    previous_ = BarButton(QStringLiteral("前ﾍﾟｰｼﾞ(&V)"), "previous", this);
    pagesButton_ = BarButton(QString(), "pages", this);
    zoomIn_ = BarButton(QStringLiteral("拡大(&I)"), "zoomIn", this);
    zoomOut_ = BarButton(QStringLiteral("縮小(&O)"), "zoomOut", this);
    close_ = BarButton(QStringLiteral("閉じる(&C)"), "close", this);
    pageNumber_ = new QLabel(this);
    pageNumber_->setObjectName(QStringLiteral("pageNumber"));
    area_ = new PageArea(*this);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("previewScroll"));
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(area_);
    // The pages take the focus first: the arrows move a page zoomed in, and
    // no key presses a button unasked.
    scroll_->setFocusPolicy(Qt::StrongFocus);
    scroll_->setAccessibleName(QStringLiteral("ページ"));

    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {print_, next_, previous_, pagesButton_, zoomIn_, zoomOut_, close_}) {
        bar->addWidget(b);
    }
    bar->addSpacing(12);
    bar->addWidget(pageNumber_);
    bar->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addLayout(bar);
    box->addWidget(scroll_, 1);

    connect(print_, &QPushButton::clicked, this, [this] {
        printRequested_ = true;
        accept();
    });
    connect(next_, &QPushButton::clicked, this, &CPreviewDlg::NextPage);
    connect(previous_, &QPushButton::clicked, this, &CPreviewDlg::PreviousPage);
    connect(pagesButton_, &QPushButton::clicked, this, &CPreviewDlg::TogglePages);
    connect(zoomIn_, &QPushButton::clicked, this, &CPreviewDlg::ZoomIn);
    connect(zoomOut_, &QPushButton::clicked, this, &CPreviewDlg::ZoomOut);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    // The keys page whatever has the focus, without a click first; so do
    // the letters of 次ﾍﾟｰｼﾞ and 前ﾍﾟｰｼﾞ alone, in either case.
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_PageDown), QKeyCombination(Qt::Key_N),
                                      QKeyCombination(Qt::ShiftModifier, Qt::Key_N)}) {
        new QShortcut(QKeySequence(key), this, this, &CPreviewDlg::NextPage);
    }
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_PageUp), QKeyCombination(Qt::Key_V),
                                      QKeyCombination(Qt::ShiftModifier, Qt::Key_V)}) {
        new QShortcut(QKeySequence(key), this, this, &CPreviewDlg::PreviousPage);
    }

    ShowPages(pagesShown == 2 ? 2 : 1);
    resize(900, 1000);
    QWidget* previous = scroll_;
    for (QWidget* w : {print_, next_, previous_, pagesButton_, zoomIn_, zoomOut_, close_}) {
        setTabOrder(previous, w);
        previous = w;
    }
    scroll_->setFocus();
}

int CPreviewDlg::PageCount() const {
    return pages_.PageCount();
}

void CPreviewDlg::Layout() {
    const QSize room = scroll_->maximumViewportSize();
    area_->scale = area_->FitScale(room) * std::pow(kZoomFactor, zoom_);
    const QSize needed = area_->SizeAt(area_->scale);
    area_->resize(std::max(needed.width(), room.width()), std::max(needed.height(), room.height()));
    area_->update();
}

void CPreviewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Layout();
}

void CPreviewDlg::ShowPages(int pages) {
    pagesShown_ = pages;
    // The button offers the other choice, under one letter of its own (縮小
    // has O).
    pagesButton_->setText(pages == 2 ? QStringLiteral("1 ﾍﾟｰｼﾞ(&T)")
                                     : QStringLiteral("2 ﾍﾟｰｼﾞ(&T)"));
    Layout();
    UpdateButtons();
}

void CPreviewDlg::UpdateButtons() {
    const int count = PageCount();
    next_->setEnabled(current_ + pagesShown_ <= count);
    previous_->setEnabled(current_ > 1);
    pagesButton_->setEnabled(count > 1 || pagesShown_ == 2);
    zoomIn_->setEnabled(zoom_ < kMostZoomSteps);
    zoomOut_->setEnabled(zoom_ > 0);
    const int last = std::min(count, current_ + pagesShown_ - 1);
    pageNumber_->setText(
        last > current_ ? QStringLiteral("%1-%2 / %3 ページ").arg(current_).arg(last).arg(count)
                        : QStringLiteral("%1 / %2 ページ").arg(current_).arg(count));
}

void CPreviewDlg::NextPage() {
    if (current_ + pagesShown_ <= PageCount()) {
        current_ += pagesShown_;
        area_->update();
    }
    UpdateButtons();
}

void CPreviewDlg::PreviousPage() {
    current_ = std::max(1, current_ - pagesShown_);
    area_->update();
    UpdateButtons();
}

void CPreviewDlg::TogglePages() {
    ShowPages(pagesShown_ == 2 ? 1 : 2);
}

void CPreviewDlg::ZoomIn() {
    if (zoom_ < kMostZoomSteps) {
        ++zoom_;
        Layout();
    }
    UpdateButtons();
}

void CPreviewDlg::ZoomOut() {
    if (zoom_ > 0) {
        --zoom_;
        Layout();
    }
    UpdateButtons();
}

}  // namespace karnea
