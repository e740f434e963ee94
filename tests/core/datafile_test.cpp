#include "records/datafile.h"

#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "document/workspace.h"

namespace karnea {
namespace {

std::string EmptyHeaderLines(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += "\r\n";
    }
    return out;
}

void ReadAll(Workspace& ws, int version, char kind, const std::string& content,
             Messages& messages) {
    ForEachLine(content,
                [&](std::string_view line) { ReadDataLine(ws, version, kind, line, messages); });
}

TEST(DataFileVersion, FromTheFirstLine) {
    EXPECT_EQ(DetectFileVersion("$$_KCVARDO300\r\n"), kCalibrationVersion);
    EXPECT_EQ(DetectFileVersion("$$_KDVARDO300\r\n"), kTestVersion);
    EXPECT_EQ(DetectFileVersion("x$$_KDVARDO399"), kTestVersion);
    // Both markers: the calibration one is looked for first.
    EXPECT_EQ(DetectFileVersion("$$_KDVARDO3$$_KCVARDO3"), kCalibrationVersion);
    EXPECT_EQ(DetectFileVersion("$$_KDVARDO2"), kNotDataFile);
    EXPECT_EQ(DetectFileVersion("$$_kdvardo300"), kNotDataFile);
    EXPECT_EQ(DetectFileVersion("abc"), kNotDataFile);
    EXPECT_EQ(DetectFileVersion(""), kNotDataFile);
    EXPECT_EQ(DetectFileVersion("0,100,10,0\r\n"), kOlderVersion);
    EXPECT_EQ(DetectFileVersion("x, 100 ,10abc"), kOlderVersion);
    EXPECT_EQ(DetectFileVersion("0,100,11"), kNotDataFile);
    // 31 bytes is the longest first line taken; 32 is not a data file.
    const std::string marker = "$$_KDVARDO300";
    EXPECT_EQ(DetectFileVersion(marker + std::string(18, ' ')), kTestVersion);
    EXPECT_EQ(DetectFileVersion(marker + std::string(19, ' ')), kNotDataFile);
}

TEST(DataFileWriter, TestLayoutByteForByte) {
    Workspace ws;
    ws.testHeader[1] = "survey";
    ws.testHeader[3] = "10.5";
    ws.testHeader[100] = "last";
    ws.testHeader[5] = "ends\r\n";  // written as it is
    ws.testRows[1][1] = "0";
    ws.testRows[1][2] = "0.5";
    ws.testRows[1][10] = "0";
    ws.testRows[2][2] = "12";   // Pm empty, V15 a number: written
    ws.testRows[4][1] = "300";  // after an empty row 3: not written
    ws.loadedCalibrationRows[1][1] = "0";
    ws.loadedCalibrationRows[1][2] = "1";
    ws.loadedCalibrationRows[1][3] = "1";
    ws.loadedCalibrationRows[2][2] = "5";  // Pm empty: ends the block

    std::string expected = "$$_KDVARDO300\r\n$$Z\r\nsurvey\r\n\r\n10.5\r\n\r\nends\r\n";
    expected += EmptyHeaderLines(94) + "last\r\n";
    expected += "$$A\r\n0,0.5,,,,,,,,0\r\n,12,,,,,,,,\r\n$$C\r\n0,1,1\r\n";
    EXPECT_EQ(WriteTestFile(ws), expected);
    EXPECT_EQ(WriteDataFile(ws, FileLayout::test), expected);
}

TEST(DataFileWriter, CalibrationLayoutByteForByte) {
    Workspace ws;
    ws.calibrationHeader[22] = "title, with \"quotes\"";
    ws.calibrationRows[1][1] = "10";
    ws.calibrationRows[1][2] = "20";
    ws.calibrationRows[1][3] = "20";
    ws.calibrationRows[2][2] = "30";  // Vm alone keeps the row
    ws.calibrationRows[3][3] = "40";  // neither Pm nor Vm: ends the block
    ws.calibrationRows[4][1] = "50";
    std::string expected = "$$_KCVARDO300\r\n$$Z\r\n" + EmptyHeaderLines(21) +
                           "title, with \"quotes\"\r\n" + EmptyHeaderLines(78) +
                           "$$C\r\n10,20,20\r\n,30,\r\n";
    EXPECT_EQ(WriteCalibrationFile(ws), expected);

    Workspace empty;
    EXPECT_EQ(WriteCalibrationFile(empty),
              "$$_KCVARDO300\r\n$$Z\r\n" + EmptyHeaderLines(100) + "$$C\r\n");
}

TEST(DataFileWriter, FullTablesAndQuotedCommas) {
    Workspace ws;
    for (int r = 1; r <= kTestRowCount; ++r) {
        ws.testRows[r][1] = std::to_string(r);
    }
    ws.testRows[7][9] = "1,5";
    const std::string file = WriteTestFile(ws);
    EXPECT_NE(file.find("\r\n120,,,,,,,,,\r\n$$C\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n7,,,,,,,,\"1,5\",\r\n"), std::string::npos);

    RecordedMessages m;
    Workspace back;
    ReadAll(back, kTestVersion, kTestKindLetter, file, m);
    EXPECT_EQ(back.testRows, ws.testRows);
    EXPECT_EQ(WriteTestFile(back), file);
}

TEST(DataFileReader, ReadsWhatTheWriterWrote) {
    Workspace ws;
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        ws.testHeader[n] = "h" + std::to_string(n) + ", \"q\"";
    }
    ws.testHeader[14] = "kept";
    ws.testHeader[91] = "\x81\x40\x87\x75";
    for (int r = 1; r <= 30; ++r) {
        for (int f = 1; f <= kTestFieldCount; ++f) {
            ws.testRows[r][f] = std::to_string(r * 10 + f);
        }
    }
    for (int r = 1; r <= kCalibrationRowCount; ++r) {
        ws.loadedCalibrationRows[r][1] = std::to_string(r);
        ws.loadedCalibrationRows[r][2] = "\x80\xFF";  // not CP932: kept as bytes
    }
    const std::string file = WriteTestFile(ws);
    RecordedMessages m;
    Workspace back;
    ReadAll(back, kTestVersion, kTestKindLetter, file, m);
    EXPECT_EQ(back.testHeader, ws.testHeader);
    EXPECT_EQ(back.testRows, ws.testRows);
    EXPECT_EQ(back.loadedCalibrationRows, ws.loadedCalibrationRows);
    EXPECT_EQ(WriteTestFile(back), file);
    EXPECT_TRUE(m.shown.empty());
}

TEST(DataFileReader, LineEndsAndLimits) {
    std::string content = "$$_KDVARDO300\n$$Z\nfirst\r\nsecond\nthird\r\r\n$$A\n";
    for (int r = 1; r <= 121; ++r) {
        content += std::to_string(r) + ",1\n";
    }
    content += "$$C\n1,2\n";
    for (int r = 2; r <= 45; ++r) {
        content += std::to_string(r) + ",2,3\n";
    }
    RecordedMessages m;
    Workspace ws;
    ReadAll(ws, kTestVersion, kTestKindLetter, content, m);
    EXPECT_EQ(ws.testHeader[1], "first");
    EXPECT_EQ(ws.testHeader[2], "second");
    EXPECT_EQ(ws.testHeader[3], "third\r");  // only CR LF or LF is a line end
    EXPECT_EQ(ws.testRows[120][1], "120");
    EXPECT_EQ(ws.testRows[1][3], "");
    EXPECT_EQ(ws.loadedCalibrationRows[1][3], "");
    EXPECT_EQ(ws.loadedCalibrationRows[40][1], "40");
    EXPECT_EQ(ws.calibrationRows[1][1], "");  // the test reader fills the loaded calibration

    // LF-only and CR LF files read the same; a last line without line end counts.
    Workspace crlf;
    Workspace lf;
    ReadAll(crlf, kTestVersion, kTestKindLetter, "$$_KDVARDO300\r\n$$Z\r\na\r\nb", m);
    ReadAll(lf, kTestVersion, kTestKindLetter, "$$_KDVARDO300\n$$Z\na\nb", m);
    EXPECT_EQ(crlf.testHeader, lf.testHeader);
    EXPECT_EQ(lf.testHeader[2], "b");
}

TEST(DataFileReader, HeaderLinesBeyond100AreDropped) {
    std::string content = "$$_KCVARDO300\r\n$$Z\r\n";
    for (int n = 1; n <= 105; ++n) {
        content += "t" + std::to_string(n) + "\r\n";
    }
    RecordedMessages m;
    Workspace ws;
    ReadAll(ws, kCalibrationVersion, kCalibrationKindLetter, content, m);
    EXPECT_EQ(ws.calibrationHeader[100], "t100");
    EXPECT_EQ(ws.testHeader[1], "");
}

TEST(DataFileReader, SectionsRepeatOverwriteAndUnknownOnesAreIgnored) {
    const std::string content =
        "$$_KCVARDO300\r\n"
        "$$C\r\n1,10,10\r\n2,20,20\r\n"
        "$$A\r\n9,9,9\r\n"    // not a calibration section
        "$$z\r\nlower\r\n"    // section letters are case-sensitive
        "$$\r\nstill z\r\n"   // a bare marker changes nothing
        "$$C\r\n3,30,30\r\n"  // starts again at row 1
        "$$Z\r\ntitle\r\n"
        "x$$Q\r\nskip\r\n";  // "$$" anywhere marks a section; third byte is "$"
    RecordedMessages m;
    Workspace ws;
    ReadAll(ws, kCalibrationVersion, kCalibrationKindLetter, content, m);
    EXPECT_EQ(ws.calibrationRows[1][1], "3");
    EXPECT_EQ(ws.calibrationRows[2][1], "2");
    EXPECT_EQ(ws.calibrationRows[3][1], "");
    EXPECT_EQ(ws.calibrationHeader[1], "title");
    EXPECT_EQ(ws.calibrationHeader[2], "");
    EXPECT_EQ(ws.calibrationReader.section, '$');
}

TEST(DataFileReader, ReaderStateCarriesOverUntilAMarker) {
    RecordedMessages m;
    Workspace ws;
    ReadAll(ws, kTestVersion, kTestKindLetter, "$$_KDVARDO300\r\n$$A\r\n1,2\r\n", m);
    // A following file that starts without a marker goes on in section A.
    ReadAll(ws, kTestVersion, kTestKindLetter, "5,6\r\n", m);
    EXPECT_EQ(ws.testRows[2][1], "5");
    // Kinds and versions that have no reader do nothing.
    ReadAll(ws, kNotDataFile, kTestKindLetter, "7,8\r\n", m);
    EXPECT_EQ(ws.testRows[3][1], "");
}

TEST(DataFileWriter, RefusesTextsThatWouldBeMisread) {
    Workspace ws;
    EXPECT_EQ(FindUnwritableText(ws, FileLayout::test), "");

    ws.testHeader[header::tableTitle] = "a$$b";
    const std::string message = FindUnwritableText(ws, FileLayout::test);
    EXPECT_NE(message.find("22"), std::string::npos);
    EXPECT_NE(message.find("表タイトル"), std::string::npos);
    EXPECT_EQ(FindUnwritableText(ws, FileLayout::calibration), "");

    ws.testHeader[header::tableTitle] = "line\nbreak";
    EXPECT_NE(FindUnwritableText(ws, FileLayout::test), "");
    ws.testHeader[header::tableTitle] = "trailing\r\n";  // written as it is
    EXPECT_EQ(FindUnwritableText(ws, FileLayout::test), "");
    ws.testHeader[header::tableTitle] = "cr\ronly, \"quoted\" $";
    EXPECT_EQ(FindUnwritableText(ws, FileLayout::test), "");

    ws.testRows[1][1] = "1";
    ws.testRows[1][9] = "2\"";
    EXPECT_NE(FindUnwritableText(ws, FileLayout::test).find("1 行 9 列"), std::string::npos);
    ws.testRows[1][9] = "$$";
    EXPECT_NE(FindUnwritableText(ws, FileLayout::test), "");
    ws.testRows[1][9] = "";
    ws.testRows[3][9] = "$$";  // row 3 is not written
    EXPECT_EQ(FindUnwritableText(ws, FileLayout::test), "");

    ws.calibrationRows[1][2] = "1";
    ws.calibrationRows[1][3] = "a\nb";
    EXPECT_NE(FindUnwritableText(ws, FileLayout::calibration).find("CAL"), std::string::npos);
}

}  // namespace
}  // namespace karnea
