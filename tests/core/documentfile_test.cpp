#include "document/documentfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/testsupport.h"
#include "records/datafile.h"
#include "base/messages.h"
#include "document/workspace.h"

namespace karnea {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

const std::string kNotDataFile = "カルネアのデータではありません";

std::string TestFile(const std::string& surveyName, const std::string& pm) {
    Workspace ws;
    ws.testHeader[header::surveyName] = surveyName;
    ws.testHeader[header::coefficient0] = "1.25";
    ws.testRows[1][testField::pm] = pm;
    return WriteTestFile(ws);
}

std::string CalibrationFile(const std::string& surveyName) {
    Workspace ws;
    ws.calibrationHeader[header::surveyName] = surveyName;
    ws.calibrationHeader[header::coefficient1] = "0.5";
    ws.calibrationRows[1][calibrationField::pm] = "10";
    return WriteCalibrationFile(ws);
}

// A workspace that already holds a test and a calibration.
Workspace Filled() {
    Workspace ws;
    ws.documentKind = kTestDocument;
    ws.testHeader[header::surveyName] = "old test";
    ws.testRows[5][testField::pm] = "99";
    ws.calibrationHeader[header::surveyName] = "old calibration";
    ws.lastTestFileName = "old.kdw";
    return ws;
}

TEST(OpenCommand, ReadsATestFileIntoAClearedRecord) {
    ScratchDir dir;
    const std::string path = dir.file("a.kdw");
    WriteBytes(path, TestFile("new", "25"));
    Workspace ws = Filled();
    ws.documentKind = kCalibrationDocument;
    RecordedMessages m;
    const auto opened = OpenDataFile(ws, path, m);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->version, kTestVersion);
    EXPECT_EQ(ws.documentKind, kTestDocument);
    EXPECT_EQ(ws.testHeader[header::surveyName], "new");
    EXPECT_EQ(ws.testRows[1][testField::pm], "25");
    EXPECT_EQ(ws.testRows[5][testField::pm], "");
    EXPECT_DOUBLE_EQ(ws.testCoefficients[0], 1.25);
    EXPECT_EQ(ws.lastTestFileName, path);
    EXPECT_EQ(ws.calibrationHeader[header::surveyName], "old calibration");
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
    EXPECT_EQ(opened->documentKind, kCalibrationDocument);
    EXPECT_EQ(ws.documentKind, kCalibrationDocument);
    EXPECT_EQ(ws.calibrationHeader[header::surveyName], "cal");
    EXPECT_DOUBLE_EQ(ws.calibrationCoefficients[1], 0.5);
    EXPECT_EQ(ws.calibrationHeader[header::pmAxisMax], "300");
    EXPECT_EQ(ws.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(ws.lastCalibrationFileName, path);
    EXPECT_EQ(ws.testHeader[header::surveyName], "old test");
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
    const Case cases[] = {
        {dir.file("missing.kdw"), "ファイルが見つかりません\n( " + dir.file("missing.kdw") + " )"},
        {dir.path().string(), "ファイルが見つかりません\n( " + dir.path().string() + " )"},
        {dir.file("empty.kdw"), kNotDataFile},
        {dir.file("text.kdw"), kNotDataFile},
        {dir.file("long.kdw"), kNotDataFile},
    };
    for (const Case& c : cases) {
        Workspace ws = Filled();
        RecordedMessages m;
        EXPECT_FALSE(OpenDataFile(ws, c.path, m)) << c.path;
        ASSERT_EQ(m.shown.size(), 1u) << c.path;
        EXPECT_EQ(m.shown[0], c.message);
        EXPECT_EQ(ws.testHeader, before.testHeader);
        EXPECT_EQ(ws.testRows, before.testRows);
        EXPECT_EQ(ws.calibrationHeader, before.calibrationHeader);
        EXPECT_EQ(ws.documentKind, before.documentKind);
        EXPECT_EQ(ws.lastTestFileName, before.lastTestFileName);
    }
}

TEST(OpenCommand, UnreadableFileIsNotFound) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop the superuser";
    }
    ScratchDir dir;
    const std::string path = dir.file("locked.kdw");
    WriteBytes(path, TestFile("x", "1"));
    ::chmod(path.c_str(), 0);
    Workspace ws;
    RecordedMessages m;
    EXPECT_FALSE(OpenDataFile(ws, path, m));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("ファイルが見つかりません", 0), 0u);
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
    EXPECT_EQ(ws.documentKind, kTestDocument);
    EXPECT_EQ(ws.testHeader[header::surveyName], "t");
    EXPECT_DOUBLE_EQ(ws.testCoefficients[0], 1.25);
    EXPECT_EQ(ws.lastTestFileName, "*.kcw");

    ASSERT_TRUE(LoadDataFileFramework(ws, calibration, m));
    EXPECT_EQ(ws.documentKind, kCalibrationDocument);
    EXPECT_EQ(ws.calibrationHeader[header::vmAxisMax], "800");
    EXPECT_EQ(ws.lastCalibrationFileName, "*.kdw");
    EXPECT_TRUE(m.shown.empty());

    const Workspace before = ws;
    EXPECT_FALSE(LoadDataFileFramework(ws, dir.file("old.cf"), m));
    EXPECT_FALSE(LoadDataFileFramework(ws, dir.file("empty.kcw"), m));
    ASSERT_EQ(m.shown.size(), 2u);
    EXPECT_EQ(m.shown[0], "旧バージョンファイルは「開く」で読み込んで下さい」");
    EXPECT_EQ(m.shown[1], kNotDataFile);
    EXPECT_EQ(ws.calibrationHeader, before.calibrationHeader);
    // The path names the kind before the file is looked at.
    EXPECT_EQ(ws.lastCalibrationFileName, dir.file("empty.kcw"));
}

TEST(NewDocumentStep, ClearsTheCurrentKindOnly) {
    Workspace ws = Filled();
    ws.lastCalibrationFileName = "c.kcw";
    NewDocument(ws);
    EXPECT_EQ(ws.documentKind, kTestDocument);
    EXPECT_EQ(ws.testHeader, HeaderTexts{});
    EXPECT_EQ(ws.lastTestFileName, "");
    EXPECT_EQ(ws.calibrationHeader[header::surveyName], "old calibration");
    EXPECT_EQ(ws.lastCalibrationFileName, "c.kcw");
    ws.documentKind = kCalibrationDocument;
    NewDocument(ws);
    EXPECT_EQ(ws.calibrationHeader, HeaderTexts{});
    EXPECT_EQ(ws.lastCalibrationFileName, "");
}

TEST(SaveAs, ExtensionDecidesTheLayout) {
    ScratchDir dir;
    Workspace ws = Filled();
    RecordedMessages m;

    // No extension: the kind's own is appended.
    EXPECT_EQ(SaveDocumentAs(ws, dir.file("plain"), m), dir.file("plain.kdw"));
    EXPECT_EQ(ReadBytes(dir.file("plain.kdw")), WriteTestFile(ws));
    EXPECT_EQ(ws.lastTestFileName, dir.file("plain.kdw"));
    ws.documentKind = kCalibrationDocument;
    EXPECT_EQ(SaveDocumentAs(ws, dir.file("plain"), m), dir.file("plain.kcw"));
    EXPECT_EQ(ReadBytes(dir.file("plain.kcw")), WriteCalibrationFile(ws));
    EXPECT_EQ(ws.lastCalibrationFileName, dir.file("plain.kcw"));

    // A calibration document saved as KDW writes the test record.
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("x.KDW"), m));
    EXPECT_EQ(ReadBytes(dir.file("x.KDW")), WriteTestFile(ws));
    EXPECT_EQ(ws.lastTestFileName, dir.file("x.KDW"));
    ws.documentKind = kTestDocument;
    EXPECT_TRUE(SaveDocumentAs(ws, dir.file("y.kcw"), m));
    EXPECT_EQ(ReadBytes(dir.file("y.kcw")), WriteCalibrationFile(ws));
    EXPECT_TRUE(m.shown.empty());

    // Another extension is refused and writes nothing.
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("z.txt"), m));
    EXPECT_FALSE(std::filesystem::exists(dir.file("z.txt")));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0], "拡張子を KCW(kcw) または KDW(kdw)にして下さい");
}

TEST(SaveAs, FailuresKeepThePreviousFile) {
    ScratchDir dir;
    const std::string path = dir.file("keep.kdw");
    WriteBytes(path, "previous");
    ::chmod(path.c_str(), 0640);
    Workspace ws = Filled();
    ws.lastTestFileName = "before";
    RecordedMessages m;

    ws.testHeader[header::memo] = "bad $$ memo";
    EXPECT_FALSE(SaveDocumentAs(ws, path, m));
    EXPECT_EQ(ReadBytes(path), "previous");
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].find("16（メモ）"), std::string::npos);
    EXPECT_EQ(ws.lastTestFileName, "before");

    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("missing/folder.kdw"), m));
    ws.testHeader[header::memo] = "fine";
    EXPECT_FALSE(SaveDocumentAs(ws, dir.file("missing/folder.kdw"), m));
    EXPECT_EQ(m.shown.back(), "保存できませんでした");

    // A successful save replaces the content and keeps the permissions,
    // leaving no temporary file behind.
    EXPECT_TRUE(SaveDocumentAs(ws, path, m));
    EXPECT_EQ(ReadBytes(path), WriteTestFile(ws));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(SaveAs, ThroughASymbolicLinkReplacesTheLinkedFile) {
    ScratchDir dir;
    const std::string real = dir.file("real.kdw");
    const std::string link = dir.file("link.kdw");
    WriteBytes(real, "old");
    std::filesystem::create_symlink(real, link);
    Workspace ws = Filled();
    RecordedMessages m;
    EXPECT_TRUE(SaveDocumentAs(ws, link, m));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), WriteTestFile(ws));
}

TEST(Save, GoesThroughSaveAsWhenTheNameDoesNotSuit) {
    EXPECT_TRUE(SaveNeedsSaveAs(kTestDocument, "", "無題"));
    EXPECT_TRUE(SaveNeedsSaveAs(kTestDocument, "/d/a", "a"));
    EXPECT_TRUE(SaveNeedsSaveAs(kTestDocument, "/d/a.kcw", "a.kcw"));
    EXPECT_TRUE(SaveNeedsSaveAs(kCalibrationDocument, "/d/a.kdw", "a.kdw"));
    EXPECT_TRUE(SaveNeedsSaveAs(kTestDocument, "/d/a.txt", "a.txt"));
    EXPECT_FALSE(SaveNeedsSaveAs(kTestDocument, "/d/a.kdw", "a.KDW"));
    EXPECT_FALSE(SaveNeedsSaveAs(kCalibrationDocument, "/d/a.kcw", "a.kcw"));

    ScratchDir dir;
    Workspace ws = Filled();
    RecordedMessages m;
    EXPECT_TRUE(SaveDocument(ws, dir.file("s.kdw"), m));
    EXPECT_EQ(ReadBytes(dir.file("s.kdw")), WriteTestFile(ws));
    EXPECT_TRUE(SaveDocument(ws, dir.file("s.KCW"), m));
    EXPECT_EQ(ReadBytes(dir.file("s.KCW")), WriteCalibrationFile(ws));
    EXPECT_EQ(ws.lastTestFileName, "old.kdw");  // Save keeps the last file names
    EXPECT_FALSE(SaveDocument(ws, dir.file("no/such.kdw"), m));
    EXPECT_EQ(m.shown, std::vector<std::string>{"保存できませんでした"});
}

TEST(Save, ExtensionOfAPath) {
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.KdW"), "KdW");
    EXPECT_EQ(ExtensionOf("c.tar.kcw"), "kcw");
    EXPECT_EQ(ExtensionOf("c."), "");
}

}  // namespace
}  // namespace karnea
