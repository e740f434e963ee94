// The engineer name master "M.mst" in the settings folder: one name a line,
// each line ending in CR LF, in list order. The header dialogs offer its
// names; its own dialog edits them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace karnea {

// The rows of the master's dialog.
inline constexpr int kEngineerRows = 80;

// The names of the master, each line whole without its line end (CR LF or
// LF), at most `limit` of them (0: all). Nothing when the file cannot be read.
std::optional<std::vector<std::string>> ReadEngineerNames(const std::string& path,
                                                          std::size_t limit = 0);

// What saving the list writes: the non-empty names in list order, each with
// CR LF, duplicates kept; and the report of the duplicates (UTF-8, "" when
// there are none): "同じデータがあります" and up to six lines
// "%2d行目と%2d行目 [%s]　" naming the later and the earlier row.
struct EngineerMasterFile {
    std::string bytes;
    std::string duplicates;
};
EngineerMasterFile MakeEngineerMasterFile(const std::vector<std::string>& rows);

}  // namespace karnea
