// Replacing files: whatever the target is, a save never leaves the wrong
// kind of file behind, and a writable file can always be saved.
#include "base/diskfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace karnea {
namespace {

using test::FilesIn;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

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
    EXPECT_EQ(FilesIn(dir), 1u);
    ASSERT_TRUE(ReplaceFileStreamed(path, pieces(-1)));
    EXPECT_EQ(ReadBytes(path),
              std::string(100000, 'a') + std::string(100000, 'b') + std::string(100000, 'c'));
    EXPECT_EQ(FilesIn(dir), 1u);
    // A device is written into, as ReplaceFile does.
    if (test::kPosixFiles) {
        EXPECT_TRUE(ReplaceFileStreamed("/dev/null", pieces(-1)));
    }
    EXPECT_FALSE(ReplaceFileStreamed(dir.path().string(), pieces(-1)));
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
