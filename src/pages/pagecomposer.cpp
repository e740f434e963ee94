#include "pages/pagecomposer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "pages/calibrationpages.h"
#include "pages/datasheet.h"
#include "pages/testgraph.h"
#include "records/choices.h"

namespace karnea {
namespace {

constexpr double kMmPerInchInverse = 0.03937007874015748;
constexpr double kPointsPerInchInverse = 0.013888888888888888;
constexpr int kDeviceLimit = 32767;
constexpr int kMaxDashes = 1000001;
constexpr int kRowsPerTablePage = 40;

// Where the blocks of a page begin (mm below the top margin): the graph
// bodies and the table bodies; the page number's company line below them.
constexpr double kTestGraphBlock = 63;
constexpr double kTestTableBlock = 43;
constexpr double kCalibrationBlock = 44;
constexpr double kCompanyLineY = 236;

int ClampDevice(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(value), -double(kDeviceLimit), double(kDeviceLimit)));
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

// The number caption: spread when longer than 6 bytes, else as it is at x 10.
void DrawNumberCaption(PageComposer& page, const std::string& caption, double y) {
    if (caption.size() > 6) {
        page.DrawSpreadTextMm(10, 30, y, y, 2, 0, caption);
    } else {
        page.SetAlign(TextAlign::leftTop);
        page.DrawTextMm(10, y, caption);
    }
}

const HeaderTexts& HeaderOf(const PageSource& source) {
    return source.kind == DocumentKind::calibration ? source.calibration.calibrationHeader
                                                    : source.test.testHeader;
}

// The pages each set composes: the test's result page and its data sheets;
// the calibration's graph and table.
int ComposedPages(const PageSource& source) {
    return source.kind == DocumentKind::test ? PageCount(source) : 2;
}

// The steps every page of both sets shares around the page's own body.
void DrawPageSet(PageComposer& page, const PageSource& source, int current) {
    Surface& surface = page.surface();
    const bool test = source.kind == DocumentKind::test;
    const HeaderTexts& h = HeaderOf(source);
    const bool graphPage = current == 1;

    surface.SaveFont();
    page.blockOffset = 0;
    page.SelectRoleFont(FontRole::title);
    if (current >= 1 && current <= ComposedPages(source)) {
        page.SetAlign(TextAlign::centerBottom);
        page.DrawTextMm(80, 2.2, h[graphPage ? header::graphTitle : header::tableTitle]);

        page.SelectRoleFont(FontRole::heading);
        const double lineHeight = page.LineHeightMm(FontRole::heading);
        if (test) {
            page.DrawTestHeader(h);
            if (graphPage) {
                DrawResultSummary(page, source.test);
            }
        } else {
            page.DrawCalibrationHeader(h);
        }
        const double companyY = kCompanyLineY + 2.5 * lineHeight;
        page.SetAlign(TextAlign::rightTop);
        const std::string& company = h[header::companyName];
        page.DrawTextMm(166, companyY,
                        company.empty() ? source.settings.defaultCompanyName : company);

        // Data-sheet pages are numbered from the first of them.
        const int pageIndex = test && !graphPage ? current - 1 : 1;
        page.DrawPageNumber(h, graphPage ? PageKind::graph : PageKind::table, pageIndex, companyY);

        if (graphPage) {
            page.blockOffset = test ? kTestGraphBlock : kCalibrationBlock;
            page.SelectRoleFont(FontRole::graph);
            const double graphLine = page.LineHeightMm(FontRole::graph);
            if (test) {
                DrawTestGraph(page, source.test, graphLine);
            } else {
                DrawCalibrationGraph(page, source.calibration, graphLine);
            }
        } else {
            page.blockOffset = test ? kTestTableBlock : kCalibrationBlock;
            page.SelectRoleFont(FontRole::table);
            if (test) {
                DrawDataSheet(page, source.test, current - 1);
            } else {
                DrawCalibrationTable(page, source.calibration.calibrationRows);
            }
        }
    }
    surface.RestoreFont();
}

}  // namespace

std::string HeaderNumber(const std::string& text, int decimals) {
    return FormatDerived(HeaderDecimalsFormat(decimals), TextToDouble(text));
}

double MapScale(double v, double lo, double hi, double a, double b) {
    if (std::fabs(hi - lo) < 0.000001) {
        return 0;
    }
    return a + (v - lo) / (hi - lo) * (b - a);
}

long GridColour(const Settings& settings) {
    return settings.gridMonochrome != 0 ? 0 : TextToLongAnyBase(settings.gridColour);
}

PageComposer::PageComposer(const Settings& settings, Surface& surface, Messages& messages)
    : settings_(settings), surface_(surface), messages_(messages) {
    leftMargin = settings.graphLeftMargin;
    topMargin = settings.graphTopMargin;
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
        messages_.Show(msg::cannotCreateFont);
    }
}

int PageComposer::FontHeight(FontRole role) const {
    return ClampDevice(surface_.DpiY() * settings_.font(role).size * kPointsPerInchInverse);
}

double PageComposer::LineHeightMm(FontRole role) const {
    return FontHeight(role) / uy_;
}

void PageComposer::SelectRoleFont(FontRole role, int angle) {
    const FontSetting& f = settings_.font(role);
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
    // Taken wide so that long dashes or gaps from a damaged setting cannot
    // wrap round; a line never has more dashes than its length allows.
    const long long dashLength = dash;
    const long long step = dashLength + gap;
    const long long length = std::max(std::llabs(static_cast<long long>(bx) - ax),
                                      std::llabs(static_cast<long long>(by) - ay));
    const long long most = std::min<long long>(kMaxDashes, length / step + 1);
    // The dashes drawn: one, then one more a step on while the next would
    // still start short of the end.
    long long count = 0;
    long long x = ax;
    long long y = ay;
    while (count < most) {
        ++count;
        x += sx * step;
        y += sy * step;
        if (!(x < bx - sx * dashLength || y < by - sy * dashLength)) {
            break;
        }
    }
    surface_.DrawDashes(ax, ay, sx, sy, dashLength, step, count, width, colour);
}

void Surface::DrawDashes(long long x, long long y, int sx, int sy, long long dash, long long step,
                         long long count, int width, long colour) {
    for (long long n = 0; n < count; ++n, x += sx * step, y += sy * step) {
        DrawLine(ClampDevice(static_cast<double>(x)), ClampDevice(static_cast<double>(y)),
                 ClampDevice(static_cast<double>(x + sx * dash)),
                 ClampDevice(static_cast<double>(y + sy * dash)), width, colour);
    }
}

void PageComposer::DrawCircleMm(double x, double y, double r, int width, long colour) {
    surface_.DrawCircle(ToDeviceX(x), ToDeviceY(y), ClampDevice(r * uy_), width, colour);
}

namespace {

// No line of a page shows more than this; a longer text is cut, so that a
// huge header text costs no more than what the page shows.
constexpr std::size_t kPageTextBytes = 512;

// The text itself when it is short, else its cut copy in `cut`.
const std::string& PageText(const std::string& text, std::string& cut) {
    if (text.size() <= kPageTextBytes) {
        return text;
    }
    cut = CutCp932(text, kPageTextBytes);
    return cut;
}

}  // namespace

void PageComposer::DrawTextMm(double x, double y, const std::string& text) {
    std::string cut;
    surface_.DrawText(ToDeviceX(x), ToDeviceY(y), PageText(text, cut));
}

void PageComposer::DrawTextInBoxMm(double x1, double y1, double x2, double y2,
                                   const std::string& text) {
    const int ax = ToDeviceX(x1);
    const int ay = ToDeviceY(y1);
    const int bx = ToDeviceX(x2);
    const int by = ToDeviceY(y2);
    std::string cut;
    surface_.DrawTextInBox(std::min(ax, bx) + 1, std::min(ay, by) + 1, std::max(ax, bx) - 1,
                           std::max(ay, by) - 1, PageText(text, cut));
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

void PageComposer::DrawCalibrationHeader(const HeaderTexts& h) {
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

void PageComposer::DrawTestHeader(const HeaderTexts& h) {
    const Settings& s = settings_;
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

void PageComposer::DrawPageNumber(const HeaderTexts& h, PageKind pageKind, int pageIndex,
                                  double companyLineY) {
    const double savedLeft = leftMargin;
    const double savedTop = topMargin;
    const double savedBlock = blockOffset;
    leftMargin = 0;
    topMargin = 0;
    SelectRoleFont(FontRole::page);

    const int base =
        pageKind == PageKind::graph ? header::graphPagePrefix : header::tablePagePrefix;
    const std::string& prefix = h[base];
    const std::string& start = h[base + 1];
    const std::string& suffix = h[base + 2];
    // The sum is taken wide: a start number near the limit of int stays a
    // number instead of wrapping round.
    const std::string text =
        IsNumber(start)
            ? prefix +
                  FormatText("%lld", static_cast<long long>(TextToInt(start)) + pageIndex - 1) +
                  suffix
            : prefix + start + suffix;
    if (!text.empty()) {
        double x = 0;
        if (PageNumberCentred(h)) {
            SetAlign(TextAlign::centerTop);
            x = TextToDouble(h[header::leftMarginCentred]);
        } else {
            SetAlign(TextAlign::leftTop);
            x = TextToDouble(h[header::leftMarginFromPaper]);
        }
        if (!PageNumberBelowName(h)) {
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

void ComposePage(const PageSource& source, int page, Surface& surface, Messages& messages) {
    PageComposer composer(source.settings, surface, messages);
    DrawPageSet(composer, source, page);
}

int PageCount(const PageSource& source) {
    const int rows =
        source.kind == DocumentKind::calibration
            ? CountCalibrationRows(source.calibration.calibrationRows, calibrationField::pm)
            : CountTestRows(source.test.testRows, testField::pm);
    return rows / kRowsPerTablePage + 2;
}

bool DrawPages(const PageSource& source, const std::vector<int>& pages, PageTarget& target,
               Messages& messages) {
    for (const int page : pages) {
        Surface* surface = target.BeginPage(page, source.kind);
        if (surface == nullptr) {
            return false;
        }
        ComposePage(source, page, *surface, messages);
        if (!target.EndPage(page)) {
            return false;
        }
    }
    return true;
}

std::vector<int> AllPages(const PageSource& source) {
    std::vector<int> pages;
    for (int page = 1, count = PageCount(source); page <= count; ++page) {
        pages.push_back(page);
    }
    return pages;
}

std::vector<int> PrintJobPages(int from, int to, bool lastPageFirst, int copies, bool collate) {
    std::vector<int> set;
    for (int page = from; page <= to; ++page) {
        set.push_back(page);
    }
    if (lastPageFirst) {
        std::reverse(set.begin(), set.end());
    }
    std::vector<int> pages;
    const int sets = collate ? copies : 1;
    const int each = collate ? 1 : copies;
    for (int s = 0; s < sets; ++s) {
        for (const int page : set) {
            pages.insert(pages.end(), static_cast<std::size_t>(std::max(each, 1)), page);
        }
    }
    return pages;
}

}  // namespace karnea
