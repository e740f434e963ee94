// Composes one printable page of the open document on a surface, in
// millimetres from the corner of the page margins: the frame elements every
// page has (title, header block, company line, page number) and the drawing
// operations the page bodies use.
#pragma once

#include <string>
#include <string_view>

#include "pages/surface.h"

namespace karnea {

struct Workspace;
class Messages;

// Font roles of the pages.
enum FontRole : int { titleFont = 1, headingFont, tableFont, graphFont, calculationFont, pageFont };

// Draws page CurrentPage of the document kind's page set.
void DrawPage(Workspace& ws, Surface& surface, Messages& messages);

// The drawing context of one DrawPage: the millimetre transform and the
// operations built on it.
class PageComposer {
public:
    PageComposer(const Workspace& ws, Surface& surface, Messages& messages);

    const Workspace& ws() const { return ws_; }
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
    void SelectRoleFont(int role, int angle = 0);
    int FontHeight(int role) const;
    double LineHeightMm(int role) const;

    void SetAlign(TextAlign align) { surface_.SetTextAlign(align); }
    void DrawLineMm(double x1, double y1, double x2, double y2, int width, long colour = 0);
    void DrawDashedLineMm(double x1, double y1, double x2, double y2, int dash, int gap, int width,
                          long colour);
    void DrawCircleMm(double x, double y, double r, int width, long colour = 0);
    void DrawTextMm(double x, double y, const std::string& text);
    void DrawTextInBoxMm(double x1, double y1, double x2, double y2, const std::string& text);
    void DrawSpreadTextMm(double x1, double x2, double y1, double y2, double cellWidth,
                          double cellHeight, const std::string& text);

    // Frame elements.
    void DrawCalibrationHeader();
    void DrawTestHeader();
    // documentKind 1 calibration, 2 test; pageKind 1 graph, 2 table.
    void DrawPageNumber(int documentKind, int pageKind, int pageIndex, double companyLineY);

private:
    const Workspace& ws_;
    Surface& surface_;
    Messages& messages_;
    double ux_ = 0;
    double uy_ = 0;
};

// Linear scale mapping; 0 when the range is degenerate.
double MapScale(double v, double lo, double hi, double a, double b);

// The grid colour of the settings: black in black-and-white mode.
long GridColour(const Workspace& ws);

}  // namespace karnea
