// The page footer dialog "ページ" without widgets: the page-number format of
// the graph and table pages and its position, kept in header texts 71 to 85
// of the open document; the prefix rules, the previews, "標準の設定" and what
// OK stores.
#pragma once

#include <string>
#include <vector>

#include "entry/edit.h"
#include "entry/entrytexts.h"
#include "records/records.h"

namespace karnea {

class Messages;

class PageFooterModel {
public:
    // The page numbers of the test or of the calibration. `usableHeightMm`
    // is the paper height less 16 mm, `paperWidthMm` the paper width.
    // Opening: with both distances from the paper's edges empty the standard
    // setting applies.
    PageFooterModel(const TestRecord& test, int usableHeightMm, int paperWidthMm);
    PageFooterModel(const CalibrationRecord& calibration, int usableHeightMm, int paperWidthMm);

    // The text of a header field 71..85 as the dialog shows it.
    std::string& field(int number) { return header_[number]; }
    const std::string& field(int number) const { return header_[number]; }

    // 0 "用紙上端から", 1 "名称(社名)から"; 0 "用紙左端から", 1 "用紙左右中央".
    int topMode() const { return topMode_; }
    int leftMode() const { return leftMode_; }
    void SetTopMode(int mode) { topMode_ = mode == 1 ? 1 : 0; }
    void SetLeftMode(int mode) { leftMode_ = mode == 1 ? 1 : 0; }
    bool topFromPaperEnabled() const { return topMode_ == 0; }
    bool topFromNameEnabled() const { return topMode_ == 1; }
    bool leftFromPaperEnabled() const { return leftMode_ == 0; }
    // Half the paper width, as the centred box shows it.
    std::string CentredText() const;

    // A prefix list left (graph row or table row): "<無し>" empties it; an
    // empty suffix follows "(" with ")" and "-" with "-".
    void PrefixLostFocus(bool graph);
    // The row's page number as it will print: prefix, start page, suffix.
    std::string Preview(bool graph) const;
    // "←": the same height as the name.
    void SameHeightAsName() { field(header::topMarginFromName) = "0"; }
    // "標準の設定".
    void Standard();

    // OK: the record with the fields and the two choices ("%d"); a distance
    // from the top edge beyond the paper is pointed out, and stored all the
    // same.
    std::optional<Refusal> Check() const { return std::nullopt; }
    Edit Accept();

    // The entries of the prefix and suffix lists (UTF-8).
    static const std::vector<std::string>& Prefixes();
    static const std::vector<std::string>& Suffixes();

private:
    PageFooterModel(const HeaderTexts& header, int usableHeightMm, int paperWidthMm);

    std::optional<TestRecord> test_;
    std::optional<CalibrationRecord> calibration_;
    HeaderTexts header_;
    int usableHeight_;
    int paperWidth_;
    int topMode_ = 0;
    int leftMode_ = 0;
};

}  // namespace karnea
