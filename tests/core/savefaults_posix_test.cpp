// Saves and the system's own ways of ending them: a signal, a killed
// process, a full file system; and the owner of a saved file.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "settings/settings.h"
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
                [[maybe_unused]] const bool saved = ReplaceFile(dir.file("f"), big);
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
// the new content whole, or else the copy the save kept in the user's state
// folder holds the previous content, which the next open offers back, even
// after a reboot has emptied the temporary folder (an output is made anew).
TEST(SaveFaults, KilledWhileWritingInPlace) {
    const std::string a(24 << 20, 'a');
    const std::string b(16 << 20, 'b');
    std::mt19937 random(20261208);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ScratchDir dir;
        OpenScratchDir temporary;
        OpenScratchDir state;
        const EnvironmentSet tmpdir("TMPDIR", temporary.path().string());
        const EnvironmentSet stateHome("XDG_STATE_HOME", state.path().string());
        // Every other time an output (a report), which is made anew.
        const bool output = attempt % 2 == 1;
        const std::string path = dir.file(output ? "f.pdf" : "f.kdw");
        WriteBytes(path, a);
        ::chmod(path.c_str(), 0666);
        ::chmod(dir.path().c_str(), 0555);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(1);
            }
            for (int i = 0; i < 1000; ++i) {
                [[maybe_unused]] const bool saved = ReplaceFile(path, i % 2 == 0 ? b : a);
            }
            ::_exit(0);
        }
        ::usleep(20000 + random() % 200000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        std::filesystem::remove_all(temporary.path());
        std::filesystem::create_directory(temporary.path());
        // The next open offers the previous content back where the file
        // holds neither whole: then it holds one, and no copy stays. The
        // next write of an output says that the last was interrupted.
        EXPECT_TRUE(test::AsOrdinaryUser([&] {
            RecordedMessages yes(true);
            const std::string before = ReadBytes(path);
            if (output) {
                return MayExportTo(path, yes) &&
                       (before == a || before == b || yes.shown.size() == 1) &&
                       std::filesystem::is_empty(state.path() / "karnea");
            }
            RecoverInterruptedSave(path, SaveRecovery::opening, yes);
            const std::string kept = ReadBytes(path);
            return (kept == a || kept == b) && std::filesystem::is_empty(state.path() / "karnea");
        })) << "attempt "
            << attempt;
        ::chmod(dir.path().c_str(), 0755);
    }
}

// A scratch folder goes with its process: at once on an ending signal,
// and, when a kill left it, with the next run. Folders of other computers,
// of processes still running and names the program does not give stay.
TEST(SaveFaults, ScratchFoldersGoWithTheirProcess) {
    OpenScratchDir temporary;
    const EnvironmentSet tmpdir("TMPDIR", temporary.path().string());
    for (const char* name :
         {"karnea~scratch~elsewhere~1~0123456789abcdef", "karnea-xlsx-0123456789abcdef"}) {
        std::filesystem::create_directory(temporary.path() / name);
    }
    for (const int signal : {SIGTERM, SIGINT, SIGKILL}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const ScratchFolder scratch;
            WriteBytes(JoinPath(scratch.path(), "book.xlsx"), std::string(1 << 20, 'x'));
            WriteBytes(JoinPath(scratch.path(), "sheet1.xml"), "x");
            [[maybe_unused]] const ssize_t said = ::write(ready[1], "x", 1);
            for (;;) {
                ::pause();
            }
        }
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_EQ(FilesIn(temporary), signal == SIGKILL ? 3u : 2u) << signal;
        RemoveEndedScratchFolders();
        EXPECT_EQ(FilesIn(temporary), 2u) << signal;
    }
    const ScratchFolder running;
    ASSERT_FALSE(running.path().empty());
    RemoveEndedScratchFolders();
    EXPECT_TRUE(std::filesystem::is_directory(running.path()));
}

#ifdef KARNEA_SAVE_FAULTS
// Files that killed saves of a file left beside it (a new file not yet
// renamed, a second name of the previous file) go at the next save of that
// file, once their process has ended and they have not changed for a while,
// judged by the change time (a second name of an old file is new when it is
// made). Names of other files, of other computers, and every name the
// program does not make stay.
TEST(SaveFaults, LeftOverSaveFilesGo) {
    ScratchDir dir;
    const struct timeval past[2] = {{::time(nullptr) - 300, 0}, {::time(nullptr) - 300, 0}};
    for (const char* name : {"t.kdw", "other.kdw"}) {
        WriteBytes(dir.file(name), "old");
        ::utimes(dir.file(name).c_str(), past);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        FailSaveStep(SaveStep::abandon);
        const bool t = ReplaceFile(dir.file("t.kdw"), "new");
        const bool other = ReplaceFile(dir.file("other.kdw"), "new");
        ::_exit(t || other ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    std::vector<std::string> mine;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".t.kdw.karnea~", 0) == 0) {
            mine.push_back(name);
        }
    }
    ASSERT_EQ(mine.size(), 2u);  // the new file and the second name
    // The same names made on another computer, the same with the process
    // number written otherwise ("0" before it), and names users give files.
    const std::string gone = std::to_string(child);
    for (const std::string& name : mine) {
        std::string elsewhere = name;
        const std::size_t host = name.find('~', name.find("karnea~") + 7) + 1;
        elsewhere.replace(host, name.find('~', host) - host, "elsewhere");
        WriteBytes(dir.file(elsewhere), "x");
        std::string padded = name;
        padded.replace(padded.find("~" + gone), gone.size() + 1, "~0" + gone);
        WriteBytes(dir.file(padded), "x");
    }
    for (const std::string& name : std::vector<std::string>{
             ".budget.save-2023-12", ".notes.txt.keep-20240101", ".sub.keep-31005",
             ".t.kdw.keep-" + gone, ".t.kdw.save-" + gone + "-0", "t.kdw.karnea~keep~x~" + gone}) {
        WriteBytes(dir.file(name), "x");
    }
    std::vector<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ::utimes(entry.path().c_str(), past);
        all.push_back(entry.path().filename().string());
    }
    std::sort(all.begin(), all.end());
    const auto left = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    // Changed just now, however old their content: they stay.
    ASSERT_TRUE(ReplaceFile(dir.file("t.kdw"), "newer"));
    EXPECT_EQ(left(), all);
    // A while later, the two of this file and this computer go.
    SetLeftOverAfter(0);
    ASSERT_TRUE(ReplaceFile(dir.file("t.kdw"), "newest"));
    SetLeftOverAfter(60);
    for (const std::string& name : mine) {
        all.erase(std::find(all.begin(), all.end(), name));
    }
    EXPECT_EQ(left(), all);
}
// A first start killed before each file of the installation takes its
// name: the next start completes the set (saying what it made when part of
// it was there), and its left-over new files go.
TEST(SaveFaults, AKilledFirstStartIsCompleted) {
    const std::vector<std::string> set = {"Sys.ndx",   "Font1.ndx", "Font2.ndx",
                                          "Font3.ndx", "Font4.ndx", "Font5.ndx",
                                          "Font6.ndx", "Help.txt",  "M.mst"};
    for (std::size_t killedAt = 1; killedAt <= set.size(); ++killedAt) {
        ScratchDir base;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            KillAtRename(static_cast<int>(killedAt));
            Workspace ws;
            ws.settings.baseFolder = base.path().string();
            RecordedMessages m;
            StartProgram(ws, m);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 137) << killedAt;
        const std::string folder = base.file("VardoXQ/Kvar5");
        SetLeftOverAfter(0);
        Workspace ws;
        ws.settings.baseFolder = base.path().string();
        RecordedMessages m;
        StartProgram(ws, m);
        SetLeftOverAfter(60);
        std::string made;
        for (std::size_t i = killedAt - 1; i < set.size(); ++i) {
            made += set[i] == "Help.txt" ? "" : (made.empty() ? "" : "、") + set[i];
        }
        if (killedAt == 1) {
            EXPECT_TRUE(m.shown.empty());
        } else {
            ASSERT_EQ(m.shown.size(), 1u) << killedAt;
            EXPECT_EQ(m.shown[0],
                      "足りなかった設定ファイルを作りました: " + made + "\n( " + folder + " )");
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        std::vector<std::string> sorted = set;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(names, sorted) << killedAt;
        EXPECT_EQ(ReadBytes(JoinPath(folder, "Help.txt")), std::string(ShippedHelpText()));
        EXPECT_EQ(ws.settings.defaultCompanyName, Sjis("株式会社"));
    }
}

#endif

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
    // What the user is told of a write that failed: the room it wants, or
    // a folder that may not be written.
    EXPECT_EQ(WhyNotWritten(dir.path().string(), 1 << 20).rfind("ディスクがいっぱいです", 0), 0u);
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_TRUE(test::AsOrdinaryUser([&] {
        return WhyNotWritten(dir.path().string(), 10).rfind("フォルダに書き込めません", 0) == 0;
    }));
    ::chmod(dir.path().c_str(), 0755);
    std::system(("umount " + dir.path().string()).c_str());
}

}  // namespace
}  // namespace karnea
