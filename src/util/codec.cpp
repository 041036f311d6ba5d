#include "util/codec.hpp"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace lw {
namespace {

struct IconvHandle {
    iconv_t cd;
    explicit IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid())
            iconv_close(cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

// The length of the well-formed UTF-8 sequence at i (shortest form, no surrogate, at
// most U+10FFFF), 0 when there is none.
size_t sequenceLength(std::string_view text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len;
    char32_t cp;
    if (c < 0x80) {
        return 1;
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
        return 0;
    }
    if (i + len > text.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
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

// Converts all of input; on an invalid or incomplete sequence either fails or, when
// lenient, writes the replacement and skips one byte.
std::optional<std::string> convert(std::string_view input, const std::string& from, const char* to,
                                   bool lenient) {
    IconvHandle h(to, from.c_str());
    if (!h.valid())
        return std::nullopt;
    std::string out;
    out.reserve(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(h.cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (!lenient)
            return std::nullopt;
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(h.cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1) && !lenient)
        return std::nullopt;
    out.append(buffer, outPtr - buffer);
    return out;
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
    if (!isValidUtf8(utf8))
        return std::nullopt;
    return convert(utf8, "UTF-8", "GB18030", false);
}

std::optional<std::string> gb18030ToUtf8(std::string_view gbk) {
    return toUtf8(gbk, "GB18030");
}

// iconv's UTF-8 reader lets through sequences beyond U+10FFFF (and hands them on as
// they are), so what comes out is checked before the program takes it as UTF-8.
std::optional<std::string> toUtf8(std::string_view bytes, const std::string& charset) {
    if (charset.empty())
        return std::nullopt;
    auto r = convert(bytes, charset, "UTF-8", false);
    if (!r || !isValidUtf8(*r))
        return std::nullopt;
    return r;
}

std::string toUtf8Lenient(std::string_view bytes, const std::string& charset) {
    auto r = convert(bytes, charset, "UTF-8", true);
    return r ? repairUtf8(*r) : std::string();
}

std::optional<std::string> utf8ToUtf16Le(std::string_view utf8) {
    if (!isValidUtf8(utf8))
        return std::nullopt;
    return convert(utf8, "UTF-8", "UTF-16LE", false);
}

} // namespace lw
