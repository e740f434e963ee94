#include "render/printerpages.h"

namespace karnea {

Surface* PrinterPages::BeginPage(int page, DocumentKind) {
    if (beforePage_ && !beforePage_(page)) {
        printer_.abort();
        return nullptr;
    }
    if (!first_) {
        printer_.newPage();
    }
    first_ = false;
    surface_.emplace(painter_, printer_.logicalDpiX(), printer_.logicalDpiY(), fonts_);
    return &*surface_;
}

}  // namespace karnea
