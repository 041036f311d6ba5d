// The GB18030 codec on every platform: known codes of each kind (the whole mapping is
// checked against iconv on Linux).
#include "util/gb18030.hpp"

#include <gtest/gtest.h>

using namespace lw;

TEST(Gb18030, CodesOfEveryLength) {
    struct Case {
        std::string utf8;
        std::string gb;
    } cases[] = {
        {"abc", "abc"},
        {"红色", "\xBA\xEC\xC9\xAB"},             // GBK two-byte
        {"丂", "\x81\x40"},                       // first two-byte code
        {"€", "\xA2\xE3"},                        // two-byte outside GB2312
        {"\xC2\x80", "\x81\x30\x81\x30"},         // first four-byte code
        {"\xEF\xBF\xBF", "\x84\x31\xA4\x39"},     // last BMP code point
        {"😀", "\x94\x39\xFC\x36"},                // supplementary, linear
        {"𠂇", "\xFE\x51"},                       // supplementary with a two-byte code
        {"\xF4\x8F\xBF\xBF", "\xE3\x32\x9A\x35"}, // U+10FFFF
        {"中文😀€混合 x", "\xD6\xD0\xCE\xC4\x94\x39\xFC\x36\xA2\xE3\xBB\xEC\xBA\xCF x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gb18030::fromUtf8(c.utf8), c.gb) << c.utf8;
        EXPECT_EQ(gb18030::toUtf8(c.gb), c.utf8) << c.utf8;
    }
}

TEST(Gb18030, InvalidInput) {
    for (std::string gb : {"\x80", "\xFF", "\x81", "\x81\x7F", "\x81\x30\x81", "\x81\x30\x7F\x30",
                           "\xE3\x32\x9A\x36", "\xFE\x39\xFE\x39", "a\x81\x20"})
        EXPECT_FALSE(gb18030::toUtf8(gb)) << gb;
    for (std::string utf8 : {"\xFF\xFE", "a\xC3", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(gb18030::fromUtf8(utf8)) << utf8;
}

TEST(Gb18030, LenientDecodingReplacesOneByteAtATime) {
    struct Case {
        std::string gb;
        std::string utf8;
    } cases[] = {
        {"a\x81", "a\xEF\xBF\xBD"},
        {"\x81\x20\xBA\xEC", "\xEF\xBF\xBD \xE7\xBA\xA2"},
        {"\x80\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\x81\x30\x81", "\xEF\xBF\xBD"
                         "0\xEF\xBF\xBD"},
        {"\xC9\xAB", "色"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gb18030::toUtf8Lenient(c.gb), c.utf8) << c.gb;
}
