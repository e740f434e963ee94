#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::Contains;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// Settings that live in `dir` itself.
Settings InFolder(const ScratchDir& dir) {
    Settings s;
    s.fixedFolder = dir.path().string();
    return s;
}

std::string SysFile(std::initializer_list<std::pair<int, std::string>> lines, int count = 61) {
    std::vector<std::string> all(static_cast<std::size_t>(count));
    for (const auto& [n, text] : lines) {
        all[static_cast<std::size_t>(n)] = text;
    }
    std::string out;
    for (const std::string& l : all) {
        out += l + "\r\n";
    }
    return out;
}

TEST(Settings, MissingFilesGiveStandardSettingsAndOneMessageEach) {
    ScratchDir dir;
    Settings s = InFolder(dir);
    RecordedMessages m;
    LoadSettings(s, false, m);
    ASSERT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(m.shown[0], "ファイルが見つかりません\n( " + dir.file("Sys.ndx") + " )");
    EXPECT_EQ(m.shown[1], "ファイルが見つかりません\n( " + dir.file("Font1.ndx") + " )");
    EXPECT_EQ(s.defaultNumberCaption, Sjis("Ｎｏ．"));
    EXPECT_EQ(s.siCoefficient, "100.0");
    EXPECT_EQ(s.enterKeyMode, 0);
    EXPECT_DOUBLE_EQ(s.initialVolumeV0, 535.0);
    EXPECT_EQ(s.engineerMasterLine, dir.file("M.mst"));
    EXPECT_EQ(s.fonts[0].face, Sjis("ＭＳ 明朝"));
    EXPECT_DOUBLE_EQ(s.fonts[0].size, 12);
    EXPECT_DOUBLE_EQ(s.fonts[2].size, 8);
    EXPECT_DOUBLE_EQ(s.fonts[5].size, 10);

    // Read once per run, again after a reset.
    LoadSettings(s, false, m);
    EXPECT_EQ(m.shown.size(), 2u);
    LoadSettings(s, true, m);
    EXPECT_EQ(m.shown.size(), 4u);
}

TEST(Settings, SaveWritesSixtyOneLinesThatLoadBack) {
    ScratchDir dir;
    Settings saved;
    ApplyStandardSettings(saved);
    saved.defaultCompanyName = Sjis("株式会社 テスト地質");
    saved.emDecimals = 3;
    saved.initialVolumeV0 = 540.126;
    saved.compressionA = 0.0123456789;
    saved.gridColour = "0x00ff00";
    saved.engineerMasterLine = "/somewhere/M.mst";
    RecordedMessages m;
    ASSERT_TRUE(SaveSettings(saved, dir.file("Sys.ndx"), m));

    const auto lines = ReadTextLines(dir.file("Sys.ndx"));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 61u);
    EXPECT_EQ((*lines)[0], "305");
    EXPECT_EQ((*lines)[9], "");
    EXPECT_EQ((*lines)[30], "540.13");
    EXPECT_EQ((*lines)[31], "0.012346");
    EXPECT_EQ((*lines)[32], "");
    EXPECT_EQ((*lines)[36], "/somewhere/M.mst");
    EXPECT_EQ((*lines)[41], "0");
    EXPECT_EQ(ReadBytes(dir.file("Sys.ndx")).find('\n'), 4u);  // CR LF

    Settings s = InFolder(dir);
    LoadSettings(s, false, m);
    EXPECT_EQ(s.defaultCompanyName, saved.defaultCompanyName);
    EXPECT_EQ(s.emDecimals, 3);
    EXPECT_DOUBLE_EQ(s.initialVolumeV0, 540.13);
    EXPECT_EQ(s.gridColour, "0x00ff00");
    EXPECT_EQ(s.engineerMasterLine, dir.file("M.mst"));  // recomputed, not read back
    EXPECT_EQ(s.rotateAxisNames, 1);
}

TEST(Settings, LinesAreReadByTheirRules) {
    ScratchDir dir;
    const std::string longTitle(5000, 'T');
    // Line 41 empty: Enter moves on. SI coefficient "5" is unusable; V0 0 too.
    WriteBytes(
        dir.file("Sys.ndx"),
        SysFile({{3, longTitle}, {4, "x3"}, {5, " 4"}, {30, "0"}, {33, "5"}, {41, ""}, {50, "7"}},
                51));
    Settings s = InFolder(dir);
    RecordedMessages m;
    LoadSettings(s, false, m);
    EXPECT_EQ(s.defaultTableTitle, longTitle);
    EXPECT_EQ(s.pwDecimals, 0);
    EXPECT_EQ(s.pzDecimals, 4);
    EXPECT_EQ(s.enterKeyMode, 1);
    EXPECT_EQ(s.siCoefficient, "100.0");
    EXPECT_DOUBLE_EQ(s.initialVolumeV0, 535.0);
    EXPECT_EQ(s.tableLeftMargin, 7);

    // A file that stops early leaves the later settings as they were; a last
    // line without line end keeps its last character.
    WriteBytes(dir.file("Sys.ndx"),
               "305\nabc\n0\n\n0\n0\n0\n0\n0\n\n0\n\n\n\n0\n0\n0\n0\n0\n0\n0"
               "\n\n\n\n\n0\n0\n0\n0\n0\n0\n0\n\n10");
    Settings other = InFolder(dir);
    other.graphTopMargin = 42;
    LoadSettings(other, false, m);
    EXPECT_EQ(other.defaultNumberCaption, "abc");
    EXPECT_EQ(other.siCoefficient, "10");
    EXPECT_EQ(other.graphTopMargin, 42);
}

TEST(Settings, FontSizesFacesAndColours) {
    ScratchDir dir;
    WriteBytes(dir.file("Font1.ndx"), "400.0\r\nIPAGothic\r\n0x0000ff\r\n1\r\n");
    WriteBytes(dir.file("Font2.ndx"), "100.5\r\nX\r\n0777\r\n");
    WriteBytes(dir.file("Font3.ndx"), "100\r\n\r\n255\r\n0\r\n");
    WriteBytes(dir.file("Font4.ndx"), "1\r\n");
    Settings s = InFolder(dir);
    RecordedMessages m;
    LoadSettings(s, false, m);
    const auto& f = s.fonts;
    EXPECT_DOUBLE_EQ(f[0].size, 400);
    EXPECT_EQ(f[0].face, "IPAGothic");
    EXPECT_EQ(f[0].colour, 255);
    EXPECT_EQ(f[0].underline, 1);
    EXPECT_DOUBLE_EQ(f[1].size, 11);          // above 100
    EXPECT_EQ(f[1].face, Sjis("ＭＳ 明朝"));  // one character
    EXPECT_EQ(f[1].colour, 0777);
    EXPECT_DOUBLE_EQ(f[2].size, 100);
    EXPECT_DOUBLE_EQ(f[3].size, 8);  // exactly 1
    EXPECT_DOUBLE_EQ(f[4].size, 8);  // missing file, silently
    EXPECT_EQ(m.shown.size(), 1u);   // only Sys.ndx is missing

    s.font(FontRole::title).size = 401;
    ASSERT_TRUE(SaveFontFiles(s));
    EXPECT_EQ(ReadBytes(dir.file("Font1.ndx")), "401.0\r\nIPAGothic\r\n255\r\n1\r\n");
    LoadSettings(s, true, m);
    EXPECT_DOUBLE_EQ(s.font(FontRole::title).size, 12);
}

TEST(Settings, LocationFromTheBaseFolder) {
    ScratchDir base;
    RecordedMessages m;
    const auto folderFound = [&] {
        Settings s;
        s.baseFolder = base.path().string();
        LoadSettings(s, false, m);
        EXPECT_EQ(s.systemDrive, base.path().string());
        EXPECT_EQ(s.installDrive, "");
        EXPECT_EQ(s.settingsFilePath, JoinPath(s.settingsFolder, "Sys.ndx"));
        return s.settingsFolder;
    };
    EXPECT_EQ(folderFound(), base.file("VardoXQ/Kvar5"));
    WriteBytes(base.file("LunKvr5.whr"), std::string(test::kAbsoluteFolder) + "\r\n");
    EXPECT_EQ(folderFound(), test::kAbsoluteFolder);

    // Only an absolute folder counts: a folder of one character, the other
    // system's path, a relative path or an empty line give the default
    // folder, never one that depends on where the program was started.
    for (const std::string& line : {std::string("/"), std::string(test::kOtherSystemsFolder),
                                    std::string("rel/dir"), std::string()}) {
        WriteBytes(base.file("LunKvr5.whr"), line + "\r\n");
        EXPECT_EQ(folderFound(), base.file("VardoXQ/Kvar5")) << line;
    }
}

// A text setting holding a line break would shift every later line of
// Sys.ndx: the save is refused with a message and the file stays as it was.
TEST(Settings, ATextWithALineBreakIsNotSaved) {
    ScratchDir dir;
    WriteBytes(dir.file("Sys.ndx"), "previous");
    Settings s;
    ApplyStandardSettings(s);
    RecordedMessages m;
    for (std::string* text : {&s.defaultCompanyName, &s.modulusSymbol, &s.siCoefficient}) {
        const std::string kept = *text;
        for (const char* breaking : {"a\nb", "a\rb"}) {
            *text = breaking;
            EXPECT_FALSE(SaveSettings(s, dir.file("Sys.ndx"), m));
            EXPECT_EQ(ReadBytes(dir.file("Sys.ndx")), "previous");
        }
        *text = kept;
    }
    ASSERT_EQ(m.shown.size(), 6u);
    EXPECT_EQ(m.shown[0], "設定の 調査業者名の初期設定 に改行が含まれているため保存できません");
    EXPECT_TRUE(SaveSettings(s, dir.file("Sys.ndx"), m));
}

// Numbers from a damaged or hand-edited file: what cannot be used (a
// decimals count without a format, a pen or margin beyond what drawing
// copes with, an infinite a, V0 below 0.1, C below 10) is replaced, and the load says
// which and by what, once; a value the dialogs would refuse but that can be
// used is kept as the file has it.
TEST(Settings, NumbersThatCannotBeUsedAreReplacedAndSaid) {
    ScratchDir dir;
    test::WriteStandardSettings(dir.path().string());  // the fonts
    WriteBytes(dir.file("Sys.ndx"), SysFile({{4, "2147483647"},
                                             {7, "-5"},
                                             {16, "6"},
                                             {25, "-1"},
                                             {26, "2147483647"},
                                             {28, "2000"},
                                             {34, "-99999"},
                                             {49, "12"},
                                             {30, "0.05"},
                                             {31, "1e999"},
                                             {33, "98.0665"}}));
    Settings s = InFolder(dir);
    RecordedMessages m;
    LoadSettings(s, false, m);
    EXPECT_EQ(s.pwDecimals, 6);
    EXPECT_EQ(s.pressureDecimals, 0);
    EXPECT_EQ(s.frameLineWidth, 0);
    EXPECT_EQ(s.ruleLineWidth, 1000);
    EXPECT_DOUBLE_EQ(s.initialVolumeV0, 535);
    EXPECT_EQ(s.compressionA, 0);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0], "設定ファイルの次の値は使えないため置き換えました\n( " +
                              s.settingsFilePath +
                              " )\nPw の桁数: 2147483647 → 6\nPm+Pz, Pi, P の桁数: -5 → 0"
                              "\n枠の線の太さ: -1 → 0\n罫線の太さ: 2147483647 → 1000"
                              "\n初期体積 V0: 0.05 → 535\n圧縮量 a: inf → 0");
    // Kept as stored, though the dialogs would refuse them.
    EXPECT_EQ(s.pointDecimals, 6);
    EXPECT_EQ(s.gridDashLength, 2000);
    EXPECT_EQ(s.graphTopMargin, -99999);
    EXPECT_EQ(s.tableTopMargin, 12);
    EXPECT_EQ(s.siCoefficient, "98.0665");
    // A compression value a of 5 (the dialog takes -1 to 1) loads as 5,
    // silently; a second load says nothing more.
    Settings stored = test::StandardSettings();
    stored.compressionA = 5;
    ASSERT_TRUE(SaveSettings(stored, dir.file("Sys.ndx"), m));
    ASSERT_TRUE(Contains(ReadBytes(dir.file("Sys.ndx")), "\r\n5.000000\r\n"));
    Settings a = InFolder(dir);
    RecordedMessages quiet;
    LoadSettings(a, false, quiet);
    LoadSettings(a, false, quiet);
    EXPECT_EQ(a.compressionA, 5);
    EXPECT_TRUE(quiet.shown.empty());
}

TEST(Settings, FirstLineAndFolderMemory) {
    ScratchDir dir;
    WriteBytes(dir.file("one"), "x\r\nmore");
    WriteBytes(dir.file("two"), "ab\r\n");
    EXPECT_EQ(ReadFirstLine(dir.file("one")), "");
    EXPECT_EQ(ReadFirstLine(dir.file("two")), "ab");
    EXPECT_EQ(ReadFirstLine(dir.file("none")), "");

    Settings s;
    s.settingsFolder = dir.path().string();
    EXPECT_EQ(ReadFolderMemory(s).folder, "");
    ASSERT_TRUE(WriteFolderMemory(s, {"/data/site", "kept"}));
    EXPECT_EQ(ReadBytes(dir.file("FileV.ndx")), "/data/site\r\nkept\r\n");
    EXPECT_EQ(ReadFolderMemory(s).carried, "kept");
}

}  // namespace
}  // namespace karnea
