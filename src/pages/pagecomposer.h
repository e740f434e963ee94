// Composes printable pages on a surface, in millimetres from the corner of
// the page margins: the frame elements every page has (title, header block,
// company line, page number) and the drawing operations the page bodies use.
// Drawing only reads the records and the settings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pages/surface.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

class Messages;

// What pages are drawn from: the document kind selects the page set (the
// calibration's graph and table, or the test's result page and data sheets)
// and the record it shows.
struct PageSource {
    DocumentKind kind;
    const TestRecord& test;
    const CalibrationRecord& calibration;
    const Settings& settings;
};

// The two kinds of page: the graph page (page 1) and the table pages.
enum class PageKind { graph = 1, table = 2 };

// Draws page `page` (from 1) of the source's page set. A page number outside
// the set draws nothing but the surface set-up.
void ComposePage(const PageSource& source, int page, Surface& surface, Messages& messages);

// The number of pages the view and printing offer: rows / 40 + 2 (rows
// counted on Pm, calibration or test).
int PageCount(const PageSource& source);

// Something pages are drawn on one after the other: the screen, a printer, a
// PDF, PNG files, the ops recorder.
class PageTarget {
public:
    virtual ~PageTarget() = default;
    // The surface for page `page`, or null when the target cannot go on.
    virtual Surface* BeginPage(int page, DocumentKind kind) = 0;
    // The page is drawn; false stops the loop.
    virtual bool EndPage(int page) = 0;
};

// Draws each of `pages` onto the target. False when the target stopped.
bool DrawPages(const PageSource& source, const std::vector<int>& pages, PageTarget& target,
               Messages& messages);

// Pages 1..PageCount.
std::vector<int> AllPages(const PageSource& source);

// The pages a print job draws, in order: `from`..`to` (backwards when the
// last page comes first), `copies` times (the whole set again when the
// copies are collated, else each page again at once).
std::vector<int> PrintJobPages(int from, int to, bool lastPageFirst, int copies, bool collate);

// The drawing context of one page: the millimetre transform and the
// operations built on it.
class PageComposer {
public:
    PageComposer(const Settings& settings, Surface& surface, Messages& messages);

    const Settings& settings() const { return settings_; }
    Surface& surface() { return surface_; }

    // Millimetre transform.
    double leftMargin = 0;
    double topMargin = 0;
    double blockOffset = 0;
    double ux() const { return ux_; }
    double uy() const { return uy_; }
    int ToDeviceX(double x) const;
    int ToDeviceY(double y) const;

    // Font of a role at an angle; its height in device units and mm.
    void SelectPageFont(long colour, int height, const std::string& face, int angle);
    void SelectRoleFont(FontRole role, int angle = 0);
    int FontHeight(FontRole role) const;
    double LineHeightMm(FontRole role) const;

    void SetAlign(TextAlign align) { surface_.SetTextAlign(align); }
    void DrawLineMm(double x1, double y1, double x2, double y2, int width, long colour = 0);
    void DrawDashedLineMm(double x1, double y1, double x2, double y2, int dash, int gap, int width,
                          long colour);
    void DrawCircleMm(double x, double y, double r, int width, long colour = 0);
    // Nothing drawn outside the rectangle until ClipOff.
    void ClipToMm(double x1, double y1, double x2, double y2) {
        surface_.ClipTo(ToDeviceX(x1), ToDeviceY(y1), ToDeviceX(x2), ToDeviceY(y2));
    }
    void ClipOff() { surface_.ClipOff(); }
    void DrawTextMm(double x, double y, const std::string& text);
    void DrawTextInBoxMm(double x1, double y1, double x2, double y2, const std::string& text);
    void DrawSpreadTextMm(double x1, double x2, double y1, double y2, double cellWidth,
                          double cellHeight, const std::string& text);

    // Frame elements, from the header of the page's record.
    void DrawCalibrationHeader(const HeaderTexts& calibrationHeader);
    void DrawTestHeader(const HeaderTexts& testHeader);
    void DrawPageNumber(const HeaderTexts& h, PageKind pageKind, int pageIndex,
                        double companyLineY);

private:
    const Settings& settings_;
    Surface& surface_;
    Messages& messages_;
    double ux_ = 0;
    double uy_ = 0;
};

// Linear scale mapping; 0 when the range is degenerate.
double MapScale(double v, double lo, double hi, double a, double b);

// The grid colour of the settings: black in black-and-white mode.
long GridColour(const Settings& settings);

// A number of the page's header block (Pw, Pz) as it prints, with the
// header's own list of decimals.
std::string HeaderNumber(const std::string& text, int decimals);

}  // namespace karnea
