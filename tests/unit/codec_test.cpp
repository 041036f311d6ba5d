#include "util/codec.hpp"

#include <gtest/gtest.h>

using namespace lw;

TEST(Codec, GbkCharactersKeepTheirGbkBytes) {
    auto gbk = utf8ToGb18030("红色 abc");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(*gbk, "\xBA\xEC\xC9\xAB abc");
    EXPECT_EQ(gb18030ToUtf8(*gbk).value(), "红色 abc");
}

TEST(Codec, CharactersOutsideGbkRoundTrip) {
    // Euro sign, an emoji and a rare CJK extension character: none is in GBK.
    for (std::string text : {"€", "😀", "𠀀", "Ǹ", "中文😀€混合"}) {
        auto gbk = utf8ToGb18030(text);
        ASSERT_TRUE(gbk) << text;
        EXPECT_EQ(gb18030ToUtf8(*gbk).value(), text);
    }
}

TEST(Codec, InvalidInputIsRefusedNotReplaced) {
    EXPECT_FALSE(utf8ToGb18030("\xFF\xFE"));
    EXPECT_FALSE(utf8ToUtf16Le("a\xC3"));
    EXPECT_FALSE(gb18030ToUtf8("\x81"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // a lone surrogate
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_TRUE(isValidUtf8("中文😀"));
}

TEST(Codec, Utf16LittleEndianBackToUtf8) {
    EXPECT_EQ(toUtf8(std::string("A\0\x2D\x4E\x3D\xD8\x00\xDE", 8), "UTF-16LE").value(), "A中😀");
    EXPECT_FALSE(toUtf8(std::string("\x3D\xD8", 2), "UTF-16LE")); // a lone surrogate
    EXPECT_FALSE(toUtf8(std::string("A\0B", 3), "UTF-16LE"));     // an odd byte
}

TEST(Codec, Utf16LittleEndian) {
    EXPECT_EQ(utf8ToUtf16Le("A中").value(), std::string("A\0\x2D\x4E", 4));
    EXPECT_EQ(utf8ToUtf16Le("😀").value(), std::string("\x3D\xD8\x00\xDE", 4));
    EXPECT_EQ(utf8ToUtf16Le("").value(), "");
}

TEST(Codec, DeclaredCharsets) {
    EXPECT_EQ(toUtf8("\xBA\xEC", "GBK").value(), "红");
    EXPECT_EQ(toUtf8("abc", "utf-8").value(), "abc");
    EXPECT_FALSE(toUtf8("abc", "no-such-charset"));
    EXPECT_EQ(toUtf8Lenient("a\x81", "GB18030"), "a\xEF\xBF\xBD");
}

// iconv's UTF-8 reader passes sequences beyond U+10FFFF through unchanged; the program's
// text must stay UTF-8 all the same (found by the page_charset fuzz target).
TEST(Codec, BeyondUnicodeIsNotTakenAsUtf8) {
    struct Case {
        std::string bytes;
        std::string lenient;
    } cases[] = {
        {"a\xF4\x90\x80\x80", "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF6\xB0\xB0\xB0 b", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD b"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(toUtf8(c.bytes, "UTF-8")) << c.bytes;
        EXPECT_EQ(toUtf8Lenient(c.bytes, "utf-8"), c.lenient) << c.bytes;
    }
}
