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

// Why delivered bytes are not what a checker takes: a byte sequence a strict
// Shift_JIS reader refuses (named with where it stands), or the document
// they read as not valid against its DTD; nothing when they are.
std::optional<std::string> InvalidDelivered(std::string_view shiftJisBytes);

// Why a document (UTF-8) is not well-formed XML, or nothing.
std::optional<std::string> NotWellFormed(std::string_view utf8Xml);

// An XML file's bytes as UTF-8 text, by its byte-order mark or declaration
// (UTF-16, UTF-8, or Shift_JIS read as the CP932 that Japanese Windows
// writes under that name); nothing when they are not such text, with why.
std::optional<std::string> XmlAsUtf8(std::string_view bytes, std::string& why);

}  // namespace karnea
