// The settings dialogs without widgets: fonts, style and digits, lines and
// coefficients, the page footer and the set-up, with the files their OK
// writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/encoding.h"
#include "entry/fontsettingsmodel.h"
#include "entry/linesettingsmodel.h"
#include "entry/pagefootermodel.h"
#include "entry/setupmodel.h"
#include "entry/stylesettingsmodel.h"
#include "settings/settings.h"
#include "support/edits.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;

TEST(FontSettingsModel, RowsChangesAndTheFilesOkWrites) {
    ScratchDir dir;
    Settings settings = test::StandardSettings();
    settings.settingsFolder = dir.path().string();
    settings.font(FontRole::table).size = 10.5;
    FontSettingsModel d(settings);
    EXPECT_EQ(d.SizeText(FontRole::table), " 11     (10.5)");
    RecordedMessages m;
    d.Standard();
    EXPECT_EQ(d.font(FontRole::table).size, 9);
    EXPECT_TRUE(d.Cancel(m));  // the standard example is not a change
    EXPECT_TRUE(m.asked.empty());

    FontSetting chosen = d.font(FontRole::title);
    chosen.face = "Other";
    chosen.colour = 0xFF;
    d.Choose(FontRole::title, chosen);
    EXPECT_FALSE(d.Cancel(m));
    EXPECT_EQ(m.asked.size(), 1u);

    // OK writes all six files, also those of roles that did not change.
    ASSERT_EQ(test::PressOk(d, settings, m), std::nullopt);
    EXPECT_EQ(settings.font(FontRole::title).face, "Other");
    for (int k = 1; k <= kFontRoleCount; ++k) {
        EXPECT_TRUE(std::filesystem::exists(FontFilePath(settings, static_cast<FontRole>(k))));
    }
    EXPECT_EQ(ReadBytes(FontFilePath(settings, FontRole::title)), "12.0\r\nOther\r\n255\r\n0\r\n");
}

TEST(StyleSettingsModel, DecimalsAndStandardValues) {
    Settings settings;
    ApplyStandardSettings(settings);
    StyleSettingsModel d(settings);
    EXPECT_EQ(d.decimals[StyleSettingsModel::pz], "1");
    EXPECT_FALSE(d.Check());
    for (const char* refused : {"7", "-1", "x", "", "2.5"}) {
        d.decimals[StyleSettingsModel::pm] = refused;
        ASSERT_TRUE(d.Check()) << refused;
        EXPECT_EQ(d.Check()->message, "0 から 6 までの整数を入力して下さい") << refused;
        EXPECT_EQ(d.Check()->box, "decimals2");
    }
    d.decimals[StyleSettingsModel::pm] = " 6 ";
    EXPECT_FALSE(d.Check());
    d.Standard();
    EXPECT_EQ(d.tableTitle, Sjis("測定結果表"));
    settings = *d.Accept().settings;
    EXPECT_EQ(settings.aDecimals, 5);
    EXPECT_EQ(settings.volumeDecimals, 1);
    EXPECT_EQ(settings.defaultGraphTitle, Sjis("測定結果図"));

    // What OK leads to: the settings file holds the new values by line.
    ScratchDir dir;
    RecordedMessages m;
    ASSERT_TRUE(SaveSettings(settings, dir.file("Sys.ndx"), m));
    const std::string sys = ReadBytes(dir.file("Sys.ndx"));
    EXPECT_NE(sys.find("\r\n" + Sjis("測定結果表") + "\r\n0\r\n0\r\n0\r\n0\r\n1\r\n"),
              std::string::npos);
}

TEST(LineSettingsModel, ModesColourAndStandardValues) {
    Settings fresh;
    ApplyStandardSettings(fresh);
    fresh.gridMonochrome = 1;
    LineSettingsModel d(fresh);
    EXPECT_EQ(d.a, "0.000000");  // a fresh folder starts with 0, shown in full
    EXPECT_EQ(d.gapLength, "2");
    EXPECT_EQ(d.GridNote(), "空白部=0で実線を描画");
    d.SetMonochrome(false);  // "カラー": solid lines only
    EXPECT_EQ(d.gapLength, "0");
    EXPECT_FALSE(d.dashEnabled());
    EXPECT_EQ(d.ColourValue(), 0x808080);
    d.SetColour(0x123456);
    EXPECT_EQ(d.colour, "0x123456");

    d.Standard();
    EXPECT_EQ(d.a, "0.00002");
    EXPECT_EQ(d.margins[LineSettingsModel::graphLeft], "25");
    d.v0 = "5x";
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "0.1 から 100000 までの数値を入力して下さい");
    EXPECT_EQ(d.Check()->box, "v0");
    d.v0 = "540";
    d.frameWidth = "2.5";
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "0 から 50 までの整数を入力して下さい");
    EXPECT_EQ(d.Check()->box, "frameWidth");
    d.frameWidth = "3";
    ASSERT_FALSE(d.Check());
    fresh = *d.Accept().settings;
    EXPECT_EQ(fresh.compressionA, 0.00002);
    // A value the file keeps outside the range is shown as it is, and OK
    // says it is out of range.
    fresh.compressionA = 5;
    const LineSettingsModel stored(fresh);
    EXPECT_EQ(stored.a, "5");
    ASSERT_TRUE(stored.Check());
    EXPECT_EQ(stored.Check()->box, "a");
    EXPECT_EQ(fresh.initialVolumeV0, 540);
    EXPECT_EQ(fresh.frameLineWidth, 3);
    EXPECT_EQ(fresh.gridMonochrome, 0);
    EXPECT_EQ(fresh.gridGapLength, 0);
}

// Settings saved after OK and read again, as at the next start.
Settings Reloaded(const Settings& saved, const ScratchDir& dir) {
    RecordedMessages m;
    EXPECT_TRUE(SaveSettings(saved, dir.file("Sys.ndx"), m));
    EXPECT_TRUE(SaveFontFiles(saved));
    Settings loaded;
    loaded.fixedFolder = dir.path().string();
    LoadSettings(loaded, false, m);
    return loaded;
}

// Every box has the range that loading applies: what OK accepts comes back
// unchanged at the next start, and what loading would change is refused,
// with the box named for the focus.
TEST(LineSettingsModel, WhatOkAcceptsLoadsBackUnchanged) {
    ScratchDir dir;
    Settings s = test::StandardSettings();
    s.settingsFolder = dir.path().string();
    for (const bool highest : {true, false}) {
        LineSettingsModel d(s);
        d.SetMonochrome(true);
        for (std::string* width : {&d.frameWidth, &d.ruleWidth, &d.gridWidth}) {
            *width = highest ? "50" : "0";
        }
        d.dashLength = d.gapLength = highest ? "1000" : "0";
        d.margins = highest ? std::array<std::string, 4>{"47", "40", "47", "40"}
                            : std::array<std::string, 4>{"-10", "-10", "-10", "-10"};
        d.v0 = highest ? "100000" : "0.104";
        d.a = highest ? "0.0000216" : "-1";
        d.c = highest ? "1000" : "10";
        d.colour = highest ? "0xffffff" : "0";
        ASSERT_EQ(d.Check(), std::nullopt);
        const Settings edited = *d.Accept().settings;
        const Settings loaded = Reloaded(edited, dir);
        EXPECT_EQ(loaded.frameLineWidth, edited.frameLineWidth);
        EXPECT_EQ(loaded.gridGapLength, edited.gridGapLength);
        EXPECT_EQ(loaded.tableLeftMargin, edited.tableLeftMargin);
        EXPECT_EQ(loaded.initialVolumeV0, edited.initialVolumeV0);
        EXPECT_EQ(loaded.compressionA, edited.compressionA);
        EXPECT_EQ(loaded.siCoefficient, edited.siCoefficient);
        EXPECT_EQ(loaded.gridColour, edited.gridColour);
    }

    const struct {
        std::string LineSettingsModel::*box;
        const char* name;
        std::vector<const char*> refused;
    } cases[] = {
        {&LineSettingsModel::v0, "v0", {"nan", "inf", "1e999", "0x10", "0.09", "100001", "5x"}},
        {&LineSettingsModel::a, "a", {"nan", "1.5", "-2"}},
        {&LineSettingsModel::c, "c", {"9.9", "1001", "NAN"}},
        {&LineSettingsModel::frameWidth, "frameWidth", {"51", "-1", "2.5"}},
        {&LineSettingsModel::dashLength, "dashLength", {"1001"}},
        {&LineSettingsModel::colour, "colour", {"0x1000000", "red", "16777216", ""}},
        {&LineSettingsModel::companyName, "companyName", {"A$$B"}},
    };
    for (const auto& c : cases) {
        for (const char* refused : c.refused) {
            LineSettingsModel d(s);
            d.*c.box = refused;
            const std::optional<Refusal> refusal = d.Check();
            ASSERT_TRUE(refusal) << c.name << " " << refused;
            EXPECT_EQ(refusal->box, c.name) << refused;
        }
    }
    LineSettingsModel d(s);
    d.v0 = "nan";
    EXPECT_EQ(d.Check()->message, "0.1 から 100000 までの数値を入力して下さい");
    d.v0 = "535";
    // A top margin of 500 mm would leave the page blank: refused with why.
    d.margins[LineSettingsModel::tableTop] = "500";
    EXPECT_EQ(d.Check()->message,
              "マージンは -10 から 47 mm までの整数にして下さい（それより大きいと図が A4 "
              "の用紙からはみ出します）");
    EXPECT_EQ(d.Check()->box, "tableTop");
    d.margins[LineSettingsModel::tableTop] = "48";
    EXPECT_TRUE(d.Check());
    d.margins[LineSettingsModel::tableTop] = "20";
    d.margins[LineSettingsModel::graphLeft] = "41";
    EXPECT_EQ(d.Check()->box, "graphLeft");
    d.margins[LineSettingsModel::graphLeft] = "-11";
    EXPECT_EQ(d.Check()->box, "graphLeft");
    d.margins[LineSettingsModel::graphLeft] = "25";
    d.margins[LineSettingsModel::tableTop] = "20";
    d.companyName = "A$$B";
    EXPECT_EQ(d.Check()->message, "使用できない文字です: $$");
}

// A font size outside its role's range is refused by the dialog, since
// loading would put the role's standard size in its place.
TEST(FontSettingsModel, SizesWithinTheirRolesRange) {
    ScratchDir dir;
    Settings s = test::StandardSettings();
    s.settingsFolder = dir.path().string();
    FontSettingsModel d(s);
    FontSetting table = d.font(FontRole::table);
    table.size = 150;
    const std::optional<Refusal> refusal = d.Choose(FontRole::table, table);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "1 から 100 までの数値を入力して下さい");
    EXPECT_EQ(refusal->box, "size3");
    EXPECT_EQ(d.font(FontRole::table).size, s.font(FontRole::table).size);
    EXPECT_EQ(d.changes(), 0);

    FontSetting title = d.font(FontRole::title);
    title.size = 400;
    EXPECT_EQ(d.Choose(FontRole::title, title), std::nullopt);
    table.size = 100;
    EXPECT_EQ(d.Choose(FontRole::table, table), std::nullopt);
    EXPECT_EQ(d.Check(), std::nullopt);
    s = *d.Accept().settings;
    const Settings loaded = Reloaded(s, dir);
    EXPECT_EQ(loaded.font(FontRole::title).size, 400);
    EXPECT_EQ(loaded.font(FontRole::table).size, 100);
    for (const double refused : {1.0, 1.04, 0.5, 400.1}) {
        title.size = refused;
        EXPECT_TRUE(d.Choose(FontRole::title, title)) << refused;
    }
}

TEST(PageFooterModel, PrefixesPreviewsAndStandardPosition) {
    TestRecord t;
    HeaderTexts& h = t.testHeader;
    h[header::graphPageNumber] = "1";
    h[header::topMarginFromPaper] = "270";
    PageFooterModel d(t, 281, 420);
    d.field(header::graphPagePrefix) = "(";
    d.PrefixLostFocus(true);
    EXPECT_EQ(d.Preview(true), "(1)");
    d.field(header::tablePagePrefix) = Sjis("   <無し>");
    d.PrefixLostFocus(false);
    EXPECT_EQ(d.field(header::tablePagePrefix), "");
    EXPECT_EQ(d.field(header::tablePageSuffix), "");
    d.Standard();
    EXPECT_EQ(d.field(header::leftMarginFromPaper), "150");  // not 210
    EXPECT_EQ(d.field(header::topMarginFromPaper), "281");
    EXPECT_EQ(d.topMode(), 1);
    EXPECT_FALSE(d.topFromPaperEnabled());

    // Beyond the paper: said, stored all the same.
    d.SetTopMode(0);
    RecordedMessages m;
    test::PressOk(d, t, m);
    EXPECT_EQ(m.shown,
              std::vector<std::string>{"フッタ表示位置が用紙外の可能性があります \n( 281 mm)"});
    EXPECT_EQ(h[header::topMarginMode], "0");
    EXPECT_EQ(h[header::leftMarginMode], "1");
    EXPECT_EQ(h[header::leftMarginCentred], "210");
    EXPECT_EQ(h[header::graphPageSuffix], ")");

    // Both distances empty: the standard position applies on opening.
    const PageFooterModel fresh(TestRecord{}, 281, 210);
    EXPECT_EQ(fresh.field(header::leftMarginFromPaper), "105");
    EXPECT_EQ(fresh.field(header::topMarginFromName), "5.0");
}

TEST(SetupModel, FolderRulesAndMovingTheInstallation) {
    if (SetupModel::HasDriveBox()) {
        GTEST_SKIP() << "paths have drives here: DriveBoxWherePathsHaveDrives";
    }
    ScratchDir base;
    Settings settings;
    settings.baseFolder = base.path().string();
    RecordedMessages m;
    LoadSettings(settings, false, m);
    SetupModel d(settings);
    EXPECT_EQ(d.folder, d.StandardFolder());

    d.folder = "x";
    d.FolderLostFocus(m);
    EXPECT_EQ(m.shown.back(), "データがありません");
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "ドライブ名が異常です");
    test::WriteBytes(base.file("plain"), "x");
    d.folder = base.file("plain") + "/karnea";  // below a file
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "フォルダ名またはドライブ名が異常です");

    // A folder typed without its leading "/" gets it.
    const std::string moved = base.file("moved/here");
    d.folder = moved.substr(1);
    d.FolderLostFocus(m);
    EXPECT_EQ(d.folder, moved);
    ASSERT_FALSE(d.Check());
    test::PressOk(d, settings, m);
    EXPECT_EQ(settings.settingsFolder, d.folder);
    EXPECT_TRUE(std::filesystem::exists(settings.settingsFilePath));
    EXPECT_EQ(ReadBytes(base.file("LunKvr5.whr")), d.folder + "\r\n");

    // A new run finds the moved installation through the location file.
    Settings next;
    next.baseFolder = base.path().string();
    LoadSettings(next, false, m);
    EXPECT_EQ(next.settingsFolder, d.folder);
}

// Where paths have drives, a drive box: "d" and "\\folder" make "D:\\folder";
// no letter, a run of letters or a folder "\\" alone is no drive.
TEST(SetupModel, DriveBoxWherePathsHaveDrives) {
    if (!SetupModel::HasDriveBox()) {
        GTEST_SKIP() << "paths have no drives here";
    }
    ScratchDir base;
    Settings settings;
    settings.baseFolder = base.path().string();
    RecordedMessages m;
    LoadSettings(settings, false, m);
    SetupModel d(settings);
    EXPECT_EQ(d.drive.size(), 1u);
    EXPECT_EQ(d.InstallationFolder(), d.StandardFolder());

    const std::string moved = base.file("moved");  // "C:\\...\\moved"
    for (const char* bad : {"", "CD", "1"}) {
        d.drive = bad;
        d.folder = moved.substr(2);
        ASSERT_TRUE(d.Check()) << bad;
        EXPECT_EQ(d.Check()->message, "ドライブ名が異常です");
        EXPECT_EQ(d.Check()->box, "drive");
    }
    d.drive = std::string(1, static_cast<char>(std::tolower(moved[0])));
    d.folder = "\\";
    ASSERT_TRUE(d.Check());
    EXPECT_EQ(d.Check()->message, "ドライブ名が異常です");
    d.folder = moved.substr(3);  // typed without its "\\"
    d.FolderLostFocus(m);
    EXPECT_EQ(d.folder, moved.substr(2));
    ASSERT_FALSE(d.Check());
    EXPECT_EQ(d.InstallationFolder(), moved);
    test::PressOk(d, settings, m);
    EXPECT_EQ(settings.settingsFolder, moved);
    EXPECT_EQ(ReadBytes(base.file("LunKvr5.whr")), moved + "\r\n");
}

}  // namespace
}  // namespace karnea
