// Japanese texts in ASCII, for files whose format allows nothing else: kanji
// and kana as romaji (Hepburn, as the kakasi program reads them), full-width
// letters, digits and signs as their ASCII forms. The kakasi program runs
// once for all the texts of a file; it is a separate program, installed with
// this one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/system.h"

namespace karnea {

// Every text (CP932) in ASCII, in the same order: what stays outside ASCII
// (a character no reading is known for, a control character) becomes "?".
// The program is given a time that grows with the texts, and ends when
// `stopped` says so; `end` says how it ended, and `texts` is empty unless it
// finished.
struct Romaji {
    std::vector<std::string> texts;
    RunEnd end = RunEnd::notRun;
    int exitCode = 0;
    int signal = 0;
};
Romaji RomajiOf(const std::vector<std::string>& cp932Texts,
                const std::function<bool()>& stopped = {});

// Why the texts were written without the program, in the user's words;
// nothing when it finished or was stopped by the user.
std::optional<std::string> RomajiFailure(const Romaji& romaji);

// A text in ASCII without the program: ASCII characters kept, every other
// character "?" (what RomajiOf falls back to, said to the user).
std::string AsciiOnly(const std::string& cp932);

}  // namespace karnea
