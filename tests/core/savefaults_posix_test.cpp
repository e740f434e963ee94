// Saves and the system's own ways of ending them: a signal, a killed
// process, a full file system; and the owner of a saved file.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "base/diskfile.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::EnvironmentSet;
using test::FilesIn;
using test::OpenScratchDir;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

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

// A save that an ending signal interrupts leaves no new file beside the old
// one: the save finishes or cleans up, then the signal ends the program. The
// saving process has other threads, as the desktop program has, and the
// system may give a signal sent to the process to any of them.
TEST(SaveFaults, AnEndingSignalLeavesNoTemporaryFile) {
    const std::string big(64 << 20, 'x');
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1}) {
        ScratchDir dir;
        WriteBytes(dir.file("f"), "previous");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const struct rlimit noCore {};
            ::setrlimit(RLIMIT_CORE, &noCore);
            for (int i = 0; i < 4; ++i) {
                std::thread([] {
                    for (;;) {
                        ::pause();
                    }
                }).detach();
            }
            for (int i = 0; i < 40; ++i) {
                ReplaceFile(dir.file("f"), big);
            }
            ::_exit(0);
        }
        ::usleep(80000);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_EQ(FilesIn(dir), 1u) << signal;
        const std::string kept = ReadBytes(dir.file("f"));
        EXPECT_TRUE(kept == "previous" || kept == big) << signal;
    }
}

// A save killed outright (SIGKILL cannot be held) while it writes a file in
// place, in a folder the user may not write: the file holds the previous or
// the new content whole, or else the copy the save kept in the temporary
// folder holds the previous content for the user to take back.
TEST(SaveFaults, KilledWhileWritingInPlace) {
    const std::string a(24 << 20, 'a');
    const std::string b(16 << 20, 'b');
    std::mt19937 random(20261208);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ScratchDir dir;
        OpenScratchDir temporary;
        const EnvironmentSet tmpdir("TMPDIR", temporary.path().string());
        WriteBytes(dir.file("f.kdw"), a);
        ::chmod(dir.file("f.kdw").c_str(), 0666);
        ::chmod(dir.path().c_str(), 0555);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(1);
            }
            for (int i = 0; i < 1000; ++i) {
                ReplaceFile(dir.file("f.kdw"), i % 2 == 0 ? b : a);
            }
            ::_exit(0);
        }
        ::usleep(20000 + random() % 200000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::chmod(dir.path().c_str(), 0755);
        const std::string kept = ReadBytes(dir.file("f.kdw"));
        if (kept == a || kept == b) {
            continue;
        }
        bool copied = false;
        for (const auto& entry : std::filesystem::directory_iterator(temporary.path())) {
            const std::string copy = ReadBytes(entry.path().string());
            copied = copied || copy == a || copy == b;
        }
        EXPECT_TRUE(copied) << "attempt " << attempt << ": " << kept.size() << " bytes";
    }
}

// Files that killed saves left beside a file (a new file not yet renamed, a
// second name of the previous file) go at the next save into that folder,
// once their process has ended and a minute has passed; others stay.
TEST(SaveFaults, LeftOverSaveFilesGo) {
    ScratchDir dir;
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended);
    const std::string alive = std::to_string(::getppid());
    const auto make = [&](const std::string& name, bool old) {
        WriteBytes(dir.file(name), "x");
        if (old) {
            const struct timeval past[2] = {{::time(nullptr) - 300, 0}, {::time(nullptr) - 300, 0}};
            ::utimes(dir.file(name).c_str(), past);
        }
    };
    make(".t.kdw.save-" + gone + "-0", true);
    make(".other.kdw.save-" + gone + "-12", true);
    make(".t.kdw.keep-" + gone, true);
    make(".t.kdw.save-" + gone + "-1", false);  // too recent
    make(".t.kdw.save-" + alive + "-0", true);  // its process runs
    make(".t.kdw.save-notes", true);            // not a save's name
    make("t.kdw.save-" + gone + "-0", true);    // not hidden
    ASSERT_TRUE(ReplaceFile(dir.file("t.kdw"), "new"));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".t.kdw.save-" + alive + "-0",
                                              ".t.kdw.save-" + gone + "-1", ".t.kdw.save-notes",
                                              "t.kdw", "t.kdw.save-" + gone + "-0"}));
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

    // Written in place (a folder the user may not write, the temporary
    // folder on the same full disk): without room for the copy nothing is
    // written; with it, the new content that does not fit gives way to the
    // previous one.
    std::filesystem::create_directory(dir.file("tmp"));
    std::filesystem::permissions(dir.file("tmp"), std::filesystem::perms::all);
    const EnvironmentSet tmpdir("TMPDIR", dir.file("tmp"));
    for (const std::size_t size : {std::size_t(150) << 10, std::size_t(60) << 10}) {
        const std::string previous(size, 'p');
        WriteBytes(dir.file("t.kdw"), previous);
        ::chmod(dir.file("t.kdw").c_str(), 0666);
        ::chmod(dir.path().c_str(), 0555);
        EXPECT_FALSE(test::AsOrdinaryUser(
            [&] { return ReplaceFile(dir.file("t.kdw"), std::string(1 << 20, 'x')); }));
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(ReadBytes(dir.file("t.kdw")), previous) << size;
        EXPECT_EQ(FilesIn(dir), 2u);
        EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
    }
    std::system(("umount " + dir.path().string()).c_str());
}

}  // namespace
}  // namespace karnea
