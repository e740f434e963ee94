#include "entry/pagefootermodel.h"

#include <algorithm>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "records/choices.h"

namespace karnea {
namespace {

// The standard left distance never goes beyond this (mm).
constexpr int kMostStandardLeft = 150;

int Base(bool graph) {
    return graph ? header::graphPagePrefix : header::tablePagePrefix;
}

}  // namespace

PageFooterModel::PageFooterModel(const HeaderTexts& header, int usableHeightMm, int paperWidthMm)
    : header_(header),
      usableHeight_(usableHeightMm),
      paperWidth_(paperWidthMm),
      topMode_(PageNumberBelowName(header) ? 1 : 0),
      leftMode_(PageNumberCentred(header) ? 1 : 0) {
    if (field(header::topMarginFromPaper).empty() && field(header::leftMarginFromPaper).empty()) {
        Standard();
    }
}

std::string PageFooterModel::CentredText() const {
    return FormatText("%d", paperWidth_ / 2);
}

void PageFooterModel::PrefixLostFocus(bool graph) {
    std::string& prefix = field(Base(graph));
    std::string& suffix = field(Base(graph) + 2);
    if (prefix.find(Sjis("<無し>")) != std::string::npos) {
        prefix.clear();
    }
    if (suffix.empty()) {
        if (prefix == "(") {
            suffix = ")";
        } else if (prefix == "-") {
            suffix = "-";
        }
    }
}

std::string PageFooterModel::Preview(bool graph) const {
    return field(Base(graph)) + field(Base(graph) + 1) + field(Base(graph) + 2);
}

void PageFooterModel::Standard() {
    field(header::topMarginFromPaper) = FormatText("%d", usableHeight_);
    field(header::topMarginFromName) = "5.0";
    field(header::leftMarginFromPaper) =
        FormatText("%d", std::min(paperWidth_ / 2, kMostStandardLeft));
    topMode_ = 1;
    leftMode_ = 1;
}

PageFooterModel::PageFooterModel(const TestRecord& test, int usableHeightMm, int paperWidthMm)
    : PageFooterModel(test.testHeader, usableHeightMm, paperWidthMm) {
    test_ = test;
}

PageFooterModel::PageFooterModel(const CalibrationRecord& calibration, int usableHeightMm,
                                 int paperWidthMm)
    : PageFooterModel(calibration.calibrationHeader, usableHeightMm, paperWidthMm) {
    calibration_ = calibration;
}

Edit PageFooterModel::Accept() {
    Edit edit{.name = editName::page, .test = test_, .calibration = calibration_};
    const int fromTop = TextToInt(field(header::topMarginFromPaper));
    if (topMode_ == 0 && fromTop >= usableHeight_) {
        edit.notice = FormatMessage(msg::footerOutside, FormatText("%d", fromTop));
    }
    field(header::topMarginMode) = FormatText("%d", topMode_);
    field(header::leftMarginMode) = FormatText("%d", leftMode_);
    field(header::leftMarginCentred) = CentredText();
    HeaderTexts& header = test_ ? edit.test->testHeader : edit.calibration->calibrationHeader;
    for (int n = header::graphPagePrefix; n <= header::leftMarginCentred; ++n) {
        header[n] = field(n);
    }
    return edit;
}

const std::vector<std::string>& PageFooterModel::Prefixes() {
    static const std::vector<std::string> entries = {"   <無し>", "-", "("};
    return entries;
}

const std::vector<std::string>& PageFooterModel::Suffixes() {
    static const std::vector<std::string> entries = {"", "-", ")"};
    return entries;
}

}  // namespace karnea
