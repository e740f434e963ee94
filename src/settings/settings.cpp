#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <variant>
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"

namespace karnea {
namespace {

constexpr int kSysLineCount = 61;
// The settings files are read no further than their last line in use, and
// a line no longer than any setting needs.
constexpr std::size_t kSettingLineBytes = 65536;
constexpr std::size_t kFontLineCount = 4;
constexpr const char* kSysMarker = "305";
constexpr const char* kLocationFileName = "LunKvr5.whr";
constexpr const char* kDefaultInstallFolder = "VardoXQ/Kvar5";
constexpr const char* kEngineerMasterName = "M.mst";
constexpr const char* kHelpTextName = "Help.txt";

// Where a line of "Sys.ndx" goes: a text (with its caption for messages), an
// integer, or a double written with its own format.
struct TextLine {
    std::string Settings::*member;
    const char* caption;
};
struct IntLine {
    int Settings::*member;
};
struct RealLine {
    double Settings::*member;
    int decimals;
};
using LineTarget = std::variant<std::monostate, TextLine, IntLine, RealLine>;

struct SysLine {
    int line;
    LineTarget target;
};

const std::vector<SysLine>& SysLines() {
    static const std::vector<SysLine> lines = {
        {1, TextLine{&Settings::defaultNumberCaption, "No.項目名"}},
        {2, IntLine{&Settings::volumeUnit}},
        {3, TextLine{&Settings::defaultTableTitle, "データ表タイトル"}},
        {4, IntLine{&Settings::pwDecimals}},
        {5, IntLine{&Settings::pzDecimals}},
        {6, IntLine{&Settings::pmDecimals}},
        {7, IntLine{&Settings::pressureDecimals}},
        {8, IntLine{&Settings::volumeDecimals}},
        {10, IntLine{&Settings::showSiCoefficient}},
        {11, TextLine{&Settings::defaultGraphTitle, "グラフタイトル"}},
        {12, TextLine{&Settings::modulusName, "変形・弾性 見出し"}},
        {13, TextLine{&Settings::modulusSymbol, "変形係数の記号"}},
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
        {30, RealLine{&Settings::initialVolumeV0, kInitialVolumeDecimals}},
        {31, RealLine{&Settings::compressionA, kCompressionADecimals}},
        {33, TextLine{&Settings::siCoefficient, "ＳＩ 換算係数Ｃ"}},
        {34, IntLine{&Settings::graphTopMargin}},
        {35, IntLine{&Settings::graphLeftMargin}},
        {36, TextLine{&Settings::engineerMasterLine, "技術者名のマスタファイル"}},
        {39, TextLine{&Settings::defaultCompanyName, "調査業者名の初期設定"}},
        {40, TextLine{&Settings::contactAddress, "連絡先"}},
        {41, IntLine{&Settings::enterKeyMode}},
        {42, IntLine{&Settings::reservedSetting42}},
        {45, IntLine{&Settings::gridMonochrome}},
        {46, TextLine{&Settings::gridColour, "グリッドの色"}},
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

std::string CurrentFolder() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string(".") : PathText(cwd);
}

// A location line names a folder only when it is an absolute path: a
// relative one would follow the folder the program was started from (a
// drive-letter path is absolute on Windows alone).
bool IsUsableLocation(const std::string& line) {
    return line.size() > 1 && PathOf(line).is_absolute();
}

void SetFolderPaths(Settings& s) {
    s.settingsFolder =
        s.installDrive.empty() ? s.installFolder : s.installDrive + ":" + s.installFolder;
    s.settingsFilePath = JoinPath(s.settingsFolder, "Sys.ndx");
    s.engineerMasterPath = JoinPath(s.settingsFolder, kEngineerMasterName);
}

void ReadSysFile(Settings& s, const std::vector<std::string>& lines) {
    const int count = std::min<int>(static_cast<int>(lines.size()), kSysLineCount);
    for (int n = 1; n < count; ++n) {
        const std::string& text = lines[static_cast<std::size_t>(n)];
        const LineTarget target = TargetOfLine(n);
        if (const auto* t = std::get_if<TextLine>(&target)) {
            s.*(t->member) = text;
        } else if (const auto* i = std::get_if<IntLine>(&target)) {
            const bool numeric = IsNumber(text);
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

constexpr FontRole kRoles[] = {FontRole::title, FontRole::heading,     FontRole::table,
                               FontRole::graph, FontRole::calculation, FontRole::page};

std::size_t IndexOf(FontRole role) {
    return static_cast<std::size_t>(role) - 1;
}

// A damaged or hand-edited file may hold anything: a number that cannot be
// used (usableRange) is replaced, and the user told which and by what; any
// other is kept as the file has it.
void ReplaceUnusable(Settings& s, Messages& messages) {
    std::string replaced;
    const auto said = [&](const char* caption, const std::string& was, const std::string& now) {
        replaced += std::string("\n") + caption + ": " + was + " → " + now;
    };
    const auto clamp = [&](int& value, SettingRange range, const char* caption) {
        const int now = static_cast<int>(std::clamp<double>(value, range.lowest, range.highest));
        if (now != value) {
            said(caption, std::to_string(value), std::to_string(now));
            value = now;
        }
    };
    const std::pair<int Settings::*, const char*> decimals[] = {
        {&Settings::pwDecimals, "Pw の桁数"},
        {&Settings::pzDecimals, "Pz の桁数"},
        {&Settings::pmDecimals, "Pm の桁数"},
        {&Settings::pressureDecimals, "Pm+Pz, Pi, P の桁数"},
        {&Settings::volumeDecimals, "V, ΔV, Vm の桁数"},
        {&Settings::pointDecimals, "Po, Pf, Pl, dP の桁数"},
        {&Settings::dvDecimals, "dV の桁数"},
        {&Settings::emDecimals, "Em の桁数"},
        {&Settings::aDecimals, "a の桁数"}};
    for (const auto& [member, caption] : decimals) {
        clamp(s.*member, usableRange::decimals, caption);
    }
    const std::tuple<int Settings::*, SettingRange, const char*> lengths[] = {
        {&Settings::frameLineWidth, usableRange::lineWidth, "枠の線の太さ"},
        {&Settings::ruleLineWidth, usableRange::lineWidth, "罫線の太さ"},
        {&Settings::gridLineWidth, usableRange::lineWidth, "グリッドの線の太さ"},
        {&Settings::gridDashLength, usableRange::dashLength, "グリッドの破線の長さ"},
        {&Settings::gridGapLength, usableRange::dashLength, "グリッドの破線の間隔"},
        {&Settings::graphTopMargin, usableRange::margin, "グラフの上マージン"},
        {&Settings::graphLeftMargin, usableRange::margin, "グラフの左マージン"},
        {&Settings::tableTopMargin, usableRange::margin, "データ表の上マージン"},
        {&Settings::tableLeftMargin, usableRange::margin, "データ表の左マージン"}};
    for (const auto& [member, range, caption] : lengths) {
        clamp(s.*member, range, caption);
    }
    // The constants of the calculation go back to their standard values.
    if (!(TextToDouble(s.siCoefficient) >= settingRange::siCoefficient.lowest) ||
        !std::isfinite(TextToDouble(s.siCoefficient))) {
        said("ＳＩ 換算係数Ｃ", Cp932ToUtf8(s.siCoefficient), std::string(kStandardSiCoefficient));
        s.siCoefficient = kStandardSiCoefficient;
    }
    if (!(s.initialVolumeV0 >= settingRange::initialVolume.lowest) ||
        !std::isfinite(s.initialVolumeV0)) {
        said("初期体積 V0", FormatText("%g", s.initialVolumeV0),
             FormatText("%g", kStandardInitialVolume));
        s.initialVolumeV0 = kStandardInitialVolume;
    }
    if (!std::isfinite(s.compressionA)) {
        said("圧縮量 a", FormatText("%g", s.compressionA), "0");
        s.compressionA = 0.0;
    }
    if (!replaced.empty()) {
        messages.Show(FormatMessage(msg::settingsReplaced, s.settingsFilePath) + replaced);
    }
}

// The "Sys.ndx" bytes of the settings, or the message when a text cannot be
// written.
std::string SysFileBytes(const Settings& s, std::string& refusal) {
    std::string out;
    for (int n = 0; n < kSysLineCount; ++n) {
        const LineTarget target = TargetOfLine(n);
        if (n == 0) {
            out += kSysMarker;
        } else if (const auto* t = std::get_if<TextLine>(&target)) {
            const std::string& text = s.*(t->member);
            if (text.find_first_of("\r\n") != std::string::npos) {
                refusal = FormatMessage(msg::unsafeSettingText, t->caption);
                return {};
            }
            out += text;
        } else if (const auto* i = std::get_if<IntLine>(&target)) {
            out += FormatText("%d", s.*(i->member));
        } else if (const auto* r = std::get_if<RealLine>(&target)) {
            out += FormatText("%.*f", r->decimals, s.*(r->member));
        }
        out += "\r\n";
    }
    return out;
}

std::string FontFileBytes(const FontSetting& f) {
    return FormatText("%.*f\r\n", kFontSizeDecimals, f.size) + f.face + "\r\n" +
           FormatText("%ld\r\n%d\r\n", f.colour, f.underline);
}

const std::string& StandardFace() {
    static const std::string face = Sjis("ＭＳ 明朝");
    return face;
}

void LoadFonts(Settings& s, Messages& messages) {
    for (const FontRole role : kRoles) {
        FontSetting font = DefaultFont(role);
        const std::string path = FontFilePath(s, role);
        const auto lines = ReadTextLines(path, kFontLineCount, kSettingLineBytes);
        if (!lines) {
            if (role == FontRole::title) {
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
        if (!FontSizeRange(role).Contains(font.size)) {
            font.size = kRoleSizes[IndexOf(role)].standard;
        }
        s.font(role) = font;
    }
}

}  // namespace

std::string DefaultBaseFolder() {
    if (const auto home = EnvironmentValue("KARNEA_HOME"); home && !home->empty()) {
        return *home;
    }
    if (const std::optional<std::string> config = UserConfigFolder()) {
        return JoinPath(*config, "karnea");
    }
    return JoinPath(CurrentFolder(), ".karnea");
}

void LocateSettings(Settings& s) {
    if (!s.locationFound) {
        s.locationFound = true;
        s.installDrive.clear();
        s.installFolder.clear();
        s.systemDrive = s.baseFolder.empty() ? DefaultBaseFolder() : s.baseFolder;
        if (!s.fixedFolder.empty()) {
            s.installFolder = s.fixedFolder;
        } else {
            std::string line = ReadFirstLine(JoinPath(s.systemDrive, kLocationFileName));
            if (line.empty()) {
                line = ReadFirstLine(JoinPath(CurrentFolder(), kLocationFileName));
            }
            s.installFolder =
                IsUsableLocation(line) ? line : JoinPath(s.systemDrive, kDefaultInstallFolder);
        }
    }
    SetFolderPaths(s);
}

Installation CompleteInstallation(Settings& s) {
    LocateSettings(s);
    if (!s.fixedFolder.empty()) {
        return {};
    }
    namespace fs = std::filesystem;
    Settings standard = s;
    ApplyStandardSettings(standard);
    standard.engineerMasterLine = standard.engineerMasterPath;
    for (const FontRole role : kRoles) {
        standard.font(role) = DefaultFont(role);
    }
    FileContents set;
    SilentMessages never;  // the standard texts hold no line break
    AddSettingsFile(set, standard, standard.settingsFilePath, never);
    AddFontFiles(set, standard);
    set.emplace_back(HelpTextPath(s), std::string(ShippedHelpText()));
    set.emplace_back(s.engineerMasterPath, std::string());
    // Whatever is there under a name of the set (even a link that leads
    // nowhere) is the user's and stays.
    FileContents missing;
    std::error_code ec;
    for (const auto& file : set) {
        if (!fs::exists(fs::symlink_status(PathOf(file.first), ec))) {
            missing.push_back(file);
        }
    }
    const fs::path folder = PathOf(s.settingsFolder);
    RemoveEndedSavesIn(s.settingsFolder);
    if (missing.empty()) {
        return {};
    }
    Installation made;
    for (const auto& file : missing) {
        // The help text belongs to the program (the setup program lays it
        // down too): one that has gone is laid down again without a word.
        if (file.first != HelpTextPath(s)) {
            made.completedFiles.push_back(PathText(PathOf(file.first).filename()));
        }
    }
    // A folder that holds no file of the set but the help text is new.
    made.outcome =
        made.completedFiles.size() == set.size() - 1 ? Installation::made : Installation::completed;
    fs::create_directories(folder, ec);
    if (!ReplaceFiles(missing)) {
        // Only the help text missing: the help window says so when asked.
        made.outcome = made.completedFiles.empty() ? Installation::existing : Installation::failed;
        made.completedFiles.clear();
        return made;
    }
    return made;
}

bool MoveInstallation(Settings& s, const std::string& folder) {
    LocateSettings(s);
    s.installDrive.clear();
    s.installFolder = folder;
    SetFolderPaths(s);
    const bool installed = CompleteInstallation(s).outcome != Installation::failed;
    std::error_code ec;
    std::filesystem::create_directories(PathOf(s.systemDrive), ec);
    return ReplaceFile(JoinPath(s.systemDrive, kLocationFileName), folder + "\r\n") && installed;
}

void LoadSettings(Settings& s, bool reset, Messages& messages) {
    if (reset) {
        s.generalLoaded = false;
        s.fontsLoaded = false;
    }
    LocateSettings(s);
    if (!s.generalLoaded) {
        s.generalLoaded = true;
        if (const auto lines =
                ReadTextLines(s.settingsFilePath, kSysLineCount, kSettingLineBytes)) {
            ReadSysFile(s, *lines);
        } else {
            ApplyStandardSettings(s);
            messages.Show(FormatMessage(msg::fileNotFound, s.settingsFilePath));
        }
        s.engineerMasterLine = s.engineerMasterPath;
    }
    ReplaceUnusable(s, messages);
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
    s.initialVolumeV0 = kStandardInitialVolume;
    s.compressionA = 0.0;
    s.siCoefficient = kStandardSiCoefficient;
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

bool AddSettingsFile(FileContents& files, const Settings& s, const std::string& path,
                     Messages& messages) {
    std::string refusal;
    std::string bytes = SysFileBytes(s, refusal);
    if (!refusal.empty()) {
        messages.Show(refusal);
        return false;
    }
    files.emplace_back(path, std::move(bytes));
    return true;
}

void AddFontFiles(FileContents& files, const Settings& s) {
    for (const FontRole role : kRoles) {
        files.emplace_back(FontFilePath(s, role), FontFileBytes(s.font(role)));
    }
}

bool SaveSettings(const Settings& s, const std::string& path, Messages& messages) {
    FileContents files;
    return AddSettingsFile(files, s, path, messages) && ReplaceFiles(files);
}

bool SaveFontFiles(const Settings& s) {
    FileContents files;
    AddFontFiles(files, s);
    return ReplaceFiles(files);
}

double AsSaved(double value, int decimals) {
    return TextToDouble(FormatText("%.*f", decimals, value));
}

SettingRange FontSizeRange(FontRole role) {
    return {1, kRoleSizes[IndexOf(role)].largest, false};
}

FontSetting DefaultFont(FontRole role) {
    FontSetting font;
    font.face = StandardFace();
    font.size = kRoleSizes[IndexOf(role)].standard;
    return font;
}

FontSetting StandardFont(FontRole role) {
    FontSetting font;
    font.face = StandardFace();
    font.size = kDialogStandardSizes[IndexOf(role)];
    return font;
}
std::string ReadFirstLine(const std::string& path) {
    const auto lines = ReadTextLines(path, 1, kSettingLineBytes);
    if (!lines || lines->empty() || lines->front().size() <= 1) {
        return {};
    }
    return lines->front();
}

FolderMemory ReadFolderMemory(const Settings& s) {
    FolderMemory memory;
    if (const auto lines = ReadTextLines(FolderMemoryPath(s), 2, kSettingLineBytes)) {
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

std::string FontFilePath(const Settings& s, FontRole role) {
    return JoinPath(s.settingsFolder, FormatText("Font%d.ndx", static_cast<int>(role)));
}

std::string FolderMemoryPath(const Settings& s) {
    return JoinPath(s.settingsFolder, "FileV.ndx");
}

std::string HelpTextPath(const Settings& s) {
    return JoinPath(s.settingsFolder, kHelpTextName);
}

}  // namespace karnea
