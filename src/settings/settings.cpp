#include "settings/settings.h"

#include <cstdlib>
#include <filesystem>
#include <variant>
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "base/textfields.h"
#include "document/workspace.h"

namespace karnea {
namespace {

constexpr int kSysLineCount = 61;
constexpr const char* kSysMarker = "305";
constexpr const char* kLocationFileName = "LunKvr5.whr";
constexpr const char* kDefaultInstallFolder = "/VardoXQ/Kvar5";

// Where a line of "Sys.ndx" goes: a text, an integer, or a double written with
// its own format.
struct TextLine {
    std::string Settings::*member;
};
struct IntLine {
    int Settings::*member;
};
struct RealLine {
    double Settings::*member;
    const char* format;
};
using LineTarget = std::variant<std::monostate, TextLine, IntLine, RealLine>;

struct SysLine {
    int line;
    LineTarget target;
};

const std::vector<SysLine>& SysLines() {
    static const std::vector<SysLine> lines = {
        {1, TextLine{&Settings::defaultNumberCaption}},
        {2, IntLine{&Settings::volumeUnit}},
        {3, TextLine{&Settings::defaultTableTitle}},
        {4, IntLine{&Settings::pwDecimals}},
        {5, IntLine{&Settings::pzDecimals}},
        {6, IntLine{&Settings::pmDecimals}},
        {7, IntLine{&Settings::pressureDecimals}},
        {8, IntLine{&Settings::volumeDecimals}},
        {10, IntLine{&Settings::showSiCoefficient}},
        {11, TextLine{&Settings::defaultGraphTitle}},
        {12, TextLine{&Settings::modulusName}},
        {13, TextLine{&Settings::modulusSymbol}},
        {14, IntLine{&Settings::rotateAxisNames}},
        {15, IntLine{&Settings::reservedSetting15}},
        {16, IntLine{&Settings::pointDecimals}},
        {17, IntLine{&Settings::dvDecimals}},
        {18, IntLine{&Settings::emDecimals}},
        {19, IntLine{&Settings::aDecimals}},
        {20, IntLine{&Settings::hidePointLetters}},
        {25, IntLine{&Settings::frameLineWidth}},
        {26, IntLine{&Settings::ruleLineWidth}},
        {27, IntLine{&Settings::gridLineWidth}},
        {28, IntLine{&Settings::gridDashLength}},
        {29, IntLine{&Settings::gridGapLength}},
        {30, RealLine{&Settings::initialVolumeV0, "%.2f"}},
        {31, RealLine{&Settings::compressionA, "%.6f"}},
        {33, TextLine{&Settings::siCoefficient}},
        {34, IntLine{&Settings::graphTopMargin}},
        {35, IntLine{&Settings::graphLeftMargin}},
        {36, TextLine{&Settings::engineerMasterLine}},
        {39, TextLine{&Settings::defaultCompanyName}},
        {40, TextLine{&Settings::contactAddress}},
        {41, IntLine{&Settings::enterKeyMode}},
        {42, IntLine{&Settings::reservedSetting42}},
        {45, IntLine{&Settings::gridMonochrome}},
        {46, TextLine{&Settings::gridColour}},
        {47, IntLine{&Settings::reservedSetting47}},
        {48, IntLine{&Settings::reservedSetting48}},
        {49, IntLine{&Settings::tableTopMargin}},
        {50, IntLine{&Settings::tableLeftMargin}},
    };
    return lines;
}

LineTarget TargetOfLine(int line) {
    for (const SysLine& l : SysLines()) {
        if (l.line == line) {
            return l.target;
        }
    }
    return std::monostate{};
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string CurrentFolder() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

void FindLocation(Settings& s) {
    s.installDrive.clear();
    s.installFolder.clear();
    s.systemDrive = s.baseFolder.empty() ? DefaultBaseFolder() : s.baseFolder;
    if (!s.fixedFolder.empty()) {
        s.installFolder = s.fixedFolder;
        return;
    }
    std::string line = ReadFirstLine(Join(s.systemDrive, kLocationFileName));
    if (line.empty()) {
        line = ReadFirstLine(Join(CurrentFolder(), kLocationFileName));
    }
    if (line.size() > 1) {
        s.installFolder = line;
    } else {
        s.installFolder = s.systemDrive + kDefaultInstallFolder;
    }
}

void ReadSysFile(Settings& s, const std::vector<std::string>& lines) {
    const int count = std::min<int>(static_cast<int>(lines.size()), kSysLineCount);
    for (int n = 1; n < count; ++n) {
        const std::string& text = lines[static_cast<std::size_t>(n)];
        const LineTarget target = TargetOfLine(n);
        if (const auto* t = std::get_if<TextLine>(&target)) {
            s.*(t->member) = text;
        } else if (const auto* i = std::get_if<IntLine>(&target)) {
            const bool numeric = IsNumericText(text) >= 1;
            if (i->member == &Settings::enterKeyMode && !numeric) {
                s.enterKeyMode = 1;
            } else {
                s.*(i->member) = numeric ? TextToInt(text) : 0;
            }
        } else if (const auto* r = std::get_if<RealLine>(&target)) {
            s.*(r->member) = TextToDouble(text);
        }
    }
}

// The standard and largest size of each font role.
struct RoleSizes {
    double standard;
    double largest;
};
constexpr std::array<RoleSizes, kFontRoleCount> kRoleSizes = {
    {{12, 400}, {11, 100}, {8, 100}, {8, 100}, {8, 100}, {10, 100}}};

// Standard sizes of the font dialog's standard button (role 3 differs).
constexpr std::array<double, kFontRoleCount> kDialogStandardSizes = {12, 11, 9, 8, 8, 10};

const std::string& StandardFace() {
    static const std::string face = Sjis("ＭＳ 明朝");
    return face;
}

void LoadFonts(Settings& s, Messages& messages) {
    for (int role = 1; role <= kFontRoleCount; ++role) {
        FontSetting font;
        font.face = StandardFace();
        const std::string path = FontFilePath(s, role);
        const auto lines = ReadTextLines(path);
        if (!lines) {
            if (role == 1) {
                messages.Show(FormatMessage(msg::fileNotFound, path));
            }
        } else {
            const auto line = [&](std::size_t n) -> const std::string* {
                return n <= lines->size() ? &(*lines)[n - 1] : nullptr;
            };
            if (const std::string* l = line(1)) {
                font.size = TextToDouble(*l);
            }
            if (const std::string* l = line(2)) {
                font.face = *l;
            }
            if (const std::string* l = line(3)) {
                font.colour = TextToLongAnyBase(*l);
            }
            if (const std::string* l = line(4)) {
                font.underline = TextToInt(*l);
            }
        }
        if (font.face.size() <= 1) {
            font.face = StandardFace();
        }
        const RoleSizes sizes = kRoleSizes[static_cast<std::size_t>(role - 1)];
        if (!(font.size > 1) || font.size > sizes.largest) {
            font.size = sizes.standard;
        }
        s.fonts[static_cast<std::size_t>(role - 1)] = font;
    }
}

}  // namespace

std::string DefaultBaseFolder() {
    const auto env = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    };
    if (const std::string home = env("KARNEA_HOME"); !home.empty()) {
        return home;
    }
    if (const std::string xdg = env("XDG_CONFIG_HOME"); !xdg.empty() && xdg[0] == '/') {
        return xdg + "/karnea";
    }
    if (const std::string home = env("HOME"); !home.empty()) {
        return home + "/.config/karnea";
    }
    return CurrentFolder() + "/.karnea";
}

void LoadSettings(Workspace& ws, bool reset, Messages& messages) {
    Settings& s = ws.settings;
    if (reset) {
        s.generalLoaded = false;
        s.fontsLoaded = false;
    }
    if (!s.locationFound) {
        s.locationFound = true;
        FindLocation(s);
    }
    s.settingsFolder =
        s.installDrive.empty() ? s.installFolder : s.installDrive + ":" + s.installFolder;
    s.settingsFilePath = Join(s.settingsFolder, "Sys.ndx");
    s.engineerMasterPath = Join(s.settingsFolder, "M.mst");

    if (!s.generalLoaded) {
        s.generalLoaded = true;
        if (const auto lines = ReadTextLines(s.settingsFilePath)) {
            ReadSysFile(s, *lines);
        } else {
            ApplyStandardSettings(s);
            messages.Show(FormatMessage(msg::fileNotFound, s.settingsFilePath));
        }
        s.engineerMasterLine = s.engineerMasterPath;
    }
    if (TextToDouble(s.siCoefficient) < 10) {
        s.siCoefficient = "100.0";
    }
    if (s.initialVolumeV0 < 0.1) {
        s.initialVolumeV0 = 535.0;
    }
    ApplyRecordDefaults(ws);
    if (!s.fontsLoaded) {
        s.fontsLoaded = true;
        LoadFonts(s, messages);
    }
}

void ApplyStandardSettings(Settings& s) {
    s.defaultNumberCaption = Sjis("Ｎｏ．");
    s.volumeUnit = 0;
    s.defaultTableTitle = Sjis("　");
    s.pwDecimals = 0;
    s.pzDecimals = 1;
    s.pmDecimals = 1;
    s.pressureDecimals = 0;
    s.volumeDecimals = 2;
    s.showSiCoefficient = 0;
    s.defaultGraphTitle = Sjis("　");
    s.modulusName = Sjis("変形係数");
    s.modulusSymbol = Sjis("Ｅm");
    s.rotateAxisNames = 1;
    s.reservedSetting15 = 1;
    s.pointDecimals = 2;
    s.dvDecimals = 2;
    s.emDecimals = 2;
    s.aDecimals = 2;
    s.hidePointLetters = 0;
    s.frameLineWidth = 2;
    s.ruleLineWidth = 1;
    s.gridLineWidth = 1;
    s.gridDashLength = 5;
    s.gridGapLength = 2;
    s.initialVolumeV0 = 535.0;
    s.compressionA = 0.0;
    s.siCoefficient = "100.0";
    s.graphTopMargin = 5;
    s.graphLeftMargin = 5;
    s.defaultCompanyName = Sjis("株式会社");
    s.contactAddress = "support@karnea.invalid";
    s.enterKeyMode = 0;
    s.reservedSetting42 = 0;
    s.gridMonochrome = 0;
    s.gridColour = "0x808080";
    s.reservedSetting47 = 0;
    s.reservedSetting48 = 0;
    s.tableTopMargin = 5;
    s.tableLeftMargin = 5;
}

void ApplyRecordDefaults(Workspace& ws) {
    const Settings& s = ws.settings;
    NormalizeTestScales(ws);
    HeaderTexts& cal = ws.calibrationHeader;
    if (cal[header::tableTitle].empty()) {
        cal[header::tableTitle] = Sjis("キャリブレーション測定表");
    }
    if (cal[header::graphTitle].empty()) {
        cal[header::graphTitle] = Sjis("キャリブレーショングラフ");
    }
    for (HeaderTexts* h : {&ws.testHeader, &ws.calibrationHeader}) {
        if ((*h)[header::numberCaption].empty()) {
            (*h)[header::numberCaption] = s.defaultNumberCaption;
        }
        if ((*h)[header::companyName].empty()) {
            (*h)[header::companyName] = s.defaultCompanyName;
        }
    }
    if (ws.testHeader[header::volumeLossFlag].empty()) {
        ws.testHeader[header::volumeLossFlag] = "0";
    }
}

bool SaveSettings(const Settings& s, const std::string& path) {
    std::string out;
    for (int n = 0; n < kSysLineCount; ++n) {
        const LineTarget target = TargetOfLine(n);
        if (n == 0) {
            out += kSysMarker;
        } else if (const auto* t = std::get_if<TextLine>(&target)) {
            out += s.*(t->member);
        } else if (const auto* i = std::get_if<IntLine>(&target)) {
            out += FormatText("%d", s.*(i->member));
        } else if (const auto* r = std::get_if<RealLine>(&target)) {
            out += FormatNumber(r->format, s.*(r->member));
        }
        out += "\r\n";
    }
    return ReplaceFile(path, out);
}

void SaveFontFiles(const Settings& s) {
    for (int role = 1; role <= kFontRoleCount; ++role) {
        const FontSetting& f = s.fonts[static_cast<std::size_t>(role - 1)];
        ReplaceFile(FontFilePath(s, role), FormatText("%.1f\r\n", f.size) + f.face + "\r\n" +
                                               FormatText("%ld\r\n%d\r\n", f.colour, f.underline));
    }
}

FontSetting StandardFont(int role) {
    FontSetting font;
    font.face = StandardFace();
    font.size = kDialogStandardSizes.at(static_cast<std::size_t>(role - 1));
    return font;
}

std::string ReadFirstLine(const std::string& path) {
    const auto lines = ReadTextLines(path);
    if (!lines || lines->empty() || lines->front().size() <= 1) {
        return {};
    }
    return lines->front();
}

FolderMemory ReadFolderMemory(const Settings& s) {
    FolderMemory memory;
    if (const auto lines = ReadTextLines(FolderMemoryPath(s))) {
        if (!lines->empty()) {
            memory.folder = (*lines)[0];
        }
        if (lines->size() > 1) {
            memory.carried = (*lines)[1];
        }
    }
    return memory;
}

bool WriteFolderMemory(const Settings& s, const FolderMemory& memory) {
    return ReplaceFile(FolderMemoryPath(s), memory.folder + "\r\n" + memory.carried + "\r\n");
}

std::string FontFilePath(const Settings& s, int role) {
    return Join(s.settingsFolder, FormatText("Font%d.ndx", role));
}

std::string FolderMemoryPath(const Settings& s) {
    return Join(s.settingsFolder, "FileV.ndx");
}

}  // namespace karnea
