#include "records/olderfile.h"

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ScratchDir;
using test::WriteBytes;

// A version-2 file: start line, ten header lines (fields 3 and 4 used),
// then one value per line.
std::string OldFile(const std::string& date, const std::vector<std::string>& values) {
    std::string out = "0,100,10,x\r\n";
    const std::string field3[10] = {"12", "-8.5",       "-2.0",         "0.95",       "0.3",
                                    date, Sjis("山田"), Sjis("旧現場"), Sjis("粘土"), "4"};
    const std::string field4[10] = {"0.1", "0.2", "0.3", "0.4", "0.5", "3", "7", "12", "", ""};
    for (int i = 0; i < 10; ++i) {
        out += "h,h," + field3[i] + "," + field4[i] + "\r\n";
    }
    for (const std::string& v : values) {
        out += v + ",ignored\r\n";
    }
    return out;
}

// Opens the file; `said` is what opening shows (nothing by default).
Workspace Opened(const ScratchDir& dir, const std::string& name, const std::string& bytes,
                 const std::vector<std::string>& said = {}) {
    WriteBytes(dir.file(name), bytes);
    Workspace ws;
    ws.settings.siCoefficient = "100.0";
    RecordedMessages m;
    EXPECT_TRUE(OpenDataFile(ws, dir.file(name), m));
    EXPECT_EQ(m.shown, said);
    return ws;
}

TEST(OlderFiles, TestImportConvertsPressuresOnly) {
    ScratchDir dir;
    std::vector<std::string> values;
    for (int group = 1; group <= 125; ++group) {
        for (int line = 1; line <= 10; ++line) {
            values.push_back(FormatText("%d.%d", group, line));
        }
    }
    // 120 rows fit; the other five are said.
    const Workspace ws =
        Opened(dir, "old.df", OldFile(Sjis("1998年7月5日"), values),
               {"表に入りきらない 5 行は読み込みませんでした（測定データは 120 行、"
                "キャリブレーションデータは 40 行まで）"});
    EXPECT_EQ(ws.documentKind, DocumentKind::test);
    const HeaderTexts& h = ws.test.testHeader;
    EXPECT_EQ(h[header::surveyNumber], "12");
    EXPECT_EQ(h[header::depth], "-8.5");
    EXPECT_EQ(h[header::pz], "95");  // a pressure, converted like the rows
    EXPECT_EQ(h[header::surveyName], Sjis("旧現場"));
    EXPECT_EQ(h[header::coefficient3], "0.4");
    EXPECT_EQ(h[header::plRow], "12");
    EXPECT_EQ(h[header::dateYear], "1998");
    EXPECT_EQ(h[header::dateMonth], "7");
    EXPECT_EQ(h[header::dateDay], "5");
    EXPECT_EQ(h[header::dateEra], "");
    EXPECT_EQ(h[header::conversionStamp], "300 VARDO");
    EXPECT_DOUBLE_EQ(ws.test.testCoefficients[4], 0.5);
    // Lines 1, 6, 7, 8 of a group are pressures.
    EXPECT_EQ(ws.test.testRows[1][1], "110");
    EXPECT_EQ(ws.test.testRows[1][2], "1.2");
    EXPECT_EQ(ws.test.testRows[1][6], "160");
    EXPECT_EQ(ws.test.testRows[1][8], "180");
    EXPECT_EQ(ws.test.testRows[1][10], "1.10");
    EXPECT_EQ(ws.test.testRows[120][1], "12010");
    EXPECT_EQ(ws.test.testRows[120][9], "120.9");
}

TEST(OlderFiles, CalibrationImportIsFittedAtOnce) {
    ScratchDir dir;
    std::vector<std::string> values;
    for (int group = 1; group <= 8; ++group) {
        for (int line = 1; line <= 10; ++line) {
            values.push_back(line == 1   ? FormatText("%g", 0.05 * group * group)
                             : line == 5 ? FormatText("%d", group * 70)
                                         : "99");
        }
    }
    const Workspace ws = Opened(dir, "probe.CF", OldFile("980705", values));
    EXPECT_EQ(ws.documentKind, DocumentKind::calibration);
    EXPECT_EQ(ws.calibration.calibrationRows[2][calibrationField::pm], "20");
    EXPECT_EQ(ws.calibration.calibrationRows[2][calibrationField::vm], "140");
    EXPECT_EQ(ws.calibration.calibrationRows[2][calibrationField::vmCopy], "140");
    EXPECT_EQ(ws.calibration.calibrationRows[9][calibrationField::pm], "");
    // A calibration uses no Pz: its text 18 stays as the file has it.
    EXPECT_EQ(ws.calibration.calibrationHeader[header::pz], "0.95");
    // The fit replaces the coefficients that field 4 carried.
    EXPECT_NE(ws.calibration.calibrationHeader[header::coefficient0], "0.1");
    EXPECT_NE(ws.calibration.calibrationHeader[header::coefficient0], "_");
    EXPECT_EQ(ws.calibration.calibrationHeader[header::pmAxisMax], "300");
    // A date without 年 and 月: the day is its last two characters.
    EXPECT_EQ(ws.calibration.calibrationHeader[header::dateDay], "05");
    EXPECT_EQ(ws.calibration.calibrationHeader[header::dateMonth], "");
    EXPECT_EQ(ws.calibration.calibrationHeader[header::dateYear], "980705");
}

TEST(OlderFiles, DatesThatDoNotBeginWithANumber) {
    Workspace ws;
    ws.test.testHeader[header::dateYear] = Sjis("平成10年7月");
    ConvertOldDate(ws.test.testHeader);
    EXPECT_EQ(ws.test.testHeader[header::dateYear], "");
    EXPECT_EQ(ws.test.testHeader[header::dateMonth], "7");
    EXPECT_EQ(ws.test.testHeader[header::dateDay], "0");
    ws.test.testHeader[header::dateYear] = "";
    ConvertOldDate(ws.test.testHeader);
    EXPECT_EQ(ws.test.testHeader[header::dateDay], "");
}

TEST(OlderFiles, EachImportStartsAtItsOwnStartLine) {
    ScratchDir dir;
    Workspace ws;
    ws.settings.siCoefficient = "100.0";
    RecordedMessages m;
    // The first file ends in the middle of a row group.
    WriteBytes(dir.file("a.df"), OldFile("1", {"1", "2", "3"}));
    WriteBytes(dir.file("b.df"), OldFile("2", {"5", "6"}));
    ASSERT_TRUE(OpenDataFile(ws, dir.file("a.df"), m));
    ASSERT_TRUE(OpenDataFile(ws, dir.file("b.df"), m));
    EXPECT_EQ(ws.test.testRows[1][1], "500");
    EXPECT_EQ(ws.test.testRows[1][2], "6");
    EXPECT_EQ(ws.test.testRows[1][3], "");

    // Framework opening still refuses them.
    EXPECT_FALSE(LoadDataFileFramework(ws, dir.file("a.df"), m));
    EXPECT_EQ(m.shown.back(), "旧バージョンファイルは「開く」で読み込んで下さい」");
}

}  // namespace
}  // namespace karnea
