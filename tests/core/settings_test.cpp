#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/testsupport.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "records/records.h"
#include "document/workspace.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// A workspace whose settings live in `dir` itself.
Workspace InFolder(const ScratchDir& dir) {
    Workspace ws;
    ws.settings.fixedFolder = dir.path().string();
    return ws;
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
    Workspace ws = InFolder(dir);
    RecordedMessages m;
    LoadSettings(ws, false, m);
    const Settings& s = ws.settings;
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

    // Read once per run; the record defaults apply at every load.
    ws.testHeader[header::volumeLossFlag] = "";
    LoadSettings(ws, false, m);
    EXPECT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(ws.testHeader[header::volumeLossFlag], "0");
    LoadSettings(ws, true, m);
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
    ASSERT_TRUE(SaveSettings(saved, dir.file("Sys.ndx")));

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

    Workspace ws = InFolder(dir);
    RecordedMessages m;
    LoadSettings(ws, false, m);
    const Settings& s = ws.settings;
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
    Workspace ws = InFolder(dir);
    RecordedMessages m;
    LoadSettings(ws, false, m);
    const Settings& s = ws.settings;
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
    Workspace other = InFolder(dir);
    other.settings.graphTopMargin = 42;
    LoadSettings(other, false, m);
    EXPECT_EQ(other.settings.defaultNumberCaption, "abc");
    EXPECT_EQ(other.settings.siCoefficient, "10");
    EXPECT_EQ(other.settings.graphTopMargin, 42);
}

TEST(Settings, FontSizesFacesAndColours) {
    ScratchDir dir;
    WriteBytes(dir.file("Font1.ndx"), "400.0\r\nIPAGothic\r\n0x0000ff\r\n1\r\n");
    WriteBytes(dir.file("Font2.ndx"), "100.5\r\nX\r\n0777\r\n");
    WriteBytes(dir.file("Font3.ndx"), "100\r\n\r\n255\r\n0\r\n");
    WriteBytes(dir.file("Font4.ndx"), "1\r\n");
    Workspace ws = InFolder(dir);
    RecordedMessages m;
    LoadSettings(ws, false, m);
    const auto& f = ws.settings.fonts;
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

    ws.settings.fonts[0].size = 401;
    SaveFontFiles(ws.settings);
    EXPECT_EQ(ReadBytes(dir.file("Font1.ndx")), "401.0\r\nIPAGothic\r\n255\r\n1\r\n");
    LoadSettings(ws, true, m);
    EXPECT_DOUBLE_EQ(ws.settings.fonts[0].size, 12);
}

TEST(Settings, LocationFromTheBaseFolder) {
    ScratchDir base;
    RecordedMessages m;
    {
        Workspace ws;
        ws.settings.baseFolder = base.path().string();
        LoadSettings(ws, false, m);
        EXPECT_EQ(ws.settings.settingsFolder, base.file("VardoXQ/Kvar5"));
        EXPECT_EQ(ws.settings.systemDrive, base.path().string());
        EXPECT_EQ(ws.settings.settingsFilePath, base.file("VardoXQ/Kvar5/Sys.ndx"));
    }
    WriteBytes(base.file("LunKvr5.whr"), "/X\r\n");
    {
        Workspace ws;
        ws.settings.baseFolder = base.path().string();
        LoadSettings(ws, false, m);
        EXPECT_EQ(ws.settings.settingsFolder, "/X");
        EXPECT_EQ(ws.settings.installDrive, "");
    }
    WriteBytes(base.file("LunKvr5.whr"), "/\r\n");
    {
        Workspace ws;
        ws.settings.baseFolder = base.path().string();
        LoadSettings(ws, false, m);
        EXPECT_EQ(ws.settings.settingsFolder, base.file("VardoXQ/Kvar5"));
    }
}

TEST(Settings, RecordDefaultsFillOnlyEmptyTexts) {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    ws.testHeader[header::companyName] = "kept";
    ws.testHeader[header::dvAxisMax] = "3000";
    ApplyRecordDefaults(ws);
    EXPECT_EQ(ws.testHeader[header::companyName], "kept");
    EXPECT_EQ(ws.calibrationHeader[header::companyName], Sjis("株式会社"));
    EXPECT_EQ(ws.testHeader[header::numberCaption], Sjis("Ｎｏ．"));
    EXPECT_EQ(ws.calibrationHeader[header::tableTitle], Sjis("キャリブレーション測定表"));
    EXPECT_EQ(ws.calibrationHeader[header::graphTitle], Sjis("キャリブレーショングラフ"));
    EXPECT_EQ(ws.testHeader[header::tableTitle], "");
    EXPECT_EQ(ws.testHeader[header::volumeLossFlag], "0");
    EXPECT_EQ(ws.testHeader[header::dvAxisMax], "120");
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
