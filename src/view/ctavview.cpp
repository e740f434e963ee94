#include "view/ctavview.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <optional>

#include "base/messages.h"
#include "dialogs/canalysisdlg.h"
#include "dialogs/ccaldatadlg.h"
#include "dialogs/ccalheaderdlg.h"
#include "dialogs/cengineerdlg.h"
#include "dialogs/cfontdlg.h"
#include "dialogs/cpagedlg.h"
#include "dialogs/csettingsdialogs.h"
#include "dialogs/ctestdatadlg.h"
#include "dialogs/ctestheaderdlg.h"
#include "dialogs/guiservices.h"
#include "document/documentfile.h"
#include "document/edithistory.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "entry/calibrationheadermodel.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/engineermastermodel.h"
#include "entry/fontsettingsmodel.h"
#include "entry/linesettingsmodel.h"
#include "entry/pagefootermodel.h"
#include "entry/setupmodel.h"
#include "entry/stylesettingsmodel.h"
#include "entry/testheadermodel.h"
#include "entry/testreadingsmodel.h"
#include "pages/pagecomposer.h"
#include "pages/pagerecording.h"
#include "render/printerpages.h"
#include "view/cpreviewdlg.h"

namespace karnea {
namespace {

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

CTavView::CTavView(Workspace& ws, Messages& messages, FileChooser& chooser, QWidget* parent)
    : QAbstractScrollArea(parent), ws_(ws), messages_(messages), chooser_(chooser) {
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
}

void CTavView::OnUpdate() {
    LoadSettingsAndDefaults(ws_, false, messages_);
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

void CTavView::SetCurrentPage(int page) {
    currentPage_ = page;
    viewport()->update();
}

int CTavView::PageCount() {
    const int count = karnea::PageCount(PagesOf(ws_));
    if (currentPage_ > count) {
        currentPage_ = 1;
    }
    return count;
}

template <typename Model>
void CTavView::RunDialog(CEditDlg& dialog, Model& model, const std::function<void()>& accepted) {
    dialog.SetOk(
        [&]() -> std::optional<Refusal> {
            std::optional<Refusal> refusal = AcceptEdit(ws_, model, messages_);
            if (!refusal && accepted) {
                accepted();
            }
            return refusal;
        },
        messages_);
    if (dialog.exec() != QDialog::Accepted) {
        CancelEdit(ws_, model, messages_);
    }
    emit edited();
    viewport()->update();
}

void CTavView::OnUndo() {
    if (Undo(ws_, messages_)) {
        emit edited();
    }
    viewport()->update();
}

void CTavView::OnRedo() {
    if (Redo(ws_, messages_)) {
        emit edited();
    }
    viewport()->update();
}

void CTavView::OnTestReadings() {
    ws_.documentKind = DocumentKind::test;
    TestReadingsModel model(ws_.test, ws_.settings, testAutoIncrement_, messages_);
    CTestDataDlg dialog(model, this);
    RunDialog(dialog, model, [&] { testAutoIncrement_ = model.autoIncrement; });
}

void CTavView::ShowCalibrationPages() {
    if (ws_.documentKind == DocumentKind::test && currentPage_ > 1) {
        currentPage_ = 2;
    }
    ws_.documentKind = DocumentKind::calibration;
}

void CTavView::OnCalibrationReadings() {
    ShowCalibrationPages();
    CalibrationReadingsModel model(ws_.calibration, ws_.settings, messages_);
    CCalDataDlg dialog(model, this);
    RunDialog(dialog, model);
}

void CTavView::OnTestHeader() {
    ws_.documentKind = DocumentKind::test;
    TestHeaderModel model(ws_.test, ws_.settings);
    CTestHeaderDlg dialog(model, ws_.settings, chooser_, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnCalibrationHeader() {
    ShowCalibrationPages();
    CalibrationHeaderModel model(ws_.calibration, ws_.settings);
    CCalHeaderDlg dialog(model, ws_.settings, this);
    RunDialog(dialog, model);
}

void CTavView::OnAnalysis() {
    ws_.documentKind = DocumentKind::test;
    AnalysisModel model(ws_.test, ws_.settings);
    CAnalysisDlg dialog(model, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnEngineerMaster() {
    EngineerMasterModel model(ws_.settings, messages_);
    CEngineerDlg dialog(model, this);
    RunDialog(dialog, model);
}

void CTavView::OnStyleSettings() {
    StyleSettingsModel model(ws_.settings);
    CStyleDlg dialog(model, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnLineSettings() {
    LineSettingsModel model(ws_.settings);
    CLineDlg dialog(model, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnKeySettings() {
    KeySettingsModel model(ws_.settings);
    CKeyDlg dialog(model, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnFontSettings() {
    FontSettingsModel model(ws_.settings);
    CFontDlg dialog(model, messages_, fontChooser_ ? fontChooser_ : ChooseFontInDialog, this);
    RunDialog(dialog, model);
}

void CTavView::OnSetup() {
    SetupModel model(ws_.settings);
    CSetupDlg dialog(model, messages_, this);
    RunDialog(dialog, model);
}

void CTavView::OnCalibrationPage() {
    MeasurePrinterPaper();
    PageFooterModel model(ws_.calibration, paperHeightMm_ - 16, paperWidthMm_);
    CPageDlg dialog(model, QStringLiteral("キャリブレーション ページ設定"), this);
    RunDialog(dialog, model);
}

void CTavView::OnTestPage() {
    MeasurePrinterPaper();
    PageFooterModel model(ws_.test, paperHeightMm_ - 16, paperWidthMm_);
    CPageDlg dialog(model, QStringLiteral("カルネア ページ設定"), this);
    RunDialog(dialog, model);
}

void CTavView::ShowGraphPage() {
    SetCurrentPage(1);
}

void CTavView::ShowTablePage() {
    SetCurrentPage(2);
}

void CTavView::paintEvent(QPaintEvent*) {
    // A change of page set shows the new set from its first page.
    if (ws_.documentKind != lastDrawnKind_) {
        currentPage_ = 1;
        lastDrawnKind_ = ws_.documentKind;
    }
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QPainterSurface surface(painter, viewport()->logicalDpiX(), viewport()->logicalDpiY(), fonts_);
    ComposePage(PagesOf(ws_), currentPage_, surface, messages_);
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
    if (printingNow_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int count = PageCount();
    switch (event->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_Up:
            SetCurrentPage(currentPage_ >= 2 ? currentPage_ - 1 : currentPage_);
            break;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
            SetCurrentPage(currentPage_ < count ? currentPage_ + 1 : currentPage_);
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
        messages_.Show(msg::deviceError);
        paperWidthMm_ = kNoPrinterPaperMm;
        paperHeightMm_ = kNoPrinterPaperMm;
        return;
    }
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    paperWidthMm_ = static_cast<int>(std::trunc(paper.width() * 25.4 / dpiX));
    paperHeightMm_ = static_cast<int>(std::trunc(paper.height() * 25.4 / dpiY));
}

bool CTavView::PrintPages(QPrinter& printer, const std::vector<int>& pages, bool progress,
                          const QString& documentName) {
    return PrintDrawing(
        printer,
        [&](PageTarget& target) { return DrawPages(PagesOf(ws_), pages, target, messages_); },
        progress, documentName);
}

bool CTavView::PrintDrawing(QPrinter& printer, const PageDrawing& draw, bool progress,
                            const QString& documentName) {
    // The print queue lists the job, and a PDF printer names its file, by
    // the document's name.
    if (!documentName.isEmpty()) {
        printer.setDocName(documentName);
    }
    // A page is drawn from the corner of the area the printer can print on,
    // where a printer's own coordinates start. Qt's default margins would
    // move every page right and down and cut off its right and bottom edge.
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    // Printing into a file: never over a data file, and never half a print
    // in the chosen file.
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && !MayExportTo(ToPath(file), messages_)) {
        return false;
    }
    PrintIntoFile intoFile(printer, file.isEmpty() ? std::string() : ToPath(file));
    if (!intoFile.ready()) {
        messages_.Show(msg::cannotSave);
        return false;
    }
    const auto finish = [&](bool printed) {
        if (intoFile.Finish(printed) || !printed) {
            return printed;
        }
        messages_.Show(CannotSaveMessage(ToPath(file)));
        return false;
    };
    QPainter painter;
    if (!painter.begin(&printer)) {
        messages_.Show(msg::cannotStartPrint);
        return finish(false);
    }
    std::unique_ptr<PrintProgress> box;
    if (progress) {
        box = std::make_unique<PrintProgress>(documentName, printer.printerName(), this);
        box->show();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    printingNow_ = true;
    PrinterPages target(printer, painter, fonts_, [&box](int page) {
        if (box != nullptr) {
            box->ShowPage(page);
            return !box->cancelled;
        }
        return true;
    });
    const bool ok = draw(target);
    printingNow_ = false;
    QApplication::restoreOverrideCursor();
    painter.end();
    return finish(ok);
}

void CTavView::OnFilePrint(QPrinter& printer, const QString& documentName) {
    // Without a printer the system's print dialog may show nothing at all
    // (Windows): the user is told, and where a PDF can be had instead.
    const bool present =
        printersPresent_ ? printersPresent_() : !QPrinterInfo::availablePrinterNames().isEmpty();
    if (!present || !printer.isValid()) {
        messages_.Show(msg::noPrinter);
        return;
    }
    MeasurePrinterPaper();
    const int count = PageCount();
    // Every print starts at all pages, whatever the last one printed.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(1, count);
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
    // Copies the print system does not make are printed here.
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    PrintPages(printer,
               PrintJobPages(from, to, printer.pageOrder() == QPrinter::LastPageFirst, copies,
                             printer.collateCopies()),
               true, documentName);
    viewport()->update();
}

bool CTavView::OnFilePrintPreview(QPrinter& printer, int& previewPages) {
    MeasurePrinterPaper();
    PageCount();
    const PageSource source = PagesOf(ws_);
    PageRecording pages(printer.logicalDpiX(), printer.logicalDpiY());
    DrawPages(source, AllPages(source), pages, messages_);
    CPreviewDlg preview(printer, pages, previewPages, this);
    preview.exec();
    previewPages = preview.PagesShown();
    viewport()->update();
    return preview.PrintRequested();
}

}  // namespace karnea
