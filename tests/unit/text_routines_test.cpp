#include "store/text_routines.hpp"

#include <gtest/gtest.h>

using namespace lw;
using Pieces = std::vector<std::string>;

struct SplitCase {
    std::string text;
    std::string separator;
    Pieces expected;
};

TEST(SplitText, Cases) {
    const SplitCase cases[] = {
        {"", ",", {""}},
        {"a,,b", ",", {"a", "", "b"}},
        {"a,b,", ",", {"a", "b", ""}},
        {",a", ",", {"", "a"}},
        {"红色|蓝色", "|", {"红色", "蓝色"}},
        // Only the first byte of a long separator goes; later pieces keep the rest.
        {"<a>1</a><a>2</a>", "</a>", {"<a>1", "/a><a>2", "/a>"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitText(c.text, c.separator), c.expected) << c.text;
}

TEST(SplitTextMax, CutsWholeSeparatorsUpToMax) {
    EXPECT_EQ(splitTextMax("a|b|c|d", "|", 2), (Pieces{"a", "b", "c|d"}));
    EXPECT_EQ(splitTextMax("a|b|c|d", "|", 0), (Pieces{"a", "b", "c", "d"}));
    EXPECT_EQ(splitTextMax("a|b|c|d", "|", -1), (Pieces{"a", "b", "c", "d"}));
    EXPECT_EQ(splitTextMax("<i>1</i><i>2</i>tail", "</i>", 99999),
              (Pieces{"<i>1", "<i>2", "tail"}));
    EXPECT_EQ(splitTextMax("", "|", 5), (Pieces{""}));
}

TEST(SplitTextMax, RunsTheCallbackBeforeEveryCut) {
    int calls = 0;
    splitTextMax("a|b|c|d", "|", 2, [&] { ++calls; });
    EXPECT_EQ(calls, 2);
    calls = 0;
    splitTextMax("a|b|c|d", "|", 99999, [&] { ++calls; });
    EXPECT_EQ(calls, 3);
}

TEST(textBetween, Cases) {
    struct Case {
        std::string text, start, end, expected;
    };
    const Case cases[] = {
        {"http://detail.1688.com/offer/123.html", "/offer/", ".html", "123"},
        {"abc", "x", "c", ""},
        {"abc", "a", "x", ""},
        {"abc", "a", "b", ""},
        {"abc", "", "", "abc"},
        {"D:\\pkg\\a.csv", "", "\\", "D:"},
        {"key=value", "key=", "", "value"},
        {"<a>1</a><a>2</a>", "<a>", "</a>", "1"},
        // The end marker is searched only after the start marker.
        {"</a><a>x</a>", "<a>", "</a>", "x"},
        {"价格：12.50元", "价格：", "元", "12.50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textBetween(c.text, c.start, c.end), c.expected)
            << c.text << " [" << c.start << "][" << c.end << "]";
}

TEST(IsNumber, Cases) {
    for (const char* yes : {"0", "100", "0.05", "100.50", "007", "12.50", "100.00"})
        EXPECT_TRUE(isNumber(yes)) << yes;
    for (const char* no : {"", ".", ".5", "5.", "1.2.3", "-1", "+1", "1 ", "1e5", "１"})
        EXPECT_FALSE(isNumber(no)) << no;
}

TEST(FlagText, Cases) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "1"}, {"0", "0"},     {"true", "1"}, {"TRUE", "1"},   {"Deleted", "1"},
        {"", "0"},  {"false", "0"}, {"yes", "0"},  {"normal", "0"}, {"2", "0"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(flagText(in), out) << in;
}

TEST(VersionText, FourNumbersWithoutLeadingZeros) {
    EXPECT_EQ(versionTextOf("2.0.1.7"), "2.0.1.7");
    EXPECT_EQ(versionTextOf("02.00.01.07"), "2.0.1.7");
    EXPECT_EQ(versionTextOf("1.2"), "1.2.0.0");
    EXPECT_EQ(versionTextOf(""), "0");
    EXPECT_EQ(versionTextOf("x.y"), "0");
    EXPECT_EQ(programVersion(), versionTextOf(LISTWRIGHT_VERSION));
    EXPECT_NE(programVersion(), "0");
}

TEST(TextHelpers, TrimLowerReplaceFind) {
    EXPECT_EQ(trim("  a b \r\n"), "a b");
    EXPECT_EQ(lowerAscii("AbC中文"), "abc中文");
    EXPECT_EQ(replaceAll("a&amp;b&amp;", "&amp;", "&"), "a&b&");
    EXPECT_EQ(findNoCase("xxSRC=\"a", "src=\""), 2u);
    EXPECT_EQ(findNoCase("abc", "d"), std::string::npos);
}
