#include "render/printerpages.h"

#include <string>
#include <utility>

#include "base/diskfile.h"
#include "base/system.h"

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

PrintIntoFile::PrintIntoFile(QPrinter& printer, std::string path)
    : printer_(printer), file_(printer.outputFileName()), path_(std::move(path)) {
    if (path_.empty()) {
        file_.clear();
    } else if (!staging_.path().empty()) {
        printer_.setOutputFileName(QString::fromStdString(StagedPrint()));
    }
}

std::string PrintIntoFile::StagedPrint() const {
    return JoinPath(staging_.path(), "print");
}

PrintIntoFile::~PrintIntoFile() {
    if (!finished_) {
        (void)Finish(false);
    }
}

bool PrintIntoFile::Finish(bool printed) {
    finished_ = true;
    if (file_.isEmpty()) {
        return printed;
    }
    printer_.setOutputFileName(file_);
    if (!printed || staging_.path().empty()) {
        return false;
    }
    const std::optional<std::string> bytes = ReadWholeFile(StagedPrint());
    return bytes && ReplaceFile(path_, *bytes);
}

}  // namespace karnea
