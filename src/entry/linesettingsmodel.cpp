#include "entry/linesettingsmodel.h"

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "settings/settings.h"

namespace karnea {
namespace {

// Below this, a is shown with six decimals so that 0.00002 shows in full.
constexpr double kSmallA = 0.001;

std::string Number(double value) {
    return FormatDerived("%g", value);
}

// "0x" and one to six hexadecimal digits, or a whole number, within the
// colours (blanks around allowed).
bool IsColourText(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) {
        return false;
    }
    const std::string t = text.substr(first, last - first + 1);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        return t.size() <= 8 &&
               t.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
    }
    const std::optional<int> value = ParseInteger(t);
    return value && settingRange::colour.Contains(*value);
}

}  // namespace

LineSettingsModel::LineSettingsModel(const Settings& s)
    : frameWidth(FormatText("%d", s.frameLineWidth)),
      ruleWidth(FormatText("%d", s.ruleLineWidth)),
      gridWidth(FormatText("%d", s.gridLineWidth)),
      dashLength(FormatText("%d", s.gridDashLength)),
      gapLength(FormatText("%d", s.gridGapLength)),
      colour(s.gridColour),
      v0(Number(s.initialVolumeV0)),
      a(s.compressionA < kSmallA ? FormatText("%.6f", s.compressionA) : Number(s.compressionA)),
      c(s.siCoefficient),
      companyName(s.defaultCompanyName),
      margins{FormatText("%d", s.graphTopMargin), FormatText("%d", s.graphLeftMargin),
              FormatText("%d", s.tableTopMargin), FormatText("%d", s.tableLeftMargin)},
      showSiCoefficient(s.showSiCoefficient != 0),
      settings_(s) {
    SetMonochrome(s.gridMonochrome != 0);
}

void LineSettingsModel::SetMonochrome(bool monochrome) {
    monochrome_ = monochrome;
    if (!monochrome_) {
        gapLength = "0";
    }
}

std::string LineSettingsModel::GridNote() const {
    return monochrome_ ? "空白部=0で実線を描画" : "実線のみ描画可能　";
}

long LineSettingsModel::ColourValue() const {
    return TextToLongAnyBase(colour);
}

void LineSettingsModel::SetColour(long value) {
    colour = FormatText("0x%06lx", value & 0xFFFFFF);
}

void LineSettingsModel::Standard() {
    frameWidth = "2";
    ruleWidth = "1";
    gridWidth = "1";
    dashLength = "5";
    gapLength = "2";
    colour = "0x808080";
    v0 = "535.0";
    a = "0.00002";
    c = "100.0";
    showSiCoefficient = false;
    margins = {"20", "25", "20", "25"};
    companyName = Sjis("株式会社");
    SetMonochrome(false);
}

std::optional<Refusal> LineSettingsModel::Check() const {
    namespace range = settingRange;
    const struct {
        const std::string& text;
        SettingRange range;
        const char* box;
    } integers[] = {{frameWidth, range::lineWidth, "frameWidth"},
                    {ruleWidth, range::lineWidth, "ruleWidth"},
                    {gridWidth, range::lineWidth, "gridWidth"},
                    {dashLength, range::dashLength, "dashLength"},
                    {gapLength, range::dashLength, "gapLength"}};
    for (const auto& i : integers) {
        if (auto refusal = CheckInteger(i.text, i.range, i.box)) {
            return refusal;
        }
    }
    // A margin that would push the drawing off the paper says so.
    const struct {
        const std::string& text;
        SettingRange range;
        const char* box;
    } margin[] = {{margins[graphTop], range::topMargin, "graphTop"},
                  {margins[graphLeft], range::leftMargin, "graphLeft"},
                  {margins[tableTop], range::topMargin, "tableTop"},
                  {margins[tableLeft], range::leftMargin, "tableLeft"}};
    for (const auto& m : margin) {
        if (CheckInteger(m.text, m.range, m.box)) {
            return Refusal{FormatMessage(msg::marginOffPaper, FormatText("%.0f", m.range.lowest),
                                         FormatText("%.0f", m.range.highest)),
                           m.box};
        }
    }
    if (auto refusal = CheckNumber(v0, range::initialVolume, "v0")) {
        return refusal;
    }
    if (auto refusal = CheckNumber(a, range::compressionA, "a")) {
        return refusal;
    }
    if (auto refusal = CheckNumber(c, range::siCoefficient, "c")) {
        return refusal;
    }
    if (!IsColourText(colour)) {
        return Refusal{std::string(msg::colourRefused), "colour"};
    }
    if (std::string why = RefusalOfText(TextKind::header, Cp932ToUtf8(companyName)); !why.empty()) {
        return Refusal{why, "companyName"};
    }
    return std::nullopt;
}

Edit LineSettingsModel::Accept() const {
    Edit edit{.name = editName::lines, .settings = settings_, .files = generalSettingsFile};
    Settings& s = *edit.settings;
    s.frameLineWidth = ParseInteger(frameWidth).value_or(0);
    s.ruleLineWidth = ParseInteger(ruleWidth).value_or(0);
    s.gridLineWidth = ParseInteger(gridWidth).value_or(0);
    s.gridDashLength = ParseInteger(dashLength).value_or(0);
    s.gridGapLength = ParseInteger(gapLength).value_or(0);
    s.gridMonochrome = monochrome_ ? 1 : 0;
    s.gridColour = colour;
    s.initialVolumeV0 = AsSaved(ParseNumber(v0).value_or(0.0), kInitialVolumeDecimals);
    s.compressionA = AsSaved(ParseNumber(a).value_or(0.0), kCompressionADecimals);
    s.siCoefficient = c;
    s.showSiCoefficient = showSiCoefficient ? 1 : 0;
    s.graphTopMargin = ParseInteger(margins[graphTop]).value_or(0);
    s.graphLeftMargin = ParseInteger(margins[graphLeft]).value_or(0);
    s.tableTopMargin = ParseInteger(margins[tableTop]).value_or(0);
    s.tableLeftMargin = ParseInteger(margins[tableLeft]).value_or(0);
    s.defaultCompanyName = companyName;
    return edit;
}

}  // namespace karnea
