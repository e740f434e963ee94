// The print preview: the pages as they will print, one or two at a time on
// the printer's paper, with the program's preview bar (print, next and
// previous page, one or two pages, zoom in and out, close), each button
// reached by Tab and by Alt with a letter of its own. PageDown and PageUp,
// N and V step the pages wherever the focus is (so does the wheel while the
// whole page shows); Esc closes. Only the pages in sight are drawn, from
// pages drawn beforehand, so a report of any length previews at once.
#pragma once

#include <QDialog>

#include "render/qpaintersurface.h"

class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace karnea {

class PageRecording;

class CPreviewDlg : public QDialog {
    Q_OBJECT

public:
    // `pages` are drawn at the printer's resolution, as the printer draws
    // them; `pagesShown` (1 or 2) is how many show side by side at first.
    // Both must outlive the dialog.
    CPreviewDlg(const QPrinter& printer, const PageRecording& pages, int pagesShown,
                QWidget* parent = nullptr);

    // How many pages show side by side now (1 or 2).
    int PagesShown() const { return pagesShown_; }
    // The first page shown (from 1), and how many pages there are.
    int CurrentPage() const { return current_; }
    int PageCount() const;
    // Whether the dialog closed through its print button.
    bool PrintRequested() const { return printRequested_; }

    void NextPage();
    void PreviousPage();
    void TogglePages();
    void ZoomIn();
    void ZoomOut();

private:
    class PageArea;
    friend class PageArea;

    void ShowPages(int pages);
    void UpdateButtons();
    // Sizes the page area for the zoom (the view's size at the whole page).
    void Layout();
    void resizeEvent(QResizeEvent* event) override;

    const PageRecording& pages_;
    FontCache fonts_;
    // The paper and the corner pages are drawn from, in printer pixels.
    QSizeF paper_;
    QPointF origin_;
    QScrollArea* scroll_;
    PageArea* area_;
    QPushButton* print_;
    QPushButton* next_;
    QPushButton* previous_;
    QPushButton* pagesButton_;
    QPushButton* zoomIn_;
    QPushButton* zoomOut_;
    QPushButton* close_;
    // "n / N ページ": the page in sight, of how many.
    QLabel* pageNumber_ = nullptr;
    int current_ = 1;
    int pagesShown_ = 1;
    int zoom_ = 0;  // 0 the whole page, up to 2 steps closer
    bool printRequested_ = false;
};

}  // namespace karnea
