#include "delivery/deliverycheck.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "base/messages.h"
#include "base/orderedwork.h"
#include "base/system.h"
#include "base/textfields.h"
#include "delivery/delivery.h"
#include "delivery/deliveryxml.h"

namespace karnea {
namespace {

using Kind = DeliveryFinding::Kind;

// More entries than any delivery holds: a folder walked past this is not a
// delivery.
constexpr std::size_t kMostEntries = 200000;

bool IsUpperAlnum(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// A file or folder name as the delivery rules ask: eight upper-case
// letters, digits or "_" at most, and an extension of three at most.
bool IsShortName(std::string_view name, bool folder) {
    const std::size_t dot = name.find('.');
    const std::string_view stem = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    return !stem.empty() && stem.size() <= 8 && IsUpperAlnum(stem) && ext.size() <= 3 &&
           IsUpperAlnum(ext) && (!folder || dot == std::string_view::npos);
}

bool Digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A data sheet's name: TS, three digits of the sample (000 for a test in
// the ground) and three of the test.
bool IsTsName(std::string_view name) {
    return name.size() == 12 && name.substr(0, 2) == "TS" && Digits(name.substr(2, 6)) &&
           (name.substr(8) == ".PDF" || name.substr(8) == ".XML");
}

// A test folder: BRGnnnn, BRGnnnnA (an existing boring), SITnnnn.
bool IsTestFolder(std::string_view name) {
    return (name.size() == 7 && (name.substr(0, 3) == "BRG" || name.substr(0, 3) == "SIT") &&
            Digits(name.substr(3))) ||
           (name.size() == 8 && name.substr(0, 3) == "BRG" && Digits(name.substr(3, 4)) &&
            name[7] == 'A');
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A pressuremeter test's results as a data sheet's コメント states them
// ("Po=27.4 kN/m2, Pf=37.6 kN/m2, Em=699 kN/m2", "p0=160.33 kN/m2,
// py=914.5 kN/m2, E=17690.0 kN/m2"): the numbers as written.
struct Results {
    std::string po, pf, em;
};
Results ResultsInComment(std::string_view comment) {
    Results results;
    std::size_t at = 0;
    while ((at = comment.find('=', at)) != std::string_view::npos) {
        std::size_t start = at;
        while (start > 0 && comment[start - 1] == ' ') {
            --start;  // "p0 = 160.33"
        }
        while (start > 0 && std::isalnum(static_cast<unsigned char>(comment[start - 1])) != 0) {
            --start;
        }
        const std::string name = Lower(std::string(TrimBlanks(comment.substr(start, at - start))));
        std::size_t end = ++at;
        while (end < comment.size() && comment[end] == ' ') {
            ++end;
        }
        const std::size_t first = end;
        while (end < comment.size() &&
               (std::isdigit(static_cast<unsigned char>(comment[end])) != 0 ||
                std::string_view(".+-eE").find(comment[end]) != std::string_view::npos)) {
            ++end;
        }
        std::string value(comment.substr(first, end - first));
        // A unit in MN/m2 is turned into the boring log's kN/m2.
        const std::string_view unit = TrimBlanks(comment.substr(end, 6));
        if (unit.substr(0, 2) == "MN" || unit.substr(0, 3) == "MPa") {
            if (const std::optional<double> v = ParseNumber(value)) {
                value = FormatText("%g", *v * 1000);
            }
        }
        if (!ParseNumber(value)) {
            continue;
        }
        if (name == "po" || name == "p0") {
            results.po = value;
        } else if (name == "pf" || name == "py") {
            results.pf = value;
        } else if (name == "em" || name == "e") {
            results.em = value;
        }
    }
    return results;
}

// Half a unit of the last digit a number is written with ("6.99E+02": 0.5,
// "27.4": 0.05): how far from it the value may lie.
double HalfLastDigit(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t dot = mantissa.find('.');
    const int decimals =
        dot == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    const int exponent =
        e == std::string_view::npos ? 0 : ParseInteger(text.substr(e + 1)).value_or(0);
    return 0.5 * std::pow(10.0, exponent - decimals);
}

// One file's place below the BORING folder.
struct Place {
    std::string folder;  // "TEST/BRG0001"
    std::string name;    // "TS000001.XML"
};
Place PlaceOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? Place{"", path}
                                      : Place{path.substr(0, slash), path.substr(slash + 1)};
}

class Checker {
public:
    Checker(std::string boringFolder, std::string logsFolder, bool whole, bool pdfs)
        : root_(std::move(boringFolder)),
          logs_root_(std::move(logsFolder)),
          whole_(whole),
          pdfs_(pdfs) {
        check_.folder = root_;
    }

    DeliveryCheck Run() {
        const KeptDtds keep;
        Walk();
        if (whole_) {
            CheckNames();
        }
        ReadAhead();
        ReadBorings();
        const XmlElement* management =
            Exists("TEST/GRNDTST.XML") ? Read("TEST/GRNDTST.XML") : nullptr;
        if (whole_) {
            CheckTestFolder(management);
        }
        CheckDataSheets(management);
        std::stable_sort(check_.findings.begin(), check_.findings.end(),
                         [](const DeliveryFinding& a, const DeliveryFinding& b) {
                             return std::tie(a.path, a.line) < std::tie(b.path, b.line);
                         });
        return std::move(check_);
    }

private:
    void Say(Kind kind, const std::string& path, int line, std::string element,
             std::string message) {
        check_.findings.push_back({kind, path, line, std::move(element), std::move(message)});
    }

    bool Exists(const std::string& path) const { return files_.count(path) != 0; }

    // The boring delivery's files may lie in a folder of their own.
    bool LogExists(const std::string& path) const {
        std::error_code ec;
        return logs_root_ == root_ ? Exists(path)
                                   : std::filesystem::is_regular_file(PathOf(LogPath(path)), ec);
    }
    std::string LogPath(const std::string& path) const {
        return logs_root_ == root_ ? path : logs_root_ + "/" + path;
    }

    // Every file below the BORING folder, with '/' between names.
    void Walk() {
        std::error_code ec;
        const std::filesystem::path base = PathOf(root_);
        std::filesystem::recursive_directory_iterator it(base, ec), end;
        std::size_t entries = 0;
        for (; !ec && it != end && ++entries <= kMostEntries; it.increment(ec)) {
            std::string relative = PathText(it->path().lexically_relative(base));
            std::replace(relative.begin(), relative.end(), '\\', '/');
            std::error_code kind;
            if (it->is_directory(kind)) {
                folders_.insert(relative);
            } else {
                files_.insert(relative);
            }
        }
        if (ec || entries > kMostEntries) {
            Say(Kind::unread, "", 0, "",
                ec ? "フォルダを最後まで読めません" : "ファイルが多すぎます");
        }
        check_.files = files_.size();
    }

    void CheckNames() {
        for (const std::set<std::string>* set : {&folders_, &files_}) {
            for (const std::string& path : *set) {
                const std::string name = PlaceOf(path).name;
                if (!IsShortName(name, set == &folders_)) {
                    Say(Kind::error, path, 0, "",
                        "名前が 8 文字以内の英大文字・数字 (拡張子 3 文字以内) ではありません");
                }
            }
        }
    }

    // A file as read on any thread: what a checker refuses in it (when the
    // whole delivery is checked), and its elements — of a data sheet only
    // what the checks compare, so that a delivery of thousands holds little.
    struct Prepared {
        std::vector<DeliveryFinding> findings;
        std::optional<XmlElement> root;
    };
    Prepared Prepare(const std::string& path) const {
        Prepared made;
        const auto say = [&](Kind kind, std::string message) {
            made.findings.push_back({kind, path, 0, "", std::move(message)});
        };
        DeliveryFile file =
            ReadDeliveryFile(path.starts_with(logs_root_ + "/") ? path : root_ + "/" + path);
        if (file.unread) {
            // Bytes that are no text are the delivery's fault; a file that
            // cannot be opened is this check's.
            say(file.opened && whole_ ? Kind::error : Kind::unread, *file.unread);
        } else if (whole_) {
            if (!file.shiftJis) {
                say(Kind::error,
                    "Shift_JIS と宣言されていません (" +
                        (file.encoding.empty() ? std::string("宣言なし") : file.encoding) + ")");
            } else if (file.strict) {
                say(Kind::error, "Shift_JIS として読めません: " + *file.strict);
            }
            if (!file.dtd.root || file.dtd.dtd.empty()) {
                say(Kind::error, file.dtd.invalid.value_or("XML として読めません"));
            } else if (!file.dtd.found) {
                say(Kind::error, "DOCTYPE の " + file.dtd.dtd + " が同じフォルダにありません");
            } else if (file.dtd.invalid) {
                say(Kind::error, *file.dtd.invalid);
            }
        } else if (!file.dtd.root) {
            say(Kind::unread, file.dtd.invalid.value_or("XML として読めません"));
        }
        made.root = std::move(file.dtd.root);
        if (made.root && IsDataSheet(path)) {
            XmlElement kept{made.root->name, "", made.root->line, {}};
            if (const XmlElement* title = made.root->Child("標題情報")) {
                if (const XmlElement* position = title->Child("位置情報")) {
                    kept.children.push_back({title->name, "", title->line, {*position}});
                }
            }
            if (const XmlElement* comment = made.root->Child("コメント")) {
                kept.children.push_back(*comment);
            }
            made.root = std::move(kept);
        }
        return made;
    }

    static bool IsDataSheet(const std::string& path) {
        const Place place = PlaceOf(path);
        return place.folder.starts_with("TEST/") && IsTsName(place.name) &&
               place.name.ends_with(".XML");
    }

    void Keep(const std::string& path, Prepared&& made) {
        check_.findings.insert(check_.findings.end(),
                               std::make_move_iterator(made.findings.begin()),
                               std::make_move_iterator(made.findings.end()));
        read_[path] = std::move(made.root);
    }

    // The files read side by side, before the checks that compare them.
    void ReadAhead() {
        std::vector<const std::string*> paths;
        for (const std::string& path : files_) {
            if (whole_ ? path.ends_with(".XML") : IsDataSheet(path) || path == "TEST/GRNDTST.XML") {
                paths.push_back(&path);
            }
        }
        MakeInOrder(
            paths.size(), DefaultJobs(), [&](std::size_t i) { return Prepare(*paths[i]); },
            [&](std::size_t i, Prepared&& made) {
                Keep(*paths[i], std::move(made));
                return true;
            });
    }

    // A file's elements, read and checked once; nothing when it cannot be
    // read.
    const XmlElement* Read(const std::string& path) {
        if (read_.find(path) == read_.end()) {
            Keep(path, Prepare(path));
        }
        const std::optional<XmlElement>& root = read_[path];
        return root ? &*root : nullptr;
    }

    void ReadBorings() {
        if (!LogExists("BORING.XML")) {
            return;
        }
        const XmlElement* boring = Read(LogPath("BORING.XML"));
        if (boring == nullptr) {
            return;
        }
        std::vector<std::string> problems;
        borings_ = BoringDeliveryOf(
            *boring,
            [&](const std::string& bed) -> const XmlElement* {
                const std::string path = "DATA/" + bed;
                if (!LogExists(path)) {
                    Say(Kind::error, LogPath("BORING.XML"), 0, "ボーリング交換用データファイル名",
                        path + " がありません");
                    return nullptr;
                }
                return Read(LogPath(path));
            },
            problems);
        for (const std::string& p : problems) {
            Say(Kind::error, LogPath("BORING.XML"), 0, "", p);
        }
        for (const BoringLog& log : borings_.borings) {
            logs_[log.folder] = &log;
        }
    }

    // The files GRNDTST.XML names exist, and every data sheet is named.
    void CheckTestFolder(const XmlElement* management) {
        if (!folders_.count("TEST")) {
            return;
        }
        if (!Exists("TEST/GRNDTST.XML")) {
            Say(Kind::error, "TEST/GRNDTST.XML", 0, "", "管理ファイルがありません");
        }
        std::set<std::string> named;
        if (management != nullptr) {
            for (const XmlElement* site : management->Children("試験情報")) {
                const std::string folder = site->ChildText("フォルダ名");
                const auto need = [&](const std::string& element, const std::string& path, bool pdf,
                                      int line) {
                    named.insert(path);
                    if (!Exists(path) && (pdfs_ || !pdf)) {
                        Say(pdf ? Kind::noPdf : Kind::error, "TEST/GRNDTST.XML", line, element,
                            path + " がありません");
                    }
                };
                const std::pair<const char*, const char*> ofBoring[] = {
                    {"電子土質試験結果一覧表ファイル名", "TEST/"},
                    {"土質試験結果一覧表データファイル名", "TEST/"},
                    {"ボーリング交換用データファイル名", "DATA/"}};
                for (const auto& [element, where] : ofBoring) {
                    const std::string file = site->ChildText(element);
                    if (!file.empty()) {
                        need(element, where + file, Lower(file).ends_with(".pdf"), site->line);
                    }
                }
                for (const XmlElement* test : site->Children("各種試験情報")) {
                    for (const char* element :
                         {"電子データシートファイル名", "データシート交換用データファイル名"}) {
                        const std::string file = test->ChildText(element);
                        if (!file.empty()) {
                            need(element, "TEST/" + folder + "/" + file,
                                 Lower(file).ends_with(".pdf"), test->line);
                        }
                    }
                }
            }
        }
        for (const std::string& path : files_) {
            const Place place = PlaceOf(path);
            const bool data = place.name.starts_with("TS");
            if (place.folder == "TEST" && data) {
                Say(Kind::error, path, 0, "",
                    "データシートが TEST に直接置かれています (BRGnnnn などのフォルダに置きます)");
            } else if (place.folder.starts_with("TEST/") &&
                       place.folder.find('/', 5) == std::string::npos) {
                const std::string folder = place.folder.substr(5);
                if (!IsTestFolder(folder)) {
                    continue;  // said once, for the folder
                }
                if (data && !IsTsName(place.name)) {
                    Say(Kind::error, path, 0, "", "データシートの名前は TSnnnmmm です");
                } else if ((data || place.name.ends_with(".PDF")) && !named.count(path)) {
                    Say(Kind::error, path, 0, "", "GRNDTST.XML にありません");
                }
            }
        }
        for (const std::string& folder : folders_) {
            if (folder.starts_with("TEST/") && folder.find('/', 5) == std::string::npos &&
                !IsTestFolder(folder.substr(5))) {
                Say(Kind::error, folder, 0, "",
                    "試験のフォルダは BRGnnnn、BRGnnnnA か SITnnnn です");
            }
        }
    }

    // Each value of a position beside another file's.
    void ComparePosition(const std::string& path, const XmlElement& position,
                         const std::string& otherFile, const std::string& site,
                         const std::array<std::string, 3>& longitude,
                         const std::array<std::string, 3>& latitude, const std::string& datum,
                         const std::string& elevation) {
        const auto same = [&](const XmlElement* element, const std::string& theirs) {
            if (element != nullptr && !theirs.empty() && !SameValue(element->text, theirs)) {
                Say(Kind::error, path, element->line, element->name,
                    element->text + " ですが " + otherFile + " は " + theirs);
            }
        };
        same(position.Child("地点名"), site);
        for (int k = 0; k < 3; ++k) {
            static const char* const parts[] = {"_度", "_分", "_秒"};
            const XmlElement* lon = position.Child("経度");
            const XmlElement* lat = position.Child("緯度");
            same(lon == nullptr ? nullptr : lon->Child(std::string("経度") + parts[k]),
                 longitude[k]);
            same(lat == nullptr ? nullptr : lat->Child(std::string("緯度") + parts[k]),
                 latitude[k]);
        }
        same(position.Child("測地系"), datum);
        same(position.Child("標高"), elevation);
    }

    // The data sheets' positions against their boring's, and the
    // pressuremeter tests' results against the boring logs.
    void CheckDataSheets(const XmlElement* management) {
        std::map<std::string, const XmlElement*> listed;  // folder → 位置情報 of GRNDTST.XML
        if (management != nullptr) {
            for (const XmlElement* site : management->Children("試験情報")) {
                const std::string folder = site->ChildText("フォルダ名");
                if (const XmlElement* position = site->Child("位置情報")) {
                    listed[folder] = position;
                    const auto log = logs_.find(folder);
                    if (whole_ && log != logs_.end()) {
                        const BoringLog& b = *log->second;
                        ComparePosition("TEST/GRNDTST.XML", *site, "BORING.XML", b.name, {}, {}, "",
                                        "");
                        ComparePosition("TEST/GRNDTST.XML", *position, "BORING.XML", "",
                                        b.longitude, b.latitude, b.datum, b.elevation);
                    }
                }
            }
        }
        std::map<std::string, std::vector<Sheet>> pressuremeter;  // by folder
        for (const std::string& path : files_) {
            const Place place = PlaceOf(path);
            if (!place.folder.starts_with("TEST/") || !IsTsName(place.name) ||
                !place.name.ends_with(".XML")) {
                continue;
            }
            const std::string folder = place.folder.substr(5);
            const XmlElement* sheet = Read(path);
            const XmlElement* title = sheet == nullptr ? nullptr : sheet->Child("標題情報");
            const XmlElement* position = title == nullptr ? nullptr : title->Child("位置情報");
            if (position == nullptr) {
                continue;
            }
            if (whole_) {
                const XmlElement* named = position->Child("フォルダ名");
                if (named != nullptr && named->text != folder) {
                    Say(Kind::error, path, named->line, named->name,
                        named->text + " ですが " + folder + " に置かれています");
                }
                if (const auto log = logs_.find(folder); log != logs_.end()) {
                    const BoringLog& b = *log->second;
                    ComparePosition(path, *position, "BORING.XML", b.name, b.longitude, b.latitude,
                                    b.datum, b.elevation);
                }
                if (const auto site = listed.find(folder); site != listed.end()) {
                    const XmlElement& p = *site->second;
                    ComparePosition(path, *position, "GRNDTST.XML", "", AngleIn(&p, "経度"),
                                    AngleIn(&p, "緯度"), p.ChildText("測地系"),
                                    p.ChildText("標高"));
                }
            }
            if (IsPressuremeter(*sheet)) {
                const Results r = ResultsInComment(sheet->ChildText("コメント"));
                pressuremeter[folder].push_back({path, position->ChildText("上端深度"), r});
            }
        }
        for (const auto& [folder, sheets] : pressuremeter) {
            const auto log = logs_.find(folder);
            const std::string bed =
                log == logs_.end() ? std::string() : LogPath("DATA/" + log->second->bedFile);
            if (log != logs_.end() && !log->second->bedFile.empty() && read_.count(bed) != 0 &&
                read_[bed]) {
                CompareResults(*log->second, sheets);
            }
        }
    }

    static bool IsPressuremeter(const XmlElement& sheet) {
        return sheet.name == RulesOf(DeliveryEdition::e2016).root ||
               sheet.name == RulesOf(DeliveryEdition::e2008).root;
    }

    struct Sheet {
        std::string path;
        std::string depth;
        Results results;
    };

    void CompareResults(const BoringLog& log, const std::vector<Sheet>& sheets) {
        const std::string bed = LogPath("DATA/" + log.bedFile);
        std::vector<bool> matched(log.results.size(), false);
        for (const Sheet& sheet : sheets) {
            const std::optional<double> depth = ParseNumber(sheet.depth);
            const BoringLog::Result* block = nullptr;
            for (std::size_t i = 0; i < log.results.size() && depth; ++i) {
                const std::optional<double> d = ParseNumber(log.results[i].depth);
                if (d && std::fabs(*d - *depth) <= 0.005 + 1e-9) {
                    block = &log.results[i];
                    matched[i] = true;
                    break;
                }
            }
            const Results& r = sheet.results;
            const bool stated = !r.po.empty() || !r.pf.empty() || !r.em.empty();
            if (block == nullptr) {
                Say(Kind::caution, bed, 0, "孔内水平載荷試験",
                    "試験深度 " + sheet.depth + " m の結果がありません (" + sheet.path + ")");
            }
            bool differs = block == nullptr;
            const std::tuple<const char*, std::string, std::string> items[] = {
                {"初期圧", r.po, block ? block->po : ""},
                {"降伏圧", r.pf, block ? block->pf : ""},
                {"変形係数", r.em, block ? block->em : ""}};
            for (const auto& [item, ours, theirs] : items) {
                const std::optional<double> a = ParseNumber(ours);
                const std::optional<double> b = ParseNumber(theirs);
                if (!a || !b) {
                    continue;
                }
                const std::string element = std::string("孔内水平載荷試験_") + item;
                const double ratio = *a != 0 ? std::fabs(*b / *a) : 0;
                const double tolerance = std::max(HalfLastDigit(ours), HalfLastDigit(theirs));
                if (ratio > 0 && std::fabs(std::log10(ratio)) > 2.5 &&
                    std::fabs(std::log10(ratio)) < 3.5) {
                    Say(Kind::error, bed, block->line, element,
                        theirs + " ですが " + sheet.path + " は " + ours +
                            " kN/m2 です (1000 倍違います。単位の誤りではありませんか)");
                    differs = true;
                } else if (std::fabs(*a - *b) > tolerance + 1e-9) {
                    Say(Kind::caution, bed, block->line, element,
                        theirs + " ですが " + sheet.path + " は " + ours + " kN/m2 です");
                    differs = true;
                }
            }
            if (stated && differs) {
                check_.toType.push_back({log.name, log.bedFile, sheet.depth, r.po, r.pf, r.em});
            }
        }
        for (std::size_t i = 0; i < log.results.size(); ++i) {
            if (!matched[i]) {
                Say(Kind::caution, bed, log.results[i].line, "孔内水平載荷試験",
                    "試験深度 " + log.results[i].depth +
                        " m の孔内水平載荷試験のデータシートがありません");
            }
        }
    }

    std::string root_, logs_root_;
    bool whole_;
    bool pdfs_;
    DeliveryCheck check_;
    std::set<std::string> files_, folders_;
    std::map<std::string, std::optional<XmlElement>> read_;
    BoringDelivery borings_;
    std::map<std::string, const BoringLog*> logs_;
};

}  // namespace

std::string_view KindLabel(DeliveryFinding::Kind kind) {
    switch (kind) {
        case Kind::error:
            return "エラー";
        case Kind::caution:
            return "注意";
        case Kind::noPdf:
            return "PDF なし";
        case Kind::unread:
            break;
    }
    return "読めません";
}

std::string FindingLine(const DeliveryFinding& f) {
    std::string line = f.path.empty() ? std::string(".") : f.path;
    if (f.line > 0) {
        line += ":" + std::to_string(f.line);
    }
    if (!f.element.empty()) {
        line += ": " + f.element;
    }
    return line + ": " + std::string(KindLabel(f.kind)) + ": " + f.message;
}

std::string ToTypeLine(const ToType& t) {
    std::string values;
    const std::pair<const char*, const std::string*> items[] = {
        {"初期圧", &t.po}, {"降伏圧", &t.pf}, {"変形係数", &t.em}};
    for (const auto& [item, value] : items) {
        if (!value->empty()) {
            values += (values.empty() ? "" : "、") + std::string(item) + " " + *value;
        }
    }
    return t.boring + " (" + t.bedFile + ") 深度 " + t.depth + " m: " + values + " (kN/m2)";
}

std::vector<std::string> ToTypeLines(const DeliveryCheck& check) {
    std::vector<std::string> lines;
    for (const ToType& t : check.toType) {
        lines.push_back(ToTypeLine(t));
    }
    return lines;
}

TextSheet ToTypeSheet(const DeliveryCheck& check) {
    TextSheet sheet{"柱状図に入力する値",
                    {"ボーリング名", "ボーリング交換用データ", "試験深度 (m)", "初期圧 (kN/m2)",
                     "降伏圧 (kN/m2)", "変形係数 (kN/m2)"},
                    {}};
    for (const ToType& t : check.toType) {
        sheet.rows.push_back({t.boring, t.bedFile, t.depth, t.po, t.pf, t.em});
    }
    return sheet;
}

std::string DeliveryCheck::Summary() const {
    const auto count = [&](Kind kind) {
        return std::to_string(
            std::count_if(findings.begin(), findings.end(),
                          [&](const DeliveryFinding& f) { return f.kind == kind; }));
    };
    return FormatMessage(msg::deliveryCheckSummary,
                         {folder, std::to_string(files), count(Kind::error), count(Kind::caution)});
}

bool DeliveryCheck::HasErrors() const {
    return std::any_of(findings.begin(), findings.end(), [](const DeliveryFinding& f) {
        return f.kind == Kind::error || f.kind == Kind::noPdf;
    });
}

bool DeliveryCheck::HasUnread() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const DeliveryFinding& f) { return f.kind == Kind::unread; });
}

std::string BoringFolderOf(const std::string& folder) {
    std::error_code ec;
    const std::string boring = folder + "/BORING";
    return std::filesystem::is_directory(PathOf(boring), ec) ? boring : folder;
}

bool HoldsDelivery(const std::string& boringFolder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(PathOf(boringFolder + "/BORING.XML"), ec) ||
           std::filesystem::is_directory(PathOf(boringFolder + "/TEST"), ec);
}

DeliveryCheck CheckDelivery(const std::string& boringFolder, bool pdfs) {
    return Checker(boringFolder, boringFolder, true, pdfs).Run();
}

DeliveryCheck CheckResultsAgainstLogs(const std::string& boringFolder,
                                      const std::string& logsFolder) {
    return Checker(boringFolder, logsFolder, false, false).Run();
}

}  // namespace karnea
