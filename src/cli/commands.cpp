#include "cli/commands.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

#include "cli/json.h"
#include "records/documentfile.h"
#include "records/encoding.h"
#include "records/messages.h"
#include "records/records.h"
#include "records/workspace.h"

namespace karnea::cli {
namespace {

// Messages of the core go to standard error; questions are answered No.
class StreamMessages : public Messages {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void Show(std::string_view text) override { err_ << text << '\n'; }
    bool AskYesNo(std::string_view text) override {
        err_ << text << " (No)\n";
        return false;
    }

private:
    std::ostream& err_;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

struct Command {
    std::string_view name;
    std::string_view usage;
    std::string_view summary;
    std::size_t positionals;
    // Long names of the options that take a value; "output" is also "-o".
    std::vector<std::string_view> options;
    std::vector<std::string_view> required;
    std::function<int(const Arguments&, std::ostream&, Messages&)> run;
};

// Opens a data file as the open command does. The settings load that follows
// every open in the program (record defaults) belongs here once settings exist.
std::optional<OpenedFile> OpenAsOpenCommand(Workspace& ws, const std::string& path,
                                            Messages& messages) {
    ws.documentKind = kTestDocument;  // as at program start
    return OpenDataFile(ws, path, messages);
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
    Workspace ws;
    const std::optional<OpenedFile> opened = OpenAsOpenCommand(ws, args.positional[0], messages);
    if (!opened) {
        return kExitFailure;
    }
    const bool test = opened->documentKind == kTestDocument;
    JsonWriter json;
    json.beginObject();
    json.key("kind");
    json.value(test ? "test" : "calibration");
    json.key("documentKind");
    json.value(opened->documentKind);
    json.key("version");
    json.value(opened->version);
    if (test) {
        json.key("testHeader");
        WriteHeader(json, ws.testHeader);
        json.key("testRows");
        WriteRows(json, ws.testRows);
        json.key("loadedCalibrationRows");
        WriteRows(json, ws.loadedCalibrationRows);
        json.key("testCoefficients");
        WriteCoefficients(json, ws.testCoefficients);
    } else {
        json.key("calibrationHeader");
        WriteHeader(json, ws.calibrationHeader);
        json.key("calibrationRows");
        WriteRows(json, ws.calibrationRows);
        json.key("calibrationCoefficients");
        WriteCoefficients(json, ws.calibrationCoefficients);
    }
    json.endObject();
    out << json.text();
    return kExitOk;
}

int RunConvert(const Arguments& args, std::ostream&, Messages& messages) {
    Workspace ws;
    if (!OpenAsOpenCommand(ws, args.positional[0], messages)) {
        return kExitFailure;
    }
    return SaveDocumentAs(ws, args.options.at("output"), messages) ? kExitOk : kExitFailure;
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"dump",
         "dump FILE",
         "print the records read from a data file as JSON (UTF-8)",
         1,
         {},
         {},
         RunDump},
        {"convert",
         "convert IN -o OUT",
         "open IN as the open command does and save OUT as Save As does (kcw: calibration "
         "layout, kdw: test layout, no extension: the kind's own)",
         1,
         {"output"},
         {"output"},
         RunConvert},
    };
    return commands;
}

void PrintHelp(std::ostream& out) {
    out << "karnea-cli: batch commands on pressuremeter data files (kdw test, kcw calibration)\n\n"
           "usage: karnea-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const Command& c : Commands()) {
        out << "  karnea-cli " << c.usage << "\n      " << c.summary << "\n";
    }
    out << "\noptions:\n  -h, --help    show this help\n\n"
           "Exit status: 0 success, 1 failure (the program's message on standard error),\n"
           "2 usage error.\n";
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
    if (parsed.positional.size() != command.positionals) {
        return "usage: karnea-cli " + std::string(command.usage);
    }
    for (std::string_view name : command.required) {
        if (parsed.options.count(std::string(name)) == 0) {
            return "usage: karnea-cli " + std::string(command.usage);
        }
    }
    return std::nullopt;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "no command given");
    }
    const auto wantsHelp = [](const std::string& a) { return a == "--help" || a == "-h"; };
    if (wantsHelp(args[0]) || args[0] == "help") {
        PrintHelp(out);
        return kExitOk;
    }
    const auto& commands = Commands();
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const Command& c) { return c.name == args[0]; });
    if (command == commands.end()) {
        return UsageError(err, "unknown command '" + args[0] + "'");
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::any_of(rest.begin(), rest.end(), wantsHelp)) {
        out << "usage: karnea-cli " << command->usage << "\n  " << command->summary << "\n";
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
