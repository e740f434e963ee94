// The XML of the electronic delivery: the shipped DTDs, texts made safe for a
// strict Shift_JIS reader, validation against a DTD, and the management file
// (GRNDTST.XML) read, extended and written again. No file is loaded from
// outside: a DOCTYPE is resolved against the shipped DTDs alone.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace karnea {

// A shipped DTD by its file name ("B1531_04.DTD"), byte for byte as
// published; nothing for any other name.
std::optional<std::string_view> ShippedDtd(std::string_view name);

// `text` (UTF-8) with every character a strict Shift_JIS reader refuses
// replaced by its plain equivalent (① → (1), Ⅱ → II, ㎡ → m2, 髙 → 高) or by
// "〓" where there is none; each character replaced is added to `replaced`
// as "① → (1)".
std::string PlainForShiftJis(std::string_view text, std::set<std::string>& replaced);

// An XML document (UTF-8, declaring Shift_JIS or UTF-8) as the bytes
// delivered: Shift_JIS. The text must have been made plain first.
std::string ShiftJisBytes(std::string_view utf8Xml);

// Text for an element's content: & < > escaped.
std::string XmlEscaped(std::string_view text);

// Why the document (UTF-8) is not valid against the shipped DTD it names in
// its DOCTYPE, or nothing when it is.
std::optional<std::string> InvalidAgainstDtd(std::string_view utf8Xml);

// The management file of a delivery's TEST folder.
class ManagementFile {
public:
    // An entry (各種試験情報) as the delivery reads it.
    struct Entry {
        std::string sheetFile;     // 電子データシートファイル名
        std::string software;      // 電子データシート作成ソフトウェア名
        std::string exchangeFile;  // データシート交換用データファイル名
        std::string topDepth;      // 試験上端深度
    };
    // What an entry written by the delivery holds (UTF-8).
    struct NewEntry {
        std::string sheetFile, exchangeFile, software, code, standard, name;
        std::string topDepth, bottomDepth, startDate, endDate, tester;
    };
    // A boring's 試験情報 as a new one starts.
    struct NewBoring {
        std::string site, folder;
        std::array<std::string, 3> longitude, latitude;
        std::string datum, elevation;
    };

    // A new, empty file for the rules named ("土木201610-01").
    explicit ManagementFile(std::string_view rules);
    // The file as it is on disk (Shift_JIS, UTF-8 or UTF-16); nothing when
    // it cannot be read as XML, with the reason in `why`.
    static std::unique_ptr<ManagementFile> Read(std::string_view bytes, std::string& why);
    ~ManagementFile();
    ManagementFile(const ManagementFile&) = delete;
    ManagementFile& operator=(const ManagementFile&) = delete;

    // 適用要領基準.
    std::string Rules() const;
    // The entries listed under the boring whose フォルダ名 is `folder`.
    std::vector<Entry> Entries(std::string_view folder) const;
    // Takes out the entry whose data-sheet file is `sheetFile` in `folder`.
    void Remove(std::string_view folder, std::string_view sheetFile);
    // Adds an entry under the boring's 試験情報, starting one from `boring`
    // when the file has none for its folder.
    void Add(const NewBoring& boring, const NewEntry& entry);
    // The whole file as UTF-8 XML declaring Shift_JIS.
    std::string Text() const;

private:
    ManagementFile() = default;
    struct Tree;
    std::unique_ptr<Tree> tree_;
};

}  // namespace karnea
