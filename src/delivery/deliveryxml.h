// The XML of the electronic delivery: the shipped DTDs, texts made safe for a
// strict Shift_JIS reader, and validation against a DTD of the bytes that
// are delivered. No file is loaded from outside: a DOCTYPE is resolved
// against the shipped DTDs alone.
#pragma once

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
// "〓" where there is none (a user-defined character, 外字, among them);
// each character replaced is added to `replaced` as "① → (1)" ("外字 F040 →
// 〓").
std::string PlainForShiftJis(std::string_view text, std::set<std::string>& replaced);

// An XML document (UTF-8, declaring Shift_JIS or UTF-8) as the bytes
// delivered: Shift_JIS. The text must have been made plain first.
std::string ShiftJisBytes(std::string_view utf8Xml);

// Text for an element's content: & < > escaped.
std::string XmlEscaped(std::string_view text);

// Why the document (UTF-8) is not valid against the shipped DTD it names in
// its DOCTYPE, or nothing when it is.
std::optional<std::string> InvalidAgainstDtd(std::string_view utf8Xml);

// Shift_JIS bytes as a strict reader reads them (UTF-8); nothing when a
// byte sequence is not Shift_JIS, with where it stands in `why`.
std::optional<std::string> StrictShiftJisText(std::string_view bytes, std::string& why);

// Why delivered bytes are not what a checker takes: a byte sequence a strict
// Shift_JIS reader refuses (named with where it stands), or the document
// they read as not valid against its DTD; nothing when they are.
std::optional<std::string> InvalidDelivered(std::string_view shiftJisBytes);

// Why a document (UTF-8) is not well-formed XML, or nothing.
std::optional<std::string> NotWellFormed(std::string_view utf8Xml);

// An XML document's elements as plain values, for reading other programs'
// files: names and texts UTF-8, each element's text with the blanks around
// it left out, and the line it starts on.
struct XmlElement {
    std::string name;
    std::string text;
    int line = 0;
    std::vector<XmlElement> children;
    // The first child of that name, and its text ("" when there is none).
    const XmlElement* Child(std::string_view childName) const;
    std::string ChildText(std::string_view childName) const;
    // Every child of that name.
    std::vector<const XmlElement*> Children(std::string_view childName) const;
};
// The root element of a document (UTF-8); nothing, and why, when it is not
// well formed.
std::optional<XmlElement> ReadXmlElements(std::string_view utf8Xml, std::string& why);

// How a document (UTF-8) stands against the DTD its DOCTYPE names, read
// from `folder` (the files beside it, as a delivery holds them): whether the
// DTD is there, why the document is not valid against it (or not well
// formed, or names none), and its elements when it is well formed.
struct DtdCheck {
    std::string dtd;  // the DTD named
    bool found = false;
    std::optional<std::string> invalid;
    std::optional<XmlElement> root;
};
DtdCheck CheckAgainstDtdBeside(std::string_view utf8Xml, const std::string& folder);

// An XML file's bytes as UTF-8 text, by its byte-order mark or declaration
// (UTF-16, UTF-8, or Shift_JIS read as the CP932 that Japanese Windows
// writes under that name); nothing when they are not such text, with why.
std::optional<std::string> XmlAsUtf8(std::string_view bytes, std::string& why);

// A file of a delivery, whoever wrote it, as read for its checks.
struct DeliveryFile {
    std::string encoding;               // as declared ("Shift_JIS"), or by its byte-order mark
    bool shiftJis = false;              // declared Shift_JIS
    bool opened = false;                // its bytes were read
    std::optional<std::string> unread;  // why they cannot be read as XML text
    std::optional<std::string> strict;  // why a strict Shift_JIS reader refuses it
    DtdCheck dtd;                       // against the DTD beside it; its elements
};
DeliveryFile ReadDeliveryFile(const std::string& path);

// While one lives, the DTDs read beside a delivery's files are kept, each
// read and parsed once by each thread for all the files of its folder.
class KeptDtds {
public:
    KeptDtds();
    ~KeptDtds();
    KeptDtds(const KeptDtds&) = delete;
    KeptDtds& operator=(const KeptDtds&) = delete;
};

}  // namespace karnea
