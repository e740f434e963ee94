#include "cli/commands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

#include "analysis/reduction.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "base/version.h"
#include "cli/campaign.h"
#include "cli/json.h"
#include "cli/render.h"
#include "cli/session.h"
#include "document/documentfile.h"
#include "document/edithistory.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "entry/calibrationreadingsmodel.h"
#include "entry/testheadermodel.h"
#include "records/records.h"

namespace karnea::cli {
namespace {

// The largest Pl the pages print in their fields (kN/m2).
constexpr double kLargestPlValue = 1e6;

// The positionals of a command that takes any number of files, at least one.
constexpr std::size_t kOneOrMore = static_cast<std::size_t>(-1);

struct Command {
    std::string_view name;
    std::string_view usage;
    std::string_view summary;
    std::size_t positionals;  // or kOneOrMore
    // Long names of the options that take a value ("output" is also "-o"),
    // of those that are required, and of the flags without value.
    std::vector<std::string_view> options;
    std::vector<std::string_view> required;
    std::vector<std::string_view> flags;
    std::function<int(const Arguments&, std::ostream&, Messages&)> run;
    // Checks of the command's own option values (a usage error when it fails).
    std::function<std::optional<std::string>(const Arguments&)> check = {};
    // An option that makes the command another of its forms, alone: no
    // files, none of the options otherwise required.
    std::string_view alone = {};
    std::string_view aloneUsage = {};
};

// Opens IN, carries out `steps` (false: the command stops, nothing written),
// and saves OUT as Save As does.
int OpenStepsSave(const Arguments& args, Messages& messages,
                  const std::function<bool(Workspace&)>& steps) {
    Workspace ws = StartCommand(args, messages);
    if (!OpenAsOpenCommand(ws, args.positional[0], messages)) {
        return kExitFailure;
    }
    if (!steps(ws)) {
        return kExitFailure;
    }
    RecordsChanged(ws);
    return SaveDocumentAs(ws, args.at("output"), messages) ? kExitOk : kExitFailure;
}

// A dialog's OK as the desktop program takes it, through the edit path;
// false when its check refused it (the refusal said).
template <typename Model>
bool PressOk(Workspace& ws, Model& model, Messages& messages) {
    if (const std::optional<Refusal> refusal = AcceptEdit(ws, model, messages)) {
        if (!refusal->message.empty()) {
            messages.Show(refusal->message);
        }
        return false;
    }
    return true;
}

void WriteHeader(JsonWriter& json, const HeaderTexts& h) {
    json.beginArray();
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        json.beginObject(true);
        json.key("number");
        json.value(n);
        json.key("name");
        const std::string_view name = HeaderTextInfoOf(n).name;
        if (name.empty()) {
            json.null();
        } else {
            json.value(name);
        }
        json.key("text");
        json.value(Cp932ToUtf8(h[n]));
        json.endObject();
    }
    json.endArray();
}

// Rows up to the last one that holds anything; each row as an array of texts.
template <typename Rows>
void WriteRows(JsonWriter& json, const Rows& rows) {
    int last = 0;
    for (int r = 1; r <= Rows::size(); ++r) {
        const auto& row = rows[r];
        if (std::any_of(row.begin(), row.end(), [](const std::string& f) { return !f.empty(); })) {
            last = r;
        }
    }
    json.beginArray();
    for (int r = 1; r <= last; ++r) {
        json.beginArray(true);
        for (const std::string& field : rows[r]) {
            json.value(Cp932ToUtf8(field));
        }
        json.endArray();
    }
    json.endArray();
}

void WriteCoefficients(JsonWriter& json, const Coefficients& c) {
    json.beginArray(true);
    for (double v : c) {
        json.value(v);
    }
    json.endArray();
}

int RunDump(const Arguments& args, std::ostream& out, Messages& messages) {
    Workspace ws = StartCommand(args, messages);
    OpenedFile opened;
    if (!OpenAsOpenCommand(ws, args.positional[0], messages, &opened)) {
        return kExitFailure;
    }
    const bool test = opened.documentKind == DocumentKind::test;
    JsonWriter json;
    json.beginObject();
    json.key("kind");
    json.value(test ? "test" : "calibration");
    json.key("documentKind");
    json.value(static_cast<int>(opened.documentKind));
    json.key("version");
    json.value(opened.version);
    if (test) {
        json.key("testHeader");
        WriteHeader(json, ws.test.testHeader);
        json.key("testRows");
        WriteRows(json, ws.test.testRows);
        json.key("loadedCalibrationRows");
        WriteRows(json, ws.test.loadedCalibrationRows);
        json.key("testCoefficients");
        WriteCoefficients(json, ws.test.testCoefficients);
    } else {
        json.key("calibrationHeader");
        WriteHeader(json, ws.calibration.calibrationHeader);
        json.key("calibrationRows");
        WriteRows(json, ws.calibration.calibrationRows);
        json.key("calibrationCoefficients");
        WriteCoefficients(json, ws.calibration.calibrationCoefficients);
    }
    json.endObject();
    out << json.text();
    return kExitOk;
}

int RunConvert(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [](Workspace&) { return true; });
}

int RunReduce(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [&](Workspace& ws) {
        ws.documentKind = DocumentKind::test;
        return ApplyEdit(
            ws,
            Edit{.name = editName::recompute, .test = ws.test, .follow = Follow::recheckAndReduce},
            messages);
    });
}

int RunHeads(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [&](Workspace& ws) {
        ws.documentKind = DocumentKind::test;
        TestHeaderModel dialog(ws.test, ws.settings);
        dialog.DepthLostFocus(messages);
        dialog.WaterLevelLostFocus(messages);
        dialog.MachineHeightLostFocus();
        return PressOk(ws, dialog, messages);
    });
}

int RunAttach(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [&](Workspace& ws) {
        ws.documentKind = DocumentKind::test;
        TestHeaderModel dialog(ws.test, ws.settings);
        return dialog.OpenCalibration(args.at("calibration"), messages) &&
               PressOk(ws, dialog, messages);
    });
}

int RunAnalyse(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [&](Workspace& ws) {
        ws.documentKind = DocumentKind::test;
        // The rows chosen are what the dialog opens with: a copy of the
        // record holds them, and OK brings them in with the rest.
        TestRecord chosen = ws.test;
        const std::pair<const char*, int> rows[] = {
            {"po", header::poRow}, {"pf", header::pfRow}, {"pl", header::plRow}};
        for (const auto& [option, number] : rows) {
            if (args.has(option)) {
                chosen.testHeader[number] = FormatText("%d", std::stoi(args.at(option)));
            }
        }
        AnalysisModel dialog(chosen, ws.settings);
        if (args.has("pl-value")) {
            dialog.pBox[AnalysisModel::pl] = Utf8ToCp932(args.at("pl-value"));
        }
        if (args.has("sign")) {
            dialog.signIndex = std::stoi(args.at("sign"));
        }
        if (args.has("hide-pl")) {
            dialog.hidePl = true;
        } else if (args.has("show-pl")) {
            dialog.hidePl = false;
        }
        dialog.UpdateLines();
        return PressOk(ws, dialog, messages);
    });
}

int RunFit(const Arguments& args, std::ostream&, Messages& messages) {
    return OpenStepsSave(args, messages, [&](Workspace& ws) {
        ws.documentKind = DocumentKind::calibration;
        Edit fit{.name = editName::recompute,
                 .calibration = ws.calibration,
                 .follow = Follow::refitCalibration};
        NormalizeCalibrationRows(fit.calibration->calibrationRows);
        return ApplyEdit(ws, std::move(fit), messages);
    });
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"dump",
         "dump FILE [--settings DIR]",
         "open FILE as the open command does and print the records as JSON (UTF-8)",
         1,
         {"settings"},
         {},
         {},
         RunDump},
        {"convert",
         "convert IN -o OUT [--settings DIR]",
         "open IN (also older df and cf files) and save OUT as Save As does (kcw: "
         "calibration layout, kdw: test layout, no extension: the kind's own)",
         1,
         {"output", "settings"},
         {"output"},
         {},
         RunConvert},
        {"reduce",
         "reduce IN -o OUT [--settings DIR]",
         "reduce every test row with the header's Pz, as after the test header dialog",
         1,
         {"output", "settings"},
         {"output"},
         {},
         RunReduce},
        {"heads",
         "heads IN -o OUT [--settings DIR]",
         "the test header dialog closed with OK: signs, Pw and Pz, defaults, then the "
         "reduction",
         1,
         {"output", "settings"},
         {"output"},
         {},
         RunHeads},
        {"attach",
         "attach IN --calibration CAL -o OUT [--settings DIR]",
         "the test header dialog with CAL opened as its calibration file, then the reduction",
         1,
         {"output", "settings", "calibration"},
         {"output", "calibration"},
         {},
         RunAttach},
        {"analyse",
         "analyse IN [--po R] [--pf R] [--pl R] [--pl-value P] [--sign 0|1|2|3] "
         "[--hide-pl|--show-pl] -o OUT [--settings DIR]",
         "the analysis dialog: choose the Po, Pf and Pl rows, update the calculation lines, "
         "OK",
         1,
         {"output", "settings", "po", "pf", "pl", "pl-value", "sign"},
         {"output"},
         {"hide-pl", "show-pl"},
         RunAnalyse},
        {"render",
         "render IN -o OUT [--format pdf|png|ops] [--pages LIST] [--dpi N] [--settings DIR]",
         "draw pages (default all) on A4: one PDF, one PNG a page (OUT holds %d when more "
         "than one), or the drawing operations as text (OUT - for standard output)",
         1,
         {"output", "settings", "format", "pages", "dpi"},
         {"output"},
         {},
         RunRender,
         CheckRenderOptions},
        {"fit",
         "fit IN -o OUT [--settings DIR]",
         "the calibration rows normalised and the curve fitted again, as after the "
         "calibration readings dialog",
         1,
         {"output", "settings"},
         {"output"},
         {},
         RunFit},
        {"campaign",
         "campaign FILE.kdw...|DIR -o REPORT.pdf [--png DIR] [--jobs N] [--settings DIR]",
         "one PDF of many tests (a folder: its *.kdw files): per borehole a depth profile of "
         "Em, Pf' and Pl with a table, then each test's pages as render draws them",
         kOneOrMore,
         {"output", "settings", "png", "jobs"},
         {"output"},
         {},
         RunCampaign},
        {"ags",
         "ags FILE.kdw...|DIR -o OUT.ags [--recipient NAME] [--utf8] [--jobs N] "
         "[--settings DIR]",
         "the tests as an AGS 4.2 file: PROJ, TRAN, UNIT, TYPE, ABBR, DICT, LOCA, PMTG, PMTD, "
         "PMTP; texts in ASCII, Japanese as romaji (--utf8 also keeps them as written, in "
         "headings *_J* of their own); --recipient names who receives it (TRAN_RECV)",
         kOneOrMore,
         {"output", "recipient", "settings", "jobs"},
         {"output"},
         {"utf8"},
         RunAgs},
        {"xlsx",
         "xlsx FILE.kdw...|DIR -o OUT.xlsx [--boring DIR] [--jobs N] [--settings DIR]",
         "the tests as an Excel workbook: a sheet 一覧 with a row a test (boring, depth, "
         "date, engineer, soil, Po, Pf, Pl, Em, file), then a sheet a test with its header "
         "values and readings; numbers as numbers with the settings' decimals. With --boring, "
         "a last sheet lists the results to type into that delivery's boring logs",
         kOneOrMore,
         {"output", "boring", "settings", "jobs"},
         {"output"},
         {},
         RunXlsx},
        {"delivery",
         "delivery FILE.kdw...|DIR -o OUTDIR [--site FILE] [--boring DIR] [--edition 2016|2008] "
         "[--jobs N] [--settings DIR]",
         "the electronic delivery of the tests under OUTDIR/BORING/TEST: per test its pages "
         "as a PDF and its exchange data as XML (Shift_JIS), and the management file "
         "GRNDTST.XML, each checked against its DTD; a delivery already there is extended, "
         "what other programs wrote is kept. Where the BORING folder holds the boring "
         "delivery (BORING.XML and the boring logs), the borings' positions are taken from it "
         "and the results are compared with the boring logs. With --check, the whole "
         "delivery under DIR is checked instead, whoever wrote it: a line a finding, exit 1 "
         "when there is an error",
         kOneOrMore,
         {"output", "site", "boring", "edition", "settings", "jobs", "check"},
         {"output"},
         {"json", "xml-only"},
         RunDelivery,
         CheckDeliveryOptions,
         "check",
         "delivery --check DIR [--xml-only] [--json]"},
        {"check",
         "check FILE.kdw...|DIR [--json] [--jobs N] [--settings DIR]",
         "warnings for each test worth a second look, and the limit pressure by the "
         "conventional definition (inverse-volume method) beside the engineer's Pl; exit 3 "
         "when a file cannot be read, 1 when no test can be",
         kOneOrMore,
         {"settings", "jobs"},
         {},
         {"json"},
         RunCheck},
    };
    return commands;
}

bool IsInteger(const std::string& text) {
    std::size_t i = text.size() > 1 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i >= text.size() || text.size() > 9) {
        return false;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// Checks of option values that make a usage error.
std::optional<std::string> CheckValues(const Arguments& args) {
    for (const char* option : {"po", "pf", "pl"}) {
        if (args.has(option) && !IsInteger(args.at(option))) {
            return "--" + std::string(option) + " needs a row number";
        }
    }
    if (args.has("sign")) {
        const std::string& sign = args.at("sign");
        if (sign.size() != 1 || sign[0] < '0' || sign[0] > '3') {
            return "--sign is one of 0, 1, 2, 3";
        }
    }
    if (args.has("jobs")) {
        const std::string& jobs = args.at("jobs");
        if (!IsInteger(jobs) || jobs.size() > 3 || std::stoi(jobs) < 1 || std::stoi(jobs) > 256) {
            return "--jobs is a number of threads from 1 to 256";
        }
    }
    if (args.has("hide-pl") && args.has("show-pl")) {
        return "--hide-pl and --show-pl exclude each other";
    }
    if (args.has("pl-value")) {
        const std::string& pl = args.at("pl-value");
        if (!TryUtf8ToCp932(pl)) {
            return "--pl-value holds characters that data files cannot store";
        }
        // A number the pages cannot print is not taken.
        if (IsNumber(pl)) {
            const double value = TextToDouble(pl);
            if (!std::isfinite(value) || std::fabs(value) > kLargestPlValue) {
                return "--pl-value is a pressure from -1000000 to 1000000";
            }
        }
    }
    return std::nullopt;
}

// An output name that would make a hidden or odd file ("", ".", "..", "/",
// a folder, a name like an option) is a usage error; "-" is standard
// output where the command offers it.
std::optional<std::string> CheckOutputName(const std::string& output, bool dashIsStandardOutput) {
    if (output == "-" && dashIsStandardOutput) {
        return std::nullopt;
    }
    const std::string name = PathText(PathOf(output).filename());
    if (name.empty() || name == "." || name == ".." || output[0] == '-') {
        return "-o needs a file name, not '" + output + "'";
    }
    return std::nullopt;
}

// What each option is for, in a command's help; every option of every
// command has its line.
struct OptionText {
    std::string_view name;
    std::string_view spec;
    std::string_view text;
};

const std::vector<OptionText>& OptionTexts() {
    static const std::vector<OptionText> texts = {
        {"output", "-o OUT, --output OUT",
         "the file to write; a file already there is replaced only once the new one is "
         "complete, and a data file never by a page or by a file of the other kind"},
        {"settings", "--settings DIR",
         "take the settings files from DIR instead of the program's settings folder"},
        {"calibration", "--calibration CAL", "the calibration file (kcw) the header dialog opens"},
        {"po", "--po R", "the reading row taken as Po"},
        {"pf", "--pf R", "the reading row taken as Pf"},
        {"pl", "--pl R", "the reading row taken as Pl"},
        {"pl-value", "--pl-value P", "the Pl box as typed in the dialog (kN/m2, or a text)"},
        {"sign", "--sign 0|1|2|3",
         "the mark of the calculation lines: 0 none, 1 \"･\", 2 \"x\", 3 \"*\""},
        {"hide-pl", "--hide-pl", "leave Pl out of the calculation lines"},
        {"show-pl", "--show-pl", "show Pl in the calculation lines"},
        {"format", "--format pdf|png|ops",
         "what to write (default: from OUT's extension, else pdf)"},
        {"pages", "--pages LIST", "the pages to draw, such as 1,3-4 (default: every page)"},
        {"dpi", "--dpi N", "the resolution, 10 to 2400 (default 600; 150 for png)"},
        {"png", "--png DIR",
         "also every page as DIR/page-001.png, DIR/page-002.png, ...; the pages of an "
         "earlier, longer report there are removed"},
        {"recipient", "--recipient NAME", "who receives the file (TRAN_RECV)"},
        {"utf8", "--utf8",
         "also keep the Japanese texts as written, in headings *_J* of their own"},
        {"json", "--json", "the findings as JSON (UTF-8) instead of lines of text"},
        {"site", "--site FILE",
         "the site sheet (default: delivery.ini in DIR, or beside the first file)"},
        {"boring", "--boring DIR",
         "the BORING folder (or the folder that holds it) whose BORING.XML and boring logs "
         "give the borings (delivery; default: OUTDIR/BORING), or whose results to type into "
         "the boring logs the workbook lists (xlsx)"},
        {"check", "--check DIR",
         "check the delivery in DIR (or DIR/BORING) instead of writing one"},
        {"xml-only", "--xml-only",
         "with --check: a copy of the XML alone; PDFs are not looked for"},
        {"edition", "--edition 2016|2008",
         "the delivery rules followed (default: the site sheet's, else 2016)"},
        {"jobs", "--jobs N",
         "read and draw the tests on N threads, 1 to 256 (default: the machine's processors); "
         "the output is the same whatever N is"},
    };
    return texts;
}

constexpr const char* kExitStatusText =
    "Exit status: 0 success, 1 failure (the program's message on standard error),\n"
    "2 usage error, 3 done but inputs that could not be read were left out\n"
    "(campaign, ags, xlsx, delivery, check; each named on standard error).\n";

// `text` in lines of at most 79 columns (words longer stay whole), each
// after `indent` spaces.
std::string Wrapped(std::string_view text, std::size_t indent) {
    constexpr std::size_t kWidth = 79;
    std::string lines;
    std::size_t column = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        const std::string_view word = text.substr(0, end);
        if (column > 0 && column + 1 + word.size() > kWidth) {
            lines += "\n";
            column = 0;
        }
        if (column == 0) {
            lines += std::string(indent, ' ');
            column = indent;
        } else {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines + "\n";
}

const Command* FindCommand(std::string_view name) {
    const auto& commands = Commands();
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const Command& c) { return c.name == name; });
    return command == commands.end() ? nullptr : &*command;
}

void PrintHelp(std::ostream& out) {
    out << "karnea-cli: batch commands on pressuremeter data files (kdw test, kcw calibration)\n\n"
           "usage: karnea-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const Command& c : Commands()) {
        out << "  karnea-cli " << c.usage << "\n";
        if (!c.aloneUsage.empty()) {
            out << "  karnea-cli " << c.aloneUsage << "\n";
        }
        out << Wrapped(c.summary, 6);
    }
    out << "\n'karnea-cli help COMMAND' or 'karnea-cli COMMAND --help' describes a command's\n"
           "options.\n\noptions:\n  -h, --help    show this help\n"
           "  --version     show the version\n\n"
        << kExitStatusText << "\nSee also: " << ManualReference() << "\n";
}

void PrintCommandHelp(const Command& command, std::ostream& out) {
    out << "usage: karnea-cli " << command.usage << "\n";
    if (!command.aloneUsage.empty()) {
        out << "       karnea-cli " << command.aloneUsage << "\n";
    }
    out << "\n" << Wrapped(command.summary, 0) << "\noptions:\n";
    const auto describe = [&](std::string_view name) {
        const auto& texts = OptionTexts();
        const auto text = std::find_if(texts.begin(), texts.end(),
                                       [&](const OptionText& t) { return t.name == name; });
        if (text != texts.end()) {
            out << "  " << text->spec << "\n" << Wrapped(text->text, 6);
        }
    };
    for (std::string_view name : command.options) {
        describe(name);
    }
    for (std::string_view name : command.flags) {
        describe(name);
    }
    out << "  -h, --help\n      show this help\n\n" << kExitStatusText;
}

int UsageError(std::ostream& err, std::string_view what) {
    err << "karnea-cli: " << what << "\nTry 'karnea-cli --help'.\n";
    return kExitUsage;
}

// Parses the arguments after the command name; a failure is a usage message.
std::optional<std::string> Parse(const Command& command, const std::vector<std::string>& args,
                                 Arguments& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            parsed.positional.insert(parsed.positional.end(),
                                     args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        std::string name;
        std::optional<std::string> value;
        if (arg == "-o") {
            name = "output";
        } else if (arg.rfind("--", 0) == 0) {
            name = arg.substr(2);
            const std::size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
            }
        } else {
            return "unknown option '" + arg + "'";
        }
        if (!value &&
            std::find(command.flags.begin(), command.flags.end(), name) != command.flags.end()) {
            if (parsed.options.count(name) != 0) {
                return "option '" + arg + "' given twice";
            }
            parsed.options[name] = "";
            continue;
        }
        if (std::find(command.options.begin(), command.options.end(), name) ==
            command.options.end()) {
            return "unknown option '" + arg + "' for '" + std::string(command.name) + "'";
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return "option '" + arg + "' needs a value";
            }
            value = args[++i];
        }
        if (parsed.options.count(name) != 0) {
            return "option '" + arg + "' given twice";
        }
        parsed.options[name] = *value;
    }
    if (!command.alone.empty() && parsed.has(std::string(command.alone))) {
        if (!parsed.positional.empty()) {
            return "usage: karnea-cli " + std::string(command.aloneUsage);
        }
    } else if (command.positionals == kOneOrMore
                   ? parsed.positional.empty()
                   : parsed.positional.size() != command.positionals) {
        return "usage: karnea-cli " + std::string(command.usage);
    } else {
        for (std::string_view name : command.required) {
            if (parsed.options.count(std::string(name)) == 0) {
                return "usage: karnea-cli " + std::string(command.usage);
            }
        }
    }
    // A delivery's output is a folder.
    if (parsed.has("output") && command.name != "delivery") {
        if (std::optional<std::string> problem =
                CheckOutputName(parsed.at("output"), command.name == "render")) {
            return problem;
        }
    }
    if (command.check) {
        if (std::optional<std::string> problem = command.check(parsed)) {
            return problem;
        }
    }
    return CheckValues(parsed);
}

}  // namespace

std::optional<std::string> CheckCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) {
        return "no command given";
    }
    const Command* command = FindCommand(args[0]);
    if (command == nullptr) {
        return "unknown command '" + args[0] + "'";
    }
    Arguments parsed;
    return Parse(*command, std::vector<std::string>(args.begin() + 1, args.end()), parsed);
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "no command given");
    }
    const auto wantsHelp = [](const std::string& a) { return a == "--help" || a == "-h"; };
    if (args[0] == "--version" && args.size() == 1) {
        out << "karnea-cli " << ProgramVersion() << "\n";
        return kExitOk;
    }
    if (wantsHelp(args[0]) || (args[0] == "help" && args.size() == 1)) {
        PrintHelp(out);
        return kExitOk;
    }
    if (args[0] == "help") {
        const Command* described = FindCommand(args[1]);
        if (described == nullptr || args.size() > 2) {
            return UsageError(err, described == nullptr ? "unknown command '" + args[1] + "'"
                                                        : "usage: karnea-cli help [COMMAND]");
        }
        PrintCommandHelp(*described, out);
        return kExitOk;
    }
    const Command* command = FindCommand(args[0]);
    if (command == nullptr) {
        return UsageError(err, "unknown command '" + args[0] + "'");
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::any_of(rest.begin(), rest.end(), wantsHelp)) {
        PrintCommandHelp(*command, out);
        return kExitOk;
    }
    Arguments parsed;
    if (const std::optional<std::string> problem = Parse(*command, rest, parsed)) {
        return UsageError(err, *problem);
    }
    StreamMessages messages(err);
    return command->run(parsed, out, messages);
}

}  // namespace karnea::cli
