// The one edit path: a dialog model's OK applied to the workspace, with what
// follows from it, and Undo and Redo over it, for the records and for the
// settings files.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/calibration.h"
#include "base/encoding.h"
#include "base/system.h"
#include "document/documentfile.h"
#include "document/edithistory.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/calibrationheadermodel.h"
#include "entry/engineermastermodel.h"
#include "entry/fontsettingsmodel.h"
#include "entry/setupmodel.h"
#include "entry/stylesettingsmodel.h"
#include "entry/testheadermodel.h"
#include "entry/testreadingsmodel.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;

// The example test opened as the program opens it, over settings files of
// its own.
struct Opened {
    Opened() {
        test::WriteStandardSettings(dir.file("settings"));
        ws.settings.fixedFolder = dir.file("settings");
        StartProgram(ws, m);
        EXPECT_TRUE(OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", m));
        LoadSettingsAndDefaults(ws, false, m);
        EXPECT_TRUE(OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/calibration.kcw", m));
        ws.documentKind = DocumentKind::test;
        ws.edits.Clear();
        m.shown.clear();
    }
    ScratchDir dir;
    Workspace ws;
    RecordedMessages m;
};

// The readings dialog's OK with the Pm of row 3 typed anew.
void TypePressure(Opened& o, const std::string& pm) {
    TestReadingsModel readings(o.ws.test, o.ws.settings, false, o.m);
    readings.SetCell(3, testField::pm, pm);
    ASSERT_EQ(AcceptEdit(o.ws, readings, o.m), std::nullopt);
}

TEST(EditPath, RecordsEditsUndoAndRedoInAnyNumber) {
    Opened o;
    Workspace& ws = o.ws;
    const TestRecord opened = ws.test;
    const unsigned long saved = ws.recordsRevision;
    EXPECT_FALSE(ws.edits.CanUndo());

    TypePressure(o, "30");
    const TestRecord first = ws.test;
    // The row was reduced again with the edit, and the records reported changed.
    EXPECT_EQ(first.testRows[3][testField::pm], "30");
    EXPECT_NE(first.testRows[3][testField::pmPlusPz], opened.testRows[3][testField::pmPlusPz]);
    EXPECT_NE(ws.recordsRevision, saved);
    EXPECT_EQ(ws.edits.UndoName(), "データ");

    TypePressure(o, "31");
    const TestRecord second = ws.test;
    EXPECT_NE(second, first);

    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ws.test, first);
    EXPECT_EQ(ws.edits.RedoName(), "データ");
    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ws.test, opened);
    // Back where the document was saved: no unsaved changes.
    EXPECT_EQ(ws.recordsRevision, saved);
    EXPECT_FALSE(Undo(ws, o.m));
    ASSERT_TRUE(Redo(ws, o.m));
    ASSERT_TRUE(Redo(ws, o.m));
    EXPECT_EQ(ws.test, second);
    EXPECT_FALSE(Redo(ws, o.m));
    EXPECT_TRUE(o.m.shown.empty());

    // A new edit after an Undo drops what could have been redone.
    ASSERT_TRUE(Undo(ws, o.m));
    TypePressure(o, "32");
    EXPECT_FALSE(ws.edits.CanRedo());
    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ws.test, first);

    // A new or opened document starts without edits.
    NewDocument(ws);
    EXPECT_FALSE(ws.edits.CanUndo());
    EXPECT_FALSE(ws.edits.CanRedo());
}

TEST(EditPath, AnOkThatChangesNothingIsNoEdit) {
    Opened o;
    const unsigned long revision = o.ws.recordsRevision;
    TestReadingsModel readings(o.ws.test, o.ws.settings, false, o.m);
    ASSERT_EQ(AcceptEdit(o.ws, readings, o.m), std::nullopt);
    EXPECT_EQ(o.ws.recordsRevision, revision);
    EXPECT_FALSE(o.ws.edits.CanUndo());
}

TEST(EditPath, TheCalibrationIsFittedAgainAfterOkAndAfterCancel) {
    Opened o;
    Workspace& ws = o.ws;
    ws.documentKind = DocumentKind::calibration;
    ws.calibration.calibrationRows[3][calibrationField::pm] = "1";
    // Cancel: fitted again, which changes the curve the file keeps: an edit
    // of its own, undone like any other.
    const CalibrationRecord changed = ws.calibration;
    const unsigned long revision = ws.recordsRevision;
    CalibrationHeaderModel cancelled(ws.calibration, ws.settings);
    CancelEdit(ws, cancelled, o.m);
    EXPECT_NE(ws.calibration, changed);
    EXPECT_NE(ws.recordsRevision, revision);
    EXPECT_EQ(ws.edits.UndoName(), "再計算");
    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ws.calibration, changed);
    ASSERT_TRUE(Redo(ws, o.m));
    // Fitted again without a change: no edit.
    CancelEdit(ws, cancelled, o.m);
    EXPECT_FALSE(ws.edits.CanRedo());
    EXPECT_EQ(ws.edits.UndoName(), "再計算");
    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_FALSE(ws.edits.CanUndo());

    // OK with the straight lines: the edit holds the fit that followed.
    CalibrationHeaderModel header(ws.calibration, ws.settings);
    header.fitMethod = 0;
    header.field(header::memo) = Sjis("膜交換");
    const CalibrationRecord before = ws.calibration;
    ASSERT_EQ(AcceptEdit(ws, header, o.m), std::nullopt);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::fitMethod], "0");
    EXPECT_EQ(ws.edits.UndoName(), "見出し");
    const CalibrationRecord after = ws.calibration;
    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ws.calibration, before);
    ASSERT_TRUE(Redo(ws, o.m));
    EXPECT_EQ(ws.calibration, after);
}

TEST(EditPath, ASettingsEditUndoneWritesItsFileBack) {
    Opened o;
    Workspace& ws = o.ws;
    const std::string sys = ws.settings.settingsFilePath;
    const std::string original = ReadBytes(sys);
    const unsigned long revision = ws.recordsRevision;

    StyleSettingsModel style(ws.settings);
    style.decimals[StyleSettingsModel::em] = "4";
    ASSERT_EQ(AcceptEdit(ws, style, o.m), std::nullopt);
    EXPECT_EQ(ws.settings.emDecimals, 4);
    const std::string edited = ReadBytes(sys);
    EXPECT_NE(edited, original);
    // Settings are not the document: it has no unsaved changes for them.
    EXPECT_EQ(ws.recordsRevision, revision);
    EXPECT_EQ(ws.edits.UndoName(), "様式/桁数");

    ASSERT_TRUE(Undo(ws, o.m));
    EXPECT_EQ(ReadBytes(sys), original);
    EXPECT_NE(ws.settings.emDecimals, 4);
    ASSERT_TRUE(Redo(ws, o.m));
    EXPECT_EQ(ReadBytes(sys), edited);
}

TEST(EditPath, MovingTheInstallationIsUndoneToo) {
    ScratchDir base;
    Workspace ws;
    ws.settings.baseFolder = base.path().string();
    RecordedMessages m;
    StartProgram(ws, m);
    const Settings before = ws.settings;
    SetupModel setup(ws.settings);
    setup.SetInstallationFolder(base.file("moved"));
    ASSERT_EQ(AcceptEdit(ws, setup, m), std::nullopt);
    EXPECT_EQ(ws.settings.settingsFolder, base.file("moved"));
    EXPECT_EQ(ReadBytes(base.file("LunKvr5.whr")), base.file("moved") + "\r\n");
    EXPECT_EQ(ws.edits.UndoName(), "セットアップ");
    ASSERT_TRUE(Undo(ws, m));
    EXPECT_EQ(ws.settings, before);
    EXPECT_EQ(ReadBytes(base.file("LunKvr5.whr")), before.installFolder + "\r\n");
}

TEST(EditPath, AFileThatCannotBeWrittenLeavesEverythingAsItWas) {
    Opened o;
    Workspace& ws = o.ws;
    const Settings before = ws.settings;
    ws.settings.settingsFilePath = o.dir.file("missing/Sys.ndx");
    StyleSettingsModel style(ws.settings);
    style.decimals[StyleSettingsModel::em] = "4";
    const std::optional<Refusal> refused = AcceptEdit(ws, style, o.m);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message, "");  // said already
    ASSERT_EQ(o.m.shown.size(), 1u);
    EXPECT_EQ(
        o.m.shown[0].rfind("保存できませんでした\n( " + o.dir.file("missing/Sys.ndx") + " )", 0),
        0u);
    EXPECT_EQ(ws.settings.emDecimals, before.emDecimals);
    EXPECT_FALSE(ws.edits.CanUndo());
}

// A settings file the user may not read is never replaced nor removed: an
// edit that would write it is refused before anything is written (it could
// not be undone), and so is an Undo that would put one back over it.
TEST(EditPath, AFileThatCannotBeReadIsNeverReplacedNorRemoved) {
    if (!test::kPosixFiles) {
        GTEST_SKIP() << "file permissions";
    }
    test::OpenScratchDir dir;
    const std::string folder = dir.file("settings");
    test::WriteStandardSettings(folder);
    test::WriteBytes(JoinPath(folder, "M.mst"), "A\r\n");
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms(0666));
    }
    Workspace ws;
    ws.settings.fixedFolder = folder;
    RecordedMessages m;
    StartProgram(ws, m);
    // Each edit with the file it writes, made unreadable first.
    const auto style = [](Workspace& w, Messages& said) {
        StyleSettingsModel d(w.settings);
        d.decimals[StyleSettingsModel::em] = "4";
        return !AcceptEdit(w, d, said);
    };
    const auto fonts = [](Workspace& w, Messages& said) {
        FontSettingsModel d(w.settings);
        FontSetting larger = d.font(FontRole::table);
        larger.size += 1;
        d.Choose(FontRole::table, larger);
        return !AcceptEdit(w, d, said);
    };
    const auto master = [](Workspace& w, Messages& said) {
        EngineerMasterModel d(w.settings, said);
        d.SetCell(2, 1, "B");
        return !AcceptEdit(w, d, said);
    };
    const struct {
        const char* file;
        bool (*edit)(Workspace&, Messages&);
    } cases[] = {{"Sys.ndx", style}, {"Font3.ndx", fonts}, {"M.mst", master}};
    for (const auto& c : cases) {
        const std::string path = JoinPath(folder, c.file);
        const std::string content = ReadBytes(path);
        const std::string refusal =
            "設定ファイルを読めないため、変更を保存しません（元に戻せなくなるため）\n( " + path +
            " )";
        std::filesystem::permissions(path, std::filesystem::perms::none);
        EXPECT_TRUE(test::AsOrdinaryUser([&] {
            RecordedMessages said;
            Workspace w = ws;
            return !c.edit(w, said) && said.shown.back() == refusal && w.settings == ws.settings &&
                   !w.edits.CanUndo();
        })) << c.file;
        EXPECT_EQ(ReadBytes(path), content) << c.file;
        // Made while it could be read, then made unreadable: Undo leaves it.
        std::filesystem::permissions(path, std::filesystem::perms(0666));
        EXPECT_TRUE(test::AsOrdinaryUser([&] {
            RecordedMessages said;
            Workspace w = ws;
            if (!c.edit(w, said)) {
                return false;
            }
            const std::string edited = ReadBytes(path);
            std::filesystem::permissions(path, std::filesystem::perms::none);
            const bool refused =
                !Undo(w, said) && said.shown.back() == refusal && w.edits.CanUndo();
            std::filesystem::permissions(path, std::filesystem::perms(0666));
            return refused && ReadBytes(path) == edited;
        })) << c.file;
        test::WriteBytes(path, content);
    }
}

// The history keeps at most 200 steps and 64 MB, the oldest going first; a
// step keeps once what it shares with the one before.
TEST(EditPath, TheHistoryIsBounded) {
    Opened o;
    std::vector<TestRecord> made;
    for (int i = 0; i < 230; ++i) {
        TypePressure(o, std::to_string(100 + i));
        made.push_back(o.ws.test);
    }
    EXPECT_EQ(o.ws.edits.Steps(), EditHistory::kMostSteps);
    EXPECT_LT(o.ws.edits.Bytes(), std::size_t(24) << 20);
    int undone = 0;
    while (Undo(o.ws, o.m)) {
        ++undone;
    }
    EXPECT_EQ(undone, 200);
    EXPECT_EQ(o.ws.test, made[29]);

    // A header text of 20 MB: a few steps alone, however many edits.
    Opened big;
    for (int i = 0; i < 8; ++i) {
        TestHeaderModel header(big.ws.test, big.ws.settings);
        header.field(header::memo) = std::string(std::size_t(20) << 20, char('a' + i));
        ASSERT_EQ(AcceptEdit(big.ws, header, big.m), std::nullopt);
    }
    EXPECT_LE(big.ws.edits.Bytes(), EditHistory::kMostBytes + (std::size_t(41) << 20));
    EXPECT_LT(big.ws.edits.Steps(), 4u);
    ASSERT_TRUE(Undo(big.ws, big.m));
    EXPECT_EQ(big.ws.test.testHeader[header::memo][0], 'g');
}

}  // namespace
}  // namespace karnea
