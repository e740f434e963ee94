#include "cli/render.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "pages/pagecount.h"
#include "base/diskfile.h"
#include "records/records.h"
#include "base/textfields.h"
#include "render/pageexport.h"

namespace karnea::cli {
namespace {

constexpr std::string_view kPageMissing = "ページ %1 はありません";
constexpr std::string_view kCannotWrite = "保存できませんでした";

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

// PDF and PNG need a GUI application for the fonts; without a display the
// offscreen platform serves.
std::unique_ptr<QGuiApplication> StartGui() {
    if (QGuiApplication::instance() != nullptr) {
        return nullptr;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "karnea-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

std::string PngPath(const std::string& pattern, int page) {
    const std::size_t at = pattern.find("%d");
    if (at == std::string::npos) {
        return pattern;
    }
    return pattern.substr(0, at) + std::to_string(page) + pattern.substr(at + 2);
}

}  // namespace

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
    Workspace ws = StartProgram(args, messages);
    if (!OpenAsOpenCommand(ws, args.positional[0], messages)) {
        return kExitFailure;
    }
    const int count = PageCount(ws);
    std::vector<int> pages;
    if (args.has("pages")) {
        pages = *ParsePageList(args.at("pages"));
    } else {
        for (int p = 1; p <= count; ++p) {
            pages.push_back(p);
        }
    }
    for (int p : pages) {
        if (p < 1 || p > count) {
            messages.Show(FormatMessage(kPageMissing, std::to_string(p)));
            return kExitFailure;
        }
    }
    const std::string format = FormatOf(args);
    const std::string& output = args.at("output");
    const int dpi = args.has("dpi") ? std::stoi(args.at("dpi")) : format == "png" ? 150 : 600;
    // The file's kind counts as the kind drawn last, so page N is drawn as N.
    ws.lastDrawnKind = ws.documentKind;
    const bool test = ws.documentKind != kCalibrationDocument;

    if (format == "ops") {
        OpsRecorder recorder(dpi, dpi);
        for (int p : pages) {
            ws.CurrentPage = p;
            recorder.BeginPage(p, test);
            DrawPage(ws, recorder, messages);
        }
        if (output == "-") {
            out << recorder.text();
            return kExitOk;
        }
        if (!ReplaceFile(output, recorder.text())) {
            messages.Show(kCannotWrite);
            return kExitFailure;
        }
        return kExitOk;
    }

    const std::unique_ptr<QGuiApplication> app = StartGui();
    if (format == "pdf") {
        if (!ExportPdf(ws, pages, output, dpi, messages)) {
            messages.Show(kCannotWrite);
            return kExitFailure;
        }
        return kExitOk;
    }
    if (pages.size() > 1 && output.find("%d") == std::string::npos) {
        messages.Show("PNG の出力名に %d を入れて下さい（複数ページ）");
        return kExitFailure;
    }
    for (int p : pages) {
        if (!ExportPng(ws, p, PngPath(output, p), dpi, messages)) {
            messages.Show(kCannotWrite);
            return kExitFailure;
        }
    }
    return kExitOk;
}

}  // namespace karnea::cli
