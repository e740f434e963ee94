// Saves that fail at each of their steps: the previous file stays as it
// was, no new file is left beside it, and the user is told. Also the owner
// of a saved file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "entry/engineermastermodel.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

std::size_t FilesIn(const ScratchDir& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++n;
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
        }
        EXPECT_EQ(ReadBytes(dir.file("f")), "previous") << static_cast<int>(step);
        EXPECT_EQ(ReadBytes(dir.file("g")), "other");
        EXPECT_EQ(FilesIn(dir), 2u) << static_cast<int>(step);  // no new file stays
        EXPECT_TRUE(ReplaceFile(dir.file("f"), "new"));
        EXPECT_EQ(ReadBytes(dir.file("f")), "new");
        EXPECT_EQ(FilesIn(dir), 2u);
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
            EXPECT_EQ(m.shown.back(), "保存できませんでした");
            EXPECT_FALSE(SaveSettings(settings, dir.file("Sys.ndx"), m));
            EngineerMasterModel master(settings, m);
            master.SetCell(2, 1, "B");
            EXPECT_FALSE(master.Ok());
            EXPECT_EQ(m.shown.back(), "マスタファイルは\n保存できませんでした");
        }
        EXPECT_EQ(ReadBytes(data), "$$_KDVARDO301\r\n");
        EXPECT_EQ(ReadBytes(dir.file("Sys.ndx")), "old\r\n");
        EXPECT_EQ(ReadBytes(dir.file("M.mst")), "A\r\n");
        EXPECT_EQ(FilesIn(dir), 3u) << static_cast<int>(step);
    }
}
#endif

// A saved file keeps its owner and group where the process may set them.
TEST(SaveFaults, TheOwnerStays) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser may give a file away";
    }
    ScratchDir dir;
    WriteBytes(dir.file("f"), "previous");
    ASSERT_EQ(::chown(dir.file("f").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(ReplaceFile(dir.file("f"), "new"));
    struct stat after {};
    ASSERT_EQ(::stat(dir.file("f").c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(after.st_gid, 65534u);
}

// A save that SIGTERM or SIGINT interrupts leaves no new file beside the
// old one: the save finishes or cleans up, then the signal ends the program.
TEST(SaveFaults, AnEndingSignalLeavesNoTemporaryFile) {
    for (const int signal : {SIGTERM, SIGINT}) {
        ScratchDir dir;
        WriteBytes(dir.file("f"), "previous");
        const std::string big(64 << 20, 'x');
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < 20; ++i) {
                ReplaceFile(dir.file("f"), big);
            }
            ::_exit(0);
        }
        ::usleep(50000);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << signal;
        EXPECT_EQ(FilesIn(dir), 1u) << signal;
        const std::string kept = ReadBytes(dir.file("f"));
        EXPECT_TRUE(kept == "previous" || kept == big) << signal;
    }
}

// As root: a full file system (a small tmpfs) fails the save, keeps the
// previous file and leaves nothing beside it.
TEST(SaveFaults, AFullFileSystem) {
    ScratchDir dir;
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=256k karnea-full " +
                                         dir.path().string() + " 2>/dev/null")
                                            .c_str()) != 0) {
        GTEST_SKIP() << "a small tmpfs needs root and the right to mount";
    }
    WriteBytes(dir.file("t.kdw"), "previous");
    EXPECT_FALSE(ReplaceFile(dir.file("t.kdw"), std::string(1 << 20, 'x')));
    EXPECT_EQ(ReadBytes(dir.file("t.kdw")), "previous");
    EXPECT_EQ(FilesIn(dir), 1u);
    std::system(("umount " + dir.path().string()).c_str());
}

}  // namespace
}  // namespace karnea
