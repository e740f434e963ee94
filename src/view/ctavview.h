// The page view: one printable page at a time at the screen's resolution,
// paging with PageUp, PageDown and the arrow keys, printing and preview
// through the same page composer.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "records/records.h"
#include "render/pageexport.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"

class QPrinter;

namespace karnea {

struct Workspace;
class Messages;
class FileChooser;
class CEditDlg;

// Scroll sizes of the page, in device units: the whole page, a page step and
// a line step.
inline constexpr int kScrollWidth = 831;
inline constexpr int kScrollHeight = 1247;
inline constexpr int kPageStepX = 103;
inline constexpr int kPageStepY = 155;
inline constexpr int kLineStepX = 25;
inline constexpr int kLineStepY = 38;

// The paper size assumed until a default printer says otherwise (mm).
inline constexpr int kNoPrinterPaperMm = 280;

class CTavView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // `chooser` serves the file dialogs of the dialogs the view opens.
    CTavView(Workspace& ws, Messages& messages, FileChooser& chooser, QWidget* parent = nullptr);

    // First update: the update and the scroll sizes.
    void OnInitialUpdate();
    // After a new or opened document: settings load, printer paper, repaint.
    void OnUpdate();

    // The page shown (from 1), and the page set drawn last.
    int CurrentPage() const { return currentPage_; }
    void SetCurrentPage(int page);
    // The pages of the document's set; the page shown goes back to 1 when it
    // lies beyond them.
    int PageCount();
    // While a page is drawn for the printer or the preview, keys do not page.
    bool PrintingNow() const { return printingNow_; }
    void SetPrintingNow(bool printing) { printingNow_ = printing; }
    // The default printer's paper (mm).
    int PaperWidthMm() const { return paperWidthMm_; }
    int PaperHeightMm() const { return paperHeightMm_; }

    // カルネア › データ and ＣＡＬ › データ: the readings dialogs, with the
    // page set they belong to shown, and the records brought up to date after
    // them.
    void OnTestReadings();
    void OnCalibrationReadings();
    // カルネア › 見出し, ＣＡＬ › 見出し, カルネア › 解析/目盛り and
    // 設定 › 登録 技術者名.
    void OnTestHeader();
    void OnCalibrationHeader();
    void OnAnalysis();
    void OnEngineerMaster();
    // 設定 › 様式/桁数, 線種/係数/マージン, キーの動作, フォント, セットアップ;
    // ＣＡＬ › ページ and カルネア › ページ.
    // 編集 › 元に戻す and やり直し: the last edit taken back, or made again.
    void OnUndo();
    void OnRedo();
    void OnStyleSettings();
    void OnLineSettings();
    void OnKeySettings();
    void OnFontSettings();
    void OnSetup();
    void OnCalibrationPage();
    void OnTestPage();

    // The font dialog's chooser (tests put their own in its place).
    void SetFontChooser(
        std::function<std::optional<FontSetting>(const FontSetting&, SettingRange, QWidget*)> c) {
        fontChooser_ = std::move(c);
    }

    // Whether the system has a printer to print on (tests answer for it).
    void SetPrintersPresent(std::function<bool()> present) {
        printersPresent_ = std::move(present);
    }

    // Toolbar グラフ and データ表.
    void ShowGraphPage();
    void ShowTablePage();

    // File › Print and Print Preview. The preview starts with `previewPages`
    // pages side by side and leaves there how many it showed last; true when
    // it closed through its print button.
    void OnFilePrint(QPrinter& printer, const QString& documentName);
    bool OnFilePrintPreview(QPrinter& printer, int& previewPages);

    // Prints `pages` on `printer` as the print command does, with the progress
    // box when `progress` is set. False when the job was cancelled or could
    // not start (which the message says).
    bool PrintPages(QPrinter& printer, const std::vector<int>& pages, bool progress,
                    const QString& documentName);
    // The same for whatever `draw` draws on the printer's pages.
    bool PrintDrawing(QPrinter& printer, const PageDrawing& draw, bool progress,
                      const QString& documentName);

    // The default printer's paper into PaperWidthMm and PaperHeightMm.
    void MeasurePrinterPaper();

signals:
    // After the first painted page (for start-up measurements).
    void firstPaint();
    // A dialog closed, or an edit was undone or redone: the records, the
    // settings and the edits may have changed.
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();
    // Runs `dialog` over `model`: OK goes through the edit path (and then
    // `accepted`), Cancel through what follows it; the page is drawn again.
    template <typename Model>
    void RunDialog(CEditDlg& dialog, Model& model, const std::function<void()>& accepted = {});

    // The calibration pages, at the page the test pages' table maps to.
    void ShowCalibrationPages();

    Workspace& ws_;
    Messages& messages_;
    FileChooser& chooser_;
    std::function<std::optional<FontSetting>(const FontSetting&, SettingRange, QWidget*)>
        fontChooser_;
    std::function<bool()> printersPresent_;
    FontCache fonts_;
    int currentPage_ = 1;
    DocumentKind lastDrawnKind_ = DocumentKind::calibration;
    bool printingNow_ = false;
    int paperWidthMm_ = kNoPrinterPaperMm;
    int paperHeightMm_ = kNoPrinterPaperMm;
    bool painted_ = false;
    // The test readings dialog's Pm auto-increment, as its last OK left it.
    bool testAutoIncrement_ = false;
    bool measureAfterPaint_ = false;
};

}  // namespace karnea
