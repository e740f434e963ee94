// Japanese texts in ASCII, for files whose format allows nothing else: kanji
// and kana as romaji (Hepburn, as the kakasi program reads them), full-width
// letters, digits and signs as their ASCII forms. The kakasi program runs
// once for all the texts of a file; it is a separate program, installed with
// this one.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace karnea {

// Every text (CP932) in ASCII, in the same order: what stays outside ASCII
// (a character no reading is known for, a control character) becomes "?".
// Nothing when the kakasi program cannot be run.
std::optional<std::vector<std::string>> RomajiOf(const std::vector<std::string>& cp932Texts);

// A text in ASCII without the program: ASCII characters kept, every other
// character "?" (what RomajiOf falls back to, said to the user).
std::string AsciiOnly(const std::string& cp932);

}  // namespace karnea
