// What a user of an installed karnea meets besides the windows: the answers
// of the command lines, the manual pages, completion in bash, and the Debian
// package with everything it installs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/version.h"
#include "support/shell.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::CommandRun;
using test::Contains;
using test::RunProgram;
using test::RunShell;
using test::ScratchDir;
using test::ShellQuote;

const std::string kVersion(ProgramVersion());

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::set<std::string> Words(const std::string& text) {
    std::set<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.insert(word);
    }
    return words;
}

// The commands as karnea-cli's help lists them, each with the long options
// its own help describes: what the manual pages and completion must know.
struct CommandHelp {
    std::string name;
    std::set<std::string> options;
};

std::vector<CommandHelp> CommandsFromHelp() {
    std::vector<CommandHelp> commands;
    const CommandRun help = RunProgram(KARNEA_CLI, {"--help"});
    const std::regex listed("^  karnea-cli ([a-z]+) ");
    const std::regex option("--[a-z0-9-]+");
    for (const std::string& line : Lines(help.out)) {
        std::smatch m;
        if (!std::regex_search(line, m, listed)) {
            continue;
        }
        CommandHelp command{m[1], {}};
        const CommandRun own = RunProgram(KARNEA_CLI, {"help", command.name});
        EXPECT_EQ(own.status, 0) << command.name;
        const std::vector<std::string> lines = Lines(own.out);
        // Every option of the usage line has a line that describes it.
        std::set<std::string> described;
        for (const std::string& l : lines) {
            if (l.rfind("  -", 0) == 0) {
                for (std::sregex_iterator i(l.begin(), l.end(), option), end; i != end; ++i) {
                    described.insert(i->str());
                }
            }
        }
        for (std::sregex_iterator i(lines[0].begin(), lines[0].end(), option), end; i != end; ++i) {
            EXPECT_TRUE(described.count(i->str()) != 0) << command.name << " " << i->str();
        }
        described.erase("--help");
        command.options = described;
        commands.push_back(command);
    }
    EXPECT_GE(commands.size(), 11u) << help.out;
    return commands;
}

const std::vector<CommandHelp>& Commands() {
    static const std::vector<CommandHelp> commands = CommandsFromHelp();
    return commands;
}

TEST(StartSwitches, AnswerOnTheTerminalWithoutADisplay) {
    const std::string app =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + ShellQuote(KARNEA_APP);
    for (const char* help : {"--help", "-h"}) {
        const CommandRun run = RunShell(app + " " + help);
        EXPECT_EQ(run.status, 0) << help << run.err;
        EXPECT_EQ(run.out.rfind("使い方: karnea [--print|/p] [ファイル]\n", 0), 0u) << run.out;
        EXPECT_TRUE(Contains(run.out, "終了コード:"));
        EXPECT_EQ(run.err, "");
    }
    const CommandRun version = RunShell(app + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "karnea " + kVersion + "\n");

    // A wrong command line keeps its message and exits 2, before any window.
    const std::pair<const char*, const char*> wrong[] = {
        {"--bogus", "karnea: '--bogus' は未知のオプションです\n"},
        {"a.kdw b.kdw", "karnea: 開くファイルは一つだけ指定できます\n"},
        {"--print", "karnea: 印刷するファイルを指定してください\n"},
    };
    for (const auto& [args, message] : wrong) {
        const CommandRun run = RunShell(app + " " + args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
        EXPECT_TRUE(Contains(run.err, "使い方: karnea")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // Without a display, a real start says so.
    const CommandRun noDisplay = RunShell(app);
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_TRUE(Contains(noDisplay.err, "no display")) << noDisplay.err;
}

// The words bash offers for `line` (the cursor at its end), in a folder
// with a test, a calibration, another file and a folder.
std::set<std::string> Completions(const std::string& line) {
    ScratchDir dir;
    for (const char* name : {"a.kdw", "b.kcw", "c.txt"}) {
        test::WriteBytes(dir.file(name), "");
    }
    std::filesystem::create_directory(dir.path() / "sub");
    const std::string script =
        "cd " + ShellQuote(dir.path().string()) +
        " && source /usr/share/bash-completion/bash_completion"
        " && source " +
        ShellQuote(KARNEA_SOURCE_DIR "/packaging/karnea-cli.bash") +
        " && COMP_LINE=" + ShellQuote(line) +
        " && COMP_POINT=${#COMP_LINE}"
        " && read -ra COMP_WORDS <<<\"$COMP_LINE\""
        " && { [[ $COMP_LINE != *' ' ]] || COMP_WORDS+=(''); }"
        " && COMP_CWORD=$((${#COMP_WORDS[@]} - 1))"
        " && _karnea_cli karnea-cli \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\""
        " && printf '%s\\n' \"${COMPREPLY[@]}\"";
    const CommandRun run = RunShell("bash -c " + ShellQuote(script));
    EXPECT_EQ(run.status, 0) << line << "\n" << run.err;
    return Words(run.out);
}

TEST(Completion, OffersEveryCommandOptionAndFile) {
    std::set<std::string> names = {"help", "--help", "--version"};
    for (const CommandHelp& c : Commands()) {
        names.insert(c.name);
        std::set<std::string> options = c.options;
        options.insert("--help");
        if (options.count("--output") != 0) {
            options.insert("-o");
        }
        EXPECT_EQ(Completions("karnea-cli " + c.name + " x -"), options) << c.name;
    }
    EXPECT_EQ(Completions("karnea-cli "), names);
    EXPECT_EQ(Completions("karnea-cli re"), (std::set<std::string>{"reduce", "render"}));
    EXPECT_EQ(Completions("karnea-cli help ag"), (std::set<std::string>{"ags"}));

    // Data files by their kind; folders always, to go into.
    EXPECT_EQ(Completions("karnea-cli dump "), (std::set<std::string>{"a.kdw", "b.kcw", "sub"}));
    EXPECT_EQ(Completions("karnea-cli campaign "), (std::set<std::string>{"a.kdw", "sub"}));
    EXPECT_EQ(Completions("karnea-cli attach a.kdw --calibration "),
              (std::set<std::string>{"b.kcw", "sub"}));
    EXPECT_EQ(Completions("karnea-cli render a.kdw --format "),
              (std::set<std::string>{"pdf", "png", "ops"}));
    EXPECT_EQ(Completions("karnea-cli campaign a.kdw --png "), (std::set<std::string>{"sub"}));
}

std::string ManSource(const std::string& language, const std::string& page) {
    return test::ReadBytes(KARNEA_BUILD_DIR "/man/" + language + "/" + page + ".1.scd");
}

TEST(ManPages, DescribeEveryCommandAndOptionInBothLanguages) {
    for (const char* language : {"en", "ja"}) {
        const std::string cli = ManSource(language, "karnea-cli");
        for (const CommandHelp& c : Commands()) {
            EXPECT_TRUE(Contains(cli, "\n*" + c.name + "* ")) << language << " " << c.name;
            for (const std::string& option : c.options) {
                EXPECT_TRUE(Contains(cli, "*" + option + "*")) << language << " " << option;
            }
        }
        for (const char* exitStatus : {"\n*0*\n", "\n*1*\n", "\n*2*\n"}) {
            EXPECT_TRUE(Contains(cli, exitStatus));
            EXPECT_TRUE(Contains(ManSource(language, "karnea"), exitStatus));
        }
        for (const char* option : {"*--print*", "*/p*", "*--help*", "*--version*"}) {
            EXPECT_TRUE(Contains(ManSource(language, "karnea"), option)) << language << option;
        }
    }
}

TEST(ManPages, RenderWithoutWarningsAndCarryTheVersion) {
    for (const char* page : {"en/karnea", "en/karnea-cli", "ja/karnea", "ja/karnea-cli"}) {
        const std::string path = KARNEA_BUILD_DIR "/man/" + std::string(page) + ".1.gz";
        const CommandRun run = RunShell("MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 " +
                                        ShellQuote(path) + " | col -b");
        EXPECT_EQ(run.status, 0) << page;
        // Japanese text has no blanks to break lines at without the Japanese
        // macros, which man takes in a Japanese locale; nothing else may be
        // said.
        for (const std::string& line : Lines(run.err)) {
            EXPECT_TRUE(Contains(line, "can't break line")) << page << ": " << line;
        }
        EXPECT_TRUE(Contains(run.out, "karnea " + kVersion)) << page;
        EXPECT_FALSE(Contains(run.out, "@PROJECT")) << page;
        EXPECT_TRUE(
            Contains(run.out, std::string(page).find("ja/") == 0 ? "終了コード" : "EXIT STATUS"))
            << page;
    }
}

// The package, made once from this build, unpacked into a folder.
class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchDir;
        const CommandRun made =
            RunShell("cpack --config " + ShellQuote(KARNEA_BUILD_DIR "/CPackConfig.cmake") +
                     " -B " + ShellQuote(folder_->path().string()));
        ASSERT_EQ(made.status, 0) << made.out << made.err;
        deb_ = folder_->file("karnea_" + kVersion + "_amd64.deb");
        ASSERT_TRUE(std::filesystem::exists(deb_)) << made.out;
        const CommandRun unpacked =
            RunShell("dpkg-deb -x " + ShellQuote(deb_) + " " + ShellQuote(Root()));
        ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string Root() { return folder_->file("root"); }
    static std::string Field(const std::string& name) {
        const CommandRun run = RunShell("dpkg-deb -f " + ShellQuote(deb_) + " " + name);
        return run.out.empty() ? "" : run.out.substr(0, run.out.size() - 1);
    }

    static ScratchDir* folder_;
    static std::string deb_;
};
ScratchDir* Package::folder_ = nullptr;
std::string Package::deb_;

TEST_F(Package, ControlData) {
    EXPECT_EQ(Field("Package"), "karnea");
    EXPECT_EQ(Field("Version"), kVersion);
    EXPECT_EQ(Field("Architecture"), "amd64");
    EXPECT_EQ(Field("Section"), "science");
    EXPECT_TRUE(Contains(Field("Maintainer"), "<")) << Field("Maintainer");
    // The libraries the programs link, found by dpkg-shlibdeps with their
    // versions, and what they load or run.
    const std::string depends = Field("Depends");
    for (const char* needed :
         {"libc6 (>=", "libstdc++6 (>=", "libqt6core6 (>=", "libqt6gui6 (>=", "libqt6widgets6 (>=",
          "libqt6printsupport6 (>=", "qt6-qpa-plugins", "qt6-translations-l10n",
          "fonts-ipafont-mincho", "fonts-ipafont-gothic"}) {
        EXPECT_TRUE(Contains(depends, needed)) << needed << " in " << depends;
    }
    EXPECT_EQ(Field("Recommends"), "kakasi");
    EXPECT_TRUE(Contains(Field("Description"), "karnea-cli"));
}

TEST_F(Package, InstallsEverythingAUserFinds) {
    const char* files[] = {
        "usr/bin/karnea",
        "usr/bin/karnea-cli",
        "usr/share/applications/org.karnea.Karnea.desktop",
        "usr/share/metainfo/org.karnea.Karnea.metainfo.xml",
        "usr/share/mime/packages/karnea.xml",
        "usr/share/icons/hicolor/32x32/apps/karnea.png",
        "usr/share/icons/hicolor/256x256/apps/karnea.png",
        "usr/share/icons/hicolor/scalable/apps/karnea.svg",
        "usr/share/icons/hicolor/48x48/mimetypes/application-x-karnea-test.png",
        "usr/share/icons/hicolor/scalable/mimetypes/application-x-karnea-calibration.svg",
        "usr/share/bash-completion/completions/karnea-cli",
        "usr/share/man/man1/karnea.1.gz",
        "usr/share/man/man1/karnea-cli.1.gz",
        "usr/share/man/ja/man1/karnea.1.gz",
        "usr/share/man/ja/man1/karnea-cli.1.gz",
        "usr/share/karnea/Help.txt",
        "usr/share/karnea/examples/test.kdw",
        "usr/share/karnea/examples/calibration.kcw",
        "usr/share/karnea/examples/campaign/B-2_09.0.kdw",
        "usr/share/doc/karnea/copyright",
        "usr/share/doc/karnea/changelog.gz",
    };
    for (const char* file : files) {
        EXPECT_TRUE(std::filesystem::is_regular_file(Root() + "/" + file)) << file;
    }
    // Nothing of the sources or the build came along.
    const CommandRun listed = RunShell("dpkg-deb -c " + ShellQuote(deb_));
    for (const char* stray : {".cpp", "CMakeLists", ".scd", "make_examples"}) {
        EXPECT_FALSE(Contains(listed.out, stray)) << stray;
    }
    // The help text is the program's own.
    EXPECT_EQ(test::ReadBytes(Root() + "/usr/share/karnea/Help.txt"),
              test::ReadBytes(KARNEA_SOURCE_DIR "/resources/Help.txt"));
}

TEST_F(Package, ProgramsRunFromIt) {
    const std::string bin = Root() + "/usr/bin/";
    EXPECT_EQ(RunProgram(bin + "karnea-cli", {"--version"}).out, "karnea-cli " + kVersion + "\n");
    EXPECT_EQ(RunShell("env -u DISPLAY " + ShellQuote(bin + "karnea") + " --version").out,
              "karnea " + kVersion + "\n");
    const CommandRun dump = RunProgram(
        bin + "karnea-cli", {"dump", Root() + "/usr/share/karnea/examples/calibration.kcw"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_TRUE(Contains(dump.out, "\"kind\": \"calibration\""));
    // Stripped, and built as Debian builds its programs.
    const CommandRun sections = RunShell("readelf -S -d " + ShellQuote(bin + "karnea"));
    EXPECT_FALSE(Contains(sections.out, ".debug_info"));
    EXPECT_TRUE(Contains(sections.out, "BIND_NOW")) << sections.out;
}

TEST_F(Package, PassesTheRulesOfItsFormats) {
    // lintian: no errors and no warnings.
    const CommandRun lintian = RunShell("lintian --fail-on error,warning " + ShellQuote(deb_));
    EXPECT_EQ(lintian.status, 0) << lintian.out << lintian.err;
    EXPECT_FALSE(Contains(lintian.out, "E: ")) << lintian.out;
    EXPECT_FALSE(Contains(lintian.out, "W: ")) << lintian.out;

    const std::string share = Root() + "/usr/share/";
    const CommandRun metainfo =
        RunShell("appstreamcli validate --no-net " +
                 ShellQuote(share + "metainfo/org.karnea.Karnea.metainfo.xml"));
    EXPECT_EQ(metainfo.status, 0) << metainfo.out << metainfo.err;
    const CommandRun desktop = RunShell(
        "desktop-file-validate " + ShellQuote(share + "applications/org.karnea.Karnea.desktop"));
    EXPECT_EQ(desktop.status, 0) << desktop.out << desktop.err;
    EXPECT_EQ(desktop.out, "");

    // The newest release of the metadata and of the changelog is this one.
    EXPECT_TRUE(Contains(test::ReadBytes(share + "metainfo/org.karnea.Karnea.metainfo.xml"),
                         "<release version=\"" + kVersion + "\""));
    const CommandRun changelog =
        RunShell("zcat " + ShellQuote(share + "doc/karnea/changelog.gz") + " | head -1");
    EXPECT_EQ(changelog.out.rfind("karnea (" + kVersion + ") ", 0), 0u) << changelog.out;

    // The file types: a kdw and a kcw file are known by their names.
    const CommandRun mime = RunShell("update-mime-database " + ShellQuote(share + "mime"));
    EXPECT_EQ(mime.status, 0) << mime.err;
    const std::string globs = test::ReadBytes(share + "mime/globs2");
    EXPECT_TRUE(Contains(globs, "application/x-karnea-test:*.kdw")) << globs;
    EXPECT_TRUE(Contains(globs, "application/x-karnea-calibration:*.kcw")) << globs;
    const std::string icons = test::ReadBytes(share + "mime/icons");
    EXPECT_TRUE(Contains(icons, "application/x-karnea-test:application-x-karnea-test")) << icons;
}

}  // namespace
}  // namespace karnea
