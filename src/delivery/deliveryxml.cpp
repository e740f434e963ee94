#include "delivery/deliveryxml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/valid.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <unordered_map>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/system.h"
#include "base/textfields.h"

namespace karnea {

std::string_view ShippedDtd_B1421_03();
std::string_view ShippedDtd_B1531_04();
std::string_view ShippedDtd_GTST0200();
std::string_view ShippedDtd_T_IND_03();
std::string_view ShippedDtd_T_IND_04();

namespace {

const xmlChar* X(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}
const xmlChar* X(const std::string& text) {
    return X(text.c_str());
}
std::string Str(const xmlChar* text) {
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

// The published DTDs are UTF-16 (little-endian, with a byte-order mark); the
// parser is given them as UTF-8.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string Utf16LeToUtf8(std::string_view bytes);

const std::string* DtdForParser(std::string_view name) {
    static const std::map<std::string, std::string, std::less<>> converted = [] {
        std::map<std::string, std::string, std::less<>> m;
        for (const char* file :
             {"B1421_03.DTD", "B1531_04.DTD", "GTST0200.DTD", "T_IND_03.DTD", "T_IND_04.DTD"}) {
            m.emplace(file, Utf16LeToUtf8(*ShippedDtd(file)));
        }
        return m;
    }();
    const auto found = converted.find(name);
    return found == converted.end() ? nullptr : &found->second;
}

// While a check of another program's files runs on this thread, the DTDs
// it names are read from the folder beside them (by name alone), each once,
// and parsed once for validation.
struct BesideDtds {
    std::string folder;
    std::map<std::string, std::string, std::less<>> read;
    std::map<std::string, xmlDtdPtr, std::less<>> parsed;
    BesideDtds(std::string f) : folder(std::move(f)) {}
    BesideDtds(const BesideDtds&) = delete;
    BesideDtds& operator=(const BesideDtds&) = delete;
    ~BesideDtds() {
        for (const auto& [name, dtd] : parsed) {
            if (dtd != nullptr) {
                xmlFreeDtd(dtd);
            }
        }
    }
};
thread_local BesideDtds* beside = nullptr;

// The folders' DTDs each thread keeps while a KeptDtds lives (on any
// thread): what a thread kept for an earlier one is dropped.
std::atomic<int> keptScopes{0};
std::atomic<unsigned> keptGeneration{0};
struct ThreadDtds {
    unsigned generation = 0;
    std::map<std::string, std::unique_ptr<BesideDtds>> folders;
};
thread_local ThreadDtds threadDtds;

const std::string* DtdBeside(std::string_view name) {
    if (beside == nullptr || name.empty() || name.find_first_of("/\\:") != std::string_view::npos ||
        name == "." || name == "..") {
        return nullptr;
    }
    auto found = beside->read.find(name);
    if (found == beside->read.end()) {
        const std::optional<std::string> bytes =
            ReadFileStart(beside->folder + "/" + std::string(name), 4u << 20);
        std::string text;
        if (bytes) {
            text = bytes->substr(0, 2) == "\xFF\xFE" || bytes->substr(0, 2) == "\xFE\xFF"
                       ? Utf16ToUtf8(*bytes, (*bytes)[0] == '\xFE')
                       : *bytes;
        }
        found = beside->read.emplace(std::string(name), bytes ? text : std::string("\x01")).first;
    }
    return found->second == "\x01" ? nullptr : &found->second;
}

// A DOCTYPE and the parameter entities of a DTD are served from the shipped
// DTDs, or from the folder of the files being checked; anything else is not
// loaded at all (no other file, no network).
xmlParserInputPtr ShippedOnly(const char* url, const char*, xmlParserCtxtPtr ctxt) {
    const std::string_view whole = url == nullptr ? std::string_view() : std::string_view(url);
    const std::size_t slash = whole.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? whole : whole.substr(slash + 1);
    const std::string* dtd = beside != nullptr ? DtdBeside(name) : DtdForParser(name);
    if (dtd == nullptr) {
        return nullptr;
    }
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
        dtd->data(), static_cast<int>(dtd->size()), XML_CHAR_ENCODING_UTF8);
    return buffer == nullptr ? nullptr : xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE);
}

void StartXml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(ShippedOnly);
    });
}

// The errors libxml2 reports while one is alive on this thread, instead of
// its printing them.
class XmlErrors {
public:
    XmlErrors() {
        StartXml();
        xmlSetStructuredErrorFunc(this, &XmlErrors::Structured);
        xmlSetGenericErrorFunc(this, &XmlErrors::Generic);
    }
    ~XmlErrors() {
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        xmlSetGenericErrorFunc(nullptr, nullptr);
    }
    XmlErrors(const XmlErrors&) = delete;
    XmlErrors& operator=(const XmlErrors&) = delete;

    std::string Text(std::string_view otherwise) const {
        return text_.empty() ? std::string(otherwise) : text_;
    }
    static void Generic(void* self, const char* format, ...) {
        char line[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        static_cast<XmlErrors*>(self)->Add(line);
    }

private:
    static void Structured(void* self, xmlErrorPtr error) {
        if (error == nullptr || error->level == XML_ERR_WARNING) {
            return;
        }
        std::string line = error->line > 0 ? FormatText("%d: ", error->line) : std::string();
        static_cast<XmlErrors*>(self)->Add(line + Str(X(error->message)));
    }
    void Add(std::string_view line) {
        // The first few are enough to find the fault.
        if (std::count(text_.begin(), text_.end(), '\n') < 5) {
            text_.append(line);
            if (text_.empty() || text_.back() != '\n') {
                text_ += '\n';
            }
        }
    }
    std::string text_;
};

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc ParseUtf8(std::string_view text) {
    return Doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), "delivery.xml", "UTF-8",
                             XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOBLANKS));
}

// The plain equivalents of characters a strict Shift_JIS reader refuses,
// and of those CP932 writes where JIS has another code point.
const std::map<char32_t, std::string_view>& PlainEquivalents() {
    static const std::map<char32_t, std::string_view> table = [] {
        std::map<char32_t, std::string_view> t = {
            {U'㎡', "m2"},
            {U'㎥', "m3"},
            {U'㎜', "mm"},
            {U'㎝', "cm"},
            {U'㎞', "km"},
            {U'㎎', "mg"},
            {U'㎏', "kg"},
            {U'㏄', "cc"},
            {U'№', "No."},
            {U'℡', "TEL"},
            {U'㏍', "K.K."},
            {U'㍻', "平成"},
            {U'㍼', "昭和"},
            {U'㍽', "大正"},
            {U'㍾', "明治"},
            {U'㈱', "(株)"},
            {U'㈲', "(有)"},
            {U'㈹', "(代)"},
            {U'㊤', "(上)"},
            {U'㊥', "(中)"},
            {U'㊦', "(下)"},
            {U'㊧', "(左)"},
            {U'㊨', "(右)"},
            {U'㍉', "ミリ"},
            {U'㌔', "キロ"},
            {U'㌢', "センチ"},
            {U'㍍', "メートル"},
            {U'㌘', "グラム"},
            {U'㌧', "トン"},
            {U'㌃', "アール"},
            {U'㌶', "ヘクタール"},
            {U'㍑', "リットル"},
            {U'㍗', "ワット"},
            {U'㌍', "カロリー"},
            {U'㌦', "ドル"},
            {U'㌣', "セント"},
            {U'㌫', "パーセント"},
            {U'㍊', "ミリバール"},
            {U'㌻', "ページ"},
            {U'∑', "Σ"},
            {U'髙', "高"},
            {U'﨑', "崎"},
            {U'德', "徳"},
            {U'瀨', "瀬"},
            {U'栁', "柳"},
            {U'隆', "隆"},
            {U'塚', "塚"},
            {U'神', "神"},
            {U'福', "福"},
            {U'￤', "|"},
            {U'＇', "'"},
            {U'＂', "\""},
            // JIS's own code points for what CP932 reads differently.
            {U'〜', "～"},
            {U'‖', "∥"},
            {U'−', "－"},
            {U'¢', "￠"},
            {U'£', "￡"},
            {U'¬', "￢"}};
        static constexpr std::array<std::string_view, 20> circled = {
            "(1)",  "(2)",  "(3)",  "(4)",  "(5)",  "(6)",  "(7)",  "(8)",  "(9)",  "(10)",
            "(11)", "(12)", "(13)", "(14)", "(15)", "(16)", "(17)", "(18)", "(19)", "(20)"};
        static constexpr std::array<std::string_view, 10> roman = {"I",  "II",  "III",  "IV", "V",
                                                                   "VI", "VII", "VIII", "IX", "X"};
        static constexpr std::array<std::string_view, 10> smallRoman = {
            "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix", "x"};
        for (char32_t i = 0; i < 20; ++i) {
            t[U'①' + i] = circled[i];
        }
        for (char32_t i = 0; i < 10; ++i) {
            t[U'Ⅰ' + i] = roman[i];
            t[U'ⅰ' + i] = smallRoman[i];
        }
        return t;
    }();
    return table;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    const bool bom =
        bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF");
    std::size_t i = bom ? 2 : 0;
    const auto unit = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    };
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        out += Utf8Char(c);
    }
    return out;
}
std::string Utf16LeToUtf8(std::string_view bytes) {
    return Utf16ToUtf8(bytes, false);
}

// The first bytes of the two-byte characters of JIS X 0208 in Shift_JIS: a
// strict reader refuses CP932's others (NEC's row 13 0x87, the IBM and NEC
// extensions 0xED, 0xEE, 0xFA-0xFC, the user-defined 0xF0-0xF9).
bool JisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x84) || (c >= 0x88 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEA);
}

// Whether one character (UTF-8) is written by CP932 inside JIS X 0208 and
// its single-byte range, so that a strict Shift_JIS reader takes it.
bool StrictlyShiftJis(std::string_view character) {
    const std::optional<std::string> bytes = TryUtf8ToCp932(character);
    if (!bytes || bytes->empty()) {
        return false;
    }
    return bytes->size() == 1 || JisLeadByte(static_cast<unsigned char>((*bytes)[0]));
}

// How a replaced character is named: itself, or a user-defined one (外字,
// which shows as nothing anywhere else) by its code.
std::string NameOfReplaced(char32_t c) {
    if (c >= 0xE000 && c <= 0xF8FF) {
        const std::optional<std::string> bytes = TryUtf8ToCp932(Utf8Char(c));
        if (bytes && bytes->size() == 2) {
            return FormatText("外字 %02X%02X", static_cast<unsigned char>((*bytes)[0]),
                              static_cast<unsigned char>((*bytes)[1]));
        }
        return FormatText("外字 U+%04X", static_cast<unsigned>(c));
    }
    return Utf8Char(c);
}

}  // namespace

std::optional<std::string_view> ShippedDtd(std::string_view name) {
    static const std::array<std::pair<std::string_view, std::string_view (*)()>, 5> dtds = {{
        {"B1421_03.DTD", ShippedDtd_B1421_03},
        {"B1531_04.DTD", ShippedDtd_B1531_04},
        {"GTST0200.DTD", ShippedDtd_GTST0200},
        {"T_IND_03.DTD", ShippedDtd_T_IND_03},
        {"T_IND_04.DTD", ShippedDtd_T_IND_04},
    }};
    for (const auto& [file, bytes] : dtds) {
        if (file == name) {
            return bytes();
        }
    }
    return std::nullopt;
}

std::string PlainForShiftJis(std::string_view text, std::set<std::string>& replaced) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    out.reserve(valid.size());
    std::map<std::string, bool, std::less<>> known;
    for (std::size_t i = 0; i < valid.size();) {
        const auto lead = static_cast<unsigned char>(valid[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = std::string_view(valid).substr(i, length);
        i += length;
        if (length == 1) {
            // Control characters have no place in XML 1.0.
            out += lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r' ? ' ' : char(lead);
            continue;
        }
        auto found = known.find(character);
        if (found == known.end()) {
            found = known.emplace(std::string(character), StrictlyShiftJis(character)).first;
        }
        if (found->second) {
            out.append(character);
            continue;
        }
        char32_t c = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
        }
        const auto& table = PlainEquivalents();
        const auto plain = table.find(c);
        const std::string_view instead = plain == table.end() ? "〓" : plain->second;
        out.append(instead);
        replaced.insert(NameOfReplaced(c) + " → " + std::string(instead));
    }
    return out;
}

std::string ShiftJisBytes(std::string_view utf8Xml) {
    // A character at a time, each kind converted once: a delivery's files
    // repeat a few hundred characters over megabytes, and the encoding
    // knows no state that spans characters.
    std::string out;
    out.reserve(utf8Xml.size());
    std::unordered_map<std::string_view, std::string> known;
    for (std::size_t i = 0; i < utf8Xml.size();) {
        const auto lead = static_cast<unsigned char>(utf8Xml[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = utf8Xml.substr(i, length);
        i += length;
        if (length == 1) {
            out += static_cast<char>(lead);
            continue;
        }
        const auto [at, added] = known.try_emplace(character);
        if (added) {
            at->second = Utf8ToCp932(character);
        }
        out += at->second;
    }
    return out;
}

std::string XmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

namespace {

XmlElement ElementOf(xmlNodePtr node) {
    XmlElement element;
    element.name = Str(node->name);
    element.line = static_cast<int>(xmlGetLineNo(node));
    std::string text;
    for (xmlNodePtr n = node->children; n != nullptr; n = n->next) {
        if (n->type == XML_ELEMENT_NODE) {
            element.children.push_back(ElementOf(n));
        } else if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            text += Str(n->content);
        }
    }
    element.text = std::string(TrimBlanks(text));
    return element;
}

// The DTD a parsed document names in its DOCTYPE; nothing (and why) when it
// names none, or another root than its own.
std::optional<std::string> DoctypeOf(const Doc& doc, std::string& why) {
    xmlNodePtr root = xmlDocGetRootElement(doc.get());
    if (doc->intSubset == nullptr || doc->intSubset->SystemID == nullptr || root == nullptr ||
        !xmlStrEqual(doc->intSubset->name, root->name)) {
        why = "DOCTYPE がないか、ルート要素と合いません";
        return std::nullopt;
    }
    return Str(doc->intSubset->SystemID);
}

// Why a parsed document is not valid against the DTD `system` as the loader
// serves it; nothing when it is.
std::optional<std::string> InvalidAgainst(const Doc& doc, const std::string& system,
                                          XmlErrors& errors) {
    // A DTD read beside the files is parsed once for all of them.
    xmlDtdPtr dtd = nullptr;
    bool owned = true;
    if (beside != nullptr) {
        const auto [at, added] = beside->parsed.try_emplace(system, nullptr);
        if (added) {
            at->second = xmlParseDTD(nullptr, X(system));
        }
        dtd = at->second;
        owned = false;
    } else {
        dtd = xmlParseDTD(nullptr, X(system));
    }
    if (dtd == nullptr) {
        return errors.Text("DTD を読めません");
    }
    xmlValidCtxtPtr valid = xmlNewValidCtxt();
    valid->userData = &errors;
    valid->error = &XmlErrors::Generic;
    valid->warning = nullptr;
    const int ok = xmlValidateDtd(valid, doc.get(), dtd);
    xmlFreeValidCtxt(valid);
    if (owned) {
        xmlFreeDtd(dtd);
    }
    if (ok != 1) {
        return errors.Text("DTD に合いません");
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> InvalidAgainstDtd(std::string_view utf8Xml) {
    XmlErrors errors;
    const Doc doc = ParseUtf8(utf8Xml);
    if (!doc) {
        return errors.Text("XML として読めません");
    }
    std::string why;
    const std::optional<std::string> system = DoctypeOf(doc, why);
    if (!system) {
        return why;
    }
    if (!ShippedDtd(*system)) {
        return "DTD " + *system + " は電子納品の DTD ではありません";
    }
    return InvalidAgainst(doc, *system, errors);
}

DtdCheck CheckAgainstDtdBeside(std::string_view utf8Xml, const std::string& folder) {
    DtdCheck check;
    XmlErrors errors;
    const Doc doc = ParseUtf8(utf8Xml);
    if (!doc) {
        check.invalid = errors.Text("XML として読めません");
        return check;
    }
    std::string why;
    const std::optional<std::string> system = DoctypeOf(doc, why);
    if (!system) {
        check.invalid = why;
        if (xmlDocGetRootElement(doc.get()) != nullptr) {
            check.root = ElementOf(xmlDocGetRootElement(doc.get()));
        }
        return check;
    }
    check.root = ElementOf(xmlDocGetRootElement(doc.get()));
    check.dtd = *system;
    std::optional<BesideDtds> own;
    if (keptScopes > 0) {
        if (threadDtds.generation != keptGeneration) {
            threadDtds.folders.clear();
            threadDtds.generation = keptGeneration;
        }
        // A check goes folder after folder: a few are kept, not all.
        if (threadDtds.folders.size() >= 4 && threadDtds.folders.count(folder) == 0) {
            threadDtds.folders.clear();
        }
        std::unique_ptr<BesideDtds>& slot = threadDtds.folders[folder];
        if (!slot) {
            slot = std::make_unique<BesideDtds>(folder);
        }
        beside = slot.get();
    } else {
        beside = &own.emplace(folder);
    }
    check.found = DtdBeside(*system) != nullptr;
    if (check.found) {
        check.invalid = InvalidAgainst(doc, *system, errors);
    }
    beside = nullptr;
    return check;
}

namespace {

// Every CP932 character as UTF-8, by its code (a single byte, or lead byte
// × 256 + trail byte), decoded once: a delivery's files repeat a few hundred
// characters over megabytes.
struct Utf8Of {
    std::array<char, 3> bytes{};
    unsigned char size = 0;
};
const std::vector<Utf8Of>& Cp932Characters() {
    static const std::vector<Utf8Of> table = [] {
        std::vector<Utf8Of> t(65536);
        Cp932Decoder decode;
        const auto keep = [&](unsigned code, std::string_view character) {
            const std::string utf8 = decode(character);
            if (utf8.size() <= 3) {
                std::copy(utf8.begin(), utf8.end(), t[code].bytes.begin());
                t[code].size = static_cast<unsigned char>(utf8.size());
            }
        };
        for (unsigned c = 0x80; c <= 0xFF; ++c) {
            const char single = static_cast<char>(c);
            keep(c, std::string_view(&single, 1));
            if (IsCp932LeadByte(static_cast<unsigned char>(c))) {
                for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                    const char pair[2] = {static_cast<char>(c), static_cast<char>(trail)};
                    keep(c * 256 + trail, std::string_view(pair, 2));
                }
            }
        }
        return t;
    }();
    return table;
}

// Shift_JIS bytes as UTF-8. `strict`: nothing at the first byte sequence a
// strict reader refuses, with where it stands in `why`; else such bytes are
// read as CP932 reads them.
std::optional<std::string> DecodedShiftJis(std::string_view bytes, bool strict, std::string& why) {
    const std::vector<Utf8Of>& characters = Cp932Characters();
    std::string text;
    text.reserve(bytes.size() * 3 / 2);
    int line = 1;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        line += c == '\n' ? 1 : 0;
        if (c < 0x80) {
            text += static_cast<char>(c);
            ++i;
            continue;
        }
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const bool pair = strict ? JisLeadByte(c) : IsCp932LeadByte(c) && trail >= 0x40;
        if (strict && (c < 0xA1 || c > 0xDF) &&
            (!pair || trail < 0x40 || trail == 0x7F || trail > 0xFC)) {
            why = FormatText("%d 行: Shift_JIS にないバイト %02X %02X", line, c, trail);
            return std::nullopt;
        }
        const Utf8Of& character = characters[pair && trail >= 0x40 ? c * 256 + trail : c];
        i += pair && trail >= 0x40 ? 2 : 1;
        if (character.size == 0) {
            text += "\xEF\xBF\xBD";
        } else {
            text.append(character.bytes.data(), character.size);
        }
    }
    return text;
}

}  // namespace

std::optional<std::string> StrictShiftJisText(std::string_view bytes, std::string& why) {
    return DecodedShiftJis(bytes, true, why);
}

std::optional<std::string> InvalidDelivered(std::string_view bytes) {
    std::string why;
    const std::optional<std::string> text = StrictShiftJisText(bytes, why);
    if (!text) {
        return why;
    }
    return InvalidAgainstDtd(*text);
}

std::optional<std::string> NotWellFormed(std::string_view utf8Xml) {
    XmlErrors errors;
    if (!ParseUtf8(utf8Xml)) {
        return errors.Text("XML として読めません");
    }
    return std::nullopt;
}

std::optional<std::string> XmlAsUtf8(std::string_view bytes, std::string& why) {
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        return Utf16ToUtf8(bytes, bytes[0] == '\xFE');
    }
    // The declaration names the encoding; Shift_JIS files are read as the
    // CP932 that Japanese Windows writes under that name.
    std::string head(bytes.substr(0, std::min<std::size_t>(bytes.size(), 200)));
    for (char& c : head) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const bool sjis =
        head.find("shift_jis") != std::string::npos || head.find("sjis") != std::string::npos ||
        head.find("windows-31j") != std::string::npos || head.find("cp932") != std::string::npos;
    std::string text = sjis ? *DecodedShiftJis(bytes, false, why) : std::string(bytes);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    }
    // What does not decode becomes U+FFFD, which CP932 itself never writes.
    const std::size_t bad = text.find("\xEF\xBF\xBD");
    if (sjis && bad != std::string::npos) {
        why = FormatText(
            "Shift_JIS と宣言されていますが、%d 行目に Shift_JIS として読めないバイトがあります",
            1 + static_cast<int>(std::count(text.begin(), text.begin() + bad, '\n')));
        return std::nullopt;
    }
    if (!sjis && ValidUtf8(text) != text) {
        why = "UTF-8 として読めない文字があります";
        return std::nullopt;
    }
    return text;
}

const XmlElement* XmlElement::Child(std::string_view childName) const {
    for (const XmlElement& c : children) {
        if (c.name == childName) {
            return &c;
        }
    }
    return nullptr;
}

std::string XmlElement::ChildText(std::string_view childName) const {
    const XmlElement* c = Child(childName);
    return c == nullptr ? std::string() : c->text;
}

std::vector<const XmlElement*> XmlElement::Children(std::string_view childName) const {
    std::vector<const XmlElement*> found;
    for (const XmlElement& c : children) {
        if (c.name == childName) {
            found.push_back(&c);
        }
    }
    return found;
}

std::optional<XmlElement> ReadXmlElements(std::string_view utf8Xml, std::string& why) {
    XmlErrors errors;
    const Doc doc = ParseUtf8(utf8Xml);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (root == nullptr) {
        why = errors.Text("XML として読めません");
        return std::nullopt;
    }
    return ElementOf(root);
}

namespace {

// The encoding an XML declaration names, as written ("" when none).
std::string DeclaredEncoding(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, std::min<std::size_t>(bytes.size(), 200));
    const std::size_t end = head.find("?>");
    const std::size_t at = head.substr(0, end).find("encoding");
    if (head.substr(0, 5) != "<?xml" || at == std::string_view::npos) {
        return {};
    }
    const std::size_t open = head.find_first_of("\"'", at);
    const std::size_t close =
        open == std::string_view::npos ? open : head.find(head[open], open + 1);
    return close == std::string_view::npos ? std::string()
                                           : std::string(head.substr(open + 1, close - open - 1));
}

}  // namespace

KeptDtds::KeptDtds() {
    ++keptGeneration;
    ++keptScopes;
}

KeptDtds::~KeptDtds() {
    --keptScopes;
    threadDtds.folders.clear();
}

DeliveryFile ReadDeliveryFile(const std::string& path) {
    // A delivery's file is read whole; this is more than any of them holds.
    constexpr std::size_t kLargest = 64u << 20;
    DeliveryFile file;
    const std::optional<std::string> bytes = ReadFileStart(path, kLargest + 1);
    if (!bytes) {
        file.unread = "読めません";
        return file;
    }
    if (bytes->size() > kLargest) {
        file.unread = "64 MB を超えています";
        return file;
    }
    file.opened = true;
    const bool utf16 = bytes->substr(0, 2) == "\xFF\xFE" || bytes->substr(0, 2) == "\xFE\xFF";
    file.encoding = utf16 ? "UTF-16" : DeclaredEncoding(*bytes);
    std::string lower = file.encoding;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    file.shiftJis = lower == "shift_jis";
    // Read as a strict reader reads Shift_JIS; where it refuses, as CP932.
    std::string why;
    std::optional<std::string> text;
    if (file.shiftJis) {
        text = StrictShiftJisText(*bytes, why);
        if (!text) {
            file.strict = why;
        }
    }
    if (!text) {
        text = XmlAsUtf8(*bytes, why);
    }
    if (!text) {
        file.unread = why;
        return file;
    }
    file.dtd = CheckAgainstDtdBeside(*text, PathText(PathOf(path).parent_path()));
    return file;
}

}  // namespace karnea
