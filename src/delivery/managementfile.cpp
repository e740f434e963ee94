#include "delivery/managementfile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "base/encoding.h"
#include "base/textfields.h"
#include "delivery/deliveryxml.h"

namespace karnea {
namespace {

// An element of the file, by where it stands in the text: from its start
// tag's "<" to past its end tag, and its content between the two.
struct Node {
    std::string name;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t contentBegin = 0;
    std::size_t contentEnd = 0;
    std::vector<Node> children;
};

// Reads the elements of a text that the XML parser found well formed; the
// scanner only finds where each element stands. Nothing when the text is
// not as it expects (it then is not a file to extend).
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::optional<Node> Root() {
        while (SkipBlanks(), Starts("<?") || Starts("<!--") || Starts("<!DOCTYPE")) {
            if (Starts("<!DOCTYPE")) {
                if (!SkipDoctype()) {
                    return std::nullopt;
                }
            } else if (!SkipPast(Starts("<?") ? "?>" : "-->")) {
                return std::nullopt;
            }
        }
        return Element(0);
    }

private:
    static constexpr int kDeepest = 64;

    bool Starts(std::string_view s) const { return text_.substr(at_, s.size()) == s; }
    void SkipBlanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) {
            ++at_;
        }
    }
    bool SkipPast(std::string_view s) {
        const std::size_t found = text_.find(s, at_);
        if (found == std::string_view::npos) {
            return false;
        }
        at_ = found + s.size();
        return true;
    }
    // Past a quoted value or the whole DOCTYPE, with its internal subset.
    bool SkipQuoted() {
        const char quote = text_[at_++];
        const std::size_t close = text_.find(quote, at_);
        if (close == std::string_view::npos) {
            return false;
        }
        at_ = close + 1;
        return true;
    }
    bool SkipDoctype() {
        int brackets = 0;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '"' || c == '\'') {
                if (!SkipQuoted()) {
                    return false;
                }
                continue;
            }
            ++at_;
            brackets += c == '[' ? 1 : c == ']' ? -1 : 0;
            if (c == '>' && brackets == 0) {
                return true;
            }
        }
        return false;
    }
    std::string Name() {
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] != '>' && text_[at_] != '/' &&
               std::isspace(static_cast<unsigned char>(text_[at_])) == 0) {
            ++at_;
        }
        return std::string(text_.substr(start, at_ - start));
    }

    std::optional<Node> Element(int depth) {
        if (depth > kDeepest || !Starts("<")) {
            return std::nullopt;
        }
        Node node;
        node.begin = at_++;
        node.name = Name();
        // The attributes, up to the end of the start tag.
        while (at_ < text_.size() && text_[at_] != '>' && !Starts("/>")) {
            if (text_[at_] == '"' || text_[at_] == '\'') {
                if (!SkipQuoted()) {
                    return std::nullopt;
                }
            } else {
                ++at_;
            }
        }
        if (node.name.empty() || at_ >= text_.size()) {
            return std::nullopt;
        }
        if (Starts("/>")) {
            at_ += 2;
            node.contentBegin = node.contentEnd = node.end = at_;
            return node;
        }
        node.contentBegin = ++at_;
        for (;;) {
            const std::size_t open = text_.find('<', at_);
            if (open == std::string_view::npos) {
                return std::nullopt;
            }
            at_ = open;
            if (Starts("<!--") || Starts("<![CDATA[") || Starts("<?")) {
                if (!SkipPast(Starts("<!--") ? "-->" : Starts("<?") ? "?>" : "]]>")) {
                    return std::nullopt;
                }
            } else if (Starts("</")) {
                node.contentEnd = at_;
                at_ += 2;
                if (Name() != node.name || !SkipPast(">")) {
                    return std::nullopt;
                }
                node.end = at_;
                return node;
            } else {
                std::optional<Node> child = Element(depth + 1);
                if (!child) {
                    return std::nullopt;
                }
                node.children.push_back(std::move(*child));
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

const Node* ChildNamed(const Node* parent, std::string_view name) {
    if (parent == nullptr) {
        return nullptr;
    }
    for (const Node& child : parent->children) {
        if (child.name == name) {
            return &child;
        }
    }
    return nullptr;
}

// An element's text, its character references and CDATA read.
std::string ContentOf(std::string_view text, const Node* node) {
    if (node == nullptr) {
        return {};
    }
    const std::string_view raw =
        text.substr(node->contentBegin, node->contentEnd - node->contentBegin);
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        if (raw.substr(i, 9) == "<![CDATA[") {
            const std::size_t close = raw.find("]]>", i + 9);
            out.append(raw.substr(i + 9, close - (i + 9)));
            i = close == std::string_view::npos ? raw.size() : close + 3;
        } else if (raw[i] == '<') {
            i = std::min(raw.find('>', i), raw.size() - 1) + 1;  // a comment's or element's tag
        } else if (raw[i] == '&') {
            const std::size_t semi = raw.find(';', i);
            const std::string_view ref =
                raw.substr(i + 1, semi == std::string_view::npos ? 0 : semi - i - 1);
            static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
                {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
            bool known = false;
            for (const auto& [name, value] : kNamed) {
                if (ref == name) {
                    out.append(value);
                    known = true;
                }
            }
            if (!known && ref.size() > 1 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                const unsigned long code = std::strtoul(
                    std::string(ref.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10);
                out.append(
                    Utf8Char(static_cast<char32_t>(std::min<unsigned long>(code, 0x10FFFF))));
                known = true;
            }
            i = known ? semi + 1 : i + 1;
            if (!known) {
                out += '&';
            }
        } else {
            out += raw[i++];
        }
    }
    return std::string(TrimBlanks(out));
}

std::string ChildContent(std::string_view text, const Node* parent, std::string_view name) {
    return ContentOf(text, ChildNamed(parent, name));
}

// The whitespace that stands before an element on its own line ("" when
// something else stands before it there).
std::string IndentOf(std::string_view text, std::size_t begin) {
    std::size_t start = begin;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) {
        --start;
    }
    return start == 0 || text[start - 1] == '\n' ? std::string(text.substr(start, begin - start))
                                                 : std::string();
}

// How the file lays out its lines: one element a line or all on one, its
// line ends, and the step of its indentation.
struct Layout {
    bool lines = true;
    std::string newline = "\n";
    std::string step = "\t";
};

Layout LayoutOf(std::string_view text, const Node& root) {
    Layout layout;
    layout.lines = text.substr(root.contentBegin, root.contentEnd - root.contentBegin).find('\n') !=
                   std::string_view::npos;
    layout.newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    if (!root.children.empty()) {
        const std::string indent = IndentOf(text, root.children.front().begin);
        if (!indent.empty()) {
            layout.step = indent;
        }
    }
    return layout;
}

// A leaf element as the layout writes it on its own line.
std::string Leaf(const Layout& l, const std::string& indent, std::string_view name,
                 std::string_view value) {
    return (l.lines ? l.newline + indent : std::string()) + "<" + std::string(name) + ">" +
           XmlEscaped(value) + "</" + std::string(name) + ">";
}
std::string Open(const Layout& l, const std::string& indent, std::string_view name) {
    return (l.lines ? l.newline + indent : std::string()) + "<" + std::string(name) + ">";
}
std::string Close(const Layout& l, const std::string& indent, std::string_view name) {
    return Open(l, indent, "/" + std::string(name));
}

std::string EntryText(const Layout& l, const std::string& indent,
                      const ManagementFile::NewEntry& e) {
    const std::string inner = indent + (l.lines ? l.step : std::string());
    const std::pair<const char*, const std::string*> items[] = {
        {"電子データシートファイル名", &e.sheetFile},
        {"電子データシート作成ソフトウェア名", &e.software},
        {"データシート交換用データファイル名", &e.exchangeFile},
        {"データシート交換用データ作成ソフトウェア名", &e.software},
        {"試験コード", &e.code},
        {"基準番号", &e.standard},
        {"試験名称", &e.name},
        {"試験上端深度", &e.topDepth},
        {"試験下端深度", &e.bottomDepth},
        {"試験開始年月日", &e.startDate},
        {"試験終了年月日", &e.endDate},
        {"試験者", &e.tester}};
    std::string text = Open(l, indent, "各種試験情報");
    for (const auto& [name, value] : items) {
        text += Leaf(l, inner, name, *value);
    }
    return text + Close(l, indent, "各種試験情報");
}

std::string BoringText(const Layout& l, const std::string& indent,
                       const ManagementFile::NewBoring& b, const ManagementFile::NewEntry& e) {
    const std::string step = l.lines ? l.step : std::string();
    const std::string in1 = indent + step;
    const std::string in2 = in1 + step;
    const std::string in3 = in2 + step;
    std::string text = Open(l, indent, "試験情報") + Leaf(l, in1, "地点名", b.site) +
                       Leaf(l, in1, "フォルダ名", b.folder) + Open(l, in1, "位置情報");
    const std::pair<const char*, const std::array<std::string, 3>*> angles[] = {
        {"経度", &b.position.longitude}, {"緯度", &b.position.latitude}};
    for (const auto& [name, parts] : angles) {
        const std::string n(name);
        text += Open(l, in2, n) + Leaf(l, in3, n + "_度", (*parts)[0]) +
                Leaf(l, in3, n + "_分", (*parts)[1]) + Leaf(l, in3, n + "_秒", (*parts)[2]) +
                Close(l, in2, n);
    }
    text += Leaf(l, in2, "測地系", b.position.datum) + Leaf(l, in2, "標高", b.position.elevation) +
            Close(l, in1, "位置情報") + EntryText(l, in1, e) + Close(l, indent, "試験情報");
    return text;
}

// The file's 試験情報 of a boring folder.
const Node* BoringNode(std::string_view text, const Node& root, std::string_view folder) {
    for (const Node& child : root.children) {
        if (child.name == "試験情報" && ChildContent(text, &child, "フォルダ名") == folder) {
            return &child;
        }
    }
    return nullptr;
}

// Takes a range out of the text, with the line it stands on when nothing
// else stands there.
void Erase(std::string& text, std::size_t begin, std::size_t end) {
    std::size_t from = begin;
    while (from > 0 && (text[from - 1] == ' ' || text[from - 1] == '\t')) {
        --from;
    }
    if (from > 0 && text[from - 1] == '\n') {
        --from;
        from -= from > 0 && text[from - 1] == '\r' ? 1 : 0;
    } else {
        from = begin;
    }
    text.erase(from, end - from);
}

}  // namespace

ManagementFile::ManagementFile(std::string_view rules) {
    text_ =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
        "<!DOCTYPE GRNDTEST SYSTEM \"GTST0200.DTD\">\r\n"
        "<GRNDTEST DTD_version=\"2.00\">\r\n\t<基礎情報>\r\n\t\t<適用要領基準>" +
        XmlEscaped(rules) + "</適用要領基準>\r\n\t</基礎情報>\r\n</GRNDTEST>\r\n";
}

std::unique_ptr<ManagementFile> ManagementFile::Read(std::string_view bytes, std::string& why) {
    auto file = std::unique_ptr<ManagementFile>(new ManagementFile());
    std::string& text = file->text_;
    const std::optional<std::string> decoded = XmlAsUtf8(bytes, why);
    if (!decoded) {
        return nullptr;
    }
    text = *decoded;
    if (const std::optional<std::string> fault = NotWellFormed(text)) {
        why = *fault;
        return nullptr;
    }
    const std::optional<Node> root = Scanner(text).Root();
    if (!root || root->name != "GRNDTEST") {
        why = "GRNDTEST の管理ファイルではありません";
        return nullptr;
    }
    return file;
}

std::string ManagementFile::Rules() const {
    const std::optional<Node> root = Scanner(text_).Root();
    return root ? ChildContent(text_, ChildNamed(&*root, "基礎情報"), "適用要領基準")
                : std::string();
}

std::vector<ManagementFile::Entry> ManagementFile::Entries(std::string_view folder) const {
    std::vector<Entry> entries;
    const std::optional<Node> root = Scanner(text_).Root();
    const Node* boring = root ? BoringNode(text_, *root, folder) : nullptr;
    for (const Node& n : boring == nullptr ? std::vector<Node>() : boring->children) {
        if (n.name == "各種試験情報") {
            entries.push_back({ChildContent(text_, &n, "電子データシートファイル名"),
                               ChildContent(text_, &n, "電子データシート作成ソフトウェア名"),
                               ChildContent(text_, &n, "データシート交換用データファイル名"),
                               ChildContent(text_, &n, "試験上端深度")});
        }
    }
    return entries;
}

std::optional<ManagementFile::Position> ManagementFile::PositionOf(std::string_view folder) const {
    const std::optional<Node> root = Scanner(text_).Root();
    const Node* boring = root ? BoringNode(text_, *root, folder) : nullptr;
    if (boring == nullptr) {
        return std::nullopt;
    }
    const Node* position = ChildNamed(boring, "位置情報");
    Position p;
    const std::pair<const char*, std::array<std::string, 3>*> angles[] = {{"経度", &p.longitude},
                                                                          {"緯度", &p.latitude}};
    for (const auto& [name, parts] : angles) {
        const std::string n(name);
        const Node* angle = ChildNamed(position, n);
        (*parts)[0] = ChildContent(text_, angle, n + "_度");
        (*parts)[1] = ChildContent(text_, angle, n + "_分");
        (*parts)[2] = ChildContent(text_, angle, n + "_秒");
    }
    p.datum = ChildContent(text_, position, "測地系");
    p.elevation = ChildContent(text_, position, "標高");
    return p;
}

void ManagementFile::Remove(std::string_view folder, std::string_view sheetFile) {
    const std::optional<Node> root = Scanner(text_).Root();
    const Node* boring = root ? BoringNode(text_, *root, folder) : nullptr;
    for (const Node& n : boring == nullptr ? std::vector<Node>() : boring->children) {
        if (n.name == "各種試験情報" &&
            ChildContent(text_, &n, "電子データシートファイル名") == sheetFile) {
            Erase(text_, n.begin, n.end);
            return;
        }
    }
}

void ManagementFile::Add(const NewBoring& b, const NewEntry& e) {
    const std::optional<Node> root = Scanner(text_).Root();
    if (!root) {
        return;
    }
    const Layout layout = LayoutOf(text_, *root);
    if (const Node* boring = BoringNode(text_, *root, b.folder)) {
        // After the boring's last element, as indented as the others.
        const Node& last = boring->children.back();
        const std::string indent = IndentOf(text_, last.begin);
        text_.insert(last.end, EntryText(layout, indent, e));
        return;
    }
    // After the last boring, or the 基礎情報, before the file's comments.
    const Node* after = ChildNamed(&*root, "基礎情報");
    for (const Node& child : root->children) {
        if (child.name == "試験情報") {
            after = &child;
        }
    }
    const std::size_t at = after != nullptr ? after->end : root->contentBegin;
    const std::string indent = after != nullptr ? IndentOf(text_, after->begin) : layout.step;
    text_.insert(at, BoringText(layout, indent, b, e));
}

std::string ManagementFile::Text() const {
    // The declaration names what the file is delivered as.
    std::string text = text_;
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>";
    const std::size_t end = text.find("?>");
    if (text.compare(0, 5, "<?xml") == 0 && end != std::string::npos) {
        text.replace(0, end + 2, declaration);
    } else {
        text.insert(0, declaration + "\r\n");
    }
    return text;
}

}  // namespace karnea
