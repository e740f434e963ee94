// Replacing files that are pipes, links or in a folder the user may not
// write, as Linux has them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>

#include "base/diskfile.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::AsOrdinaryUser;
using test::FilesIn;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

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
    EXPECT_EQ(FilesIn(dir), 3u);
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
    EXPECT_EQ(FilesIn(dir), 1u);
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
    EXPECT_EQ(FilesIn(dir), 5u);
}

}  // namespace
}  // namespace karnea
