// The program-wide settings: where their files live, what "Sys.ndx", the six
// font files and the folder memory hold, and how they are loaded and saved.
// Texts are CP932, as in the files and on the pages.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/diskfile.h"

namespace karnea {

class Messages;

// The six page fonts, numbered as their files "Font1.ndx" .. "Font6.ndx".
enum class FontRole { title = 1, heading, table, graph, calculation, page };
inline constexpr int kFontRoleCount = 6;

// One page font: size in points, face, colour 0x00BBGGRR, underline (stored only).
struct FontSetting {
    double size = 0.0;
    std::string face;
    long colour = 0;
    int underline = 0;
    friend bool operator==(const FontSetting&, const FontSetting&) = default;
};

// The calculation constants a fresh installation starts with: V0, the
// initial volume of the probe's main cell (cm3), and C, kN/m2 per kgf/cm2.
inline constexpr double kStandardInitialVolume = 535.0;
inline constexpr std::string_view kStandardSiCoefficient = "100.0";

// The range a number setting is kept in: the settings dialogs accept only
// what lies in it, so that what a dialog stores always loads back unchanged.
// A file may hold a value outside it, which loading keeps as it is (the
// dialog says so on OK) as long as it can be used at all (usableRange).
struct SettingRange {
    double lowest;
    double highest;
    bool lowestIncluded = true;
    bool Contains(double value) const {
        return (lowestIncluded ? value >= lowest : value > lowest) && value <= highest;
    }
};

// The pages are drawn for A4 paper, and their drawing reaches this far
// right and down from the corner the margins place (mm).
inline constexpr double kPaperWidthMm = 210;
inline constexpr double kPaperHeightMm = 297;
inline constexpr double kDrawingWidthMm = 170;
inline constexpr double kDrawingHeightMm = 250;

namespace settingRange {
inline constexpr SettingRange decimals{0, 6};
inline constexpr SettingRange lineWidth{0, 50};  // pixels
inline constexpr SettingRange dashLength{0, 1000};
// Margins (mm) that keep the drawing on the paper; a negative one makes up
// for a printer's own unprinted edge.
inline constexpr SettingRange leftMargin{-10, kPaperWidthMm - kDrawingWidthMm};
inline constexpr SettingRange topMargin{-10, kPaperHeightMm - kDrawingHeightMm};
inline constexpr SettingRange initialVolume{0.1, 100000};  // cm3
inline constexpr SettingRange compressionA{-1, 1};
inline constexpr SettingRange siCoefficient{10, 1000};
inline constexpr SettingRange colour{0, 0xFFFFFF};
}  // namespace settingRange

// Whether a page drawn with these margins (mm) has nothing on the paper.
inline bool DrawingOffPaper(double leftMargin, double topMargin) {
    return leftMargin >= kPaperWidthMm || topMargin >= kPaperHeightMm ||
           leftMargin + kDrawingWidthMm <= 0 || topMargin + kDrawingHeightMm <= 0;
}

// What a loaded value can be used with at all (the formats there are, what
// drawing copes with); beyond it the value is replaced, and the user told.
// V0 below 0.1 and C below 10 are replaced by their standard values, as the
// program has always done.
namespace usableRange {
inline constexpr SettingRange decimals = settingRange::decimals;
inline constexpr SettingRange lineWidth{0, 1000};
inline constexpr SettingRange dashLength{0, 100000};
inline constexpr SettingRange margin{-100000, 100000};
}  // namespace usableRange

// The decimals the files keep of the real settings, and a value as it will
// read back from them, which is what the dialogs keep after OK.
inline constexpr int kInitialVolumeDecimals = 2;
inline constexpr int kCompressionADecimals = 6;
inline constexpr int kFontSizeDecimals = 1;
double AsSaved(double value, int decimals);

// The sizes a page font of `role` may have, in points.
SettingRange FontSizeRange(FontRole role);

struct Settings {
    // Location. On this platform the drive stays empty and the folder is an
    // absolute path; `systemDrive` is the base folder that stands for the root
    // of the system drive.
    std::string installDrive;
    std::string installFolder;
    std::string settingsFolder;
    std::string systemDrive;
    std::string settingsFilePath;
    std::string engineerMasterPath;

    // Where the location is looked for. `baseFolder` empty: KARNEA_HOME, else
    // $XDG_CONFIG_HOME/karnea, else ~/.config/karnea. `fixedFolder` non-empty:
    // the settings folder itself, without a location file.
    std::string baseFolder;
    std::string fixedFolder;

    // "Sys.ndx", by line.
    std::string defaultNumberCaption;  // 1
    int volumeUnit = 0;                // 2
    std::string defaultTableTitle;     // 3
    int pwDecimals = 0;                // 4
    int pzDecimals = 0;                // 5
    int pmDecimals = 0;                // 6
    int pressureDecimals = 0;          // 7
    int volumeDecimals = 0;            // 8
    int showSiCoefficient = 0;         // 10
    std::string defaultGraphTitle;     // 11
    std::string modulusName;           // 12
    std::string modulusSymbol;         // 13
    int rotateAxisNames = 0;           // 14
    int reservedSetting15 = 0;         // 15
    int pointDecimals = 0;             // 16
    int dvDecimals = 0;                // 17
    int emDecimals = 0;                // 18
    int aDecimals = 0;                 // 19
    int hidePointLetters = 0;          // 20
    int frameLineWidth = 0;            // 25
    int ruleLineWidth = 0;             // 26
    int gridLineWidth = 0;             // 27
    int gridDashLength = 0;            // 28
    int gridGapLength = 0;             // 29
    double initialVolumeV0 = 0.0;      // 30
    double compressionA = 0.0;         // 31
    std::string siCoefficient;         // 33
    int graphTopMargin = 0;            // 34
    int graphLeftMargin = 0;           // 35
    std::string engineerMasterLine;    // 36, written for information
    std::string defaultCompanyName;    // 39
    std::string contactAddress;        // 40
    int enterKeyMode = 0;              // 41
    int reservedSetting42 = 0;         // 42
    int gridMonochrome = 0;            // 45
    std::string gridColour;            // 46
    int reservedSetting47 = 0;         // 47
    int reservedSetting48 = 0;         // 48
    int tableTopMargin = 0;            // 49
    int tableLeftMargin = 0;           // 50

    // One per font role, in role order.
    std::array<FontSetting, kFontRoleCount> fonts{};
    const FontSetting& font(FontRole role) const {
        return fonts[static_cast<std::size_t>(role) - 1];
    }
    FontSetting& font(FontRole role) { return fonts[static_cast<std::size_t>(role) - 1]; }

    // Whether the location was found, and the general settings and the fonts
    // read, in this run.
    bool locationFound = false;
    bool generalLoaded = false;
    bool fontsLoaded = false;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// The unit the pages print volumes in ("Sys.ndx" line 2): cm3 when the
// setting is 1, ml for anything else.
enum class VolumeUnit { ml = 0, cm3 = 1 };
inline VolumeUnit VolumeUnitOf(const Settings& s) {
    return s.volumeUnit == 1 ? VolumeUnit::cm3 : VolumeUnit::ml;
}

// The base folder when none is set: KARNEA_HOME, $XDG_CONFIG_HOME/karnea or
// ~/.config/karnea.
std::string DefaultBaseFolder();

// Finds the settings folder once a run: the location file's folder when it
// names an absolute folder, else the default installation folder.
void LocateSettings(Settings& s);

// Every start: the installation folder is completed with those of the
// standard settings files, the shipped help text and the empty engineer
// master that it lacks (a first start lays them all down; one that was
// killed left part of them). What is there is never written over. The
// missing files are written together, all of them or none (`failed`).
// `completedFiles` names those laid down in a folder that held part of the
// set (the help text, which is the program's, aside). A settings folder
// given directly (`fixedFolder`) is left as it is.
struct Installation {
    enum Outcome { existing, made, completed, failed };
    Outcome outcome = existing;
    std::vector<std::string> completedFiles;
};
[[nodiscard]] Installation CompleteInstallation(Settings& s);

// The set-up: the installation folder becomes `folder` (absolute), which is
// made with the standard files when it does not exist, and the location
// file in the base folder names it. False when the location file or the
// standard files cannot be written (the folder is taken all the same).
[[nodiscard]] bool MoveInstallation(Settings& s, const std::string& folder);

// Finds the settings folder (first call of a run only), reads "Sys.ndx" and
// the font files when not yet read (again after `reset`), and replaces what
// cannot be used (usableRange), saying which setting it replaced and by what.
void LoadSettings(Settings& s, bool reset, Messages& messages);

// Every setting of "Sys.ndx" to its standard value.
void ApplyStandardSettings(Settings& s);

// Adds "Sys.ndx" as `s` would write it to `path` to the files of a save. A
// text setting holding a line break would shift the lines after it: it is
// refused with a message, and nothing is added (false).
bool AddSettingsFile(FileContents& files, const Settings& s, const std::string& path,
                     Messages& messages);
// Adds the six font files to the files of a save.
void AddFontFiles(FileContents& files, const Settings& s);

// Writes "Sys.ndx" to `path` (refused as above), or the six font files, all
// of them or none. False when nothing was written.
[[nodiscard]] bool SaveSettings(const Settings& s, const std::string& path, Messages& messages);
[[nodiscard]] bool SaveFontFiles(const Settings& s);

// The font a role gets when its file is missing.
FontSetting DefaultFont(FontRole role);

// The standard face, size and colour of a font role (as the font dialog's
// standard button sets them).
FontSetting StandardFont(FontRole role);

// The first line of a file without its line end; empty when the file is
// missing or the line has at most one character.
std::string ReadFirstLine(const std::string& path);

// The folder memory of the open dialogs ("FileV.ndx"): line 1 is the folder
// last opened, line 2 is carried along.
struct FolderMemory {
    std::string folder;
    std::string carried;
};
FolderMemory ReadFolderMemory(const Settings& s);
[[nodiscard]] bool WriteFolderMemory(const Settings& s, const FolderMemory& memory);

// Paths of the files in the settings folder.
std::string FontFilePath(const Settings& s, FontRole role);
std::string FolderMemoryPath(const Settings& s);
std::string HelpTextPath(const Settings& s);

// The help text shipped with the program (CP932, CR LF).
std::string_view ShippedHelpText();

}  // namespace karnea
