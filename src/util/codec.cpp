#include "util/codec.hpp"

#include "platform/platform.hpp"
#include "util/gb18030.hpp"
#include "util/utf8.hpp"

namespace lw {
namespace {

// The length of the well-formed UTF-8 sequence at i, 0 when there is none.
size_t sequenceLength(std::string_view text, size_t i) {
    size_t end = i;
    return utf8::decodeAt(text, end) == utf8::kNoCodePoint ? 0 : end - i;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Every byte that does not belong to a well-formed sequence becomes U+FFFD.
std::string repairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t len = sequenceLength(text, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text, i, len);
            i += len;
        }
    }
    return out;
}

std::string lowerAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

enum class Family { Utf8, Utf16Le, Gb18030, Gbk, Other };

// GB2312 and GBK pages are read as GB18030, their superset (as browsers do), so a
// character beyond the declared set is not lost.
Family familyOf(const std::string& charset) {
    std::string name = lowerAscii(charset);
    if (name == "utf-8" || name == "utf8")
        return Family::Utf8;
    if (name == "utf-16le")
        return Family::Utf16Le;
    if (name == "gb18030")
        return Family::Gb18030;
    for (const char* gbk : {"gbk", "gb2312", "cp936", "ms936", "windows-936", "x-gbk", "euc-cn",
                            "csgb2312", "gb_2312-80", "chinese"})
        if (name == gbk)
            return Family::Gbk;
    return Family::Other;
}

void appendUtf8(std::string& out, char32_t cp) {
    utf8::append(out, cp);
}

// UTF-16LE as the package file holds it (our own, as no system converter is needed);
// a lone surrogate or an odd last byte is invalid.
std::optional<std::string> utf16LeToUtf8(std::string_view bytes, bool lenient) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (size_t i = 0; i < bytes.size();) {
        if (i + 1 == bytes.size()) {
            if (!lenient)
                return std::nullopt;
            appendUtf8(out, 0xFFFD);
            break;
        }
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 4;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (!lenient)
                return std::nullopt;
            u = 0xFFFD;
        }
        appendUtf8(out, u);
        i += 2;
    }
    return out;
}

void appendUtf16Le(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

} // namespace

bool isValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t len = sequenceLength(text, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::optional<std::string> utf8ToGb18030(std::string_view utf8) {
    return gb18030::fromUtf8(utf8);
}

std::optional<std::string> gb18030ToUtf8(std::string_view gbk) {
    return gb18030::toUtf8(gbk);
}

// Other charsets go to the system's converter; iconv's UTF-8 reader lets through
// sequences beyond U+10FFFF (and hands them on as they are), so what comes out is
// checked before the program takes it as UTF-8.
std::optional<std::string> toUtf8(std::string_view bytes, const std::string& charset) {
    switch (familyOf(charset)) {
    case Family::Utf8:
        return isValidUtf8(bytes) ? std::optional<std::string>(std::string(bytes)) : std::nullopt;
    case Family::Utf16Le:
        return utf16LeToUtf8(bytes, false);
    case Family::Gb18030:
        return gb18030::toUtf8(bytes);
    case Family::Gbk:
        return gb18030::toUtf8(bytes, true);
    case Family::Other:
        break;
    }
    if (charset.empty())
        return std::nullopt;
    auto r = platform::systemToUtf8(bytes, charset, false);
    if (!r || !isValidUtf8(*r))
        return std::nullopt;
    return r;
}

std::string toUtf8Lenient(std::string_view bytes, const std::string& charset) {
    switch (familyOf(charset)) {
    case Family::Utf8:
        return repairUtf8(bytes);
    case Family::Utf16Le:
        return *utf16LeToUtf8(bytes, true);
    case Family::Gb18030:
        return gb18030::toUtf8Lenient(bytes);
    case Family::Gbk:
        return gb18030::toUtf8Lenient(bytes, true);
    case Family::Other:
        break;
    }
    auto r = platform::systemToUtf8(bytes, charset, true);
    return r ? repairUtf8(*r) : std::string();
}

std::optional<std::string> utf8ToUtf16Le(std::string_view utf8) {
    if (!isValidUtf8(utf8))
        return std::nullopt;
    std::string out;
    out.reserve(utf8.size() * 2);
    for (size_t i = 0; i < utf8.size();) {
        size_t len = sequenceLength(utf8, i);
        auto byte = [&](size_t k) { return static_cast<unsigned char>(utf8[i + k]); };
        char32_t cp = len == 1   ? byte(0)
                      : len == 2 ? ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F)
                      : len == 3
                          ? ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)
                          : ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) |
                                ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
        if (cp < 0x10000) {
            appendUtf16Le(out, cp);
        } else {
            appendUtf16Le(out, 0xD800 + ((cp - 0x10000) >> 10));
            appendUtf16Le(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        i += len;
    }
    return out;
}

} // namespace lw
