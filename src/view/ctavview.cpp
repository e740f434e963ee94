#include "view/ctavview.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "pages/pagecomposer.h"
#include "pages/pagecount.h"
#include "base/messages.h"
#include "records/records.h"
#include "document/workspace.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"

namespace karnea {
namespace {

constexpr std::string_view kDeviceError = "ハードウェア、デバイスエラー";
constexpr int kNoPrinterPaperMm = 280;

// The box that shows which page is being printed, with its cancel button.
class PrintProgress : public QDialog {
public:
    PrintProgress(const QString& documentName, const QString& printerName, QWidget* parent)
        : QDialog(parent) {
        setWindowTitle(QStringLiteral("印刷中"));
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("印刷中"), this));
        layout->addWidget(new QLabel(documentName, this));
        layout->addWidget(new QLabel(QStringLiteral("を"), this));
        layout->addWidget(new QLabel(printerName, this));
        page_ = new QLabel(this);
        layout->addWidget(page_);
        auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        connect(cancel, &QPushButton::clicked, this, [this] { cancelled = true; });
    }
    void ShowPage(int page) {
        page_->setText(QStringLiteral("ﾍﾟｰｼﾞ %1").arg(page));
        QApplication::processEvents();
    }
    bool cancelled = false;

private:
    QLabel* page_;
};

}  // namespace

CTavView::CTavView(Workspace& ws, Messages& messages, QWidget* parent)
    : QAbstractScrollArea(parent), ws_(ws), messages_(messages) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(kLineStepX);
    horizontalScrollBar()->setPageStep(kPageStepX);
    verticalScrollBar()->setSingleStep(kLineStepY);
    verticalScrollBar()->setPageStep(kPageStepY);
}

void CTavView::OnInitialUpdate() {
    OnUpdate();
    UpdateScrollBars();
    ApplyCalibrationScaleDefaults(ws_);
}

void CTavView::OnUpdate() {
    LoadSettings(ws_, false, messages_);
    viewport()->update();
    // Asking the print system for the default printer takes a while: at
    // start-up the page is shown first. Printing measures again anyway.
    if (painted_) {
        MeasurePrinterPaper();
    } else {
        measureAfterPaint_ = true;
    }
}

void CTavView::UpdateScrollBars() {
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, kScrollWidth - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, kScrollHeight - area.height()));
}

void CTavView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CTavView::ShowGraphPage() {
    ws_.CurrentPage = 1;
    viewport()->update();
}

void CTavView::ShowTablePage() {
    ws_.CurrentPage = 2;
    viewport()->update();
}

void CTavView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QPainterSurface surface(painter, viewport()->logicalDpiX(), viewport()->logicalDpiY());
    DrawPage(ws_, surface, messages_);
    painter.end();
    if (!painted_) {
        painted_ = true;
        emit firstPaint();
        if (measureAfterPaint_) {
            measureAfterPaint_ = false;
            QTimer::singleShot(0, this, &CTavView::MeasurePrinterPaper);
        }
    }
}

void CTavView::keyPressEvent(QKeyEvent* event) {
    if (ws_.PrintingNow != 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int count = PageCount(ws_);
    switch (event->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_Up:
            if (ws_.CurrentPage >= 2) {
                --ws_.CurrentPage;
            }
            viewport()->update();
            break;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
            if (ws_.CurrentPage < count) {
                ++ws_.CurrentPage;
            }
            viewport()->update();
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void CTavView::MeasurePrinterPaper() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        return;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    if (dpiX < 1 || dpiY < 1) {
        messages_.Show(kDeviceError);
        ws_.PaperWidthMm = kNoPrinterPaperMm;
        ws_.PaperHeightMm = kNoPrinterPaperMm;
        return;
    }
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    ws_.PaperWidthMm = static_cast<int>(std::trunc(paper.width() * 25.4 / dpiX));
    ws_.PaperHeightMm = static_cast<int>(std::trunc(paper.height() * 25.4 / dpiY));
}

bool CTavView::PrintPages(QPrinter& printer, const std::vector<int>& pages, bool progress,
                          const QString& documentName) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        messages_.Show("印刷ｼﾞｮﾌﾞを開始できませんでした。");
        return false;
    }
    std::unique_ptr<PrintProgress> box;
    if (progress) {
        box = std::make_unique<PrintProgress>(documentName, printer.printerName(), this);
        box->show();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool first = true;
    bool ok = true;
    for (int page : pages) {
        if (box) {
            box->ShowPage(page);
            if (box->cancelled) {
                printer.abort();
                ok = false;
                break;
            }
        }
        if (!first) {
            printer.newPage();
        }
        first = false;
        const int saved = ws_.CurrentPage;
        ws_.PrintingNow = 1;
        ws_.CurrentPage = page;
        QPainterSurface surface(painter, printer.logicalDpiX(), printer.logicalDpiY());
        DrawPage(ws_, surface, messages_);
        ws_.PrintingNow = 0;
        ws_.CurrentPage = saved;
    }
    QApplication::restoreOverrideCursor();
    painter.end();
    return ok;
}

void CTavView::OnFilePrint(QPrinter& printer, const QString& documentName) {
    MeasurePrinterPaper();
    const int count = PageCount(ws_);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, count);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    int from = 1;
    int to = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(count, printer.toPage());
    }
    std::vector<int> pages;
    for (int p = from; p <= to; ++p) {
        pages.push_back(p);
    }
    PrintPages(printer, pages, true, documentName);
    viewport()->update();
}

void CTavView::OnFilePrintPreview(QPrinter& printer, int& previewPages) {
    MeasurePrinterPaper();
    const int count = PageCount(ws_);
    std::vector<int> pages;
    for (int p = 1; p <= count; ++p) {
        pages.push_back(p);
    }
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { PrintPages(*target, pages, false, QString()); });
    auto* widget = preview.findChild<QPrintPreviewWidget*>();
    if (widget != nullptr && previewPages == 2) {
        widget->setViewMode(QPrintPreviewWidget::FacingPagesView);
    }
    preview.exec();
    if (widget != nullptr) {
        previewPages = widget->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1;
    }
    viewport()->update();
}

}  // namespace karnea
