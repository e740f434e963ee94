// Pages on a printer (or the print preview), one printer page each.
#pragma once

#include <QPainter>
#include <QPrinter>
#include <functional>
#include <optional>
#include <string>

#include "base/diskfile.h"
#include "pages/pagecomposer.h"
#include "render/qpaintersurface.h"

namespace karnea {

class PrinterPages : public PageTarget {
public:
    // `beforePage` runs as each page begins (it may show the page number);
    // when it returns false the job is cancelled and drawing stops.
    PrinterPages(QPrinter& printer, QPainter& painter, FontCache& fonts,
                 std::function<bool(int page)> beforePage = {})
        : printer_(printer), painter_(painter), fonts_(fonts), beforePage_(std::move(beforePage)) {}

    Surface* BeginPage(int page, DocumentKind kind) override;
    bool EndPage(int) override { return true; }

private:
    QPrinter& printer_;
    QPainter& painter_;
    FontCache& fonts_;
    std::function<bool(int)> beforePage_;
    bool first_ = true;
    std::optional<QPainterSurface> surface_;
};

// A print into a file goes as every save does: into a file of its own
// first, which replaces the chosen one only when the whole print is in it.
// Made before the painter begins, with the path of the printer's output file
// as the files are named (empty when it prints on paper: the printer is then
// left as it is).
class PrintIntoFile {
public:
    PrintIntoFile(QPrinter& printer, std::string path);
    PrintIntoFile(const PrintIntoFile&) = delete;
    PrintIntoFile& operator=(const PrintIntoFile&) = delete;
    ~PrintIntoFile();

    // False when there is no place for the print to go first.
    bool ready() const { return file_.isEmpty() || !staging_.path().empty(); }
    // After the print: the printer names the chosen file again, and the file
    // printed into replaces it when `printed`. True when the chosen file now
    // holds the whole print (or the print went to a printer and `printed`).
    [[nodiscard]] bool Finish(bool printed);

private:
    QPrinter& printer_;
    QString file_;
    std::string path_;
    std::string StagedPrint() const;

    ScratchFolder staging_;
    bool finished_ = false;
};

}  // namespace karnea
