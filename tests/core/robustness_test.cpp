// Arbitrary bytes offered as data files: refused with the program's message
// and the records untouched, or read by the rules; never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::ScratchDir;
using test::WriteBytes;

std::string ValidTestFile() {
    TestRecord test;
    test.testHeader[header::surveyName] = "\x92\xB2\x8D\xB8";
    test.testHeader[header::depth] = "10.5";
    for (int r = 1; r <= 20; ++r) {
        test.testRows[r][testField::pm] = std::to_string(r * 25);
        test.testRows[r][testField::vol60] = std::to_string(r * 7);
    }
    for (int r = 1; r <= 10; ++r) {
        test.loadedCalibrationRows[r][calibrationField::pm] = std::to_string(r);
    }
    return WriteTestFile(test);
}

// The file of the open document, as Save writes it; empty when the save
// would be refused with a message.
std::string Saved(const Workspace& ws) {
    if (ws.documentKind == DocumentKind::test) {
        return FindUnwritableText(ws.test).empty() ? WriteTestFile(ws.test) : std::string();
    }
    return FindUnwritableText(ws.calibration).empty() ? WriteCalibrationFile(ws.calibration)
                                                      : std::string();
}

// Opens `bytes` as a file; checks that a refusal changed nothing and that what
// was read can be written and read back to the same bytes.
void OpenArbitrary(const ScratchDir& dir, const std::string& bytes, const std::string& name) {
    const std::string path = dir.file(name);
    WriteBytes(path, bytes);
    Workspace ws;
    ws.documentKind = DocumentKind::test;
    ws.test.testHeader[1] = "before";
    ws.calibration.calibrationHeader[1] = "before";
    RecordedMessages m;
    if (!OpenDataFile(ws, path, m)) {
        ASSERT_FALSE(m.shown.empty() && m.asked.empty());
        EXPECT_EQ(ws.test.testHeader[1], "before");
        EXPECT_EQ(ws.calibration.calibrationHeader[1], "before");
        EXPECT_EQ(ws.documentKind, DocumentKind::test);
        return;
    }
    const std::string written = Saved(ws);
    if (written.empty()) {
        return;
    }
    const std::string again = dir.file("again");
    WriteBytes(again, written);
    Workspace back;
    RecordedMessages m2;
    ASSERT_TRUE(OpenDataFile(back, again, m2));
    EXPECT_EQ(Saved(back), written);
}

TEST(Robustness, RandomBytes) {
    ScratchDir dir;
    std::mt19937 random(20261207);
    for (int i = 0; i < 200; ++i) {
        std::string bytes(random() % 3000, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        OpenArbitrary(dir, bytes, "random.kdw");
    }
}

TEST(Robustness, DamagedValidFiles) {
    ScratchDir dir;
    const std::string valid = ValidTestFile();
    std::mt19937 random(42);
    const std::string inserts[] = {
        "\n",    "\r",   std::string(1, '\0'), "$$", ",", "\"", "$$A\n", "$$C\n",
        "$$Z\n", "\x81", "\xEF\xBB\xBF"};
    for (int i = 0; i < 300; ++i) {
        std::string bytes = valid;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 4) {
                case 0:
                    bytes[at] = static_cast<char>(random());
                    break;
                case 1:
                    bytes.insert(at, inserts[random() % std::size(inserts)]);
                    break;
                case 2:
                    bytes.erase(at, random() % 50);
                    break;
                default:
                    bytes.resize(at);  // truncated
            }
        }
        OpenArbitrary(dir, bytes, "damaged.kdw");
    }
}

TEST(Robustness, OddFiles) {
    ScratchDir dir;
    const std::string valid = ValidTestFile();
    // A UTF-8 byte-order mark before the marker still names a test file.
    OpenArbitrary(dir, "\xEF\xBB\xBF" + valid, "bom.kdw");
    // UTF-16 is not a data file.
    std::string utf16 = "\xFF\xFE";
    for (char c : valid.substr(0, 200)) {
        utf16 += c;
        utf16 += '\0';
    }
    OpenArbitrary(dir, utf16, "utf16.kdw");
    // Lone CRs as line ends: one long line.
    std::string crOnly = valid;
    for (char& c : crOnly) {
        if (c == '\n') {
            c = '\r';
        }
    }
    OpenArbitrary(dir, crOnly, "cr.kdw");
    OpenArbitrary(dir, std::string(1000, '\0'), "nul.kdw");
    OpenArbitrary(dir, "$$_KCVARDO300", "markeronly.kcw");
}

TEST(Robustness, HugeLinesAreKeptOrCutButNeverHang) {
    ScratchDir dir;
    const std::string huge(10 * 1024 * 1024, 'x');
    // A 10 MB header text is kept whole and written back whole.
    const std::string headerFile = "$$_KDVARDO300\r\n$$Z\r\n" + huge + "\r\n$$A\r\n$$C\r\n";
    WriteBytes(dir.file("h.kdw"), headerFile);
    Workspace ws;
    RecordedMessages m;
    ASSERT_TRUE(OpenDataFile(ws, dir.file("h.kdw"), m));
    EXPECT_EQ(ws.test.testHeader[1].size(), huge.size());
    EXPECT_TRUE(m.shown.empty());

    // A 10 MB row line is cut at 2600 bytes. However many fields and rows
    // are too long, the message comes once a file read.
    std::string rowFile = "$$_KDVARDO300\r\n$$A\r\n1," + huge + "\r\n";
    for (int r = 2; r <= 120; ++r) {
        rowFile += std::to_string(r) + "," + std::string(3000, 'y') + "\r\n";
    }
    rowFile += "$$C\r\n";
    WriteBytes(dir.file("r.kdw"), rowFile);
    ASSERT_TRUE(OpenDataFile(ws, dir.file("r.kdw"), m));
    EXPECT_EQ(ws.test.testRows[1][1], "1");
    EXPECT_EQ(ws.test.testRows[1][2].size(), 2598u);
    EXPECT_EQ(ws.test.testRows[120][1], "120");
    EXPECT_EQ(m.shown, std::vector<std::string>{"too many csv"});
    ASSERT_TRUE(OpenDataFile(ws, dir.file("r.kdw"), m));
    EXPECT_EQ(m.shown.size(), 2u);  // once for each read
}

TEST(Robustness, OlderFilesOfAnyContent) {
    ScratchDir dir;
    std::mt19937 random(7);
    const std::string pieces[] = {
        "1.5",      "-",        ",",   "\"",    "\r\n",         "\n",
        "\x94\x4E", "\x8C\x8E", "abc", "1e999", "0,100,10\r\n", std::string(1, '\0')};
    for (int i = 0; i < 200; ++i) {
        std::string bytes = "0,100,10\r\n";
        const int count = static_cast<int>(random() % 400);
        for (int p = 0; p < count; ++p) {
            bytes += pieces[random() % std::size(pieces)];
        }
        for (const char* name : {"old.df", "old.cf"}) {
            WriteBytes(dir.file(name), bytes);
            Workspace ws;
            ws.settings.siCoefficient = "100.0";
            RecordedMessages m;
            ASSERT_TRUE(OpenDataFile(ws, dir.file(name), m));
            for (const HeaderTexts* h : {&ws.test.testHeader, &ws.calibration.calibrationHeader}) {
                for (int c = header::coefficient0; c <= header::coefficient4; ++c) {
                    EXPECT_EQ((*h)[c].find("nan"), std::string::npos);
                }
            }
        }
    }
}

TEST(Robustness, SettingsFilesOfAnyContent) {
    ScratchDir dir;
    std::mt19937 random(11);
    for (int i = 0; i < 100; ++i) {
        for (const char* name : {"Sys.ndx", "Font1.ndx", "Font3.ndx", "FileV.ndx"}) {
            std::string bytes(random() % 2000, '\0');
            for (char& c : bytes) {
                const unsigned r = random() % 16;
                c = r < 4   ? '\n'
                    : r < 8 ? static_cast<char>('0' + random() % 10)
                            : static_cast<char>(random());
            }
            WriteBytes(dir.file(name), bytes);
        }
        Workspace ws;
        ws.settings.fixedFolder = dir.path().string();
        RecordedMessages m;
        LoadSettings(ws.settings, false, m);
        EXPECT_GE(TextToDouble(ws.settings.siCoefficient), 10);
        EXPECT_GE(ws.settings.initialVolumeV0, 0.1);
        for (const FontSetting& f : ws.settings.fonts) {
            EXPECT_GT(f.size, 1);
            EXPECT_LE(f.size, 400);
            EXPECT_GT(f.face.size(), 1u);
        }
        ReadFolderMemory(ws.settings);
    }
}

}  // namespace
}  // namespace karnea
