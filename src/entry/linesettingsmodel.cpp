#include "entry/linesettingsmodel.h"

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "entry/entrytexts.h"
#include "settings/settings.h"

namespace karnea {
namespace {

// Below this, a is shown with six decimals so that 0.00002 shows in full.
constexpr double kSmallA = 0.001;

std::string Number(double value) {
    return FormatDerived("%g", value);
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
      showSiCoefficient(s.showSiCoefficient != 0) {
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

std::optional<std::string> LineSettingsModel::Check() const {
    for (const std::string* box : {&frameWidth, &ruleWidth, &gridWidth, &dashLength, &gapLength,
                                   &margins[0], &margins[1], &margins[2], &margins[3]}) {
        if (!WholeInteger(*box)) {
            return std::string(msg::integerRefused);
        }
    }
    if (!WholeNumber(v0) || !WholeNumber(a)) {
        return std::string(msg::numberRefused);
    }
    return std::nullopt;
}

void LineSettingsModel::Accept(Settings& s) const {
    s.frameLineWidth = WholeInteger(frameWidth).value_or(0);
    s.ruleLineWidth = WholeInteger(ruleWidth).value_or(0);
    s.gridLineWidth = WholeInteger(gridWidth).value_or(0);
    s.gridDashLength = WholeInteger(dashLength).value_or(0);
    s.gridGapLength = WholeInteger(gapLength).value_or(0);
    s.gridMonochrome = monochrome_ ? 1 : 0;
    s.gridColour = colour;
    s.initialVolumeV0 = WholeNumber(v0).value_or(0.0);
    s.compressionA = WholeNumber(a).value_or(0.0);
    s.siCoefficient = c;
    s.showSiCoefficient = showSiCoefficient ? 1 : 0;
    s.graphTopMargin = WholeInteger(margins[graphTop]).value_or(0);
    s.graphLeftMargin = WholeInteger(margins[graphLeft]).value_or(0);
    s.tableTopMargin = WholeInteger(margins[tableTop]).value_or(0);
    s.tableLeftMargin = WholeInteger(margins[tableLeft]).value_or(0);
    s.defaultCompanyName = companyName;
}

}  // namespace karnea
