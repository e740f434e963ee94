// Pages on a printer (or the print preview), one printer page each.
#pragma once

#include <QPainter>
#include <QPrinter>
#include <functional>
#include <optional>

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

}  // namespace karnea
