#include "pages/pagecomposer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "pages/calibrationpages.h"
#include "pages/datasheet.h"
#include "pages/pagecount.h"
#include "pages/testgraph.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr double kMmPerInchInverse = 0.03937007874015748;
constexpr double kPointsPerInchInverse = 0.013888888888888888;
constexpr int kDeviceLimit = 32767;
constexpr int kMaxDashes = 1000001;

int ClampDevice(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(value), -double(kDeviceLimit), double(kDeviceLimit)));
}

bool IsNumber(std::string_view text) {
    return IsNumericText(text) > 0;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// "%s%2s年%2s月%2s日" of era, year, month and day.
std::string DateText(const HeaderTexts& h) {
    return h[header::dateEra] + PadLeft(h[header::dateYear], 2) + Sjis("年") +
           PadLeft(h[header::dateMonth], 2) + Sjis("月") + PadLeft(h[header::dateDay], 2) +
           Sjis("日");
}

// A number of the header block with its own decimals list.
std::string HeaderNumber(const std::string& text, int decimals) {
    return FormatDerived(HeaderDecimalsFormat(decimals), TextToDouble(text));
}

// The number caption: spread when longer than 6 bytes, else as it is at x 10.
void DrawNumberCaption(PageComposer& page, const std::string& caption, double y) {
    if (caption.size() > 6) {
        page.DrawSpreadTextMm(10, 30, y, y, 2, 0, caption);
    } else {
        page.SetAlign(TextAlign::leftTop);
        page.DrawTextMm(10, y, caption);
    }
}

const HeaderTexts& OpenHeader(const Workspace& ws) {
    return ws.documentKind == kCalibrationDocument ? ws.calibrationHeader : ws.testHeader;
}

// The steps every page of both sets shares; `body` draws what is particular.
void DrawPageSet(PageComposer& page, Workspace& ws, bool test) {
    Surface& surface = page.surface();
    const HeaderTexts& h = OpenHeader(ws);
    const int current = ws.CurrentPage;
    const int lastPage = test ? PageCountOf(ws) : 2;
    const bool graphPage = current == 1;

    surface.SaveFont();
    page.blockOffset = 0;
    page.SelectRoleFont(titleFont);
    if (current >= 1 && current <= lastPage) {
        page.SetAlign(TextAlign::centerBottom);
        page.DrawTextMm(80, 2.2, h[graphPage ? header::graphTitle : header::tableTitle]);

        page.SelectRoleFont(headingFont);
        const double lineHeight = page.LineHeightMm(headingFont);
        if (test) {
            page.DrawTestHeader();
            if (graphPage) {
                DrawResultSummary(page);
            }
        } else {
            page.DrawCalibrationHeader();
        }
        const double companyY = 236 + 2.5 * lineHeight;
        page.SetAlign(TextAlign::rightTop);
        const std::string& company = h[header::companyName];
        page.DrawTextMm(166, companyY, company.empty() ? ws.settings.defaultCompanyName : company);

        const int pageIndex = test && !graphPage ? current - 1 : 1;
        page.DrawPageNumber(test ? 2 : 1, graphPage ? 1 : 2, pageIndex, companyY);

        if (graphPage) {
            page.blockOffset = test ? 63 : 44;
            page.SelectRoleFont(graphFont);
            const double graphLine = page.LineHeightMm(graphFont);
            if (test) {
                DrawTestGraph(page, graphLine);
            } else {
                DrawCalibrationGraph(page, graphLine, kOpenCalibrationReadings);
            }
        } else {
            page.blockOffset = test ? 43 : 44;
            page.SelectRoleFont(tableFont);
            if (test) {
                DrawDataSheet(page, current - 1);
            } else {
                DrawCalibrationTable(page, page.LineHeightMm(tableFont), kOpenCalibrationReadings);
            }
        }
    }
    surface.RestoreFont();
}

}  // namespace

double MapScale(double v, double lo, double hi, double a, double b) {
    if (std::fabs(hi - lo) < 0.000001) {
        return 0;
    }
    return a + (v - lo) / (hi - lo) * (b - a);
}

long GridColour(const Workspace& ws) {
    return ws.settings.gridMonochrome != 0 ? 0 : TextToLongAnyBase(ws.settings.gridColour);
}

PageComposer::PageComposer(const Workspace& ws, Surface& surface, Messages& messages)
    : ws_(ws), surface_(surface), messages_(messages) {
    leftMargin = ws.settings.graphLeftMargin;
    topMargin = ws.settings.graphTopMargin;
    ux_ = surface.DpiX() * kMmPerInchInverse;
    uy_ = surface.DpiY() * kMmPerInchInverse;
}

int PageComposer::ToDeviceX(double x) const {
    return ClampDevice(leftMargin * ux_ + ux_ * x);
}

int PageComposer::ToDeviceY(double y) const {
    return ClampDevice((blockOffset + y) * uy_ + topMargin * uy_);
}

void PageComposer::SelectPageFont(long colour, int height, const std::string& face, int angle) {
    if (!surface_.SelectFont(face, height, angle, colour)) {
        messages_.Show("Can't create font");
    }
}

int PageComposer::FontHeight(int role) const {
    const FontSetting& f = ws_.settings.fonts.at(static_cast<std::size_t>(role - 1));
    return ClampDevice(surface_.DpiY() * f.size * kPointsPerInchInverse);
}

double PageComposer::LineHeightMm(int role) const {
    return FontHeight(role) / uy_;
}

void PageComposer::SelectRoleFont(int role, int angle) {
    const FontSetting& f = ws_.settings.fonts.at(static_cast<std::size_t>(role - 1));
    SelectPageFont(f.colour, FontHeight(role), f.face, angle);
}

void PageComposer::DrawLineMm(double x1, double y1, double x2, double y2, int width, long colour) {
    if (width <= 0) {
        return;
    }
    surface_.DrawLine(ToDeviceX(x1), ToDeviceY(y1), ToDeviceX(x2), ToDeviceY(y2), width, colour);
}

void PageComposer::DrawDashedLineMm(double x1, double y1, double x2, double y2, int dash, int gap,
                                    int width, long colour) {
    const int ax = ToDeviceX(x1);
    const int ay = ToDeviceY(y1);
    const int bx = ToDeviceX(x2);
    const int by = ToDeviceY(y2);
    if (width <= 0) {
        return;
    }
    if (gap <= 0) {
        surface_.DrawLine(ax, ay, bx, by, width, colour);
        return;
    }
    if (dash <= 0) {
        return;
    }
    const int sx = (bx > ax) - (bx < ax);
    const int sy = (by > ay) - (by < ay);
    long long x = ax;
    long long y = ay;
    for (int n = 0; n < kMaxDashes; ++n) {
        surface_.DrawLine(static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + sx * dash),
                          static_cast<int>(y + sy * dash), width, colour);
        x += static_cast<long long>(sx) * (dash + gap);
        y += static_cast<long long>(sy) * (dash + gap);
        if (!(x < bx - sx * dash || y < by - sy * dash)) {
            break;
        }
    }
}

void PageComposer::DrawCircleMm(double x, double y, double r, int width, long colour) {
    surface_.DrawCircle(ToDeviceX(x), ToDeviceY(y), ClampDevice(r * uy_), width, colour);
}

void PageComposer::DrawTextMm(double x, double y, const std::string& text) {
    surface_.DrawText(ToDeviceX(x), ToDeviceY(y), text);
}

void PageComposer::DrawTextInBoxMm(double x1, double y1, double x2, double y2,
                                   const std::string& text) {
    const int ax = ToDeviceX(x1);
    const int ay = ToDeviceY(y1);
    const int bx = ToDeviceX(x2);
    const int by = ToDeviceY(y2);
    surface_.DrawTextInBox(std::min(ax, bx) + 1, std::min(ay, by) + 1, std::max(ax, bx) - 1,
                           std::max(ay, by) - 1, text);
}

void PageComposer::DrawSpreadTextMm(double x1, double x2, double y1, double y2, double cellWidth,
                                    double cellHeight, const std::string& text) {
    SetAlign(TextAlign::leftTop);
    const double y = (y1 + y2 - cellHeight) / 2;
    const double span = std::max(x2 - x1, cellWidth);
    const std::size_t n = text.size();
    const double step = n > 2 ? (span - cellWidth) / static_cast<double>(n - 2) : span / 2;
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const std::size_t length = lead && i + 1 < n ? 2 : 1;
        DrawTextMm(x1 + static_cast<double>(i) * step, y, text.substr(i, length));
        i += length;
    }
}

void PageComposer::DrawCalibrationHeader() {
    const HeaderTexts& h = ws_.calibrationHeader;
    const auto rowY = [](int i) { return 8 + 4.666666666666667 * i; };
    const auto value = [&](int i, const std::string& text) {
        SetAlign(TextAlign::leftTop);
        DrawTextMm(35, rowY(i), text);
    };
    SetAlign(TextAlign::leftTop);
    DrawSpreadTextMm(10, 30, rowY(0), rowY(0), 2, 0, Sjis("調　査　名"));
    value(0, h[header::surveyName]);
    DrawNumberCaption(*this, h[header::numberCaption], rowY(1));
    value(1, h[header::surveyNumber]);
    DrawSpreadTextMm(10, 30, rowY(2), rowY(2), 2, 0, Sjis("測定年月日"));
    value(2, DateText(h));
    DrawSpreadTextMm(10, 30, rowY(3), rowY(3), 2, 0, Sjis("測　定　者"));
    value(3, h[header::engineer]);
}

void PageComposer::DrawTestHeader() {
    const HeaderTexts& h = ws_.testHeader;
    const Settings& s = ws_.settings;
    const auto rowY = [](int i) { return 7 + 4.5 * i; };
    const auto left = [&](int i, const std::string& caption, const std::string& text) {
        const double y = rowY(i);
        DrawSpreadTextMm(10, i == 6 ? 40 : 30, y, y, 2, 0, caption);
        DrawTextMm(i == 6 ? 45 : 36, y, text);
    };
    const auto right = [&](int i, const std::string& caption, const std::string& text) {
        const double y = rowY(i);
        DrawSpreadTextMm(90, i == 6 ? 128 : 110, y, y, 2, 0, caption);
        DrawTextMm(i == 6 ? 134 : 116, y, text);
    };
    const std::string unit = Sjis("kN/㎡");
    const auto pressure = [&](const std::string& text, int decimals) {
        return IsNumber(text) ? HeaderNumber(text, decimals) + unit : std::string("  ");
    };

    SetAlign(TextAlign::leftTop);
    left(0, Sjis("調　査　名"), h[header::surveyName]);
    DrawNumberCaption(*this, h[header::numberCaption], rowY(1));
    DrawTextMm(36, rowY(1), h[header::surveyNumber]);
    left(2, Sjis("測定年月日"), DateText(h));
    const std::string& depth = h[header::depth];
    left(3, Sjis("測定深度"),
         IsNumber(depth) ? FormatValues("GL %.2f m", {TextToDouble(depth)}) : "  m");
    right(3, Sjis("測　定　者"), h[header::engineer]);
    const std::string& level = h[header::waterLevel];
    left(4, Sjis("孔内水位"),
         IsNumber(level) ? FormatValues("GL %2.2f m", {TextToDouble(level)}) : level);
    right(4, Sjis("土　質　名"), h[header::soilName]);
    left(5, Sjis("ポアソン比"), h[header::poissonRatio]);
    right(5, Sjis("Ｎ　　　値"), h[header::nValue]);
    left(6, Sjis("ホース内静水圧 Pw"), pressure(h[header::pw], s.pwDecimals));
    right(6, Sjis("ガードセル初期圧力 Pz"), pressure(h[header::pz], s.pzDecimals));
}

void PageComposer::DrawPageNumber(int documentKind, int pageKind, int pageIndex,
                                  double companyLineY) {
    const HeaderTexts& h = documentKind == 1 ? ws_.calibrationHeader : ws_.testHeader;
    const double savedLeft = leftMargin;
    const double savedTop = topMargin;
    const double savedBlock = blockOffset;
    leftMargin = 0;
    topMargin = 0;
    SelectRoleFont(pageFont);

    std::string text;
    if (pageKind == 1 || pageKind == 2) {
        const int base = pageKind == 1 ? header::graphPagePrefix : header::tablePagePrefix;
        const std::string& prefix = h[base];
        const std::string& start = h[base + 1];
        const std::string& suffix = h[base + 2];
        text = IsNumber(start)
                   ? prefix + FormatText("%d", TextToInt(start) + pageIndex - 1) + suffix
                   : prefix + start + suffix;
    }
    if (!text.empty()) {
        double x = 0;
        if (TextToInt(h[header::leftMarginMode]) != 0) {
            SetAlign(TextAlign::centerTop);
            x = TextToDouble(h[header::leftMarginCentred]);
        } else {
            SetAlign(TextAlign::leftTop);
            x = TextToDouble(h[header::leftMarginFromPaper]);
        }
        if (TextToInt(h[header::topMarginMode]) == 0) {
            blockOffset = 0;
            DrawTextMm(x, TextToDouble(h[header::topMarginFromPaper]), text);
            blockOffset = savedBlock;
        } else {
            topMargin = savedTop;
            DrawTextMm(x, companyLineY + TextToDouble(h[header::topMarginFromName]), text);
        }
    }
    SetAlign(TextAlign::leftTop);
    leftMargin = savedLeft;
    topMargin = savedTop;
    blockOffset = savedBlock;
}

void DrawPage(Workspace& ws, Surface& surface, Messages& messages) {
    PageComposer page(ws, surface, messages);
    if (ws.documentKind != ws.lastDrawnKind) {
        ws.CurrentPage = 1;
        ws.lastDrawnKind = ws.documentKind;
    }
    DrawPageSet(page, ws, ws.documentKind != kCalibrationDocument);
}

}  // namespace karnea
