// The engineer name master's file: names read whole, at most the rows of the
// dialog, and what saving writes and reports.
#include "settings/engineermaster.h"

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ScratchDir;
using test::WriteBytes;

TEST(EngineerMaster, NamesAreReadWholeUpToTheLimit) {
    ScratchDir dir;
    const std::string path = dir.file("M.mst");
    const std::string longName = Sjis("長い名前の技術者") + std::string(70, 'x');
    std::string content = longName + "\r\nB\nC\r\n";
    for (int i = 4; i <= 85; ++i) {
        content += "N" + std::to_string(i) + "\r\n";
    }
    WriteBytes(path, content);
    const std::vector<std::string> names = ReadEngineerNames(path, kEngineerRows).value();
    ASSERT_EQ(names.size(), 80u);
    EXPECT_EQ(names[0], longName);
    EXPECT_EQ(names[1], "B");
    EXPECT_EQ(names[79], "N80");
    EXPECT_EQ(ReadEngineerNames(path).value().size(), 85u);
    EXPECT_FALSE(ReadEngineerNames(dir.file("none")).has_value());
}

TEST(EngineerMaster, SavingDropsEmptyRowsAndReportsDuplicates) {
    std::vector<std::string> rows(80);
    rows[0] = "A";
    rows[2] = Sjis("山田");
    rows[4] = "B";
    rows[6] = Sjis("山田");
    const EngineerMasterFile file = MakeEngineerMasterFile(rows);
    EXPECT_EQ(file.bytes, "A\r\n" + Sjis("山田") + "\r\nB\r\n" + Sjis("山田") + "\r\n");
    EXPECT_EQ(file.duplicates, "同じデータがあります\r\n 7行目と 3行目 [山田]　\r\n");

    // Up to six pairs are listed.
    std::vector<std::string> same(80, "Z");
    const EngineerMasterFile many = MakeEngineerMasterFile(same);
    EXPECT_EQ(many.bytes.size(), 80u * 3);
    std::size_t lines = 0;
    for (std::size_t at = many.duplicates.find("行目と"); at != std::string::npos;
         at = many.duplicates.find("行目と", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 6u);
    EXPECT_EQ(MakeEngineerMasterFile({"A", "B"}).duplicates, "");
}

}  // namespace
}  // namespace karnea
