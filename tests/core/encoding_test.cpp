#include "base/encoding.h"

#include <gtest/gtest.h>

namespace karnea {
namespace {

TEST(Encoding, CodePage932RowsBothWays) {
    struct Case {
        const char* cp932;
        const char* utf8;
    };
    const Case cases[] = {
        {"\x87\x75", "㎡"},  // NEC special row
        {"\x87\x40", "①"},
        {"\xFA\x40", "ⅰ"},                  // IBM extension
        {"\xFA\x5C", "纊"},                 // IBM extension, trail byte 5C
        {"\xB0\xCC\xA7\xB2\xD9", "ｰﾌｧｲﾙ"},  // half-width katakana
        {"\x81\x40", "　"},                 // full-width space
        {"\\~", "\\~"},                     // ASCII stays ASCII
        {"\x82\x6D\x82\x8F\x81\x44", "Ｎｏ．"},
        {"\x92\xB2\x8D\xB8\x96\xBC", "調査名"},
        {"\x83\x4A\x83\x8B\x83\x6C\x83\x41", "カルネア"},
        {"kN/\x87\x75", "kN/㎡"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
    }
}

TEST(Encoding, InvalidBytesShowAsReplacementCharacters) {
    // 0x80 and 0xFD are not CP932; a lead byte at the end has no trail byte.
    EXPECT_EQ(Cp932ToUtf8("a\x80"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Cp932ToUtf8("\xFD\xFE\xFF"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8("x\x82"), "x\xEF\xBF\xBD");
    // A lead byte with an impossible trail keeps the following character.
    EXPECT_EQ(Cp932ToUtf8("\x81 A"), "\xEF\xBF\xBD A");
    EXPECT_EQ(Cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Encoding, UnrepresentableTextsAreRefusedOrMarked) {
    EXPECT_EQ(TryUtf8ToCp932("😀"), std::nullopt);
    EXPECT_EQ(TryUtf8ToCp932("\xFF"), std::nullopt);
    EXPECT_EQ(TryUtf8ToCp932("深度"), std::optional<std::string>("\x90\x5B\x93\x78"));
    EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
    // The wave dash typed on other desktops maps to the same code as ～.
    EXPECT_EQ(Utf8ToCp932("〜"), "\x81\x60");
}

// File names are bytes: any of them shows as valid UTF-8, a CP932 name
// decoded, the rest with U+FFFD for each stray byte.
TEST(Encoding, FileNamesShowReadable) {
    EXPECT_EQ(ReadableName("/データ/\x82\xa0.kdw"), "/データ/あ.kdw");
    EXPECT_EQ(ReadableName("caf\xe9.kdw"), "caf\xEF\xBF\xBD.kdw");
    EXPECT_EQ(ReadableName("\xff\xfe/ok"), "\xEF\xBF\xBD\xEF\xBF\xBD/ok");
    // A surrogate's three bytes are three stray ones; a character beyond
    // the first plane stays.
    EXPECT_EQ(ValidUtf8("a\xED\xA0\x80"
                        "b\xF0\x9F\x98\x80"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "b\xF0\x9F\x98\x80");
    EXPECT_EQ(ValidUtf8("\xE3\x81"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Encoding, CutNeverSplitsACharacter) {
    const std::string text = "a" + Utf8ToCp932("深度") + "b";  // 1 + 2 + 2 + 1 bytes
    EXPECT_EQ(CutCp932(text, 10), text);
    EXPECT_EQ(CutCp932(text, 3), "a" + Utf8ToCp932("深"));
    EXPECT_EQ(CutCp932(text, 4), "a" + Utf8ToCp932("深"));
    EXPECT_EQ(CutCp932(text, 0), "");
}
}  // namespace
}  // namespace karnea
