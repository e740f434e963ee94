#include "render/printerpages.h"

#include <string>
#include <utility>

#include "base/diskfile.h"

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
    } else if (staging_.isValid()) {
        printer_.setOutputFileName(staging_.filePath(QStringLiteral("print")));
    }
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
    if (!printed || !staging_.isValid()) {
        return false;
    }
    const std::optional<std::string> bytes =
        ReadWholeFile(staging_.filePath(QStringLiteral("print")).toStdString());
    return bytes && ReplaceFile(path_, *bytes);
}

}  // namespace karnea
