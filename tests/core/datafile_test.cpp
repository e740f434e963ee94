#include "records/datafile.h"

#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

std::string EmptyHeaderLines(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += "\r\n";
    }
    return out;
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
    TestRecord test;
    test.testHeader[1] = "survey";
    test.testHeader[3] = "10.5";
    test.testHeader[100] = "last";
    test.testHeader[5] = "ends\r\n";  // written as it is
    test.testRows[1][1] = "0";
    test.testRows[1][2] = "0.5";
    test.testRows[1][10] = "0";
    test.testRows[2][2] = "12";   // Pm empty, V15 a number: written
    test.testRows[4][1] = "300";  // after an empty row 3: not written
    test.loadedCalibrationRows[1][1] = "0";
    test.loadedCalibrationRows[1][2] = "1";
    test.loadedCalibrationRows[1][3] = "1";
    test.loadedCalibrationRows[2][2] = "5";  // Pm empty: ends the block

    std::string expected = "$$_KDVARDO300\r\n$$Z\r\nsurvey\r\n\r\n10.5\r\n\r\nends\r\n";
    expected += EmptyHeaderLines(94) + "last\r\n";
    expected += "$$A\r\n0,0.5,,,,,,,,0\r\n,12,,,,,,,,\r\n$$C\r\n0,1,1\r\n";
    EXPECT_EQ(WriteTestFile(test), expected);
}

TEST(DataFileWriter, CalibrationLayoutByteForByte) {
    CalibrationRecord calibration;
    calibration.calibrationHeader[22] = "title, with \"quotes\"";
    calibration.calibrationRows[1][1] = "10";
    calibration.calibrationRows[1][2] = "20";
    calibration.calibrationRows[1][3] = "20";
    calibration.calibrationRows[2][2] = "30";  // Vm alone keeps the row
    calibration.calibrationRows[3][3] = "40";  // neither Pm nor Vm: ends the block
    calibration.calibrationRows[4][1] = "50";
    std::string expected = "$$_KCVARDO300\r\n$$Z\r\n" + EmptyHeaderLines(21) +
                           "title, with \"quotes\"\r\n" + EmptyHeaderLines(78) +
                           "$$C\r\n10,20,20\r\n,30,\r\n";
    EXPECT_EQ(WriteCalibrationFile(calibration), expected);

    EXPECT_EQ(WriteCalibrationFile(CalibrationRecord{}),
              "$$_KCVARDO300\r\n$$Z\r\n" + EmptyHeaderLines(100) + "$$C\r\n");
}

TEST(DataFileWriter, FullTablesAndQuotedCommas) {
    TestRecord test;
    for (int r = 1; r <= kTestRowCount; ++r) {
        test.testRows[r][1] = std::to_string(r);
    }
    test.testRows[7][9] = "1,5";
    const std::string file = WriteTestFile(test);
    EXPECT_NE(file.find("\r\n120,,,,,,,,,\r\n$$C\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n7,,,,,,,,\"1,5\",\r\n"), std::string::npos);

    RecordedMessages m;
    TestRecord back;
    ReadTestFile(file, back, m);
    EXPECT_EQ(back.testRows, test.testRows);
    EXPECT_EQ(WriteTestFile(back), file);
}

TEST(DataFileReader, ReadsWhatTheWriterWrote) {
    TestRecord test;
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        test.testHeader[n] = "h" + std::to_string(n) + ", \"q\"";
    }
    test.testHeader[14] = "kept";
    test.testHeader[91] = "\x81\x40\x87\x75";
    for (int r = 1; r <= 30; ++r) {
        for (int f = 1; f <= kTestFieldCount; ++f) {
            test.testRows[r][f] = std::to_string(r * 10 + f);
        }
    }
    for (int r = 1; r <= kCalibrationRowCount; ++r) {
        test.loadedCalibrationRows[r][1] = std::to_string(r);
        test.loadedCalibrationRows[r][2] = "\x80\xFF";  // not CP932: kept as bytes
    }
    const std::string file = WriteTestFile(test);
    RecordedMessages m;
    TestRecord back;
    ReadTestFile(file, back, m);
    EXPECT_EQ(back.testHeader, test.testHeader);
    EXPECT_EQ(back.testRows, test.testRows);
    EXPECT_EQ(back.loadedCalibrationRows, test.loadedCalibrationRows);
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
    TestRecord test;
    ReadTestFile(content, test, m);
    EXPECT_EQ(test.testHeader[1], "first");
    EXPECT_EQ(test.testHeader[2], "second");
    EXPECT_EQ(test.testHeader[3], "third\r");  // only CR LF or LF is a line end
    EXPECT_EQ(test.testRows[120][1], "120");
    EXPECT_EQ(test.testRows[1][3], "");
    EXPECT_EQ(test.loadedCalibrationRows[1][3], "");
    EXPECT_EQ(test.loadedCalibrationRows[40][1], "40");

    // LF-only and CR LF files read the same; a last line without line end counts.
    TestRecord crlf;
    TestRecord lf;
    ReadTestFile("$$_KDVARDO300\r\n$$Z\r\na\r\nb", crlf, m);
    ReadTestFile("$$_KDVARDO300\n$$Z\na\nb", lf, m);
    EXPECT_EQ(crlf.testHeader, lf.testHeader);
    EXPECT_EQ(lf.testHeader[2], "b");
}

TEST(DataFileReader, HeaderLinesBeyond100AreDropped) {
    std::string content = "$$_KCVARDO300\r\n$$Z\r\n";
    for (int n = 1; n <= 105; ++n) {
        content += "t" + std::to_string(n) + "\r\n";
    }
    RecordedMessages m;
    CalibrationRecord calibration;
    ReadCalibrationFile(content, calibration, m);
    EXPECT_EQ(calibration.calibrationHeader[100], "t100");
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
    CalibrationRecord calibration;
    ReadCalibrationFile(content + "after\r\n", calibration, m);
    EXPECT_EQ(calibration.calibrationRows[1][1], "3");
    EXPECT_EQ(calibration.calibrationRows[2][1], "2");
    EXPECT_EQ(calibration.calibrationRows[3][1], "");
    EXPECT_EQ(calibration.calibrationHeader[1], "title");
    EXPECT_EQ(calibration.calibrationHeader[2], "");
    // Lines before the first marker belong to no section.
    TestRecord test;
    ReadTestFile("1,2\r\nstray\r\n$$A\r\n5,6\r\n", test, m);
    EXPECT_EQ(test.testRows[1][1], "5");
    EXPECT_EQ(test.testHeader[1], "");
}

TEST(DataFileReader, ACalibrationFileIntoATestTakesRowsAndCoefficientsOnly) {
    std::string file = "$$_KCVARDO300\r\n$$Z\r\n";
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        file += "z" + std::to_string(n) + "\r\n";
    }
    file += "$$A\r\n9,9,9\r\n$$C\r\n";
    for (int r = 1; r <= 45; ++r) {
        file += std::to_string(r) + ",2,3\r\n";
    }
    TestRecord test;
    test.testHeader[header::surveyName] = "kept";
    test.testRows[1][1] = "kept";
    RecordedMessages m;
    ReadCalibrationIntoTest(file, test, m);
    EXPECT_EQ(test.testHeader[header::surveyName], "kept");
    EXPECT_EQ(test.testHeader[header::coefficient0 - 1], "");
    EXPECT_EQ(test.testHeader[header::coefficient0], "z25");
    EXPECT_EQ(test.testHeader[header::coefficient4], "z29");
    EXPECT_EQ(test.testHeader[header::coefficient4 + 1], "");
    EXPECT_EQ(test.testRows[1][1], "kept");
    EXPECT_EQ(test.loadedCalibrationRows[40][1], "40");
    EXPECT_EQ(test.loadedCalibrationRows[1][3], "3");
}

TEST(DataFileWriter, RefusesTextsThatWouldBeMisread) {
    TestRecord test;
    CalibrationRecord calibration;
    EXPECT_EQ(FindUnwritableText(test), "");

    test.testHeader[header::tableTitle] = "a$$b";
    const std::string message = FindUnwritableText(test);
    EXPECT_NE(message.find("22"), std::string::npos);
    EXPECT_NE(message.find("表タイトル"), std::string::npos);
    EXPECT_EQ(FindUnwritableText(calibration), "");

    test.testHeader[header::tableTitle] = "line\nbreak";
    EXPECT_NE(FindUnwritableText(test), "");
    test.testHeader[header::tableTitle] = "trailing\r\n";  // written as it is
    EXPECT_EQ(FindUnwritableText(test), "");
    test.testHeader[header::tableTitle] = "cr\ronly, \"quoted\" $";
    EXPECT_EQ(FindUnwritableText(test), "");

    test.testRows[1][1] = "1";
    test.testRows[1][9] = "2\"";
    EXPECT_NE(FindUnwritableText(test).find("1 行 9 列"), std::string::npos);
    test.testRows[1][9] = "$$";
    EXPECT_NE(FindUnwritableText(test), "");
    test.testRows[1][9] = "";
    test.testRows[3][9] = "$$";  // row 3 is not written
    EXPECT_EQ(FindUnwritableText(test), "");

    calibration.calibrationRows[1][2] = "1";
    calibration.calibrationRows[1][3] = "a\nb";
    EXPECT_NE(FindUnwritableText(calibration).find("CAL"), std::string::npos);
}

// The reader takes 2,600 bytes of a row line; a longer line would come back
// with fields missing, so the writer refuses it and names the row.
TEST(DataFileWriter, RefusesARowLineLongerThanTheReaderTakes) {
    TestRecord test;
    test.testRows[1][testField::pm] = "1";
    test.testRows[2][testField::pm] = "2";
    test.testRows[2][testField::vol15] = std::string(2600 - 10, '5');
    EXPECT_EQ(FindUnwritableText(test), "");  // 2,590 bytes and nine commas
    test.testRows[2][testField::vol15] += "5";
    const std::string message = FindUnwritableText(test);
    EXPECT_NE(message.find("測定データ 2 行"), std::string::npos) << message;

    // What the reader takes whole comes back whole.
    test.testRows[2][testField::vol15].pop_back();
    RecordedMessages m;
    TestRecord back;
    ReadTestFile(WriteTestFile(test), back, m);
    EXPECT_EQ(back.testRows, test.testRows);
    EXPECT_TRUE(m.shown.empty());

    CalibrationRecord calibration;
    calibration.calibrationRows[1][calibrationField::pm] = "1";
    calibration.calibrationRows[1][calibrationField::vm] = std::string(2600, '1');
    EXPECT_NE(FindUnwritableText(calibration).find("CALデータ 1 行"), std::string::npos);
}

}  // namespace
}  // namespace karnea
