// karnea-cli as a black box: standard output, standard error, exit status and
// the files it writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "base/version.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "records/datafile.h"
#include "records/records.h"
#include "settings/settings.h"
#include "support/agsrules.h"
#include "support/shell.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::Contains;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

const std::string kExamples = KARNEA_EXAMPLES_DIR;

// Every run sees a settings folder with the standard settings, found the way
// the program finds it (KARNEA_HOME and the default installation folder).
class StandardSettingsHome : public ::testing::Environment {
public:
    void SetUp() override {
        home_ = std::make_unique<ScratchDir>();
        test::WriteStandardSettings(home_->file("VardoXQ/Kvar5"));
        setenv("KARNEA_HOME", home_->path().c_str(), 1);
    }
    void TearDown() override { home_.reset(); }

private:
    std::unique_ptr<ScratchDir> home_;
};
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new StandardSettingsHome);

using CliRun = test::CommandRun;
using test::ShellQuote;

// The program under test: this build's, or the command that
// KARNEA_CLI_COMMAND gives (the Windows build's program under Wine).
std::string CliCommand() {
    const char* given = std::getenv("KARNEA_CLI_COMMAND");
    return given != nullptr ? std::string(given) : ShellQuote(KARNEA_CLI);
}

CliRun RunCli(const std::vector<std::string>& args) {
    std::string command = CliCommand();
    for (const std::string& a : args) {
        command += " " + ShellQuote(a);
    }
    return test::RunShell(command);
}

TEST(Cli, HelpAndUsageErrors) {
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, "dump FILE"));
    EXPECT_TRUE(Contains(help.out, "convert IN -o OUT"));
    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "karnea-cli " + std::string(ProgramVersion()) + "\n");
    // A command's help, asked either way.
    const CliRun convert = RunCli({"convert", "--help"});
    EXPECT_EQ(convert.status, 0);
    EXPECT_TRUE(Contains(convert.out, "-o OUT, --output OUT")) << convert.out;
    EXPECT_TRUE(Contains(convert.out, "Exit status:"));
    EXPECT_EQ(RunCli({"help", "convert"}).out, convert.out);

    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate"},
                                                 {"help", "frobnicate"},
                                                 {"help", "dump", "render"},
                                                 {"--version", "dump"},
                                                 {"dump"},
                                                 {"dump", "a", "b"},
                                                 {"convert", "a"},
                                                 {"convert", "a", "-o"},
                                                 {"dump", "a", "--bogus", "x"},
                                                 {"convert", "a", "-o", "b", "--output=c"}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_TRUE(Contains(run.err, "karnea-cli")) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(Cli, DumpShowsTheRecordsAsJson) {
    const CliRun run = RunCli({"dump", kExamples + "/test.kdw"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(Contains(run.out, "\"kind\": \"test\""));
    EXPECT_TRUE(Contains(run.out, "\"version\": 301"));
    EXPECT_TRUE(Contains(run.out,
                         "{\"number\": 12, \"name\": \"soilName\", \"text\": \"砂混じりシルト\"}"));
    EXPECT_TRUE(Contains(run.out, "{\"number\": 14, \"name\": null, \"text\": \"\"}"));
    EXPECT_TRUE(Contains(run.out, "\"loadedCalibrationRows\""));
    EXPECT_TRUE(Contains(run.out, "\"testCoefficients\""));

    const CliRun cal = RunCli({"dump", kExamples + "/calibration.kcw"});
    ASSERT_EQ(cal.status, 0) << cal.err;
    EXPECT_TRUE(Contains(cal.out, "\"kind\": \"calibration\""));
    EXPECT_TRUE(Contains(cal.out, "\"calibrationRows\""));
    EXPECT_TRUE(Contains(cal.out, "キャリブレーション測定表"));
}

TEST(Cli, DumpEscapesAndReplacesWhatJsonCannotHold) {
    ScratchDir dir;
    Workspace ws;
    ws.test.testHeader[1] = std::string("q\"b\\s\x01\x80\x87\x75", 9);
    WriteBytes(dir.file("odd.kdw"), WriteTestFile(ws.test));
    const CliRun run = RunCli({"dump", dir.file("odd.kdw")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "\"text\": \"q\\\"b\\\\s\\u0001\xEF\xBF\xBD㎡\""));
}

// Rows beyond the tables are said on standard error; the command still
// writes what it was asked to, over the input too.
TEST(Cli, RowsLeftOutAreSaidAndTheCommandWrites) {
    ScratchDir dir;
    Workspace ws;
    for (int row = 1; row <= kTestRowCount; ++row) {
        ws.test.testRows[row][testField::pm] = std::to_string(row);
    }
    std::string file = WriteTestFile(ws.test);
    file.insert(file.find("$$C"), "121\r\n122\r\n");
    WriteBytes(dir.file("long.kdw"), file);
    const CliRun run = RunCli({"convert", dir.file("long.kdw"), "-o", dir.file("long.kdw")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "表に入りきらない 2 行は読み込みませんでした")) << run.err;
    const std::string written = ReadBytes(dir.file("long.kdw"));
    EXPECT_TRUE(Contains(written, "\r\n120,,,,,,,,,\r\n$$C\r\n"));
    EXPECT_FALSE(Contains(written, "\r\n121"));
}

TEST(Cli, FailuresGiveTheProgramsMessage) {
    ScratchDir dir;
    const CliRun missing = RunCli({"dump", dir.file("nope.kdw")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "ファイルが見つかりません\n( " + dir.file("nope.kdw") + " )\n");
    EXPECT_EQ(missing.out, "");

    WriteBytes(dir.file("junk.kdw"), "junk");
    const CliRun junk = RunCli({"convert", dir.file("junk.kdw"), "-o", dir.file("x.kdw")});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err, "カルネアのデータではありません\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.kdw")));

    const CliRun ext = RunCli({"convert", kExamples + "/test.kdw", "-o", dir.file("x.txt")});
    EXPECT_EQ(ext.status, 1);
    EXPECT_EQ(ext.err, "拡張子を KCW(kcw) または KDW(kdw)にして下さい\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.txt")));
}

TEST(Cli, ConvertWritesByTheOutputExtension) {
    ScratchDir dir;
    const std::string example = kExamples + "/test.kdw";
    // Read then written again: every byte the same.
    CliRun run = RunCli({"convert", example, "-o", dir.file("same.kdw")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("same.kdw")), ReadBytes(example));
    const std::string calibration = kExamples + "/calibration.kcw";
    run = RunCli({"convert", calibration, "--output", dir.file("same")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("same.kcw")), ReadBytes(calibration));

    // A test saved as kcw writes the calibration record of the run: empty but
    // for the defaults of the settings load.
    run = RunCli({"convert", example, "-o", dir.file("other.kcw")});
    ASSERT_EQ(run.status, 0) << run.err;
    Workspace fresh;
    ApplyStandardSettings(fresh.settings);
    ApplyRecordDefaults(fresh);
    ApplyCalibrationScaleDefaults(fresh.calibration);
    EXPECT_EQ(ReadBytes(dir.file("other.kcw")), WriteCalibrationFile(fresh.calibration));
}

// The example test was made by the same steps the batch commands carry out,
// so running them again changes nothing.
TEST(CliBatch, StepsRepeatedOnTheExamplesChangeNothing) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    const std::string calibration = kExamples + "/calibration.kcw";
    for (const std::string command : {"reduce", "heads", "analyse"}) {
        const CliRun run = RunCli({command, test, "-o", dir.file(command + ".kdw")});
        ASSERT_EQ(run.status, 0) << command << run.err;
        EXPECT_EQ(run.err, "") << command;
        EXPECT_EQ(ReadBytes(dir.file(command + ".kdw")), ReadBytes(test)) << command;
    }
    const CliRun fit = RunCli({"fit", calibration, "-o", dir.file("fit.kcw")});
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_EQ(ReadBytes(dir.file("fit.kcw")), ReadBytes(calibration));
}

// The header text of a written test file, as UTF-8.
std::string HeaderText(const std::string& path, int number) {
    std::string line;
    int n = -2;  // the marker and "$$Z" come first
    for (const char c : ReadBytes(path)) {
        if (c == '\n') {
            if (n++ == number - 1) {
                return Cp932ToUtf8(line.substr(0, line.size() - 1));
            }
            line.clear();
        } else {
            line += c;
        }
    }
    return "";
}

TEST(CliBatch, AnalyseOptions) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    const std::string out = dir.file("a.kdw");
    CliRun run = RunCli(
        {"analyse", test, "--po", "3", "--pf", "0", "--pl-value", "", "--sign", "3", "-o", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(HeaderText(out, header::poRow), "3");
    EXPECT_EQ(HeaderText(out, header::pfRow), "13");  // none chosen: half the usable rows
    EXPECT_EQ(HeaderText(out, header::plLine), "Pl=");
    EXPECT_EQ(HeaderText(out, header::emLine).rfind("Ｅm=2*1.30*(", 0), 0u);

    run = RunCli({"analyse", test, "--hide-pl", "-o", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(HeaderText(out, header::plLine), "");
    EXPECT_EQ(HeaderText(out, header::hidePl), "1");

    EXPECT_EQ(RunCli({"analyse", test, "--sign", "4", "-o", out}).status, 2);
    EXPECT_EQ(RunCli({"analyse", test, "--po", "x", "-o", out}).status, 2);
    EXPECT_EQ(RunCli({"analyse", test, "--hide-pl", "--show-pl", "-o", out}).status, 2);

    // A V step the dialog would refuse ends the command.
    Workspace ws;
    ws.test.testHeader[header::vAxisStep] = "50000";
    WriteBytes(dir.file("step.kdw"), WriteTestFile(ws.test));
    run = RunCli({"analyse", dir.file("step.kdw"), "-o", dir.file("refused.kdw")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "0.1 から 10000"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("refused.kdw")));
}

TEST(CliBatch, AttachReadsTheCalibrationAsGiven) {
    ScratchDir dir;
    Workspace ws;
    ws.test.testHeader[header::depth] = "-5";
    ws.test.testHeader[header::machineHeight] = "1";
    ws.test.testHeader[header::pz] = "60";
    ws.test.testHeader[header::fitMethod] = "0";
    ws.test.testRows[1][testField::pm] = "100";
    ws.test.testRows[1][testField::vol30] = "150";
    ws.test.testRows[1][testField::vol60] = "160";
    WriteBytes(dir.file("t.kdw"), WriteTestFile(ws.test));
    const std::string cal = kExamples + "/calibration.kcw";

    const CliRun run =
        RunCli({"attach", dir.file("t.kdw"), "--calibration", cal, "-o", dir.file("out.kdw")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(HeaderText(dir.file("out.kdw"), header::calibrationFileName), cal);
    EXPECT_NE(HeaderText(dir.file("out.kdw"), header::coefficient0), "");

    for (const std::string& bad : {dir.file("t.kdw"), dir.file("missing.kcw")}) {
        const CliRun refused =
            RunCli({"attach", dir.file("t.kdw"), "--calibration", bad, "-o", dir.file("no.kdw")});
        EXPECT_EQ(refused.status, 1);
        EXPECT_FALSE(refused.err.empty());
        EXPECT_FALSE(std::filesystem::exists(dir.file("no.kdw")));
    }
}

TEST(CliBatch, MessagesThatDoNotStopTheCommand) {
    ScratchDir dir;
    Workspace ws;
    ws.test.testRows[1][testField::pm] = "100";
    WriteBytes(dir.file("nocal.kdw"), WriteTestFile(ws.test));
    // No loaded calibration, and a settings folder without settings.
    const CliRun run = RunCli({"reduce", dir.file("nocal.kdw"), "--settings", dir.file("empty"),
                               "-o", dir.file("out.kdw")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "ファイルが見つかりません\n( " + dir.file("empty") + "/Sys.ndx )\n" +
                           "ファイルが見つかりません\n( " + dir.file("empty") + "/Font1.ndx )\n" +
                           "CALのデータが異常です\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.kdw")));
}

TEST(CliBatch, ConvertImportsOlderFiles) {
    ScratchDir dir;
    std::string old = "0,100,10\r\n";
    for (int i = 1; i <= 10; ++i) {
        old += "a,b," + std::to_string(i) + ",\r\n";
    }
    old += "1.5\r\n";
    WriteBytes(dir.file("old.df"), old);
    const CliRun run = RunCli({"convert", dir.file("old.df"), "-o", dir.file("new")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(HeaderText(dir.file("new.kdw"), header::pz), "400");
    EXPECT_EQ(HeaderText(dir.file("new.kdw"), header::conversionStamp), "300 VARDO");
}

TEST(CliRender, OperationsPdfAndPng) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    CliRun run = RunCli({"render", test, "-o", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("page 1 test 600 600\n", 0), 0u);
    EXPECT_TRUE(Contains(run.out, "\npage 2 test 600 600\n"));
    EXPECT_FALSE(Contains(run.out, "page 3"));

    run = RunCli({"render", kExamples + "/calibration.kcw", "--pages", "2", "--dpi", "254", "-o",
                  dir.file("cal.ops")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("cal.ops")).rfind("page 2 calibration 254 254\n", 0), 0u);

    run = RunCli({"render", test, "-o", dir.file("test.pdf")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string pdf = ReadBytes(dir.file("test.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_TRUE(Contains(pdf, "/Count 2"));
    EXPECT_TRUE(Contains(pdf, "IPAMincho"));

    run = RunCli({"render", test, "--dpi", "50", "-o", dir.file("page-%d.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"page-1.png", "page-2.png"}) {
        EXPECT_EQ(ReadBytes(dir.file(name)).substr(1, 3), "PNG") << name;
    }
    run = RunCli({"render", test, "--pages", "1", "-o", dir.file("one.png")});
    EXPECT_EQ(run.status, 0) << run.err;
}

// What a pipe receives from a command that writes OUT into it.
std::string ThroughAPipe(const std::string& fifo, const std::vector<std::string>& args,
                         CliRun& run) {
    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
    });
    run = RunCli(args);
    // Should the command never have opened the pipe, the reader ends here.
    const int unblock = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (unblock >= 0) {
        ::close(unblock);
    }
    reader.join();
    return received;
}

// An output that is a device or a pipe is written into, never replaced by
// a plain file.
TEST(Cli, OutputIntoAPipeKeepsThePipe) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    const struct {
        std::vector<std::string> args;
        std::string start;
    } cases[] = {
        {{"render", test, "--format", "ops", "-o", dir.file("p.ops")}, "page 1 test"},
        {{"render", test, "--format", "pdf", "-o", dir.file("p.pdf")}, "%PDF"},
        {{"convert", test, "-o", dir.file("p.kdw")}, "$$_KDVARDO300"},
    };
    for (const auto& c : cases) {
        const std::string fifo = c.args.back();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        CliRun run;
        const std::string received = ThroughAPipe(fifo, c.args, run);
        EXPECT_EQ(run.status, 0) << fifo << run.err;
        EXPECT_EQ(received.rfind(c.start, 0), 0u) << fifo;
        struct stat st {};
        ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << fifo;
    }
}

TEST(CliRender, RefusedRequests) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    CliRun run = RunCli({"render", test, "--pages", "3", "-o", "-"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "ページ 3 はありません\n");
    EXPECT_EQ(run.out, "");
    run = RunCli({"render", test, "-o", dir.file("many.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("many.png")));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"render", test, "--pages", "2-1", "-o", "-"},
          {"render", test, "--pages", "x", "-o", "-"},
          {"render", test, "--dpi", "0", "-o", "-"},
          {"render", test, "-o", dir.file("page.txt")},
          {"render", test, "--format", "pdf", "-o", "-"}}) {
        EXPECT_EQ(RunCli(args).status, 2) << args[2];
    }
    // Settings whose graph margin puts the whole drawing below the paper
    // (the dialog refuses it; a file may hold it): said, nothing written.
    Settings far = test::StandardSettings();
    far.graphTopMargin = 500;
    test::WriteStandardSettings(dir.file("far"));
    RecordedMessages quiet;
    ASSERT_TRUE(SaveSettings(far, dir.file("far/Sys.ndx"), quiet));
    run = RunCli({"render", test, "--settings", dir.file("far"), "-o", dir.file("blank.pdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        Contains(run.err, "マージン (左 5 mm、上 500 mm) のため図がすべて用紙の外になります"))
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("blank.pdf")));
}

// Output names that would make hidden or odd files are usage errors.
TEST(CliFindings, OddOutputNamesAreRefused) {
    ScratchDir dir;
    const std::string test = kExamples + "/test.kdw";
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("/"), std::string("--"),
          std::string("-x.kdw"), dir.file("sub/")}) {
        const CliRun run = RunCli({"convert", test, "-o", name});
        EXPECT_EQ(run.status, 2) << "'" << name << "'";
        EXPECT_TRUE(Contains(run.err, "-o needs a file name")) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("sub/.kdw")));
    EXPECT_EQ(RunCli({"render", test, "--pages", "1", "-o", "-"}).status, 0);
}

// A data file is never replaced by the other kind's record or by a page.
TEST(CliFindings, DataFilesAreNotReplacedByAnotherKindOrAPage) {
    ScratchDir dir;
    const std::string calibration = dir.file("c.kcw");
    const std::string test = dir.file("t.kdw");
    WriteBytes(calibration, ReadBytes(kExamples + "/calibration.kcw"));
    WriteBytes(test, ReadBytes(kExamples + "/test.kdw"));
    CliRun run = RunCli({"attach", test, "--calibration", calibration, "-o", calibration});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "開いている試験ではなくキャリブレーションデータ（0 行）"))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "上書きしますか? (No)")) << run.err;
    EXPECT_EQ(ReadBytes(calibration), ReadBytes(kExamples + "/calibration.kcw"));
    run = RunCli({"render", test, "-o", test, "--format", "ops"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "データファイルです")) << run.err;
    EXPECT_EQ(ReadBytes(test), ReadBytes(kExamples + "/test.kdw"));
    // Nor is a report or an export given a data file's name.
    for (const char* name : {"new.kdw", "new.KCW", "new.df"}) {
        run = RunCli({"render", test, "-o", dir.file(name), "--format", "pdf"});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_TRUE(Contains(run.err, "データファイルの名前です")) << run.err;
        EXPECT_EQ(RunCli({"ags", test, "-o", dir.file(name)}).status, 1);
        EXPECT_EQ(RunCli({"campaign", test, "-o", dir.file(name)}).status, 1);
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
    // A new file of the other kind is still written, as Save As does.
    EXPECT_EQ(RunCli({"convert", test, "-o", dir.file("new.kcw")}).status, 0);
}

// PNG pages are written all or none.
TEST(CliFindings, PngPagesAreWrittenAllOrNone) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("sub1"));
    const CliRun run = RunCli(
        {"render", kExamples + "/test.kdw", "--pages", "1,2", "-o", dir.file("sub%d/p.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("sub1/p.png")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("sub1")));
}

// JSON numbers are never "-0"; a Pl the pages cannot print is a usage error.
TEST(CliFindings, NoNegativeZeroAndNoUnprintablePl) {
    ScratchDir dir;
    Workspace ws;
    RecordedMessages m;
    ReadTestFile(ReadBytes(kExamples + "/test.kdw"), ws.test, m);
    ws.test.testHeader[header::coefficient0] = "-0.00";
    WriteBytes(dir.file("z.kdw"), WriteTestFile(ws.test));
    const CliRun dump = RunCli({"dump", dir.file("z.kdw")});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_FALSE(Contains(dump.out, "-0,")) << dump.out.substr(0, 200);
    EXPECT_FALSE(Contains(dump.out, "-0]"));
    for (const char* pl : {"1e308", "1e999", "-2000000"}) {
        EXPECT_EQ(
            RunCli({"analyse", kExamples + "/test.kdw", "--pl-value", pl, "-o", dir.file("a.kdw")})
                .status,
            2)
            << pl;
    }
    EXPECT_EQ(
        RunCli({"analyse", kExamples + "/test.kdw", "--pl-value", "700", "-o", dir.file("a.kdw")})
            .status,
        0);
}

// Hand-made files covering the reader's edge cases: the dump and the file that
// convert writes are compared with the expected results in tests/data/expected
// (KARNEA_UPDATE_EXPECTED=1 rewrites them after a deliberate change).
// The commands on many tests: what they write, and when they fail.
TEST(CliCampaign, ReportExportAndChecks) {
    ScratchDir dir;
    const std::string campaign = kExamples + "/campaign";
    WriteBytes(dir.file("junk.kdw"), "no data\n");
    // An earlier, longer report's pages in the --png folder go; files named
    // otherwise stay.
    std::filesystem::create_directory(dir.file("png"));
    for (const char* name : {"page-015.png", "page-120.png", "page-15.png", "page-0016.png"}) {
        WriteBytes(dir.file("png/") + name, "old");
    }
    // A file left out is named, the report written from the others, and the
    // status says so (3).
    CliRun run = RunCli({"campaign", campaign, dir.file("junk.kdw"), "-o", dir.file("r.pdf"),
                         "--png", dir.file("png")});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_TRUE(
        Contains(run.err, "junk.kdw: カルネアのデータではありません (読めないため除きました)"))
        << run.err;
    EXPECT_EQ(ReadBytes(dir.file("r.pdf")).rfind("%PDF", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(dir.file("png/page-014.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("png/page-015.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("png/page-120.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("png/page-15.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("png/page-0016.png")));

    run = RunCli({"ags", campaign, "-o", dir.file("c.ags")});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string ags = ReadBytes(dir.file("c.ags"));
    EXPECT_EQ(ags.rfind("\"GROUP\",\"PROJ\"\r\n", 0), 0u);
    EXPECT_TRUE(Contains(ags, "\"GROUP\",\"PMTP\""));

    run = RunCli({"check", kExamples + "/campaign/B-1_10.5.kdw", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "\"code\": \"pl-below-limit-volume\"")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\"en\": \"note: the test ended before the conventional"))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "\"note\": true")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\"engineerPl\": 677.473")) << run.out;
    run = RunCli({"check", campaign});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "慣用限界圧力の提案 / suggested limit pressure: ")) << run.out;

    // Nothing readable, a file that cannot be read, a data file as output.
    run = RunCli({"campaign", dir.file("junk.kdw"), "-o", dir.file("none.pdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "読める試験がありません")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.pdf")));
    EXPECT_EQ(RunCli({"check", campaign, dir.file("junk.kdw")}).status, 3);
    // check of a folder with no test says so and fails, as the reports do.
    std::filesystem::create_directory(dir.file("empty"));
    run = RunCli({"check", dir.file("empty")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "読める試験がありません\n");
    run = RunCli({"ags", campaign, dir.file("junk.kdw"), "-o", dir.file("j.ags")});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(std::filesystem::exists(dir.file("j.ags")));
    const std::string test = dir.file("t.kdw");
    WriteBytes(test, ReadBytes(kExamples + "/test.kdw"));
    for (const char* command : {"campaign", "ags"}) {
        run = RunCli({command, campaign, "-o", test});
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_EQ(ReadBytes(test), ReadBytes(kExamples + "/test.kdw"));
    }
    EXPECT_EQ(RunCli({"ags", "-o", dir.file("x.ags")}).status, 2);

    // The report is the same, but for the time it was made, on one thread
    // and on four.
    std::string reports[2];
    for (const int jobs : {1, 4}) {
        const std::string pdf = dir.file("jobs" + std::to_string(jobs) + ".pdf");
        run = RunCli({"campaign", campaign, "-o", pdf, "--jobs", std::to_string(jobs)});
        EXPECT_EQ(run.status, 0) << run.err;
        reports[jobs / 4] = ReadBytes(pdf);
        const std::size_t date = reports[jobs / 4].find("/CreationDate (D:");
        ASSERT_NE(date, std::string::npos);
        reports[jobs / 4].erase(date, reports[jobs / 4].find(')', date) - date);
    }
    EXPECT_EQ(reports[0], reports[1]);
    EXPECT_EQ(RunCli({"campaign", campaign, "-o", dir.file("x.pdf"), "--jobs", "0"}).status, 2);
}

// The workbook read back by an independent reader (openpyxl): the summary
// holds each test's results, each test's sheet its readings, every number
// a number equal to the test's own value, with the settings' number format.
TEST(CliXlsx, EveryNumberIsTheTestsOwn) {
    ScratchDir dir;
    const std::string book = dir.file("c.xlsx");
    CliRun run = RunCli({"xlsx", kExamples + "/campaign", "-o", book});
    ASSERT_EQ(run.status, 0) << run.err;
    const CliRun read =
        test::RunProgram("/usr/bin/python3", {"-c",
                                              "import openpyxl, sys\n"
                                              "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                              "for ws in wb.worksheets:\n"
                                              "    for row in ws.iter_rows():\n"
                                              "        for c in row:\n"
                                              "            v = c.value\n"
                                              "            if isinstance(v, (int, float)):\n"
                                              "                print(ws.title, c.row, c.column, "
                                              "repr(float(v)), c.number_format, sep='\\t')\n",
                                              book});
    ASSERT_EQ(read.status, 0) << read.err;
    // sheet → (row, column) → value, format
    std::map<std::string, std::map<std::pair<int, int>, std::pair<double, std::string>>> cells;
    std::istringstream lines(read.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string sheet, row, column, value, format;
        std::getline(fields, sheet, '\t');
        std::getline(fields, row, '\t');
        std::getline(fields, column, '\t');
        std::getline(fields, value, '\t');
        std::getline(fields, format, '\t');
        cells[sheet][{std::stoi(row), std::stoi(column)}] = {std::stod(value), format};
    }
    const std::pair<const char*, const char*> tests[] = {{"B-1_03.5.kdw", "B-1 3.50m"},
                                                         {"B-1_10.5.kdw", "B-1 10.50m"},
                                                         {"B-2_09.0.kdw", "B-2 9.00m"}};
    for (const auto& [file, sheet] : tests) {
        TestRecord t;
        RecordedMessages m;
        ReadTestFile(ReadBytes(kExamples + "/campaign/" + file), t, m);
        const auto& c = cells[sheet];
        // The readings start on row 19: Pm, V15, V30, V60, V120, Pm+Pz, Pi, P, dV.
        const int fields[] = {testField::pm,    testField::vol15,  testField::vol30,
                              testField::vol60, testField::vol120, testField::pmPlusPz,
                              testField::pi,    testField::p,      testField::dv};
        int numbers = 0;
        for (int r = 1; r <= CountTestRows(t.testRows, testField::pm); ++r) {
            for (int k = 0; k < 9; ++k) {
                const std::string& text = t.testRows[r][fields[k]];
                const auto found = c.find({18 + r, k + 1});
                if (text.empty()) {
                    EXPECT_EQ(found, c.end()) << sheet << " " << r << " " << k;
                    continue;
                }
                ASSERT_NE(found, c.end()) << sheet << " row " << r << " column " << k;
                EXPECT_DOUBLE_EQ(found->second.first, std::stod(text)) << sheet << " " << r;
                ++numbers;
            }
        }
        EXPECT_GT(numbers, 100) << sheet;
        // Em on the header rows, with the settings' decimals (2).
        EXPECT_DOUBLE_EQ(c.at({15, 2}).first, std::stod(t.testHeader[header::modulusValue]));
        EXPECT_EQ(c.at({15, 2}).second, "0.00");
    }
    // The summary: six tests, Em in column I.
    EXPECT_EQ(cells["一覧"].count({7, 9}), 1u);
    EXPECT_EQ(cells["一覧"].count({8, 9}), 0u);

    // Never over a data file.
    const std::string data = dir.file("t.kdw");
    WriteBytes(data, ReadBytes(kExamples + "/test.kdw"));
    EXPECT_EQ(RunCli({"xlsx", kExamples + "/campaign", "-o", data}).status, 1);
    EXPECT_EQ(ReadBytes(data), ReadBytes(kExamples + "/test.kdw"));

    // A date no calendar has is left out of its cell, and the test named.
    Workspace ws;
    RecordedMessages m;
    ReadTestFile(ReadBytes(kExamples + "/test.kdw"), ws.test, m);
    ws.test.testHeader[header::dateEra] = Sjis("平成");
    ws.test.testHeader[header::dateYear] = "31";
    ws.test.testHeader[header::dateMonth] = "5";
    std::filesystem::create_directories(dir.file("dated"));
    WriteBytes(dir.file("dated/b.kdw"), WriteTestFile(ws.test));
    run = RunCli({"xlsx", dir.file("dated"), "-o", dir.file("d.xlsx")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err,
                         "b.kdw: 測定年月日 平成 31 年 5 月 14 日 は暦にない日付のため空欄に"
                         "しました（平成は31年4月30日まで）"))
        << run.err;
}

// The electronic delivery from the site sheet beside the tests, in both
// editions: every XML valid for xmllint against the DTDs copied beside it,
// every data sheet a PDF, the summary on standard output; what stops a
// delivery is said and writes nothing.
// The example tests in `dir`/tests with a site sheet for the 2008 edition
// (datum 1), returned as written.
std::string DeliveryTests(const ScratchDir& dir, const std::string& client) {
    std::filesystem::create_directory(dir.path() / "tests");
    for (const auto& entry : std::filesystem::directory_iterator(kExamples + "/campaign")) {
        std::filesystem::copy(entry.path(), dir.path() / "tests" / entry.path().filename(),
                              std::filesystem::copy_options::recursive);
    }
    std::string sheet = "[delivery]\nclient = " + client + "\n";
    for (const char* boring : {"B-1", "B-2"}) {
        sheet += std::string("[boring ") + boring + "]\nfolder = BRG000" + boring[2] +
                 "\nlongitude = 136 13 13.033\nlatitude = 36 4 41.987\nmethod = 02\n"
                 "precision = 3\ndatum = 1\nelevation = 7.1\ndiameter = 66\n";
    }
    WriteBytes(dir.file("tests/delivery.ini"), sheet);
    return sheet;
}

TEST(CliDelivery, BothEditionsPassXmllint) {
    ScratchDir dir;
    std::string sheet = DeliveryTests(dir, "県①土木事務所");
    const std::string tests = dir.file("tests");
    // The 2016 edition has other datum codes than the sheet's.
    CliRun run = RunCli({"delivery", tests, "-o", dir.file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        Contains(run.err, "B-1: 測地系 の値が異常です（1）\nB-2: 測地系 の値が異常です（1）\n"))
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    EXPECT_EQ(RunCli({"delivery", tests, "-o", dir.file("out"), "--edition", "2010"}).status, 2);
    EXPECT_EQ(
        RunCli({"delivery", tests, "-o", dir.file("out"), "--site", dir.file("no.ini")}).status, 1);

    for (const std::string edition : {"2008", "2016"}) {
        if (edition == "2016") {
            for (std::size_t at; (at = sheet.find("datum = 1")) != std::string::npos;) {
                sheet.replace(at, 9, "datum = 02");
            }
            WriteBytes(dir.file("tests/delivery.ini"), sheet);
            std::filesystem::remove_all(dir.file("out"));
        }
        run = RunCli({"delivery", tests, "-o", dir.file("out"), "--edition", edition});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "電子納品: ボーリング 2、試験 6、ファイル 18 (置き換え 0)\n");
        EXPECT_TRUE(Contains(run.err, "Shift_JIS にない文字を置き換えました: ① → (1)\n"));
        const std::string root = dir.file("out/BORING/TEST/");
        const std::string dtd = edition == "2016" ? "B1531_04.DTD" : "B1421_03.DTD";
        const CliRun lint = test::RunShell(
            "cd " + ShellQuote(root) +
            " && xmllint --noout --dtdvalid GTST0200.DTD GRNDTST.XML && "
            "for f in BRG000?/TS*.XML; do xmllint --noout --dtdvalid \"$(dirname $f)/" +
            dtd + "\" \"$f\" || exit 1; done");
        EXPECT_EQ(lint.status, 0) << lint.err;
        EXPECT_EQ(ReadBytes(root + "BRG0002/TS000002.PDF").rfind("%PDF", 0), 0u);
    }
}

// The files of a delivery that do not change from run to run (the PDFs
// carry their date), by their place below the folder.
std::map<std::string, std::string> DeliveryFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = e.path().lexically_relative(folder).string();
        if (e.is_regular_file() && !name.ends_with(".PDF")) {
            files[name] = ReadBytes(e.path().string());
        }
    }
    return files;
}

// A delivery killed (SIGKILL) while it installs its files leaves the folder
// to the next run: that run completes or undoes it before anything else
// and says which, and the delivery is then the old one or the new one in
// full, its management file agreeing with its files.
TEST(CliDelivery, AKilledDeliveryIsCompletedOrUndoneByTheNextRun) {
    if (std::getenv("KARNEA_CLI_COMMAND") != nullptr) {
        GTEST_SKIP() << "kills a process of this system";
    }
    ScratchDir dir;
    const std::string tests = dir.file("tests");
    std::filesystem::copy(kExamples + "/campaign", tests);
    WriteBytes(tests + "/delivery.ini",
               "[delivery]\nclient = 県土木事務所\n[boring B-1]\nfolder = BRG0001\n"
               "longitude = 136 13 13.033\nlatitude = 36 4 41.987\nmethod = 02\nprecision = 3\n"
               "datum = 02\nelevation = 7.1\ndiameter = 66\n[boring B-2]\nfolder = BRG0002\n"
               "longitude = 136 13 14\nlatitude = 36 4 42\nmethod = 02\nprecision = 3\n"
               "datum = 02\nelevation = 7.1\ndiameter = 66\n");
    const std::string old = dir.file("old");
    ASSERT_EQ(RunCli({"delivery", tests, "-o", old}).status, 0);
    // Every test's survey renamed; the new delivery as it is when whole.
    for (const auto& e : std::filesystem::directory_iterator(tests)) {
        if (e.path().extension() == ".kdw") {
            Workspace ws;
            RecordedMessages m;
            ReadTestFile(ReadBytes(e.path().string()), ws.test, m);
            ws.test.testHeader[header::surveyName] = Sjis("第二期");
            WriteBytes(e.path().string(), WriteTestFile(ws.test));
        }
    }
    const std::string whole = dir.file("whole");
    std::filesystem::copy(old, whole, std::filesystem::copy_options::recursive);
    ASSERT_EQ(RunCli({"delivery", tests, "-o", whole}).status, 0);
    const std::map<std::string, std::string> before = DeliveryFiles(old);
    const std::map<std::string, std::string> after = DeliveryFiles(whole);
    ASSERT_NE(before, after);

    const std::string out = dir.file("out");
    const std::string journal = out + "/BORING/TEST/.karnea-delivery.journal";
    int interrupted = 0;
    for (const int delayMs : {0, 0, 1, 2, 3, 5, 8}) {
        std::filesystem::remove_all(out);
        std::filesystem::copy(old, out, std::filesystem::copy_options::recursive);
        const pid_t child = fork();
        if (child == 0) {
            const char* cli = KARNEA_CLI;
            execl(cli, cli, "delivery", tests.c_str(), "-o", out.c_str(), "--jobs", "2",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        // Killed once the install has begun, a little later each time.
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::filesystem::exists(journal)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const bool killed = WIFSIGNALED(status);
        interrupted += killed && std::filesystem::exists(journal) ? 1 : 0;
        // The next run (of the other edition, which this delivery refuses)
        // settles the folder before anything else.
        const CliRun next = RunCli({"delivery", tests, "-o", out, "--edition", "2008"});
        EXPECT_EQ(next.status, 1);
        EXPECT_FALSE(std::filesystem::exists(journal)) << delayMs;
        const std::map<std::string, std::string> now = DeliveryFiles(out);
        EXPECT_TRUE(now == before || now == after) << delayMs << (killed ? " killed" : "");
        if (now != before && now != after) {
            for (const auto& [name, bytes] : now) {
                EXPECT_TRUE(before.count(name) != 0 || after.count(name) != 0) << name;
            }
        }
    }
    EXPECT_GT(interrupted, 0);
}

// What a batch is given is never its undoing: a huge file, names that are
// not UTF-8, outputs checked before anything is written.
TEST(CliCampaign, BadInputsAreNamedAndOutputsCheckedFirst) {
    ScratchDir dir;
    const std::string test = ReadBytes(kExamples + "/test.kdw");
    WriteBytes(dir.file("\x82\xa0.kdw"), test);
    WriteBytes(dir.file("caf\xe9.kdw"), test);
    WriteBytes(dir.file("huge.kdw"), "$$_KDVARDO300\r\n");
    std::filesystem::resize_file(dir.file("huge.kdw"), std::uintmax_t(4) << 30);
    CliRun run = RunCli({"check", dir.path().string(), "--json"});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(Contains(run.out, "/あ.kdw\"")) << run.out.substr(0, 300);
    EXPECT_TRUE(Contains(run.out, "/caf\xEF\xBF\xBD.kdw\"")) << run.out.substr(0, 300);
    EXPECT_FALSE(Contains(run.out, "\x82\xa0"));
    EXPECT_TRUE(Contains(run.out, "ファイルが大きすぎるため")) << run.out;
    run = RunCli({"ags", dir.path().string(), "-o", dir.file("c.ags")});
    EXPECT_EQ(run.status, 3) << run.err;
    // Names in romaji, and nothing outside ASCII.
    EXPECT_TRUE(Contains(ReadBytes(dir.file("c.ags")), ",\"a.kdw\","));
    EXPECT_EQ(test::AgsRuleFindings(ReadBytes(dir.file("c.ags"))), std::vector<std::string>{});

    // A --png that is a file fails before the report is written.
    WriteBytes(dir.file("page.png"), "");
    run = RunCli({"campaign", dir.file("\x82\xa0.kdw"), "-o", dir.file("r.pdf"), "--png",
                  dir.file("page.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "PNG の出力先")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("r.pdf")));
}

// The romaji program reads and writes at once with the export, so a long
// text never stalls the two (a survey name of 200 KB of kanji), and is given
// a time that follows its input: one that never answers is ended with what
// it started, and the file is written with the texts' ASCII characters, in
// seconds. Whatever else a stand-in does is said as it is.
TEST(CliCampaign, TheRomajiProgramNeverHoldsTheExport) {
    if (std::getenv("KARNEA_CLI_COMMAND") != nullptr) {
        GTEST_SKIP() << "the stand-in for kakasi is a script of this system";
    }
    ScratchDir dir;
    std::string test = ReadBytes(kExamples + "/test.kdw");
    const std::size_t name = test.find("\r\n", test.find("$$Z")) + 2;
    std::string kanji;
    while (kanji.size() < (200u << 10)) {
        kanji += Sjis("孔内水平載荷試験");
    }
    test.replace(name, test.find("\r\n", name) - name, kanji);
    WriteBytes(dir.file("long.kdw"), test);
    std::filesystem::create_directory(dir.file("bin"));
    const std::string started = dir.file("started");
    const struct {
        const char* script;  // empty: the real program
        const char* said;
    } cases[] = {
        {"", ""},
        {"sleep 600 &\necho $! > started\nexec sleep 600\n", "kakasi が時間内に終わりませんでした"},
        {"exec yes\n", "kakasi が入力に見合わないほど多く書き出したため止めました"},
        {"exit 3\n", "kakasi が終了コード 3 で終わりました"},
        {"kill -9 $$\n", "kakasi がシグナル 9 で終わりました"},
        {"cat > /dev/null\necho one\n", "kakasi の出力の行数が入力と合いません"},
    };
    for (const auto& c : cases) {
        const std::string script = c.script;
        std::string path;
        if (!script.empty()) {
            WriteBytes(dir.file("bin/kakasi"),
                       "#!/bin/sh\ncd " + ShellQuote(dir.path().string()) + "\n" + script);
            std::filesystem::permissions(dir.file("bin/kakasi"), std::filesystem::perms::owner_all);
            path = "PATH=" + ShellQuote(dir.file("bin")) + ":$PATH ";
        }
        const auto start = std::chrono::steady_clock::now();
        const CliRun run =
            test::RunShell(path + CliCommand() + " ags " + ShellQuote(dir.file("long.kdw")) +
                           " -o " + ShellQuote(dir.file("long.ags")));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_LT(took.count(), 20.0) << script;
        EXPECT_EQ(Contains(run.err, "ローマ字にできないため"), !script.empty()) << run.err;
        EXPECT_TRUE(Contains(run.err, c.said)) << run.err;
        const std::string ags = ReadBytes(dir.file("long.ags"));
        EXPECT_EQ(Contains(ags, "suihei saika shiken"), script.empty()) << ags.substr(0, 400);
        EXPECT_EQ(test::AgsRuleFindings(ags), std::vector<std::string>{});
    }
    // The stand-in's own child ended with it (gone, or a zombie nobody
    // has reaped yet).
    const std::string proc = "/proc/" + std::to_string(std::stol(ReadBytes(started))) + "/stat";
    const std::string stat = std::filesystem::exists(proc) ? ReadBytes(proc) : "";
    EXPECT_TRUE(stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") << stat;
}

// What stands where a file is read or written is named as it is: a folder,
// a pipe, a loop of links or a huge file as the site sheet or the existing
// management file; a data file cut short; a full disk, with the file.
TEST(CliMessages, NameTheRealReason) {
    if (std::getenv("KARNEA_CLI_COMMAND") != nullptr) {
        GTEST_SKIP() << "pipes and links of this system";
    }
    ScratchDir dir;
    DeliveryTests(dir, "県土木事務所");
    std::filesystem::create_directory(dir.file("folder"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("loop", dir.file("loop"));
    WriteBytes(dir.file("tests/huge.ini"), "");
    std::filesystem::resize_file(dir.file("tests/huge.ini"), std::uintmax_t(1) << 30);
    const std::string grnd = dir.file("out/BORING/TEST/GRNDTST.XML");
    std::filesystem::create_directories(dir.file("out/BORING/TEST"));
    const std::string test = ReadBytes(kExamples + "/test.kdw");
    std::filesystem::create_directory(dir.file("cut"));
    WriteBytes(dir.file("cut/good.kdw"), test);
    WriteBytes(dir.file("cut/a.kdw"), test.substr(0, test.find("$$A")));
    WriteBytes(dir.file("cut/b.kdw"), test.substr(0, test.size() - 5));

    const auto delivery = [&](const std::string& site) {
        return std::vector<std::string>{
            "delivery", dir.file("tests"), "-o", dir.file("out"), "--edition",
            "2008",     "--site",          site};
    };
    const struct {
        std::function<void()> before;
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{},
         delivery(dir.file("folder")),
         1,
         "現場シート " + dir.file("folder") + " を読めません: ファイルではなくフォルダです"},
        {{}, delivery(dir.file("fifo")), 1, "を読めません: 通常のファイルではありません"},
        {{}, delivery(dir.file("loop")), 1, "を読めません: リンクが循環しています"},
        {{},
         delivery(dir.file("tests/huge.ini")),
         1,
         "1048576 KB あり、現場シートとしては大きすぎます（64 KB まで）"},
        {[&] { std::filesystem::create_directory(grnd); }, delivery(dir.file("tests/delivery.ini")),
         1,
         "既存の " + grnd +
             " を読めないため、電子納品を出力しません\nファイルではなくフォルダです"},
        {[&] {
             std::filesystem::remove(grnd);
             std::filesystem::create_symlink("GRNDTST.XML", grnd);
         },
         delivery(dir.file("tests/delivery.ini")), 1, "\nリンクが循環しています"},
        {{}, {"check", dir.file("cut")}, 3, "a.kdw: ファイルが途中で切れています"},
        {{},
         {"dump", dir.file("cut/b.kdw")},
         1,
         "ファイルが途中で切れています\n( " + dir.file("cut/b.kdw") +
             " )\n読めたところまで開きますか? (No)\n"},
    };
    for (const auto& c : cases) {
        if (c.before) {
            c.before();
        }
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
        EXPECT_TRUE(Contains(run.err, c.said)) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(grnd));

    // A full disk: the file and the reason; the report's pages that do not
    // fit leave the report written, and say so.
    std::filesystem::create_directory(dir.file("full"));
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=64k karnea-full " +
                                         ShellQuote(dir.file("full")) + " 2>/dev/null")
                                            .c_str()) != 0) {
        GTEST_SKIP() << "a small tmpfs needs root and the right to mount";
    }
    CliRun run = RunCli({"campaign", dir.file("tests"), "-o", dir.file("full/r.pdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "保存できませんでした\n( " + dir.file("full/r.pdf") +
                                      " )\nディスクがいっぱいです"))
        << run.err;
    run =
        RunCli({"campaign", dir.file("tests"), "-o", dir.file("r.pdf"), "--png", dir.file("full")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, dir.file("r.pdf") +
                                      " に書き出しました\n保存できませんでした\n( " +
                                      dir.file("full") + "/page-001.png )\nディスクがいっぱいです"))
        << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("full")));
    EXPECT_EQ(std::system(("umount " + ShellQuote(dir.file("full"))).c_str()), 0);
}

// Memory that runs out (an address-space limit, set as the shell sets it)
// ends the command at once: the report written whole,
// or "メモリが足りません" and exit 1 with the previous report untouched;
// never a hang, a crash or a file left beside the report.
TEST(CliMessages, MemoryThatRunsOutEndsTheCommandCleanly) {
    if (std::getenv("KARNEA_CLI_COMMAND") != nullptr) {
        GTEST_SKIP() << "an address-space limit of this system";
    }
    ScratchDir dir;
    for (const int megabytes : {100, 120, 150, 200}) {
        // On two threads the font library may still crash where its own
        // allocation fails (a crash that is not yet ended cleanly).
        for (const int jobs : {1}) {
            WriteBytes(dir.file("r.pdf"), "previous");
            const CliRun run = test::RunShell(
                "timeout 60 sh -c " +
                ShellQuote("ulimit -v " + std::to_string(megabytes << 10) + "; exec " +
                           CliCommand() + " campaign " + ShellQuote(kExamples + "/campaign") +
                           " --jobs " + std::to_string(jobs) + " -o " +
                           ShellQuote(dir.file("r.pdf"))));
            const std::string at = std::to_string(megabytes) + " MB, " + std::to_string(jobs);
            ASSERT_TRUE(run.status == 0 || run.status == 1) << at << ": " << run.status;
            const std::string report = ReadBytes(dir.file("r.pdf"));
            if (run.status == 1) {
                EXPECT_TRUE(Contains(run.err, "メモリが足りません\n")) << at << run.err;
                EXPECT_EQ(report, "previous") << at;
            } else {
                EXPECT_EQ(report.rfind("%PDF", 0), 0u) << at;
            }
            EXPECT_EQ(test::FilesIn(dir), 1u) << at;
        }
    }
}

TEST(Cli, HandMadeFilesDumpAndConvertAsExpected) {
    const std::filesystem::path data = KARNEA_TEST_DATA_DIR;
    const bool update = std::getenv("KARNEA_UPDATE_EXPECTED") != nullptr;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data / "files")) {
        const std::string name = entry.path().filename().string();
        const std::string input = entry.path().string();
        ScratchDir dir;
        const std::string converted = dir.file("out" + entry.path().extension().string());
        const CliRun dump = RunCli({"dump", input});
        ASSERT_EQ(dump.status, 0) << name << dump.err;
        const CliRun convert = RunCli({"convert", input, "-o", converted});
        // Files with a row without pressure before more readings, which the
        // writer would drop: the save is refused, naming the row.
        const std::map<std::string, std::string> refused = {{"lf-only.kdw", "測定データ 5 行"},
                                                            {"sections.kcw", "CALデータ 3 行"}};
        if (refused.count(name) != 0) {
            EXPECT_EQ(convert.status, 1) << convert.err;
            EXPECT_TRUE(Contains(convert.err, refused.at(name))) << convert.err;
            EXPECT_FALSE(std::filesystem::exists(converted));
            EXPECT_EQ(dump.out, ReadBytes((data / "expected" / (name + ".json")).string()));
            ++files;
            continue;
        }
        ASSERT_EQ(convert.status, 0) << name << convert.err;
        const std::string expectedJson = (data / "expected" / (name + ".json")).string();
        const std::string expectedFile = (data / "expected" / name).string();
        if (update) {
            WriteBytes(expectedJson, dump.out);
            WriteBytes(expectedFile, ReadBytes(converted));
        }
        EXPECT_EQ(dump.out, ReadBytes(expectedJson)) << name;
        EXPECT_EQ(ReadBytes(converted), ReadBytes(expectedFile)) << name;
        // What the writer wrote comes back byte for byte.
        const std::string again = dir.file("again" + entry.path().extension().string());
        ASSERT_EQ(RunCli({"convert", converted, "-o", again}).status, 0);
        EXPECT_EQ(ReadBytes(again), ReadBytes(converted)) << name;
        ++files;
    }
    EXPECT_GE(files, 3);
}

// The published deliveries (open data), as they were delivered: the XML in
// Shift_JIS again. `which` is the folder's name in the archive; it becomes
// OUT/BORING.
std::string PublishedDelivery(const ScratchDir& dir, const std::string& which,
                              const std::string& out) {
    const std::string unpacked = dir.file("published");
    if (!std::filesystem::exists(unpacked)) {
        std::filesystem::create_directories(unpacked);
        const CliRun tar = test::RunShell("tar -xJf " +
                                          ShellQuote(std::string(KARNEA_TEST_DATA_DIR) +
                                                     "/delivery/published-deliveries.tar.xz") +
                                          " -C " + ShellQuote(unpacked));
        EXPECT_EQ(tar.status, 0) << tar.err;
    }
    const std::string boring = out + "/BORING";
    std::filesystem::create_directories(out);
    std::filesystem::copy(unpacked + "/" + which, boring, std::filesystem::copy_options::recursive);
    for (const auto& e : std::filesystem::recursive_directory_iterator(boring)) {
        if (e.path().extension() == ".XML") {
            std::string text = ReadBytes(e.path().string());
            const std::size_t at = text.find("encoding=\"UTF-8\"");
            text.replace(at, 16, "encoding=\"Shift_JIS\"");
            WriteBytes(e.path().string(), Utf8ToCp932(text));
        }
    }
    return boring;
}

// One file of a delivery changed as a text (Shift_JIS on disk).
void EditDeliveryFile(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = Cp932ToUtf8(ReadBytes(path));
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << path << ": " << from;
    text.replace(at, from.size(), to);
    WriteBytes(path, Utf8ToCp932(text));
}

// Tests delivered into a published boring delivery take their borings'
// names, folders and positions from BORING.XML, with a site sheet of
// [delivery] alone; a sheet that says otherwise is refused naming both; the
// results are compared with the boring logs, and what to type into them is
// listed.
TEST(CliDelivery, IntoAPublishedBoringDelivery) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "tests");
    for (const auto& entry : std::filesystem::directory_iterator(kExamples + "/campaign")) {
        std::filesystem::copy(entry.path(), dir.path() / "tests" / entry.path().filename(),
                              std::filesystem::copy_options::recursive);
    }
    const std::string tests = dir.file("tests");
    const std::string out = dir.file("out");
    const std::string boring = PublishedDelivery(dir, "18000230651401952", out);
    const std::string before = ReadBytes(boring + "/TEST/GRNDTST.XML");
    // The boring logs name the borings B.H26-1 and B.H26-2; the tests B-1 and B-2.
    const std::string pairs = "[boring B-1]\nname = B.H26-1\n[boring B-2]\nname = Ｂ．Ｈ２６－２\n";
    WriteBytes(tests + "/delivery.ini",
               "[delivery]\nclient = 県土木事務所\n" + pairs + "[boring B-1]\nelevation = 9.99\n");
    CliRun run = RunCli({"delivery", tests, "-o", out, "--edition", "2008"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(
        run.err, "B-1: 標高 が現場シート (delivery.ini) では 9.99、BORING.XML では 7.10 です"))
        << run.err;
    EXPECT_EQ(ReadBytes(boring + "/TEST/GRNDTST.XML"), before);

    WriteBytes(tests + "/delivery.ini", "[delivery]\nclient = 県土木事務所\n" + pairs);
    run = RunCli({"delivery", tests, "-o", out, "--edition", "2008"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string sheet = Cp932ToUtf8(ReadBytes(boring + "/TEST/BRG0001/TS000003.XML"));
    for (const char* value : {"<地点名>B.H26-1</地点名>", "<フォルダ名>BRG0001</フォルダ名>",
                              "<経度_秒>13.0330</経度_秒>", "<緯度_分>04</緯度_分>",
                              "<緯度_秒>41.9870</緯度_秒>", "<標高>7.10</標高>"}) {
        EXPECT_TRUE(Contains(sheet, value)) << value;
    }
    // The boring logs hold none of these depths; one holds a depth no data
    // sheet has. What to type into them is listed.
    EXPECT_TRUE(
        Contains(run.out,
                 "DATA/BED0001.XML: 孔内水平載荷試験: 注意: 試験深度 3.50 m の結果がありません "
                 "(TEST/BRG0001/TS000003.XML)\n"));
    EXPECT_TRUE(Contains(run.out,
                         "DATA/BED0003.XML:1233: 孔内水平載荷試験: 注意: 試験深度 10.30 m "
                         "の孔内水平載荷試験のデータシートがありません\n"));
    EXPECT_TRUE(Contains(run.out, "に入力する値:\n  B.H26-1 (BED0001.XML) 深度 3.50 m: 初期圧 "))
        << run.out;
    // The same values on a last sheet of the tests' workbook, as numbers.
    const std::string book = dir.file("book.xlsx");
    ASSERT_EQ(RunCli({"xlsx", tests, "-o", book, "--boring", out}).status, 0);
    const CliRun read = test::RunProgram(
        "/usr/bin/python3", {"-c",
                             "import openpyxl, sys\n"
                             "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[-1]\n"
                             "print(ws.title, ws.max_row)\n"
                             "print(*[c.value for c in ws[2]], sep='|')\n",
                             book});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "柱状図に入力する値 7\nB.H26-1|BED0001.XML|3.5|64.36|216.12|4447.97\n");

    // The check of the whole delivery names, beside the faults of the
    // published one, what a copy of it was given: a data sheet left in TEST,
    // one not listed, a listed one missing, one not well formed, a position
    // other than BORING.XML's, results other than the boring log's (the
    // modulus 1,000 times off).
    const std::string test = boring + "/TEST/";
    std::filesystem::rename(test + "BRG0001/TS000001.XML", test + "TS000001.XML");
    std::filesystem::copy_file(test + "BRG0001/TS000003.XML", test + "BRG0001/TS000009.XML");
    std::filesystem::remove(test + "BRG0002/TS001001.XML");
    WriteBytes(test + "BRG0001/TS001002.XML",
               ReadBytes(test + "BRG0001/TS001002.XML")
                   .substr(0, ReadBytes(test + "BRG0001/TS001002.XML").rfind('\n', 400) + 1));
    EditDeliveryFile(test + "BRG0001/TS000002.XML", "<標高>7.10</標高>", "<標高>7.20</標高>");
    EditDeliveryFile(test + "BRG0001/TS000002.XML", "<コメント></コメント>",
                     "<コメント>p0=174.8 kN/m2, py=410.0 kN/m2, E=12.8 kN/m2</コメント>");
    run = RunCli({"delivery", "--check", out, "--xml-only"});
    EXPECT_EQ(run.status, 1) << run.err;
    for (const char* line : {
             "TEST/TS000001.XML: エラー: データシートが TEST に直接置かれています",
             "TEST/BRG0001/TS000009.XML: エラー: GRNDTST.XML にありません\n",
             "データシート交換用データファイル名: エラー: TEST/BRG0002/TS001001.XML がありません\n",
             "TEST/BRG0001/TS001002.XML: エラー: ",
             "TEST/BRG0001/TS000002.XML:34: 標高: エラー: 7.20 ですが BORING.XML は 7.10\n",
             "TEST/BRG0001/TS000002.XML:34: 標高: エラー: 7.20 ですが GRNDTST.XML は 7.10\n",
             "DATA/BED0001.XML:1246: 孔内水平載荷試験_降伏圧: 注意: 403.4 ですが "
             "TEST/BRG0001/TS000002.XML は 410.0 kN/m2 です\n",
             "DATA/BED0001.XML:1246: 孔内水平載荷試験_変形係数: エラー: 1.28E+04 ですが "
             "TEST/BRG0001/TS000002.XML は 12.8 kN/m2 です (1000 倍違います",
             // The published delivery's own: a DTD it names is not beside it.
             "TEST/BRG0003/TS000001.XML: エラー: DOCTYPE の B1314_03.DTD "
             "が同じフォルダにありません\n",
         }) {
        EXPECT_TRUE(Contains(run.out, line)) << line << "\n" << run.out;
    }
    EXPECT_FALSE(Contains(run.out, "PDF なし"));
    // With the PDFs looked for, each missing one is its own kind; as JSON.
    run = RunCli({"delivery", "--check", out, "--json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.out, "\"kind\": \"no-pdf\", \"path\": \"TEST/GRNDTST.XML\""))
        << run.out.substr(0, 2000);
    EXPECT_EQ(RunCli({"delivery", "--check", out, "-o", out}).status, 2);
    // A folder that holds no delivery is said so, not walked.
    const CliRun none = RunCli({"delivery", "--check", tests});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Contains(none.err, "は電子納品のフォルダではありません")) << none.err;
    EXPECT_EQ(RunCli({"delivery", tests, "--check", out}).status, 2);
}

// This program's own delivery passes its check, PDFs and all.
TEST(CliDelivery, OwnDeliveryPassesTheCheck) {
    ScratchDir dir;
    const std::string out = dir.file("out");
    WriteBytes(dir.file("site.ini"),
               "[delivery]\nclient = 県土木事務所\n[boring B-1]\nfolder = BRG0001\n"
               "longitude = 136 13 13.033\nlatitude = 36 4 41.987\nmethod = 02\nprecision = 3\n"
               "datum = 02\nelevation = 7.1\ndiameter = 66\n[boring B-2]\nfolder = BRG0002\n"
               "longitude = 136 13 14\nlatitude = 36 4 42\nmethod = 02\nprecision = 3\n"
               "datum = 02\nelevation = 7.1\ndiameter = 66\n");
    ASSERT_EQ(
        RunCli({"delivery", kExamples + "/campaign", "-o", out, "--site", dir.file("site.ini")})
            .status,
        0);
    const CliRun run = RunCli({"delivery", "--check", out});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "電子納品チェック " + out + "/BORING: ファイル 18、エラー 0、注意 0\n");
}

}  // namespace
}  // namespace karnea
