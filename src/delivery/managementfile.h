// The management file of a delivery's TEST folder (GRNDTST.XML), read and
// extended in its own words: what this program does not change stays as it
// was, to the byte (indentation, empty elements written either way,
// comments), so that comparing two deliveries shows this program's entries
// alone. Texts are UTF-8.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace karnea {

class ManagementFile {
public:
    // An entry (各種試験情報) as the delivery reads it.
    struct Entry {
        std::string sheetFile;     // 電子データシートファイル名
        std::string software;      // 電子データシート作成ソフトウェア名
        std::string exchangeFile;  // データシート交換用データファイル名
        std::string topDepth;      // 試験上端深度
    };
    // What an entry written by the delivery holds.
    struct NewEntry {
        std::string sheetFile, exchangeFile, software, code, standard, name;
        std::string topDepth, bottomDepth, startDate, endDate, tester;
    };
    // A boring's position (位置情報): degrees, minutes and seconds of each
    // angle, 測地系 and 標高, as the file writes them.
    struct Position {
        std::array<std::string, 3> longitude, latitude;
        std::string datum, elevation;
    };
    // A boring's 試験情報 as a new one starts.
    struct NewBoring {
        std::string site, folder;
        Position position;
    };

    // A new, empty file for the rules named ("土木201610-01").
    explicit ManagementFile(std::string_view rules);
    // The file as it is on disk (Shift_JIS, UTF-8 or UTF-16); nothing when
    // it cannot be read as a management file, with the reason in `why`.
    static std::unique_ptr<ManagementFile> Read(std::string_view bytes, std::string& why);

    // 適用要領基準.
    std::string Rules() const;
    // The entries listed under the boring whose フォルダ名 is `folder`.
    std::vector<Entry> Entries(std::string_view folder) const;
    // The position the file gives that boring; nothing when it lists none.
    std::optional<Position> PositionOf(std::string_view folder) const;
    // Takes out the entry whose data-sheet file is `sheetFile` in `folder`.
    void Remove(std::string_view folder, std::string_view sheetFile);
    // Adds an entry after the boring's last one, starting a 試験情報 from
    // `boring` (after the last one) when the file has none for its folder.
    void Add(const NewBoring& boring, const NewEntry& entry);
    // The whole file, declaring Shift_JIS.
    std::string Text() const;

private:
    ManagementFile() = default;
    std::string text_;
};

}  // namespace karnea
