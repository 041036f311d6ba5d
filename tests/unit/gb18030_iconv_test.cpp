// The GB18030 codec against glibc's iconv, byte for byte: every two-byte code, every
// four-byte code below the supplementary planes, every code point. Linux only.
#include "util/gb18030.hpp"

#include <gtest/gtest.h>

#include <iconv.h>
#include <optional>
#include <string>

using namespace lw;

namespace {

std::optional<std::string> viaIconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    char buffer[64];
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    return std::string(buffer, outPtr);
}

std::string utf8Of(char32_t cp) {
    std::string u32(reinterpret_cast<const char*>(&cp), 4);
    return viaIconv("UTF-8", "UTF-32LE", u32).value();
}

std::string fourBytes(unsigned linear) {
    return {static_cast<char>(0x81 + linear / 12600), static_cast<char>(0x30 + linear / 1260 % 10),
            static_cast<char>(0x81 + linear / 10 % 126), static_cast<char>(0x30 + linear % 10)};
}

} // namespace

TEST(Gb18030AgainstIconv, EveryOneAndTwoByteSequence) {
    for (unsigned b = 0; b < 0x100; ++b) {
        std::string one(1, static_cast<char>(b));
        ASSERT_EQ(gb18030::toUtf8(one), viaIconv("UTF-8", "GB18030", one)) << b;
        for (unsigned t = 0; t < 0x100; ++t) {
            std::string two = one + static_cast<char>(t);
            ASSERT_EQ(gb18030::toUtf8(two), viaIconv("UTF-8", "GB18030", two)) << b << " " << t;
        }
    }
}

// What GBK (code page 936) decodes, the codec decodes alike in its GBK mode.
TEST(Gb18030AgainstIconv, GbkModeDecodesEveryGbkCodeAsGbkDoes) {
    for (unsigned b = 0x80; b < 0x100; ++b) {
        std::string one(1, static_cast<char>(b));
        if (auto gbk = viaIconv("UTF-8", "GBK", one)) {
            ASSERT_EQ(gb18030::toUtf8(one, true), gbk) << b;
        }
        for (unsigned t = 0; t < 0x100; ++t) {
            std::string two = one + static_cast<char>(t);
            if (auto gbk = viaIconv("UTF-8", "GBK", two)) {
                ASSERT_EQ(gb18030::toUtf8(two, true), gbk) << b << " " << t;
            }
        }
    }
}

TEST(Gb18030AgainstIconv, EveryFourByteCodeBelowThePlanes) {
    for (unsigned linear = 0; linear < 189000; ++linear) {
        std::string code = fourBytes(linear);
        ASSERT_EQ(gb18030::toUtf8(code), viaIconv("UTF-8", "GB18030", code)) << linear;
    }
    for (std::string code : {"\x90\x30\x81\x30", "\xE3\x32\x9A\x35", "\xE3\x32\x9A\x36",
                             "\xFE\x39\xFE\x39", "\x81\x30\x81", "\x81\x30\x7F\x30"})
        EXPECT_EQ(gb18030::toUtf8(code), viaIconv("UTF-8", "GB18030", code));
}

TEST(Gb18030AgainstIconv, EveryCodePointEncodes) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        std::string utf8 = utf8Of(cp);
        ASSERT_EQ(gb18030::fromUtf8(utf8), viaIconv("GB18030", "UTF-8", utf8))
            << static_cast<unsigned>(cp);
    }
}
