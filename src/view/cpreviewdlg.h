// The print preview: the pages as they will print, one or two at a time,
// with the program's preview bar (print, next and previous page, one or two
// pages, zoom in and out, close). PageDown and PageUp step the pages
// wherever the focus is; Esc closes.
#pragma once

#include <QDialog>
#include <functional>

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace karnea {

class CPreviewDlg : public QDialog {
    Q_OBJECT

public:
    // `paint` draws the document's pages on the printer it is given;
    // `pagesShown` (1 or 2) is how many pages show side by side at first.
    CPreviewDlg(QPrinter& printer, const std::function<void(QPrinter*)>& paint, int pagesShown,
                QWidget* parent = nullptr);

    // How many pages show side by side now (1 or 2).
    int PagesShown() const { return pagesShown_; }
    // The first page shown (from 1), and how many pages there are.
    int CurrentPage() const;
    int PageCount() const;
    // Whether the dialog closed through its print button.
    bool PrintRequested() const { return printRequested_; }

    void NextPage();
    void PreviousPage();
    void TogglePages();
    void ZoomIn();
    void ZoomOut();

private:
    void ShowPages(int pages);
    void UpdateButtons();

    QPrintPreviewWidget* preview_;
    QPushButton* print_;
    QPushButton* next_;
    QPushButton* previous_;
    QPushButton* pages_;
    QPushButton* zoomIn_;
    QPushButton* zoomOut_;
    QPushButton* close_;
    int pagesShown_ = 1;
    int zoom_ = 0;  // 0 the whole page, up to 2 steps closer
    bool printRequested_ = false;
};

}  // namespace karnea
