// Replacing files: whatever the target is, a save never leaves the wrong
// kind of file behind, and a writable file can always be saved.
#include "base/diskfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>

#include "support/testsupport.h"

namespace karnea {
namespace {

using test::AsOrdinaryUser;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

int FilesIn(const ScratchDir& dir) {
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    return files;
}

// A device or a pipe is written into, never renamed over; a folder is
// refused. (A pipe stands for every file that is not a plain file: a test
// never risks a real device.)
// A file written in pieces as they come: whole when every piece is, and the
// previous file untouched (no new file left) when one fails.
TEST(ReplaceFile, StreamedInPieces) {
    ScratchDir dir;
    const std::string path = dir.file("report.pdf");
    WriteBytes(path, "old");
    const auto pieces = [](int failAt) {
        return [failAt](const ContentWriter& put) {
            for (int i = 0; i < 3; ++i) {
                if (i == failAt || !put(std::string(100000, static_cast<char>('a' + i)))) {
                    return false;
                }
            }
            return true;
        };
    };
    EXPECT_FALSE(ReplaceFileStreamed(path, pieces(1)));
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FilesIn(dir), 1);
    ASSERT_TRUE(ReplaceFileStreamed(path, pieces(-1)));
    EXPECT_EQ(ReadBytes(path),
              std::string(100000, 'a') + std::string(100000, 'b') + std::string(100000, 'c'));
    EXPECT_EQ(FilesIn(dir), 1);
    // A device is written into, as ReplaceFile does.
    EXPECT_TRUE(ReplaceFileStreamed("/dev/null", pieces(-1)));
    EXPECT_FALSE(ReplaceFileStreamed(dir.path().string(), pieces(-1)));
}

TEST(ReplaceFile, PipesAndFolders) {
    ScratchDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reader end is open, so the writer does not wait for one.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(ReplaceFile(fifo, "through"));
    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "through");
    // Through a symbolic link the same.
    std::filesystem::create_symlink(fifo, dir.file("link"));
    EXPECT_TRUE(ReplaceFile(dir.file("link"), "again"));
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 5);
    // Among several files a pipe is refused, and nothing new stays.
    EXPECT_FALSE(ReplaceFiles({{dir.file("new"), "x"}, {fifo, "y"}}));
    ::close(reader);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));

    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(ReplaceFile(dir.file("folder"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
    EXPECT_EQ(FilesIn(dir), 3);
}

// A writable file in a folder the user may not write is written in place.
TEST(ReplaceFile, AWritableFileInAReadOnlyFolder) {
    ScratchDir dir;
    const std::string path = dir.file("keep.kdw");
    WriteBytes(path, "previous");
    ::chmod(path.c_str(), 0666);
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_TRUE(AsOrdinaryUser([&] { return ReplaceFile(path, "new content"); }));
    EXPECT_EQ(ReadBytes(path), "new content");
    EXPECT_EQ(FilesIn(dir), 1);
    // A new file cannot be made there, nor a read-only file written.
    EXPECT_FALSE(AsOrdinaryUser([&] { return ReplaceFile(dir.file("new.kdw"), "x"); }));
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(AsOrdinaryUser([&] { return ReplaceFile(path, "other"); }));
    EXPECT_EQ(ReadBytes(path), "new content");
}

// A symbolic link keeps pointing where it did: a broken link gets the file
// it names; a loop of links is refused and stays as it was.
TEST(ReplaceFile, BrokenAndLoopingLinks) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("sub/missing.kdw", dir.file("broken.kdw"));
    EXPECT_TRUE(ReplaceFile(dir.file("broken.kdw"), "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("broken.kdw")));
    EXPECT_EQ(ReadBytes(dir.file("sub/missing.kdw")), "made");

    std::filesystem::create_symlink("b.kdw", dir.file("a.kdw"));
    std::filesystem::create_symlink("a.kdw", dir.file("b.kdw"));
    std::filesystem::create_symlink("self.kdw", dir.file("self.kdw"));
    for (const char* name : {"a.kdw", "b.kdw", "self.kdw"}) {
        EXPECT_FALSE(ReplaceFile(dir.file(name), "x")) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file(name))) << name;
    }
    EXPECT_FALSE(ReplaceFiles({{dir.file("ok.kdw"), "x"}, {dir.file("a.kdw"), "y"}}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("ok.kdw")));
    EXPECT_EQ(FilesIn(dir), 5);
}

// A folder that is there or can be made: a file is none, and a name
// without folder part lies in the current folder.
TEST(FolderUsable, FilesFoldersAndRelativeNames) {
    ScratchDir dir;
    WriteBytes(dir.file("file"), "");
    EXPECT_TRUE(FolderUsable(dir.path().string()));
    EXPECT_TRUE(FolderUsable(dir.file("new/deeper")));
    EXPECT_FALSE(FolderUsable(dir.file("file")));
    EXPECT_FALSE(FolderUsable(dir.file("file/below")));
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_TRUE(FolderUsable("pages"));
    EXPECT_TRUE(FolderUsable("pages/deeper"));
    std::filesystem::current_path(here);
    EXPECT_FALSE(FolderUsable(""));
}

// Reading stops where the caller's use of a file ends: lines after the
// last one wanted are not read, and a line keeps only what can be used.
TEST(TextLines, ReadingStopsAtTheLimits) {
    ScratchDir dir;
    std::string many;
    for (int i = 0; i < 200000; ++i) {
        many += std::to_string(i) + "\r\n";
    }
    WriteBytes(dir.file("many"), many);
    const auto first = ReadTextLines(dir.file("many"), 61);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->size(), 61u);
    EXPECT_EQ(first->back(), "60");
    EXPECT_EQ(ReadTextLines(dir.file("many"))->size(), 200000u);

    // A CR LF that falls on the boundary of a read, and a cut line.
    const std::string line(65535, 'a');
    WriteBytes(dir.file("long"), line + "\r\n" + std::string(100000, 'b') + "\r\nc\r");
    const auto lines = ReadTextLines(dir.file("long"), 10, 70000);
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ((*lines)[0], line);
    EXPECT_EQ((*lines)[1], std::string(70000, 'b'));
    EXPECT_EQ((*lines)[2], "c\r");  // a last line keeps what it holds
}
}  // namespace
}  // namespace karnea
