#include "util/encode.hpp"

#include <gtest/gtest.h>

using namespace lw;

TEST(Encoders, Table) {
    struct Case {
        std::string in, form, query;
    };
    const Case cases[] = {
        {"", "", ""},
        {"a b", "a+b", "a%20b"},
        {"a+b", "a%2Bb", "a%2Bb"},
        {"100%", "100%25", "100%25"},
        {"x=1&y=2", "x%3D1%26y%3D2", "x=1&y=2"},
        {"a\nb", "a%0Ab", "a%0Ab"},
        {"\xB0", "%B0", "%B0"},
        {"!$'()*-.@_", "!$'()*-.@_", "!$'()%2A-.@_"},
        {"~,/:", "%7E%2C%2F%3A", "~,/:"},
        {"#<>", "%23%3C%3E", "%23%3C%3E"},
        {"红", "%E7%BA%A2", "%E7%BA%A2"},
        {"abcXYZ019", "abcXYZ019", "abcXYZ019"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeFormValue(c.in), c.form) << c.in;
        EXPECT_EQ(encodeQueryText(c.in), c.query) << c.in;
    }
}

TEST(Encoders, EveryByteHasAnEncodingAtMostThreeTimesLonger) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string form = encodeFormValue(all);
    std::string query = encodeQueryText(all);
    EXPECT_LE(form.size(), all.size() * 3);
    for (char c : form)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x21 && static_cast<unsigned char>(c) < 0x7F);
    // The query encoder leaves DEL as it is; every other byte comes out printable.
    for (char c : query)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x21 && static_cast<unsigned char>(c) <= 0x7F);
}

TEST(Md5Hex, KnownDigestsUpperCase) {
    EXPECT_EQ(md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(md5Hex(std::string(100000, 'x')).size(), 32u);
}
