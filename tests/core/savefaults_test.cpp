// Saves that fail at each of their steps: the previous file stays as it
// was, no new file is left beside it, and the user is told. Also the owner
// of a saved file (with the other ways a system ends a save, on Linux).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "entry/engineermastermodel.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/edits.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::EnvironmentSet;
using test::FilesIn;
using test::OpenScratchDir;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// The copies that writing in place keeps, anywhere below `folder`.
std::size_t CopiesBelow(const ScratchDir& folder) {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        n += entry.path().filename().string().find(".karnea~before~") != std::string::npos;
    }
    return n;
}

#ifdef KARNEA_SAVE_FAULTS
constexpr SaveStep kSteps[] = {SaveStep::create, SaveStep::write,  SaveStep::flush,
                               SaveStep::sync,   SaveStep::rename, SaveStep::syncFolder};

struct FailingStep {
    explicit FailingStep(SaveStep step) { FailSaveStep(step); }
    ~FailingStep() { FailSaveStep(SaveStep::none); }
};

TEST(SaveFaults, EveryStepLeavesThePreviousFile) {
    for (const SaveStep step : kSteps) {
        ScratchDir dir;
        WriteBytes(dir.file("f"), "previous");
        WriteBytes(dir.file("g"), "other");
        {
            const FailingStep failing(step);
            EXPECT_FALSE(ReplaceFile(dir.file("f"), "new")) << static_cast<int>(step);
            EXPECT_FALSE(ReplaceFile(dir.file("new"), "new")) << static_cast<int>(step);
            EXPECT_FALSE(ReplaceFiles({{dir.file("f"), "a"}, {dir.file("g"), "b"}}));
            // A file streamed in pieces keeps the same promises.
            EXPECT_FALSE(ReplaceFileStreamed(dir.file("f"), [](const ContentWriter& put) {
                return put("ne") && put("w");
            })) << static_cast<int>(step);
        }
        EXPECT_EQ(ReadBytes(dir.file("f")), "previous") << static_cast<int>(step);
        EXPECT_EQ(ReadBytes(dir.file("g")), "other");
        EXPECT_EQ(FilesIn(dir), 2u) << static_cast<int>(step);  // no new file stays
        EXPECT_TRUE(ReplaceFile(dir.file("f"), "new"));
        EXPECT_EQ(ReadBytes(dir.file("f")), "new");
        EXPECT_EQ(FilesIn(dir), 2u);
    }
}

// A set of files replaced together, after a kill at any point of its
// install: the journal it leaves completes the set when every new file is
// at hand, else puts every previous file back; never a mix, and nothing of
// the install stays. A failed step leaves the set as it was.
TEST(SaveFaults, AFileSetIsWhollyNewOrWhollyOldAfterAnyKill) {
    const auto state = [](const ScratchDir& dir) {
        const auto read = [&](const char* name) {
            return std::filesystem::exists(dir.file(name)) ? ReadBytes(dir.file(name))
                                                           : std::string("-");
        };
        return read("a") + "," + read("sub/b") + "," + read("c") + "," + read("gone");
    };
    const std::string before = "old a,old b,-,old gone";
    const std::string after = "new a,new b,new c,-";
    const auto install = [](const ScratchDir& dir) {
        return ReplaceFileSet(
            dir.file(".journal"),
            {{dir.file("a"), "new a"}, {dir.file("sub/b"), "new b"}, {dir.file("c"), "new c"}},
            {dir.file("gone")});
    };
    for (int killed = 0; killed <= 3; ++killed) {
        for (const bool staged : {true, false}) {
            ScratchDir dir;
            std::filesystem::create_directories(dir.file("sub"));
            WriteBytes(dir.file("a"), "old a");
            WriteBytes(dir.file("sub/b"), "old b");
            WriteBytes(dir.file("gone"), "old gone");
            AbandonSetAfter(killed);
            EXPECT_FALSE(install(dir));
            AbandonSetAfter(-1);
            EXPECT_FALSE(install(dir));  // not while a journal is there
            if (!staged) {
                // c's new file lost before it took its name: no way forward.
                for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
                    if (e.path().filename().string().rfind(".c.karnea~save~", 0) == 0) {
                        std::filesystem::remove(e.path());
                    }
                }
            }
            const bool forward = staged || killed >= 3;
            EXPECT_EQ(RecoverFileSet(dir.file(".journal")),
                      forward ? SetRecovery::forward : SetRecovery::back)
                << killed;
            EXPECT_EQ(state(dir), forward ? after : before) << killed << staged;
            // a, sub, and c or gone; nothing of the install beside them.
            EXPECT_EQ(FilesIn(dir), 3u) << killed << staged;
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("sub")),
                                    std::filesystem::directory_iterator()),
                      1);
            EXPECT_EQ(RecoverFileSet(dir.file(".journal")), SetRecovery::none);
        }
    }
    for (const SaveStep step : {SaveStep::sync, SaveStep::rename}) {
        ScratchDir dir;
        std::filesystem::create_directories(dir.file("sub"));
        WriteBytes(dir.file("a"), "old a");
        WriteBytes(dir.file("sub/b"), "old b");
        WriteBytes(dir.file("gone"), "old gone");
        {
            const FailingStep failing(step);
            EXPECT_FALSE(install(dir));
        }
        EXPECT_EQ(state(dir), before);
        EXPECT_EQ(FilesIn(dir), 3u);
        EXPECT_TRUE(install(dir));
        EXPECT_EQ(state(dir), after);
    }
    // A journal that is not whole is left alone.
    ScratchDir dir;
    WriteBytes(dir.file(".journal"), "karnea file set 1\nx\t");
    EXPECT_EQ(RecoverFileSet(dir.file(".journal")), SetRecovery::unreadable);
    EXPECT_TRUE(std::filesystem::exists(dir.file(".journal")));
}

// A writable file in a folder where no new file can be made is written in
// place; whichever step of that fails, the file keeps its previous content
// whole, longer or shorter than the new one, and the copy kept meanwhile
// goes. Without room for that copy nothing is written at all.
TEST(SaveFaults, WritingInPlaceKeepsThePreviousContent) {
    OpenScratchDir temporary;
    const EnvironmentSet tmpdir(test::kTemporaryFolderVariable, temporary.path().string());
    for (const std::string& previous : {std::string("previous"), std::string(100000, 'p')}) {
        for (const SaveStep step :
             {SaveStep::copy, SaveStep::write, SaveStep::sync, SaveStep::truncate}) {
            ScratchDir dir;
            WriteBytes(dir.file("f"), previous);
            {
                const FailingStep denied(SaveStep::createDenied);
                FailSaveStep(step);
                EXPECT_FALSE(ReplaceFile(dir.file("f"), std::string(5000, 'n')));
            }
            EXPECT_EQ(ReadBytes(dir.file("f")), previous) << static_cast<int>(step);
            EXPECT_EQ(FilesIn(dir), 1u) << static_cast<int>(step);
            EXPECT_EQ(CopiesBelow(temporary), 0u);
        }
        ScratchDir dir;
        WriteBytes(dir.file("f"), previous);
        const FailingStep denied(SaveStep::createDenied);
        EXPECT_TRUE(ReplaceFile(dir.file("f"), "new"));
        EXPECT_EQ(ReadBytes(dir.file("f")), "new");
        EXPECT_EQ(FilesIn(dir), 1u);
        // A streamed file goes the same way, collected first.
        EXPECT_TRUE(ReplaceFileStreamed(
            dir.file("f"), [](const ContentWriter& put) { return put("stre") && put("amed"); }));
        EXPECT_EQ(ReadBytes(dir.file("f")), "streamed");
        EXPECT_EQ(FilesIn(dir), 1u);
    }
}

TEST(SaveFaults, DataSettingsAndMasterSavesSayTheyFailed) {
    for (const SaveStep step : kSteps) {
        ScratchDir dir;
        Workspace ws;
        ws.documentKind = DocumentKind::test;
        ws.test.testHeader[header::surveyName] = "new";
        const std::string data = dir.file("t.kdw");
        WriteBytes(data, "$$_KDVARDO301\r\n");
        Settings settings = test::StandardSettings();
        settings.engineerMasterPath = dir.file("M.mst");
        WriteBytes(dir.file("M.mst"), "A\r\n");
        WriteBytes(dir.file("Sys.ndx"), "old\r\n");
        RecordedMessages m;
        {
            const FailingStep failing(step);
            EXPECT_FALSE(SaveDocument(ws, data, m));
            EXPECT_EQ(m.shown.back().rfind("保存できませんでした\n( " + data + " )\n", 0), 0u);
            EXPECT_FALSE(SaveSettings(settings, dir.file("Sys.ndx"), m));
            EngineerMasterModel master(settings, m);
            master.SetCell(2, 1, "B");
            EXPECT_TRUE(test::PressOk(master, settings, m));
            EXPECT_EQ(m.shown.back(), "マスタファイルは\n保存できませんでした");
        }
        EXPECT_EQ(ReadBytes(data), "$$_KDVARDO301\r\n");
        EXPECT_EQ(ReadBytes(dir.file("Sys.ndx")), "old\r\n");
        EXPECT_EQ(ReadBytes(dir.file("M.mst")), "A\r\n");
        EXPECT_EQ(FilesIn(dir), 3u) << static_cast<int>(step);
    }
}
// A save in place that ends while it writes (here stopped where a kill stops
// it) leaves the file half written and a copy of its previous content. The
// next open offers that content back (No leaves both as they are, and the
// cut file is opened only if the user wants what it holds); a save
// over the file says where the copy stays and sets it aside; a copy that the
// file matches goes without a word.
TEST(SaveFaults, AnInterruptedSaveIsOfferedBack) {
    OpenScratchDir temporary;
    const EnvironmentSet tmpdir(test::kTemporaryFolderVariable, temporary.path().string());
    ScratchDir dir;
    const std::string path = dir.file("t.kdw");
    Workspace ws;
    ws.test.testHeader[header::surveyName] = "previous";
    const std::string previous = WriteTestFile(ws.test);
    WriteBytes(path, previous);
    const auto interrupt = [&](const std::string& bytes) {
        FailSaveStep(SaveStep::createDenied);
        FailSaveStep(SaveStep::abandon);
        EXPECT_FALSE(ReplaceFile(path, bytes));
        FailSaveStep(SaveStep::none);
    };
    const auto named = [&](const char* mark) {
        std::size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            n += entry.path().filename().string().find(mark) != std::string::npos;
        }
        return n;
    };
    ws.test.testHeader[header::surveyName] = std::string(5000, 'n');
    interrupt(WriteTestFile(ws.test));
    ASSERT_NE(ReadBytes(path), previous);
    ASSERT_EQ(named(".karnea~before~"), 1u);

    // Half written, the file is cut: it is not opened unasked either.
    RecordedMessages no(false);
    EXPECT_FALSE(OpenDataFile(ws, path, no));
    ASSERT_EQ(no.asked.size(), 2u);
    EXPECT_EQ(no.asked[0].rfind("前回の保存が中断されました。\n" + path, 0), 0u) << no.asked[0];
    EXPECT_EQ(no.asked[1],
              "ファイルが途中で切れています\n( " + path + " )\n読めたところまで開きますか?");
    EXPECT_EQ(named(".karnea~before~"), 1u);
    RecordedMessages yes(true);
    EXPECT_TRUE(OpenDataFile(ws, path, yes));
    EXPECT_EQ(yes.asked.size(), 1u);
    EXPECT_EQ(ws.test.testHeader[header::surveyName], "previous");
    EXPECT_EQ(ReadBytes(path), previous);
    EXPECT_EQ(FilesIn(dir), 1u);

    interrupt(std::string(6000, 'x'));
    RecordedMessages m(true);  // the file changed since it was opened: Yes
    EXPECT_TRUE(SaveDocument(ws, path, m));
    EXPECT_EQ(m.asked.size(), 1u);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("前回の保存が中断されました。\n" + path + " の保存前の内容は", 0),
              0u);
    EXPECT_EQ(named(".karnea~previous~"), 1u);
    EXPECT_EQ(named(".karnea~before~"), 0u);
    m.asked.clear();
    EXPECT_TRUE(OpenDataFile(ws, path, m));
    EXPECT_TRUE(m.asked.empty());

    interrupt(ReadBytes(path));  // the same bytes again: nothing lost
    EXPECT_TRUE(OpenDataFile(ws, path, m));
    EXPECT_TRUE(m.asked.empty());
    EXPECT_EQ(named(".karnea~before~"), 0u);

    // An output is made anew from its data: the next write of it says the
    // last one was interrupted, once, and its copy goes.
    const std::string report = dir.file("r.pdf");
    WriteBytes(report, "%PDF previous");
    FailSaveStep(SaveStep::createDenied);
    FailSaveStep(SaveStep::abandon);
    EXPECT_FALSE(ReplaceFile(report, "%PDF new, and longer"));
    FailSaveStep(SaveStep::none);
    ASSERT_EQ(named(".karnea~before~"), 1u);
    for (const std::size_t said : {1u, 0u}) {
        RecordedMessages output;
        EXPECT_TRUE(MayExportTo(report, output));
        ASSERT_EQ(output.shown.size(), said);
        EXPECT_TRUE(said == 0 || output.shown[0] ==
                                     "前回の書き出しが途中で終わっていました。"
                                     "作り直します\n( " +
                                         report + " )");
        EXPECT_EQ(named(".karnea~before~"), 0u);
    }
}
#endif

}  // namespace
}  // namespace karnea
