// The program's start, the settings load with its record defaults, and the
// first start that lays down the installation folder.
#include "document/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/system.h"
#include "document/workspace.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

TEST(RecordDefaults, FillOnlyEmptyTexts) {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    ws.test.testHeader[header::companyName] = "kept";
    ws.test.testHeader[header::dvAxisMax] = "3000";
    ApplyRecordDefaults(ws);
    const HeaderTexts& cal = ws.calibration.calibrationHeader;
    EXPECT_EQ(ws.test.testHeader[header::companyName], "kept");
    EXPECT_EQ(cal[header::companyName], Sjis("株式会社"));
    EXPECT_EQ(ws.test.testHeader[header::numberCaption], Sjis("Ｎｏ．"));
    EXPECT_EQ(cal[header::tableTitle], Sjis("キャリブレーション測定表"));
    EXPECT_EQ(cal[header::graphTitle], Sjis("キャリブレーショングラフ"));
    EXPECT_EQ(ws.test.testHeader[header::tableTitle], "");
    EXPECT_EQ(ws.test.testHeader[header::volumeLossFlag], "0");
    EXPECT_EQ(ws.test.testHeader[header::dvAxisMax], "120");

    // Every load applies them; the files are read once.
    ScratchDir dir;
    test::WriteStandardSettings(dir.path().string());
    ws.settings.fixedFolder = dir.path().string();
    RecordedMessages m;
    LoadSettingsAndDefaults(ws, false, m);
    ws.test.testHeader[header::volumeLossFlag] = "";
    std::filesystem::remove(dir.file("Sys.ndx"));
    LoadSettingsAndDefaults(ws, false, m);
    EXPECT_EQ(ws.test.testHeader[header::volumeLossFlag], "0");
    EXPECT_TRUE(m.shown.empty());
}

TEST(StartProgram, OpensOnTheTestPagesWithTheCalibrationScale) {
    ScratchDir dir;
    test::WriteStandardSettings(dir.path().string());
    Workspace ws;
    ws.settings.fixedFolder = dir.path().string();
    RecordedMessages m;
    StartProgram(ws, m);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(ws.documentKind, DocumentKind::test);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(ws.test.testHeader[header::pAxisMax], "1200");
    EXPECT_EQ(ws.settings.defaultCompanyName, Sjis("株式会社"));
}

// The first start plays the installer's part: a base folder without an
// installation gets one, silently, with the files the program reads.
TEST(StartProgram, FirstStartLaysDownTheInstallationFolder) {
    ScratchDir base;
    Workspace ws;
    ws.settings.baseFolder = base.path().string();
    RecordedMessages m;
    StartProgram(ws, m);
    EXPECT_TRUE(m.shown.empty());
    const std::string folder = base.file("VardoXQ/Kvar5");
    EXPECT_EQ(ws.settings.settingsFolder, folder);
    for (const char* name : {"Sys.ndx", "Font1.ndx", "Font6.ndx", "Help.txt", "M.mst"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(JoinPath(folder, name))) << name;
    }
    EXPECT_EQ(ReadBytes(JoinPath(folder, "M.mst")), "");
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Help.txt")), std::string(ShippedHelpText()));
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Font3.ndx")),
              "8.0\r\n" + Sjis("ＭＳ 明朝") + "\r\n0\r\n0\r\n");

    // What was laid down loads as the standard settings, and a second start
    // leaves the folder as it is.
    Settings standard;
    ApplyStandardSettings(standard);
    EXPECT_EQ(ws.settings.defaultNumberCaption, standard.defaultNumberCaption);
    EXPECT_EQ(ws.settings.gridColour, standard.gridColour);
    EXPECT_EQ(ws.settings.engineerMasterLine, JoinPath(folder, "M.mst"));
    WriteBytes(JoinPath(folder, "M.mst"), "name\r\n");
    Workspace again;
    again.settings.baseFolder = base.path().string();
    StartProgram(again, m);
    EXPECT_EQ(ReadBytes(JoinPath(folder, "M.mst")), "name\r\n");
    EXPECT_TRUE(m.shown.empty());
}

// A folder that lacks files of the set (a first start was killed, a file
// was deleted) gets them at the next start, said once; whatever is there
// under a name of the set, even a folder, stays. A folder given directly is never
// made.
TEST(StartProgram, AFolderThatLacksFilesIsCompleted) {
    ScratchDir base;
    const std::string folder = base.file("VardoXQ/Kvar5");
    std::filesystem::create_directories(folder);
    WriteBytes(JoinPath(folder, "M.mst"), "name\r\n");
    WriteBytes(JoinPath(folder, "Font2.ndx"), "40.0\r\n");
    std::filesystem::create_directory(JoinPath(folder, "Font5.ndx"));
    Workspace ws;
    ws.settings.baseFolder = base.path().string();
    RecordedMessages m;
    StartProgram(ws, m);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0],
              "足りなかった設定ファイルを作りました: Sys.ndx、Font1.ndx、Font3.ndx、Font4.ndx、"
              "Font6.ndx\n( " +
                  folder + " )");
    EXPECT_EQ(ReadBytes(JoinPath(folder, "M.mst")), "name\r\n");
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Font2.ndx")), "40.0\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(JoinPath(folder, "Font5.ndx")));
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Help.txt")), std::string(ShippedHelpText()));
    EXPECT_EQ(ws.settings.font(FontRole::heading).size, 40.0);

    // A folder with the help text alone (as the setup program leaves it) is
    // a first start: nothing said.
    ScratchDir installed;
    std::filesystem::create_directories(installed.file("VardoXQ/Kvar5"));
    WriteBytes(installed.file("VardoXQ/Kvar5/Help.txt"), "help\r\n");
    Workspace first;
    first.settings.baseFolder = installed.path().string();
    RecordedMessages none;
    StartProgram(first, none);
    EXPECT_TRUE(none.shown.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(installed.file("VardoXQ/Kvar5/M.mst")));

    // Complete now: said no more. The help text alone is laid down silently.
    std::filesystem::remove(JoinPath(folder, "Help.txt"));
    m.shown.clear();
    Workspace again;
    again.settings.baseFolder = base.path().string();
    StartProgram(again, m);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Help.txt")), std::string(ShippedHelpText()));

    Workspace fixed;
    fixed.settings.fixedFolder = base.file("given");
    StartProgram(fixed, m);
    EXPECT_FALSE(std::filesystem::exists(base.file("given")));
    EXPECT_EQ(m.shown.size(), 2u);
}

#ifdef KARNEA_SAVE_FAULTS
// A first start whose files cannot be written (a full disk) says so and
// leaves no part of them; the next start lays them all down.
TEST(StartProgram, AFirstStartThatCannotFinishIsCompletedLater) {
    ScratchDir base;
    const std::string folder = base.file("VardoXQ/Kvar5");
    RecordedMessages m;
    {
        FailSaveStep(SaveStep::write);
        Workspace ws;
        ws.settings.baseFolder = base.path().string();
        StartProgram(ws, m);
        FailSaveStep(SaveStep::none);
    }
    ASSERT_FALSE(m.shown.empty());
    EXPECT_EQ(m.shown[0],
              "設定ファイルを作れませんでした。標準の設定で続けます（次の起動で作り直します）\n( " +
                  folder + " )");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    m.shown.clear();
    Workspace again;
    again.settings.baseFolder = base.path().string();
    StartProgram(again, m);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(ReadBytes(JoinPath(folder, "Help.txt")), std::string(ShippedHelpText()));
    EXPECT_TRUE(std::filesystem::is_regular_file(JoinPath(folder, "Sys.ndx")));
}
#endif

TEST(RecordsChanged, CountsEveryChange) {
    Workspace ws;
    const unsigned long before = ws.recordsRevision;
    RecordsChanged(ws);
    RecordsChanged(ws);
    EXPECT_EQ(ws.recordsRevision, before + 2);
}

}  // namespace
}  // namespace karnea
