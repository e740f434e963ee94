#include "cli/render.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "base/diskfile.h"
#include "base/system.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "records/datafile.h"
#include "render/pageexport.h"
#include "render/qpaintersurface.h"

namespace karnea::cli {
namespace {

bool IsDigits(const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

std::string FormatOf(const Arguments& args) {
    if (args.has("format")) {
        return args.at("format");
    }
    const std::string& out = args.at("output");
    const std::string extension = ExtensionOf(out);
    std::string lower;
    for (char c : extension) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (out == "-") {
        return "ops";
    }
    return lower;
}

std::string PngPath(const std::string& pattern, int page) {
    const std::size_t at = pattern.find("%d");
    if (at == std::string::npos) {
        return pattern;
    }
    return pattern.substr(0, at) + std::to_string(page) + pattern.substr(at + 2);
}

}  // namespace

std::unique_ptr<QGuiApplication> StartGui() {
    if (QGuiApplication::instance() != nullptr) {
        return nullptr;
    }
    SetEnvironmentDefault("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "karnea-cli";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    LoadShippedFonts();
    // The system's font configuration is read here, on this thread, before
    // any drawing thread starts: the font library does not survive its own
    // allocation failures, and this thread has the stack to end cleanly.
    [[maybe_unused]] const QStringList families = QFontDatabase::families();
    return app;
}

std::optional<std::vector<int>> ParsePageList(const std::string& list) {
    std::vector<int> pages;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = item.find('-');
        const std::string first = item.substr(0, dash);
        const std::string last = dash == std::string::npos ? first : item.substr(dash + 1);
        if (!IsDigits(first) || !IsDigits(last)) {
            return std::nullopt;
        }
        const int from = std::stoi(first);
        const int to = std::stoi(last);
        if (to < from || to - from > 1000) {
            return std::nullopt;
        }
        for (int p = from; p <= to; ++p) {
            pages.push_back(p);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return pages;
}

std::optional<std::string> CheckRenderOptions(const Arguments& args) {
    const std::string format = FormatOf(args);
    if (format != "pdf" && format != "png" && format != "ops") {
        return "the format is pdf, png or ops (from --format or the output's extension)";
    }
    if (args.has("pages") && !ParsePageList(args.at("pages"))) {
        return "--pages takes a list such as 1,3-4";
    }
    if (args.has("dpi")) {
        const std::string& dpi = args.at("dpi");
        if (!IsDigits(dpi) || std::stoi(dpi) < 10 || std::stoi(dpi) > 2400) {
            return "--dpi takes a resolution from 10 to 2400";
        }
    }
    if (format != "ops" && args.at("output") == "-") {
        return "only ops can go to standard output";
    }
    return std::nullopt;
}

int RunRender(const Arguments& args, std::ostream& out, Messages& messages) {
    Workspace ws = StartCommand(args, messages);
    if (!OpenAsOpenCommand(ws, args.positional[0], messages)) {
        return kExitFailure;
    }
    // Margins beyond the paper (a settings file may hold them) would give
    // blank pages.
    if (DrawingOffPaper(ws.settings.graphLeftMargin, ws.settings.graphTopMargin)) {
        messages.Show(FormatMessage(msg::drawingOffPaper,
                                    std::to_string(ws.settings.graphLeftMargin),
                                    std::to_string(ws.settings.graphTopMargin)));
        return kExitFailure;
    }
    const PageSource source = PagesOf(ws);
    const int count = PageCount(source);
    const std::vector<int> pages =
        args.has("pages") ? *ParsePageList(args.at("pages")) : AllPages(source);
    for (int p : pages) {
        if (p < 1 || p > count) {
            messages.Show(FormatMessage(msg::pageMissing, std::to_string(p)));
            return kExitFailure;
        }
    }
    const std::string format = FormatOf(args);
    const std::string& output = args.at("output");
    for (int p : format == "png" ? pages : std::vector<int>{0}) {
        const std::string path = format == "png" ? PngPath(output, p) : output;
        if (path != "-" && !MayExportTo(path, messages)) {
            return kExitFailure;
        }
    }
    const int dpi = args.has("dpi") ? std::stoi(args.at("dpi")) : format == "png" ? 150 : 600;

    if (format == "ops") {
        OpsRecorder recorder(dpi, dpi);
        DrawPages(source, pages, recorder, messages);
        if (output == "-") {
            out << recorder.text();
            return kExitOk;
        }
        if (!ReplaceFile(output, recorder.text())) {
            messages.Show(CannotSaveMessage(output, recorder.text().size()));
            return kExitFailure;
        }
        return kExitOk;
    }

    const std::unique_ptr<QGuiApplication> app = StartGui();
    if (format == "png" && pages.size() > 1 && output.find("%d") == std::string::npos) {
        messages.Show(msg::pngNeedsPageNumber);
        return kExitFailure;
    }
    const bool written =
        format == "pdf"
            ? ExportPdf(source, pages, output, dpi, messages, args.positional[0])
            : ExportPng(
                  source, pages, [&](int page) { return PngPath(output, page); }, dpi, messages);
    if (!written) {
        messages.Show(CannotSaveMessage(output));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace karnea::cli
