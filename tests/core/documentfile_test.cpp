#include "document/documentfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "records/datafile.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

const std::string kNotDataFile = "カルネアのデータではありません";

std::string TestFile(const std::string& surveyName, const std::string& pm) {
    Workspace ws;
    ws.test.testHeader[header::surveyName] = surveyName;
    ws.test.testHeader[header::coefficient0] = "1.25";
    ws.test.testRows[1][testField::pm] = pm;
    return WriteTestFile(ws.test);
}

std::string CalibrationFile(const std::string& surveyName) {
    Workspace ws;
    ws.calibration.calibrationHeader[header::surveyName] = surveyName;
    ws.calibration.calibrationHeader[header::coefficient1] = "0.5";
    ws.calibration.calibrationRows[1][calibrationField::pm] = "10";
    return WriteCalibrationFile(ws.calibration);
}

// A workspace that already holds a test and a calibration.
Workspace Filled() {
    Workspace ws;
    ws.documentKind = DocumentKind::test;
    ws.test.testHeader[header::surveyName] = "old test";
    for (int row = 1; row <= 5; ++row) {
        ws.test.testRows[row][testField::pm] = std::to_string(90 + row);
    }
    ws.calibration.calibrationHeader[header::surveyName] = "old calibration";
    ws.lastTestFileName = "old.kdw";
    return ws;
}

TEST(OpenCommand, ReadsATestFileIntoAClearedRecord) {
    ScratchDir dir;
    const std::string path = dir.file("a.kdw");
    WriteBytes(path, TestFile("new", "25"));
    Workspace ws = Filled();
    ws.documentKind = DocumentKind::calibration;
    RecordedMessages m;
    const auto opened = OpenDataFile(ws, path, m);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->version, kTestVersion);
    EXPECT_EQ(ws.documentKind, DocumentKind::test);
    EXPECT_EQ(ws.test.testHeader[header::surveyName], "new");
    EXPECT_EQ(ws.test.testRows[1][testField::pm], "25");
    EXPECT_EQ(ws.test.testRows[5][testField::pm], "");
    EXPECT_DOUBLE_EQ(ws.test.testCoefficients[0], 1.25);
    EXPECT_EQ(ws.lastTestFileName, path);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::surveyName], "old calibration");
    EXPECT_TRUE(m.shown.empty());
}

TEST(OpenCommand, ReadsACalibrationWithItsCompletion) {
    ScratchDir dir;
    const std::string path = dir.file("c.KCW");
    WriteBytes(path, CalibrationFile("cal"));
    Workspace ws = Filled();
    RecordedMessages m;
    const auto opened = OpenDataFile(ws, path, m);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->documentKind, DocumentKind::calibration);
    EXPECT_EQ(ws.documentKind, DocumentKind::calibration);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::surveyName], "cal");
    EXPECT_DOUBLE_EQ(ws.calibration.calibrationCoefficients[1], 0.5);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::pmAxisMax], "300");
    EXPECT_EQ(ws.calibration.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(ws.lastCalibrationFileName, path);
    EXPECT_EQ(ws.test.testHeader[header::surveyName], "old test");
}

TEST(OpenCommand, RefusedFilesLeaveEverythingAsItWas) {
    ScratchDir dir;
    WriteBytes(dir.file("empty.kdw"), "");
    WriteBytes(dir.file("text.kdw"), "hello\r\n$$Z\r\n");
    WriteBytes(dir.file("long.kdw"), "$$_KDVARDO300" + std::string(40, ' ') + "\r\n$$Z\r\nx\r\n");
    const Workspace before = Filled();

    struct Case {
        std::string path;
        std::string message;
    };
    std::vector<Case> cases = {
        {dir.file("missing.kdw"), "ファイルが見つかりません\n( " + dir.file("missing.kdw") + " )"},
        {dir.path().string(), "ファイルではなくフォルダです\n( " + dir.path().string() + " )"},
        {dir.file("empty.kdw"), kNotDataFile},
        {dir.file("text.kdw"), kNotDataFile},
        {dir.file("long.kdw"), kNotDataFile},
    };
    // What a name may be besides a file, said as the checks of a folder say it.
    if (test::kPosixFiles && test::MakeFifo(dir.file("pipe.kdw"))) {
        std::filesystem::create_symlink("loop.kdw", dir.file("loop.kdw"));
        cases.push_back(
            {dir.file("pipe.kdw"),
             "通常のファイルではありません（パイプや装置など）\n( " + dir.file("pipe.kdw") + " )"});
        cases.push_back(
            {dir.file("loop.kdw"), "リンクが循環しています\n( " + dir.file("loop.kdw") + " )"});
        cases.push_back(
            {"/dev/null", "通常のファイルではありません（パイプや装置など）\n( /dev/null )"});
    }
    for (const Case& c : cases) {
        Workspace ws = Filled();
        RecordedMessages m;
        EXPECT_FALSE(OpenDataFile(ws, c.path, m)) << c.path;
        ASSERT_EQ(m.shown.size(), 1u) << c.path;
        EXPECT_EQ(m.shown[0], c.message);
        EXPECT_EQ(ws.test.testHeader, before.test.testHeader);
        EXPECT_EQ(ws.test.testRows, before.test.testRows);
        EXPECT_EQ(ws.calibration.calibrationHeader, before.calibration.calibrationHeader);
        EXPECT_EQ(ws.documentKind, before.documentKind);
        EXPECT_EQ(ws.lastTestFileName, before.lastTestFileName);
    }
}

TEST(OpenCommand, UnreadableFileSaysWhy) {
    if (!test::kPosixFiles) {
        GTEST_SKIP() << "no file here is unreadable by permissions alone";
    }
    ScratchDir dir;
    const std::string path = dir.file("locked.kdw");
    WriteBytes(path, TestFile("x", "1"));
    std::filesystem::permissions(PathOf(path), std::filesystem::perms::none);
    EXPECT_TRUE(test::AsOrdinaryUser([&] {
        Workspace ws;
        RecordedMessages m;
        return !OpenDataFile(ws, path, m) &&
               m.shown == std::vector<std::string>{
                              "ファイルを読めません（アクセス権がありません）\n( " + path + " )"};
    }));
}

TEST(FrameworkOpen, HasItsOwnRules) {
    ScratchDir dir;
    const std::string test = dir.file("t.kdw");
    const std::string calibration = dir.file("c.kcw");
    WriteBytes(test, TestFile("t", "5"));
    WriteBytes(calibration, CalibrationFile("c"));
    WriteBytes(dir.file("old.cf"), "0,100,10\r\n");
    WriteBytes(dir.file("empty.kcw"), "");

    Workspace ws = Filled();
    RecordedMessages m;
    ASSERT_TRUE(LoadDataFileFramework(ws, test, m));
    EXPECT_EQ(ws.documentKind, DocumentKind::test);
    EXPECT_EQ(ws.test.testHeader[header::surveyName], "t");
    EXPECT_DOUBLE_EQ(ws.test.testCoefficients[0], 1.25);
    EXPECT_EQ(ws.lastTestFileName, "*.kcw");

    ASSERT_TRUE(LoadDataFileFramework(ws, calibration, m));
    EXPECT_EQ(ws.documentKind, DocumentKind::calibration);
    EXPECT_EQ(ws.calibration.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(ws.lastCalibrationFileName, "*.kdw");
    EXPECT_TRUE(m.shown.empty());

    const Workspace before = ws;
    EXPECT_FALSE(LoadDataFileFramework(ws, dir.file("old.cf"), m));
    EXPECT_FALSE(LoadDataFileFramework(ws, dir.file("empty.kcw"), m));
    ASSERT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(m.shown[0], "旧バージョンファイルは「開く」で読み込んで下さい」");
    EXPECT_EQ(m.shown[1], kNotDataFile);
    EXPECT_EQ(ws.calibration.calibrationHeader, before.calibration.calibrationHeader);
    // A refused file changes no last file name.
    EXPECT_EQ(ws.lastCalibrationFileName, before.lastCalibrationFileName);
    EXPECT_EQ(ws.lastTestFileName, before.lastTestFileName);
}

// The framework path looks at the first line before it reads on: a large file
// that is no data file is refused without being read.
TEST(FrameworkOpen, RefusesALargeFileByItsFirstLine) {
    ScratchDir dir;
    const std::string path = dir.file("big.kdw");
    WriteBytes(path, "not a data file\r\n");
    std::filesystem::resize_file(path, std::uintmax_t{512} << 20);  // sparse, 512 MB
    const long before = test::PeakMemoryKiB();
    Workspace ws = Filled();
    RecordedMessages m;
    EXPECT_FALSE(LoadDataFileFramework(ws, path, m));
    EXPECT_EQ(m.shown, std::vector<std::string>{kNotDataFile});
    EXPECT_LT(test::PeakMemoryKiB() - before, 128 * 1024) << "kB";
}

TEST(NewDocumentStep, ClearsTheCurrentKindOnly) {
    Workspace ws = Filled();
    ws.lastCalibrationFileName = "c.kcw";
    NewDocument(ws);
    EXPECT_EQ(ws.documentKind, DocumentKind::test);
    EXPECT_EQ(ws.test.testHeader, HeaderTexts{});
    EXPECT_EQ(ws.lastTestFileName, "");
    EXPECT_EQ(ws.calibration.calibrationHeader[header::surveyName], "old calibration");
    EXPECT_EQ(ws.lastCalibrationFileName, "c.kcw");
    ws.documentKind = DocumentKind::calibration;
    NewDocument(ws);
    EXPECT_EQ(ws.calibration.calibrationHeader, HeaderTexts{});
    EXPECT_EQ(ws.lastCalibrationFileName, "");
}

// A file with more rows than the record's tables: opening says how many
// were left out, and a save over that file asks first; the command-line
// tool, which never asks, still writes.
TEST(OpenCommand, RowsBeyondTheTablesAreSaidAndAskedAboutBeforeASave) {
    ScratchDir dir;
    std::string file = TestFile("long", "1");
    std::string rows;
    for (int row = 2; row <= 200; ++row) {
        rows += FormatText("%d,1,2,3,4\r\n", row);
    }
    rows += "\r\n";  // an empty line holds no row
    file.insert(file.find("$$C"), rows);
    const std::string path = dir.file("long.kdw");
    WriteBytes(path, file);
    Workspace ws;
    RecordedMessages m;
    ASSERT_TRUE(OpenDataFile(ws, path, m));
    EXPECT_EQ(m.shown, std::vector<std::string>{"表に入りきらない 80 行は読み込みませんでした"
                                                "（測定データは 120 行、キャリブレーションデータは "
                                                "40 行まで）"});
    EXPECT_EQ(ws.test.testRows[120][testField::pm], "120");

    // Another file is no question; No writes nothing; Yes writes the 120.
    EXPECT_TRUE(MayLeaveRowsOut(ws, dir.file("other.kdw"), m));
    EXPECT_TRUE(m.asked.empty());
    EXPECT_FALSE(MayLeaveRowsOut(ws, dir.path().string() + "/./long.kdw", m));
    EXPECT_EQ(m.asked, std::vector<std::string>{"long.kdw には読み込まなかった 80 行があります。"
                                                "上書きするとその行は失われます。\n保存しますか?"});
    EXPECT_EQ(ReadBytes(path), file);
    ASSERT_TRUE(SaveDocument(ws, path, m));
    EXPECT_TRUE(MayLeaveRowsOut(ws, path, m));  // what is there now was read whole
    EXPECT_EQ(m.asked.size(), 1u);

    // A calibration of 60 rows, and the framework's open path.
    std::string calibration = CalibrationFile("long");
    for (int row = 2; row <= 60; ++row) {
        calibration += FormatText("%d,%d\r\n", row * 10, row);
    }
    WriteBytes(dir.file("long.kcw"), calibration);
    m.shown.clear();
    ASSERT_TRUE(LoadDataFileFramework(ws, dir.file("long.kcw"), m));
    EXPECT_NE(m.shown.at(0).find("20 行"), std::string::npos);
    EXPECT_EQ(ws.leftOut.rows, 20);
    NewDocument(ws);
    EXPECT_TRUE(MayLeaveRowsOut(ws, dir.file("long.kcw"), m));
}

// Rows after one that the writer stops at would be dropped: the save names
// the row and writes nothing, whatever path put the rows there.
TEST(Save, NeverDropsAReadingSilently) {
    ScratchDir dir;
    const std::string path = dir.file("t.kdw");
    WriteBytes(path, "before");
    RecordedMessages m;
    Workspace ws = Filled();
    ws.test.testRows[2][testField::pm] = "abc";
    EXPECT_FALSE(SaveDocument(ws, path, m));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].find("測定データ 2 行"), std::string::npos) << m.shown[0];
    EXPECT_EQ(ReadBytes(path), "before");

    // A gap: an empty row before more readings, or a row with volumes only
    // after the last pressure.
    ws = Filled();
    ws.test.testRows[3] = {};
    EXPECT_FALSE(SaveDocument(ws, path, m));
    EXPECT_NE(m.shown.back().find("測定データ 3 行"), std::string::npos);
    ws = Filled();
    ws.test.testRows[7][testField::vol60] = "12";
    EXPECT_FALSE(SaveDocument(ws, path, m));
    EXPECT_NE(m.shown.back().find("測定データ 6 行"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), "before");

    ws.documentKind = DocumentKind::calibration;
    ws.calibration.calibrationRows[1][calibrationField::vm] = "10";
    ws.calibration.calibrationRows[3][calibrationField::pm] = "20";
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("c.kcw"), m));
    EXPECT_NE(m.shown.back().find("CALデータ 2 行"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.kcw")));

    // What the rows end with is no reading: the save goes through.
    ws = Filled();
    ws.test.testRows[6][testField::pmPlusPz] = "0";
    EXPECT_TRUE(SaveDocument(ws, path, m));
}

TEST(SaveAs, ExtensionDecidesTheLayout) {
    ScratchDir dir;
    Workspace ws = Filled();
    RecordedMessages m;

    // No extension: the kind's own is appended.
    EXPECT_EQ(SaveDocumentAs(ws, dir.file("plain"), m), dir.file("plain.kdw"));
    EXPECT_EQ(ReadBytes(dir.file("plain.kdw")), WriteTestFile(ws.test));
    EXPECT_EQ(ws.lastTestFileName, dir.file("plain.kdw"));
    ws.documentKind = DocumentKind::calibration;
    EXPECT_EQ(SaveDocumentAs(ws, dir.file("plain"), m), dir.file("plain.kcw"));
    EXPECT_EQ(ReadBytes(dir.file("plain.kcw")), WriteCalibrationFile(ws.calibration));
    EXPECT_EQ(ws.lastCalibrationFileName, dir.file("plain.kcw"));

    // A calibration document saved as KDW writes the test record.
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("x.KDW"), m));
    EXPECT_EQ(ReadBytes(dir.file("x.KDW")), WriteTestFile(ws.test));
    EXPECT_EQ(ws.lastTestFileName, dir.file("x.KDW"));
    ws.documentKind = DocumentKind::test;
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("y.kcw"), m));
    EXPECT_EQ(ReadBytes(dir.file("y.kcw")), WriteCalibrationFile(ws.calibration));
    EXPECT_TRUE(m.shown.empty());

    // Another extension is refused and writes nothing.
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("z.txt"), m));
    EXPECT_EQ(CompletedSavePath(DocumentKind::test, "/d/a"), "/d/a.kdw");
    EXPECT_EQ(CompletedSavePath(DocumentKind::calibration, "/d.x/a"), "/d.x/a.kcw");
    EXPECT_EQ(CompletedSavePath(DocumentKind::test, "/d/a.txt"), "/d/a.txt");
    EXPECT_FALSE(std::filesystem::exists(dir.file("z.txt")));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0], "拡張子を KCW(kcw) または KDW(kdw)にして下さい");
}

TEST(SaveAs, FailuresKeepThePreviousFile) {
    ScratchDir dir;
    const std::string path = dir.file("keep.kdw");
    WriteBytes(path, "previous");
    namespace fs = std::filesystem;
    const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(PathOf(path), kept);
    Workspace ws = Filled();
    ws.lastTestFileName = "before";
    RecordedMessages m;

    ws.test.testHeader[header::memo] = "bad $$ memo";
    EXPECT_FALSE(SaveDocumentAs(ws, path, m));
    EXPECT_EQ(ReadBytes(path), "previous");
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].find("16（メモ）"), std::string::npos);
    EXPECT_EQ(ws.lastTestFileName, "before");

    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("missing/folder.kdw"), m));
    ws.test.testHeader[header::memo] = "fine";
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("missing/folder.kdw"), m));
    EXPECT_EQ(m.shown.back(), "保存できませんでした\n( " + dir.file("missing/folder.kdw") +
                                  " )\n書き込みに失敗しました");

    // A successful save replaces the content and keeps the permissions,
    // leaving no temporary file behind.
    EXPECT_TRUE(SaveDocumentAs(ws, path, m));
    EXPECT_EQ(ReadBytes(path), WriteTestFile(ws.test));
    if (test::kPosixFiles) {
        EXPECT_EQ(fs::status(PathOf(path)).permissions(), kept);
    }
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

// The extension decides the layout, but a data file of the other kind is
// replaced only when the user says so.
TEST(SaveAs, AsksBeforeReplacingAFileOfTheOtherKind) {
    ScratchDir dir;
    const std::string testFile = dir.file("t.kcw");  // a test under a kcw name
    const std::string calibrationFile = dir.file("c.kdw");
    WriteBytes(testFile, TestFile("t", "5"));
    WriteBytes(calibrationFile, CalibrationFile("c"));
    Workspace ws = Filled();

    RecordedMessages no(false);
    EXPECT_FALSE(SaveDocumentAs(ws, testFile, no));
    EXPECT_FALSE(SaveDocument(ws, testFile, no));
    EXPECT_EQ(ReadBytes(testFile), TestFile("t", "5"));
    EXPECT_FALSE(SaveDocumentAs(ws, calibrationFile, no));
    EXPECT_EQ(ReadBytes(calibrationFile), CalibrationFile("c"));
    ASSERT_EQ(no.asked.size(), 3u);
    EXPECT_EQ(no.asked[0],
              "t.kcw はカルネアの試験データです。キャリブレーションデータで上書きしますか?");
    EXPECT_EQ(no.asked[2],
              "c.kdw はキャリブレーションデータです。カルネアの試験データで上書きしますか?");
    EXPECT_TRUE(no.shown.empty());
    EXPECT_EQ(ws.lastTestFileName, "old.kdw");

    RecordedMessages yes(true);
    EXPECT_TRUE(SaveDocumentAs(ws, testFile, yes));
    EXPECT_EQ(ReadBytes(testFile), WriteCalibrationFile(ws.calibration));

    // The test shown, saved under a kcw name, writes the calibration record
    // (here an empty one) over an existing calibration: asked, and named.
    RecordedMessages refused(false);
    EXPECT_FALSE(SaveDocumentAs(ws, testFile, refused));
    EXPECT_EQ(ReadBytes(testFile), WriteCalibrationFile(ws.calibration));
    ASSERT_EQ(refused.asked.size(), 1u);
    EXPECT_EQ(refused.asked[0],
              "t.kcw は既に存在します。kcw の名前には、開いている試験ではなく"
              "キャリブレーションデータ（0 行）が書かれます。\n上書きしますか?");
    ws.documentKind = DocumentKind::calibration;
    WriteBytes(dir.file("c2.kdw"), TestFile("t", "5"));
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("c2.kdw"), refused));
    EXPECT_EQ(refused.asked.back(),
              "c2.kdw は既に存在します。kdw の名前には、開いているキャリブレーションではなく"
              "試験データ（測定データ 5 行）が書かれます。\n上書きしますか?");
    ws.documentKind = DocumentKind::test;

    // Files of the same kind, other files and new names are written at once.
    RecordedMessages quiet;
    WriteBytes(dir.file("notes.kdw"), "some notes");
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("notes.kdw"), quiet));
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("notes.kdw"), quiet));
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("new.kcw"), quiet));
    EXPECT_TRUE(quiet.asked.empty());
}

TEST(SaveAs, ThroughASymbolicLinkReplacesTheLinkedFile) {
    if (!test::kPosixFiles) {
        GTEST_SKIP() << "symbolic links are for administrators on Windows";
    }
    ScratchDir dir;
    const std::string real = dir.file("real.kdw");
    const std::string link = dir.file("link.kdw");
    WriteBytes(real, "old");
    std::filesystem::create_symlink(real, link);
    Workspace ws = Filled();
    RecordedMessages m;
    EXPECT_TRUE(SaveDocumentAs(ws, link, m));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), WriteTestFile(ws.test));
}

// A file another program changed after it was opened (its size, its time,
// or only its content: a copy of the same length put in its place with the
// old time) is not overwritten unasked; No writes nothing. An unchanged
// file, and one the save itself wrote, are saved over without a question.
TEST(Save, AsksBeforeWritingOverAnotherProgramsChange) {
    ScratchDir dir;
    const std::string path = dir.file("t.kdw");
    WriteBytes(path, TestFile("opened", "1"));
    Workspace ws;
    RecordedMessages m;
    ASSERT_TRUE(OpenDataFile(ws, path, m));
    ASSERT_TRUE(SaveDocument(ws, path, m));
    ASSERT_TRUE(SaveDocument(ws, path, m));
    // Touched, or written again as it was: the content is the same.
    std::filesystem::last_write_time(
        PathOf(path), std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
    ASSERT_TRUE(SaveDocument(ws, path, m));
    WriteBytes(path, ReadBytes(path));
    ASSERT_TRUE(SaveDocument(ws, path, m));
    EXPECT_TRUE(m.asked.empty());

    for (const std::string& other : {TestFile("elsewhere, longer", "2"), TestFile("opene!", "1")}) {
        const std::string saved = ReadBytes(path);
        const auto written = std::filesystem::last_write_time(PathOf(path));
        WriteBytes(path, other);
        if (other.size() == saved.size()) {
            std::filesystem::last_write_time(PathOf(path), written);
        }
        RecordedMessages no(false);
        EXPECT_FALSE(SaveDocument(ws, path, no));
        EXPECT_EQ(no.asked,
                  std::vector<std::string>{
                      "t.kdw は開いた後に他のプログラムで変更されています。上書きしますか?"});
        EXPECT_EQ(ReadBytes(path), other);
        EXPECT_EQ(no.askedDefaultNo, no.asked);  // Enter keeps the other program's file
        RecordedMessages yes(true);
        EXPECT_TRUE(SaveDocument(ws, path, yes));
        EXPECT_EQ(yes.asked.size(), 1u);
        EXPECT_EQ(ReadBytes(path), WriteTestFile(ws.test));
    }
}

TEST(Save, GoesThroughSaveAsWhenTheNameDoesNotSuit) {
    EXPECT_TRUE(SaveNeedsSaveAs(DocumentKind::test, "", "無題"));
    EXPECT_TRUE(SaveNeedsSaveAs(DocumentKind::test, "/d/a", "a"));
    EXPECT_TRUE(SaveNeedsSaveAs(DocumentKind::test, "/d/a.kcw", "a.kcw"));
    EXPECT_TRUE(SaveNeedsSaveAs(DocumentKind::calibration, "/d/a.kdw", "a.kdw"));
    EXPECT_TRUE(SaveNeedsSaveAs(DocumentKind::test, "/d/a.txt", "a.txt"));
    EXPECT_FALSE(SaveNeedsSaveAs(DocumentKind::test, "/d/a.kdw", "a.KDW"));
    EXPECT_FALSE(SaveNeedsSaveAs(DocumentKind::calibration, "/d/a.kcw", "a.kcw"));

    ScratchDir dir;
    Workspace ws = Filled();
    RecordedMessages m;
    EXPECT_TRUE(SaveDocument(ws, dir.file("s.kdw"), m));
    EXPECT_EQ(ReadBytes(dir.file("s.kdw")), WriteTestFile(ws.test));
    EXPECT_TRUE(SaveDocument(ws, dir.file("s.KCW"), m));
    EXPECT_EQ(ReadBytes(dir.file("s.KCW")), WriteCalibrationFile(ws.calibration));
    EXPECT_EQ(ws.lastTestFileName, "old.kdw");  // Save keeps the last file names
    EXPECT_FALSE(SaveDocument(ws, dir.file("no/such.kdw"), m));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("保存できませんでした\n( " + dir.file("no/such.kdw") + " )", 0), 0u);
}

TEST(Save, ExtensionOfAPath) {
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.KdW"), "KdW");
    EXPECT_EQ(ExtensionOf("c.tar.kcw"), "kcw");
    EXPECT_EQ(ExtensionOf("c."), "");
}

}  // namespace
}  // namespace karnea
