#include "base/romaji.h"

#include <string_view>

#include "base/messages.h"
#include "base/system.h"

namespace karnea {
namespace {

// kanji, hiragana, katakana (both widths) and full-width ASCII into ASCII,
// words separated by blanks; input Shift_JIS.
const std::vector<std::string> kCommand = {"kakasi", "-isjis", "-osjis", "-Ja", "-Ha",
                                           "-Ka",    "-Ea",    "-ka",    "-s"};

// A line as the program may take it: no line break inside.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

// The program separates words with a blank, also before a full stop or a
// closing bracket and after an opening one ("a .kdw"): those blanks go.
std::string Tidy(const std::string& ascii) {
    std::string tidy;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        const char c = ascii[i];
        const char next = i + 1 < ascii.size() ? ascii[i + 1] : '\0';
        const bool beforeClosing =
            std::string_view(".,;:!)]}").find(next) != std::string_view::npos;
        const bool afterOpening =
            !tidy.empty() && std::string_view("([{").find(tidy.back()) != std::string_view::npos;
        if (c == ' ' && next != '\0' && (beforeClosing || afterOpening)) {
            continue;
        }
        tidy += c;
    }
    return tidy;
}

}  // namespace

std::string AsciiOnly(const std::string& cp932) {
    std::string ascii;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp932[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            ascii += static_cast<char>(byte);
            continue;
        }
        // The lead byte of a double-byte character takes its trail byte along.
        if (((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) &&
            i + 1 < cp932.size()) {
            ++i;
        }
        ascii += '?';
    }
    return ascii;
}

Romaji RomajiOf(const std::vector<std::string>& cp932Texts, const std::function<bool()>& stopped) {
    std::string input;
    for (const std::string& text : cp932Texts) {
        input += OneLine(text) + "\n";
    }
    // The program reads more than a megabyte a second; it is given five
    // seconds a megabyte, and five to start (under Wine, too).
    const std::chrono::milliseconds limit(5000 + input.size() / 200);
    ProgramRun run = RunProgram(kCommand, input, {limit, stopped});
    Romaji romaji;
    romaji.end = run.end;
    romaji.exitCode = run.exitCode;
    romaji.signal = run.signal;
    if (run.end != RunEnd::finished) {
        return romaji;
    }
    const std::string& output = run.output;
    std::size_t start = 0;
    while (start < output.size() && romaji.texts.size() < cp932Texts.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        std::string line = output.substr(start, end - start);
        // A program on Windows ends its lines with CR LF.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        romaji.texts.push_back(Tidy(AsciiOnly(line)));
        start = end + 1;
    }
    if (romaji.texts.size() != cp932Texts.size()) {
        romaji.texts.clear();
        romaji.end = RunEnd::failed;  // with neither code nor signal
    }
    return romaji;
}

std::optional<std::string> RomajiFailure(const Romaji& romaji) {
    switch (romaji.end) {
        case RunEnd::finished:
        case RunEnd::stopped:
            return std::nullopt;
        case RunEnd::notRun:
            return std::string(msg::noRomaji);
        case RunEnd::timedOut:
            return std::string(msg::romajiTooSlow);
        case RunEnd::overflowed:
            return std::string(msg::romajiTooMuch);
        case RunEnd::failed:
            break;
    }
    if (romaji.signal != 0) {
        return FormatMessage(msg::romajiSignalled, std::to_string(romaji.signal));
    }
    if (romaji.exitCode != 0) {
        return FormatMessage(msg::romajiExited, std::to_string(romaji.exitCode));
    }
    return std::string(msg::romajiWrongLines);
}

}  // namespace karnea
