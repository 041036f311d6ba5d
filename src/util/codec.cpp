#include "util/codec.hpp"

#include <iconv.h>

#include <cerrno>
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

// Converts all of input; on an invalid or incomplete sequence either fails or, when
// lenient, writes the replacement and skips one byte.
std::optional<std::string> convert(std::string_view input, const std::string& from,
                                   const char* to, bool lenient) {
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
        out += "\xEF\xBF\xBD";
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

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
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
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::optional<std::string> Utf8ToGb18030(std::string_view utf8) {
    if (!IsValidUtf8(utf8))
        return std::nullopt;
    return convert(utf8, "UTF-8", "GB18030", false);
}

std::optional<std::string> Gb18030ToUtf8(std::string_view gbk) {
    return convert(gbk, "GB18030", "UTF-8", false);
}

std::optional<std::string> ToUtf8(std::string_view bytes, const std::string& charset) {
    if (charset.empty())
        return std::nullopt;
    return convert(bytes, charset, "UTF-8", false);
}

std::string ToUtf8Lenient(std::string_view bytes, const std::string& charset) {
    auto r = convert(bytes, charset, "UTF-8", true);
    return r ? *r : std::string();
}

std::optional<std::string> Utf8ToUtf16Le(std::string_view utf8) {
    if (!IsValidUtf8(utf8))
        return std::nullopt;
    return convert(utf8, "UTF-8", "UTF-16LE", false);
}

} // namespace lw
