#include "render/pdfjoin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

namespace karnea {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    return c != '\0' && std::strchr("()<>[]{}/%", c) != nullptr;
}

// A whole number written with digits alone (as object numbers are).
std::optional<long long> Whole(std::string_view token) {
    if (token.empty() || token.size() > 12) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// Reads the plain tokens of a text (numbers and keywords), skipping space.
class Tokens {
public:
    Tokens(std::string_view text, std::size_t at) : text_(text), at_(at) {}
    std::string_view Next() {
        while (at_ < text_.size() && IsSpace(text_[at_])) {
            ++at_;
        }
        const std::size_t start = at_;
        while (at_ < text_.size() && !IsSpace(text_[at_]) && !IsDelimiter(text_[at_])) {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }
    std::optional<long long> NextWhole() { return Whole(Next()); }
    std::size_t At() const { return at_; }

private:
    std::string_view text_;
    std::size_t at_;
};

// The object that the first reference "n g R" after `key` in `text` names.
std::optional<long long> ReferenceAfter(std::string_view text, std::string_view key) {
    for (std::size_t at = text.find(key); at != std::string_view::npos;
         at = text.find(key, at + 1)) {
        Tokens tokens(text, at + key.size());
        const std::optional<long long> number = tokens.NextWhole();
        if (number && tokens.NextWhole() && tokens.Next() == "R") {
            return number;
        }
    }
    return std::nullopt;
}

// Copies the text of an object after its "n g obj" with every reference
// "n g R" renumbered by `renumber` (which gives 0 for an object it does not
// know: the copy fails). Strings, names and comments are copied as they
// stand; from the keyword "stream" on, the object is copied unread.
template <class Renumber>
bool CopyRenumbered(std::string_view text, const Renumber& renumber, std::string& out) {
    // The last whole numbers copied, one after another: where each begins in
    // `out`, and its value.
    std::size_t wholes = 0;
    std::pair<std::size_t, long long> last[2] = {};
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsSpace(c)) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (c == '%') {
            while (i < text.size() && text[i] != '\n' && text[i] != '\r') {
                ++i;
            }
        } else if (c == '(') {
            int depth = 0;
            for (; i < text.size(); ++i) {
                if (text[i] == '\\') {
                    ++i;
                } else if (text[i] == '(') {
                    ++depth;
                } else if (text[i] == ')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
            if (depth != 0) {
                return false;
            }
        } else if (c == '<' && i + 1 < text.size() && text[i + 1] != '<') {
            i = text.find('>', i);
            if (i == std::string_view::npos) {
                return false;
            }
            ++i;
        } else if ((c == '<' || c == '>') && i + 1 < text.size() && text[i + 1] == c) {
            i += 2;
        } else if (c == '/') {
            ++i;
            while (i < text.size() && !IsSpace(text[i]) && !IsDelimiter(text[i])) {
                ++i;
            }
        } else if (IsDelimiter(c)) {
            ++i;
        } else {
            while (i < text.size() && !IsSpace(text[i]) && !IsDelimiter(text[i])) {
                ++i;
            }
            const std::string_view token = text.substr(start, i - start);
            if (token == "stream") {
                out.append(text.substr(start));
                return true;
            }
            if (token == "R" && wholes >= 2) {
                const int number = renumber(last[0].second);
                if (number == 0) {
                    return false;
                }
                out.resize(last[0].first);
                out += std::to_string(number) + " 0 R";
                wholes = 0;
                continue;
            }
            if (const std::optional<long long> whole = Whole(token)) {
                last[0] = last[1];
                last[1] = {out.size(), *whole};
                wholes = std::min<std::size_t>(wholes + 1, 2);
                out.append(token);
                continue;
            }
        }
        out.append(text.substr(start, i - start));
        wholes = 0;
    }
    return true;
}

}  // namespace

bool PdfJoin::Put(std::string_view bytes) {
    if (!failed_ && !put_(bytes)) {
        failed_ = true;
    }
    written_ += bytes.size();
    return !failed_;
}

bool PdfJoin::PutObject(int number, std::string_view text) {
    offsets_[static_cast<std::size_t>(number - 1)] = written_;
    return Put(std::to_string(number) + " 0 obj") && Put(text);
}

bool PdfJoin::Add(std::string_view pdf) {
    if (failed_) {
        return false;
    }
    failed_ = true;  // until the file is read and written
    // The cross-reference table the end of the file points to.
    const std::size_t mark = pdf.rfind("startxref");
    if (mark == std::string_view::npos || pdf.compare(0, 5, "%PDF-") != 0) {
        return false;
    }
    const std::optional<long long> tableAt = Tokens(pdf, mark + 9).NextWhole();
    if (!tableAt || static_cast<std::size_t>(*tableAt) >= mark) {
        return false;
    }
    const std::size_t table = static_cast<std::size_t>(*tableAt);
    Tokens tokens(pdf, table);
    if (tokens.Next() != "xref") {
        return false;
    }
    std::vector<std::pair<std::size_t, long long>> objects;  // offset, number
    std::string_view word = tokens.Next();
    while (word != "trailer") {
        const std::optional<long long> first = Whole(word);
        const std::optional<long long> count = tokens.NextWhole();
        if (!first || !count || *first + *count > 10'000'000) {
            return false;
        }
        for (long long n = *first; n < *first + *count; ++n) {
            const std::optional<long long> offset = tokens.NextWhole();
            const std::optional<long long> generation = tokens.NextWhole();
            const std::string_view kind = tokens.Next();
            if (!offset || !generation || (kind != "n" && kind != "f")) {
                return false;
            }
            if (kind == "n") {
                if (*offset <= 0 || static_cast<std::size_t>(*offset) >= table) {
                    return false;
                }
                objects.emplace_back(static_cast<std::size_t>(*offset), n);
            }
        }
        word = tokens.Next();
    }
    const std::string_view trailer = pdf.substr(tokens.At(), mark - tokens.At());
    const std::optional<long long> root = ReferenceAfter(trailer, "/Root");
    const std::optional<long long> info = ReferenceAfter(trailer, "/Info");
    if (!root || objects.empty()) {
        return false;
    }

    // Each object's text runs to where the next one begins.
    std::sort(objects.begin(), objects.end());
    long long largest = 0;
    for (const auto& o : objects) {
        largest = std::max(largest, o.second);
    }
    std::vector<std::string_view> textOf(static_cast<std::size_t>(largest) + 1);
    for (std::size_t k = 0; k < objects.size(); ++k) {
        const std::size_t end = k + 1 < objects.size() ? objects[k + 1].first : table;
        Tokens header(pdf, objects[k].first);
        if (header.NextWhole() != objects[k].second || !header.NextWhole() ||
            header.Next() != "obj") {
            return false;
        }
        textOf[static_cast<std::size_t>(objects[k].second)] =
            pdf.substr(header.At(), end - header.At());
    }
    const auto text = [&](long long n) {
        return n >= 0 && n <= largest ? textOf[static_cast<std::size_t>(n)] : std::string_view();
    };
    const std::optional<long long> tree = ReferenceAfter(text(*root), "/Pages");
    if (!tree || text(*tree).empty()) {
        return false;
    }

    // The pages, in order; a tree of one level, as the writer makes it.
    std::vector<long long> kids;
    const std::string_view treeText = text(*tree);
    const std::size_t open = treeText.find('[', treeText.find("/Kids"));
    const std::size_t close = treeText.find(']', open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
        return false;
    }
    Tokens list(treeText.substr(0, close), open + 1);
    for (std::optional<long long> kid = list.NextWhole(); kid; kid = list.NextWhole()) {
        const std::string_view page = text(*kid);
        const std::size_t type = page.find("/Type /Page");
        if (!list.NextWhole() || list.Next() != "R" || type == std::string_view::npos ||
            page.substr(type, 12) == "/Type /Pages") {
            return false;
        }
        kids.push_back(*kid);
    }

    // New numbers: the first file's catalogue and information are kept, the
    // page trees become the one written at the end (object 1).
    const bool first = offsets_.empty();
    if (first) {
        offsets_.push_back(0);
    }
    std::vector<int> renumbered(static_cast<std::size_t>(largest) + 1, 0);
    for (const auto& [offset, n] : objects) {
        if (n == *tree) {
            renumbered[static_cast<std::size_t>(n)] = 1;
        } else if (first || (n != *root && n != info)) {
            offsets_.push_back(0);
            renumbered[static_cast<std::size_t>(n)] = static_cast<int>(offsets_.size());
        }
    }
    const auto renumber = [&](long long n) {
        return n >= 0 && n <= largest ? renumbered[static_cast<std::size_t>(n)] : 0;
    };

    failed_ = false;
    if (first && !Put(pdf.substr(0, objects.front().first))) {
        return false;
    }
    std::string copy;
    for (const auto& [offset, n] : objects) {
        copy.clear();
        if (!CopyRenumbered(text(n), renumber, copy)) {
            failed_ = true;
            return false;
        }
        if (n == *tree) {
            if (first) {
                pageTree_ = copy;
            }
        } else if (renumber(n) != 0 && !PutObject(renumber(n), copy)) {
            return false;
        }
    }
    if (first) {
        root_ = renumber(*root);
        info_ = info ? renumber(*info) : 0;
    }
    for (const long long kid : kids) {
        pages_.push_back(renumber(kid));
    }
    return true;
}

bool PdfJoin::Finish() {
    if (failed_ || offsets_.empty()) {
        return false;
    }
    // The first file's page tree with every page.
    const std::size_t open = pageTree_.find('[', pageTree_.find("/Kids"));
    const std::size_t close = pageTree_.find(']', open);
    const std::size_t count = pageTree_.find("/Count", close);
    Tokens number(pageTree_, count + 6);
    if (close == std::string::npos || count == std::string::npos || !number.NextWhole()) {
        return false;
    }
    std::string kids = "\n";
    for (const int page : pages_) {
        kids += std::to_string(page) + " 0 R\n";
    }
    const std::string tree = pageTree_.substr(0, open + 1) + kids +
                             pageTree_.substr(close, count + 6 - close) + " " +
                             std::to_string(pages_.size()) + pageTree_.substr(number.At());
    if (!PutObject(1, tree)) {
        return false;
    }
    const std::size_t table = written_;
    std::string text = "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    char entry[32];
    for (const std::size_t offset : offsets_) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        text += entry;
    }
    text += "trailer\n<<\n/Size " + std::to_string(offsets_.size() + 1) + "\n";
    if (info_ != 0) {
        text += "/Info " + std::to_string(info_) + " 0 R\n";
    }
    text += "/Root " + std::to_string(root_) + " 0 R\n>>\nstartxref\n" + std::to_string(table) +
            "\n%%EOF\n";
    return Put(text);
}

}  // namespace karnea
