#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 sequences one code point at a time, for the codecs.
namespace lw::utf8 {

constexpr char32_t kNoCodePoint = 0xFFFFFFFF;

// The code point of the well-formed sequence at text[i] (shortest form, no surrogate, at
// most U+10FFFF), with i moved past it; kNoCodePoint, and i unchanged, when there is none.
inline char32_t decodeAt(std::string_view text, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len;
    char32_t cp;
    if (c < 0x80) {
        ++i;
        return c;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return kNoCodePoint;
    }
    if (i + len > text.size())
        return kNoCodePoint;
    for (std::size_t k = 1; k < len; ++k) {
        unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80)
            return kNoCodePoint;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kNoCodePoint;
    i += len;
    return cp;
}

inline void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace lw::utf8
