#include "cli/campaign.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "analysis/quality.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/orderedwork.h"
#include "base/system.h"
#include "base/textfields.h"
#include "base/version.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/render.h"
#include "delivery/boringdelivery.h"
#include "delivery/delivery.h"
#include "delivery/deliverycheck.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/workbook.h"
#include "render/pageexport.h"

namespace karnea::cli {
namespace {

// The pages of a part of the report, each part a PDF of its own before they
// are joined. Each brings its own copy of the font it uses (some 20 KB), so
// parts are long; a report has enough of them (16) to keep eight
// processors busy. The cut depends on the report alone: the file is the
// same whatever the number of threads.
int PdfPartPages(const Campaign& campaign) {
    return std::clamp(CampaignPageCount(campaign) / 16, 10, 40);
}

// The threads the tests are read and drawn on.
int JobsOf(const Arguments& args) {
    return args.has("jobs") ? std::stoi(args.at("jobs")) : DefaultJobs();
}

// The tests the arguments name, the skipped files said on standard error;
// nothing when no test could be read. A report keeps the tests' headers
// alone, and opens each test again to draw its pages.
std::unique_ptr<Campaign> ReadTests(const Arguments& args, Workspace& started, Messages& messages,
                                    bool headersOnly = false) {
    auto campaign = std::make_unique<Campaign>(
        ReadCampaign(CampaignFiles(args.positional), started, {}, headersOnly, JobsOf(args)));
    for (const SkippedFile& f : campaign->skipped) {
        messages.Show(FormatMessage(msg::fileSkipped,
                                    Cp932ToUtf8(f.fileName) + ": " + Cp932ToUtf8(f.reason)));
    }
    if (campaign->tests.empty()) {
        messages.Show(msg::noTestRead);
        return nullptr;
    }
    return campaign;
}

// The same for a report or export to `output`: nothing when the output would
// replace a data file.
std::unique_ptr<Campaign> ReadTestsFor(const std::string& output, const Arguments& args,
                                       Workspace& started, Messages& messages,
                                       bool headersOnly = false) {
    return MayExportTo(output, messages) ? ReadTests(args, started, messages, headersOnly)
                                         : nullptr;
}

std::string Today() {
    const std::tm local = LocalTime(std::time(nullptr));
    return FormatText("%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

void WriteText(JsonWriter& json, const char* key, const TwoLanguageText& text) {
    json.key(key);
    json.beginObject(true);
    json.key("ja");
    json.value(text.japanese);
    json.key("en");
    json.value(text.english);
    json.endObject();
}

void WriteSuggestion(JsonWriter& json, const LimitSuggestion& s, const HeaderTexts& h) {
    json.beginObject();
    json.key("found");
    json.value(s.found);
    if (s.found) {
        json.key("pressure");
        json.value(s.pressure);
        json.key("limitVolume");
        json.value(s.limitVolume);
        json.key("steps");
        json.value(s.steps);
        json.key("residual");
        json.value(s.residual);
        json.key("extrapolated");
        json.value(s.extrapolated);
    } else {
        WriteText(json, "reason", s.reason);
    }
    json.key("engineerPl");
    if (IsNumber(h[header::plValue])) {
        json.value(TextToDouble(h[header::plValue]));
    } else {
        json.null();
    }
    json.endObject();
}

std::string PngPageName(int page) {
    return FormatText("page-%03d.png", page);
}

// The pages of an earlier, longer report in a --png folder: the files named
// exactly as pages after `last` are, and no other.
void RemovePagesAfter(const std::string& folder, int last) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), ec)) {
        const std::string name = PathText(entry.path().filename());
        if (name.size() < 12 || name.rfind("page-", 0) != 0 || !name.ends_with(".png")) {
            continue;
        }
        const std::optional<int> page = ParseInteger(name.substr(5, name.size() - 9));
        if (page && *page > last && PngPageName(*page) == name) {
            std::error_code gone;
            std::filesystem::remove(entry.path(), gone);
        }
    }
}

}  // namespace

int RunCampaign(const Arguments& args, std::ostream&, Messages& messages) {
    Workspace started = StartCommand(args, messages);
    const std::string& output = args.at("output");
    // Every output is checked before anything is written.
    if (args.has("png") && !FolderUsable(args.at("png"))) {
        messages.Show(FormatMessage(msg::pngFolderUnusable, args.at("png")));
        return kExitFailure;
    }
    const std::unique_ptr<Campaign> campaign = ReadTestsFor(output, args, started, messages, true);
    if (!campaign) {
        return kExitFailure;
    }
    const std::unique_ptr<QGuiApplication> app = StartGui();
    const std::vector<CampaignPart> parts = CampaignParts(*campaign, PdfPartPages(*campaign));
    const PartDrawing draw = [&](std::size_t part, PageTarget& target, Messages& said) {
        return DrawCampaignPart(*campaign, parts[part], started.settings, target, said);
    };
    if (!ExportPdf(parts.size(), JobsOf(args), draw, output, 600, messages)) {
        messages.Show(CannotSaveMessage(output));
        return kExitFailure;
    }
    if (args.has("png")) {
        const std::string folder = args.at("png");
        std::error_code ec;
        std::filesystem::create_directories(PathOf(folder), ec);
        int last = 0;
        const auto pathOf = [&](int page) {
            last = std::max(last, page);
            return folder + "/" + PngPageName(page);
        };
        // On one thread: Qt rasterising text on threads of its own left the
        // Windows program hanging at its end now and then. What the drawing
        // says was said with the PDF.
        SilentMessages again;
        const PageDrawing pages = [&](PageTarget& target) {
            return DrawCampaign(*campaign, started.settings, target, again);
        };
        if (!ExportPng(pages, pathOf, 150)) {
            // The report itself is whole: said, with the pages that are not.
            messages.Show(FormatMessage(msg::exportWritten, output));
            messages.Show(CannotSaveMessage(folder + "/" + PngPageName(1)));
            return kExitFailure;
        }
        RemovePagesAfter(folder, last);
    }
    return campaign->skipped.empty() ? kExitOk : kExitSkipped;
}

int RunXlsx(const Arguments& args, std::ostream&, Messages& messages) {
    Workspace started = StartCommand(args, messages);
    const std::string& output = args.at("output");
    const std::unique_ptr<Campaign> campaign = ReadTestsFor(output, args, started, messages);
    if (!campaign) {
        return kExitFailure;
    }
    // The values to type into the boring logs of a delivery, on a sheet of
    // their own.
    std::vector<TextSheet> more;
    if (args.has("boring")) {
        const std::string boring = BoringFolderOf(args.at("boring"));
        more.push_back(ToTypeSheet(CheckResultsAgainstLogs(boring, boring)));
    }
    if (!WriteWorkbook(*campaign, started.settings, output, messages, more)) {
        messages.Show(CannotSaveMessage(output));
        return kExitFailure;
    }
    return campaign->skipped.empty() ? kExitOk : kExitSkipped;
}

std::optional<std::string> CheckDeliveryOptions(const Arguments& args) {
    if (args.has("check")) {
        for (const char* other : {"output", "site", "edition", "boring", "jobs", "settings"}) {
            if (args.has(other)) {
                return std::string("--check takes no --") + other;
            }
        }
        return std::nullopt;
    }
    for (const char* flag : {"json", "xml-only"}) {
        if (args.has(flag)) {
            return std::string("--") + flag + " goes with --check";
        }
    }
    if (args.has("edition") && !EditionNamed(args.at("edition"))) {
        return "--edition is 2016 or 2008";
    }
    const std::string& output = args.at("output");
    std::error_code ec;
    if (output.empty() || output[0] == '-' ||
        (std::filesystem::exists(PathOf(output), ec) &&
         !std::filesystem::is_directory(PathOf(output), ec))) {
        return "-o needs a folder, not '" + output + "'";
    }
    return std::nullopt;
}

namespace {

void WriteFindings(JsonWriter& writer, const DeliveryCheck& check) {
    static const char* const kinds[] = {"error", "caution", "no-pdf", "unread"};
    writer.key("findings");
    writer.beginArray();
    for (const DeliveryFinding& f : check.findings) {
        writer.beginObject(true);
        writer.key("kind");
        writer.value(kinds[static_cast<int>(f.kind)]);
        writer.key("path");
        writer.value(f.path);
        writer.key("line");
        writer.value(f.line);
        writer.key("element");
        writer.value(f.element);
        writer.key("message");
        writer.value(f.message);
        writer.endObject();
    }
    writer.endArray();
    writer.key("toType");
    writer.beginArray();
    for (const ToType& t : check.toType) {
        writer.beginObject(true);
        const std::pair<const char*, const std::string*> items[] = {
            {"boring", &t.boring}, {"file", &t.bedFile}, {"depth", &t.depth},
            {"po", &t.po},         {"pf", &t.pf},        {"em", &t.em}};
        for (const auto& [name, value] : items) {
            writer.key(name);
            writer.value(*value);
        }
        writer.endObject();
    }
    writer.endArray();
}

// The findings of a check, a line each, then what to type into the boring
// logs.
void SayFindings(std::ostream& out, const DeliveryCheck& check) {
    for (const DeliveryFinding& f : check.findings) {
        out << FindingLine(f) << "\n";
    }
    if (!check.toType.empty()) {
        out << msg::boringValuesToType << "\n";
        for (const std::string& line : ToTypeLines(check)) {
            out << "  " << line << "\n";
        }
    }
}

int RunDeliveryCheck(const Arguments& args, std::ostream& out, Messages& messages) {
    const std::string& folder = args.at("check");
    const std::string boring = BoringFolderOf(folder);
    if (!HoldsDelivery(boring)) {
        messages.Show(FormatMessage(msg::deliveryCheckNotFolder, folder));
        return kExitFailure;
    }
    const DeliveryCheck check = CheckDelivery(boring, !args.has("xml-only"));
    if (args.has("json")) {
        JsonWriter writer;
        writer.beginObject();
        writer.key("folder");
        writer.value(check.folder);
        writer.key("files");
        writer.value(static_cast<int>(check.files));
        WriteFindings(writer, check);
        writer.endObject();
        out << writer.text() << "\n";
    } else {
        SayFindings(out, check);
        out << check.Summary() << "\n";
    }
    return check.HasErrors() ? kExitFailure : check.HasUnread() ? kExitSkipped : kExitOk;
}

}  // namespace

int RunDelivery(const Arguments& args, std::ostream& out, Messages& messages) {
    if (args.has("check")) {
        return RunDeliveryCheck(args, out, messages);
    }
    Workspace started = StartCommand(args, messages);
    // The site sheet: named, or the one beside the tests.
    std::string sitePath;
    if (args.has("site")) {
        sitePath = args.at("site");
    } else {
        const std::string& first = args.positional.front();
        std::error_code ec;
        const bool folder = std::filesystem::is_directory(PathOf(first), ec);
        sitePath = PathText((folder ? PathOf(first) : PathOf(first).parent_path()) /
                            PathOf(std::string(kSiteSheetName)));
    }
    std::string why;
    const std::optional<std::string> siteText = ReadSiteSheetFile(sitePath, why);
    if (!siteText) {
        messages.Show(why.empty() ? FormatMessage(msg::siteSheetMissing, sitePath)
                                  : FormatMessage(msg::siteSheetUnreadable, sitePath, why));
        return kExitFailure;
    }
    std::vector<std::string> problems;
    SiteSheet sheet = ReadSiteSheet(*siteText, problems);
    for (const std::string& p : problems) {
        messages.Show(p);
    }
    if (!problems.empty()) {
        return kExitFailure;
    }
    if (args.has("edition")) {
        sheet.edition = EditionNamed(args.at("edition")).value_or(sheet.edition);
    }
    const std::unique_ptr<Campaign> campaign = ReadTests(args, started, messages);
    if (!campaign) {
        return kExitFailure;
    }
    // The boring delivery beside the tests gives their borings' positions.
    const std::string& output = args.at("output");
    const std::string boringFolder =
        args.has("boring") ? BoringFolderOf(args.at("boring")) : output + "/BORING";
    const std::optional<BoringDelivery> borings = ReadBoringDelivery(boringFolder, problems);
    if (!borings && args.has("boring")) {
        problems.push_back(FormatMessage(msg::boringDeliveryMissing, boringFolder));
    }
    if (borings && problems.empty()) {
        for (const std::string& note : borings->notes) {
            messages.Show(note);
        }
        sheet = WithBoringDelivery(sheet, *borings, *campaign, problems);
    }
    if (!problems.empty()) {
        messages.Show(JoinedLines(problems));
        return kExitFailure;
    }
    const std::unique_ptr<QGuiApplication> app = StartGui();
    const TestPdf pdf = [](const CampaignTest& test, Messages& said) {
        return DocumentPdf(PagesOf(*test.ws), 600, said);
    };
    const DeliveryResult result =
        WriteDelivery(*campaign, sheet, output, "karnea " + std::string(ProgramVersion()), pdf,
                      messages, {}, JobsOf(args), StartQtThread);
    if (!result.written) {
        return kExitFailure;
    }
    out << DeliverySummary(result) << "\n";
    // The results beside the boring logs.
    if (borings) {
        SayFindings(out, CheckResultsAgainstLogs(output + "/BORING", boringFolder));
    }
    // The sheet records which test each data file became, for the next
    // delivery; the rest of it stays as the user wrote it.
    RecordDelivered(sheet, result);
    const std::string recorded = WithDelivered(*siteText, sheet.delivered);
    if (recorded != *siteText && !ReplaceFile(sitePath, recorded)) {
        messages.Show(FormatMessage(msg::siteSheetNotWritten, sitePath));
        return kExitFailure;
    }
    return campaign->skipped.empty() ? kExitOk : kExitSkipped;
}

int RunAgs(const Arguments& args, std::ostream&, Messages& messages) {
    Workspace started = StartCommand(args, messages);
    const std::string& output = args.at("output");
    const std::unique_ptr<Campaign> campaign = ReadTestsFor(output, args, started, messages);
    if (!campaign) {
        return kExitFailure;
    }
    AgsOptions options;
    options.utf8 = args.has("utf8");
    if (args.has("recipient")) {
        options.recipient = args.at("recipient");
    }
    const AgsFile file = WriteAgsFile(*campaign, Today(), options);
    if (const std::optional<std::string> said = RomajiMessage(file)) {
        messages.Show(*said);
    }
    if (!ReplaceFile(output, file.bytes)) {
        messages.Show(CannotSaveMessage(output, file.bytes.size()));
        return kExitFailure;
    }
    return campaign->skipped.empty() ? kExitOk : kExitSkipped;
}

int RunCheck(const Arguments& args, std::ostream& out, Messages& messages) {
    Workspace started = StartCommand(args, messages);
    const Campaign campaign =
        ReadCampaign(CampaignFiles(args.positional), started, {}, false, JobsOf(args));
    const bool json = args.has("json");
    JsonWriter writer;
    writer.beginObject();
    writer.key("tests");
    writer.beginArray();
    for (const auto& t : campaign.tests) {
        const TestRecord& test = t->ws->test;
        const HeaderTexts& h = test.testHeader;
        const std::vector<QualityWarning> warnings = CheckTestQuality(test, t->ws->settings);
        const LimitSuggestion limit = SuggestLimitPressure(test, t->ws->settings);
        if (json) {
            writer.beginObject();
            writer.key("file");
            writer.value(ReadableName(t->path));
            writer.key("surveyNumber");
            writer.value(Cp932ToUtf8(h[header::surveyNumber]));
            writer.key("depth");
            writer.value(TestDepth(test));
            writer.key("warnings");
            writer.beginArray();
            for (const QualityWarning& w : warnings) {
                writer.beginObject(true);
                writer.key("code");
                writer.value(w.code);
                WriteText(writer, "reason", w.text);
                if (w.note) {
                    writer.key("note");
                    writer.value(true);
                }
                writer.endObject();
            }
            writer.endArray();
            writer.key("limitSuggestion");
            WriteSuggestion(writer, limit, h);
            writer.endObject();
            continue;
        }
        out << ReadableName(t->path) << " (" << Cp932ToUtf8(h[header::surveyNumber]) << ", "
            << FormatText("%.2f m", TestDepth(test)) << ")\n";
        for (const QualityWarning& w : warnings) {
            out << "  " << w.code << ": " << w.text.japanese << " / " << w.text.english << "\n";
        }
        if (limit.found) {
            out << FormatText(
                       "  慣用限界圧力の提案 / suggested limit pressure: %.1f kN/m2 "
                       "(Vs+2V1 = %.1f cm3, %d steps, residual %.1f kN/m2%s)",
                       limit.pressure, limit.limitVolume, limit.steps, limit.residual,
                       limit.extrapolated ? ", extrapolated" : "")
                << "; Pl = " << Cp932ToUtf8(h[header::plValue]) << "\n";
        } else {
            out << "  慣用限界圧力の提案なし / no limit pressure suggested: "
                << limit.reason.japanese << " / " << limit.reason.english << "\n";
        }
    }
    writer.endArray();
    writer.key("unreadable");
    writer.beginArray();
    for (const SkippedFile& f : campaign.skipped) {
        if (json) {
            writer.beginObject(true);
            writer.key("file");
            writer.value(Cp932ToUtf8(f.fileName));
            writer.key("reason");
            writer.value(Cp932ToUtf8(f.reason));
            writer.endObject();
        } else {
            messages.Show(FormatMessage(msg::fileSkipped,
                                        Cp932ToUtf8(f.fileName) + ": " + Cp932ToUtf8(f.reason)));
        }
    }
    writer.endArray();
    writer.endObject();
    if (json) {
        out << writer.text();
    }
    // Nothing checked is no success: said, as the reports say it.
    if (campaign.tests.empty()) {
        messages.Show(msg::noTestRead);
        return kExitFailure;
    }
    return campaign.skipped.empty() ? kExitOk : kExitSkipped;
}

}  // namespace karnea::cli
