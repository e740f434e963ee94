#include "pages/depthprofile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "base/encoding.h"
#include "base/textfields.h"
#include "pages/pagecomposer.h"
#include "records/choices.h"
#include "records/testdate.h"

namespace karnea {
namespace {

// The panels (mm from the page margins): the depth labels left of the first,
// the three side by side, depth from kPanelTop downwards.
constexpr double kPanelTop = 44;
constexpr double kPanelBottom = 150;
constexpr std::array<double, 3> kPanelLeft = {18, 70, 122};
constexpr double kPanelWidth = 44;
constexpr int kMostDivisions = 6;
constexpr int kMostDepthDivisions = 10;
// The axes reach a little beyond the largest value, so that no point sits on
// the frame.
constexpr double kHeadroom = 1.08;

// The table under the panels, and on continuation pages under the header.
constexpr double kTableTop = 160;
constexpr double kContinuedTableTop = 34;
constexpr double kTableBottom = 228;
constexpr double kRowHeight = 5.5;
constexpr std::array<double, 8> kColumn = {0, 18, 38, 58, 78, 100, 118, 166};
constexpr double kCompanyLineY = 236;

// Skipped files listed by name on the first page; more are counted.
constexpr std::size_t kMostSkippedListed = 5;

int RowsBetween(double top) {
    return static_cast<int>((kTableBottom - top) / kRowHeight) - 1;
}

int SkippedLines(const BoreholeProfile& p) {
    return p.skipped.empty() ? 0
                             : static_cast<int>(std::min(p.skipped.size(), kMostSkippedListed)) + 1;
}

int FirstPageRows(const BoreholeProfile& p) {
    return std::max(0, RowsBetween(kTableTop) - SkippedLines(p));
}

// An axis over `smallest`..`largest` and 0: its start, end and step, a step
// of 1, 2 or 5 times a power of ten giving at most `divisions` divisions.
struct Axis {
    double start = 0;
    double end = 1;
    double step = 1;
    int Steps() const { return static_cast<int>(std::lround((end - start) / step)); }
};
Axis NiceAxis(double smallest, double largest, int divisions) {
    const double low = std::min(0.0, smallest);
    const double high = std::max(0.0, largest);
    const double range = high - low;
    if (!(range > 0) || !std::isfinite(range)) {
        return {};
    }
    for (double power = std::pow(10.0, std::floor(std::log10(range / divisions)));
         power > 0 && std::isfinite(power); power *= 10) {
        for (const double f : {1.0, 2.0, 5.0}) {
            const double step = f * power;
            const double start = low < 0 ? std::floor(low / step + 1e-9) * step : 0.0;
            const double end = high > 0 ? std::ceil(high / step - 1e-9) * step : 0.0;
            if (std::isfinite(start) && std::isfinite(end) &&
                (end - start) / step <= divisions + 1e-9) {
                return {start, end, step};
            }
        }
    }
    // At the ends of what a number holds there is no round step.
    return {low, high, range};
}

// The values a panel shows; Em's title is the settings' name and symbol.
struct Quantity {
    const char* title;
    int headerNumber;
    bool em;
};
constexpr std::array<Quantity, 3> kQuantities = {{
    {"", header::modulusValue, true},
    {"降伏圧力 Pf′", header::pfEffective, false},
    {"極限圧力 Pl", header::plValue, false},
}};

std::optional<double> ValueOf(const HeaderTexts& h, int number) {
    if (number == header::plValue && !PlShown(h)) {
        return std::nullopt;
    }
    if (number == header::modulusValue) {
        const std::optional<double> em = StoredModulus(h);
        return em && std::isfinite(*em) ? em : std::nullopt;
    }
    if (!IsNumber(h[number])) {
        return std::nullopt;
    }
    const double v = TextToDouble(h[number]);
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::string ValueText(const Settings& s, std::optional<double> v, bool em) {
    return v ? FormatDerived(DecimalsFormat(em ? s.emDecimals : s.pointDecimals), *v)
             : std::string();
}

std::string DateOf(const HeaderTexts& h) {
    return h[header::dateEra] + h[header::dateYear] + Sjis("年") + h[header::dateMonth] +
           Sjis("月") + h[header::dateDay] + Sjis("日");
}

// The earliest and latest test dates by the calendar, whatever era they
// were typed in, "A 〜 B" (one date when they agree); dates that are no
// dates are left out.
std::string DateRange(const BoreholeProfile& p) {
    using Key = std::string;  // yyyy-mm-dd
    std::optional<std::pair<Key, const HeaderTexts*>> first;
    std::optional<std::pair<Key, const HeaderTexts*>> last;
    for (const ProfileTest& t : p.tests) {
        const HeaderTexts& h = *t.header;
        const Key key = IsoDate(h);
        if (key.empty()) {
            continue;
        }
        if (!first || key < first->first) {
            first.emplace(key, &h);
        }
        if (!last || last->first < key) {
            last.emplace(key, &h);
        }
    }
    if (!first) {
        return {};
    }
    const std::string from = DateOf(*first->second);
    const std::string to = DateOf(*last->second);
    return from == to ? from : from + Sjis(" 〜 ") + to;
}

// The engineers of the tests, each once, in the order met.
std::string Engineers(const BoreholeProfile& p) {
    std::vector<std::string> names;
    for (const ProfileTest& t : p.tests) {
        const std::string& name = (*t.header)[header::engineer];
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : Sjis("、")) + name;
    }
    return text;
}

void DrawHeaderBlock(PageComposer& page, const BoreholeProfile& p, bool continued) {
    page.SelectRoleFont(FontRole::title);
    page.SetAlign(TextAlign::centerBottom);
    page.DrawTextMm(
        80, 2.2,
        Sjis(continued ? "孔内水平載荷試験 深度分布図 (続き)" : "孔内水平載荷試験 深度分布図"));
    page.SelectRoleFont(FontRole::heading);
    const std::array<std::pair<const char*, std::string>, 4> rows = {{
        {"調　査　名", p.surveyName},
        {"孔　　　番", p.surveyNumber},
        {"測　定　者", Engineers(p)},
        {"測定年月日", DateRange(p)},
    }};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double y = 8 + 4.5 * static_cast<double>(i);
        page.SetAlign(TextAlign::leftTop);
        page.DrawSpreadTextMm(10, 30, y, y, 2, 0, Sjis(rows[i].first));
        page.DrawTextMm(35, y, rows[i].second);
    }
}

void DrawPanels(PageComposer& page, const BoreholeProfile& p) {
    const Settings& s = page.settings();
    const int outer = s.frameLineWidth;
    const long grid = GridColour(s);
    const double line = page.LineHeightMm(FontRole::graph);
    page.SelectRoleFont(FontRole::graph);

    double deepest = 0;
    for (const ProfileTest& t : p.tests) {
        deepest = std::max(deepest, TestDepth(*t.header));
    }
    const Axis depth = NiceAxis(0, deepest * kHeadroom, kMostDepthDivisions);
    const auto depthY = [&](double d) {
        return MapScale(d, 0, depth.end, kPanelTop, kPanelBottom);
    };

    // The shared depth axis.
    page.SetAlign(TextAlign::rightBottom);
    page.DrawTextMm(kPanelLeft[0] - 1, kPanelTop - 1.5 - line, Sjis("深度 (m)"));
    page.SetAlign(TextAlign::rightTop);
    const int depthSteps = depth.Steps();
    for (int i = 0; i <= depthSteps; ++i) {
        const double d = i * depth.step;
        page.DrawTextMm(kPanelLeft[0] - 1, depthY(d) - line / 2, FormatDerived("%g", d));
    }

    for (std::size_t k = 0; k < kQuantities.size(); ++k) {
        const Quantity& q = kQuantities[k];
        const double left = kPanelLeft[k];
        const double right = left + kPanelWidth;
        // The scale covers every value shown, below zero too.
        double smallest = 0;
        double largest = 0;
        bool any = false;
        for (const ProfileTest& t : p.tests) {
            if (const std::optional<double> v = ValueOf(*t.header, q.headerNumber)) {
                smallest = std::min(smallest, *v);
                largest = std::max(largest, *v);
                any = true;
            }
        }
        const Axis axis = NiceAxis(smallest * kHeadroom, largest * kHeadroom, kMostDivisions);
        const auto valueX = [&](double v) {
            return MapScale(v, axis.start, axis.end, left, right);
        };

        // Frame, grid and scale.
        page.DrawLineMm(left, kPanelTop, right, kPanelTop, outer);
        page.DrawLineMm(left, kPanelBottom, right, kPanelBottom, outer);
        page.DrawLineMm(left, kPanelTop, left, kPanelBottom, outer);
        page.DrawLineMm(right, kPanelTop, right, kPanelBottom, outer);
        for (int i = 1; i < depthSteps; ++i) {
            const double y = depthY(i * depth.step);
            page.DrawDashedLineMm(left, y, right, y, s.gridDashLength, s.gridGapLength,
                                  s.gridLineWidth, grid);
        }
        const int steps = axis.Steps();
        page.SetAlign(TextAlign::centerBottom);
        for (int i = 0; any && i <= steps; ++i) {
            const double x = valueX(axis.start + i * axis.step);
            if (i > 0 && i < steps) {
                page.DrawDashedLineMm(x, kPanelTop, x, kPanelBottom, s.gridDashLength,
                                      s.gridGapLength, s.gridLineWidth, grid);
            }
            page.DrawTextMm(x, kPanelTop - 0.5, FormatDerived("%g", axis.start + i * axis.step));
        }
        const std::string title = q.em ? s.modulusName + " " + s.modulusSymbol : Sjis(q.title);
        page.DrawTextMm((left + right) / 2, kPanelTop - 1.5 - line, title + Sjis(" (kN/㎡)"));
        if (!any) {
            // No test has the value: no scale to read, a dash in the panel.
            page.SetAlign(TextAlign::centerTop);
            page.DrawTextMm((left + right) / 2, (kPanelTop + kPanelBottom) / 2 - line / 2,
                            Sjis("—"));
            continue;
        }

        // The tests from the top down, joined, each value written beside it;
        // where the tests stand closer than a line of text, a value is
        // written only where it does not run into the one above.
        std::optional<std::pair<double, double>> previous;
        std::optional<double> lastLabel;
        for (const ProfileTest& t : p.tests) {
            const std::optional<double> v = ValueOf(*t.header, q.headerNumber);
            if (!v) {
                continue;
            }
            const double x = valueX(*v);
            const double y = depthY(TestDepth(*t.header));
            if (previous) {
                page.DrawLineMm(previous->first, previous->second, x, y, outer);
            }
            previous.emplace(x, y);
            page.DrawCircleMm(x, y, 0.8, outer);
            if (lastLabel && y - *lastLabel < line) {
                continue;
            }
            lastLabel = y;
            const bool leftOfPoint = x > left + 0.6 * kPanelWidth;
            page.SetAlign(leftOfPoint ? TextAlign::rightTop : TextAlign::leftTop);
            page.DrawTextMm(x + (leftOfPoint ? -1.3 : 1.3), y - line / 2, ValueText(s, v, q.em));
        }
    }
}

// Rows `first`.. of the table from `top`; the rows that fit.
void DrawTable(PageComposer& page, const BoreholeProfile& p, std::size_t first, int rows,
               double top) {
    const Settings& s = page.settings();
    const int outer = s.frameLineWidth;
    const int rule = s.ruleLineWidth;
    page.SelectRoleFont(FontRole::table);
    const std::size_t last = std::min(p.tests.size(), first + static_cast<std::size_t>(rows));
    const double bottom = top + kRowHeight * static_cast<double>(last - first + 1);
    const std::array<std::string, 7> captions = {Sjis("深度 (m)"), Sjis("Po′"),     Sjis("Pf′"),
                                                 Sjis("Pl"),       s.modulusSymbol, Sjis("Em/Pl"),
                                                 Sjis("ファイル")};
    for (std::size_t c = 0; c < captions.size(); ++c) {
        page.DrawTextInBoxMm(kColumn[c], top, kColumn[c + 1], top + kRowHeight, captions[c]);
    }
    page.DrawLineMm(kColumn.front(), top, kColumn.back(), top, outer);
    page.DrawLineMm(kColumn.front(), bottom, kColumn.back(), bottom, outer);
    for (std::size_t c = 0; c < kColumn.size(); ++c) {
        const bool edge = c == 0 || c + 1 == kColumn.size();
        page.DrawLineMm(kColumn[c], top, kColumn[c], bottom, edge ? outer : rule);
    }
    double y = top + kRowHeight;
    for (std::size_t i = first; i < last; ++i, y += kRowHeight) {
        page.DrawLineMm(kColumn.front(), y, kColumn.back(), y, rule);
        const HeaderTexts& t = *p.tests[i].header;
        const std::optional<double> pl = ValueOf(t, header::plValue);
        const std::optional<double> em = ValueOf(t, header::modulusValue);
        const std::array<std::string, 7> cells = {
            FormatText("%.2f", TestDepth(t)),
            ValueText(s, ValueOf(t, header::poEffective), false),
            ValueText(s, ValueOf(t, header::pfEffective), false),
            ValueText(s, pl, false),
            ValueText(s, em, true),
            pl && em && *pl > 0 ? FormatDerived("%.1f", *em / *pl) : std::string(),
            p.tests[i].fileName};
        for (std::size_t c = 0; c < cells.size(); ++c) {
            page.DrawTextInBoxMm(kColumn[c], y, kColumn[c + 1], y + kRowHeight, cells[c]);
        }
    }
}

void DrawSkipped(PageComposer& page, const BoreholeProfile& p, double top) {
    page.SelectRoleFont(FontRole::table);
    page.SetAlign(TextAlign::leftTop);
    page.DrawTextMm(
        0, top,
        Sjis("読めなかったため除いたファイル (" + std::to_string(p.skipped.size()) + " 件):"));
    const std::size_t listed = std::min(p.skipped.size(), kMostSkippedListed);
    for (std::size_t i = 0; i < listed; ++i) {
        const SkippedFile& f = p.skipped[i];
        page.DrawTextMm(4, top + kRowHeight * static_cast<double>(i + 1),
                        f.fileName + Sjis(": ") + f.reason);
    }
}

}  // namespace

double TestDepth(const HeaderTexts& testHeader) {
    const double d = std::fabs(TextToDouble(testHeader[header::depth]));
    return std::isfinite(d) ? d : 0;
}

int DepthProfilePageCount(const BoreholeProfile& profile) {
    const int rest = static_cast<int>(profile.tests.size()) - FirstPageRows(profile);
    const int perPage = RowsBetween(kContinuedTableTop);
    return 1 + (rest > 0 ? (rest + perPage - 1) / perPage : 0);
}

void DrawDepthProfile(const BoreholeProfile& profile, int page, const Settings& settings,
                      Surface& surface, Messages& messages) {
    if (page < 1 || page > DepthProfilePageCount(profile)) {
        return;
    }
    PageComposer composer(settings, surface, messages);
    surface.SaveFont();
    DrawHeaderBlock(composer, profile, page > 1);
    if (page == 1) {
        DrawPanels(composer, profile);
        const int rows = FirstPageRows(profile);
        DrawTable(composer, profile, 0, rows, kTableTop);
        if (!profile.skipped.empty()) {
            const std::size_t shown =
                std::min(profile.tests.size(), static_cast<std::size_t>(rows));
            DrawSkipped(composer, profile,
                        kTableTop + kRowHeight * static_cast<double>(shown + 1) + 2);
        }
    } else {
        const int perPage = RowsBetween(kContinuedTableTop);
        const std::size_t first =
            static_cast<std::size_t>(FirstPageRows(profile) + (page - 2) * perPage);
        DrawTable(composer, profile, first, perPage, kContinuedTableTop);
    }
    const std::string* company = &settings.defaultCompanyName;
    if (!profile.tests.empty() && !(*profile.tests.front().header)[header::companyName].empty()) {
        company = &(*profile.tests.front().header)[header::companyName];
    }
    composer.SelectRoleFont(FontRole::heading);
    composer.SetAlign(TextAlign::rightTop);
    composer.DrawTextMm(166, kCompanyLineY + 2.5 * composer.LineHeightMm(FontRole::heading),
                        *company);
    surface.RestoreFont();
}

}  // namespace karnea
