#include "util/gb18030.hpp"

#include "util/utf8.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace lw::gb18030 {
namespace {

struct GbRun {
    std::uint32_t linear;
    char32_t first;
    std::uint32_t count;
};

struct GbException {
    char32_t codePoint;
    const char* bytes;
};

#include "util/gb18030_table.inc"

// Linear index of four-byte codes: 81 30 81 30 is 0; 90 30 81 30 is U+10000.
constexpr std::uint32_t kSupplementaryBase = 189000;

bool isTrail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// The character at bytes[i] and its length in bytes; length 0 when none starts there.
size_t decodeAt(std::string_view bytes, size_t i, bool gbk, char32_t& cp) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    unsigned char b1 = at(0);
    if (b1 < 0x80) {
        cp = b1;
        return 1;
    }
    if (b1 == 0x80 && gbk) {
        cp = 0x20AC;
        return 1;
    }
    if (b1 == 0x80 || b1 == 0xFF || i + 1 >= bytes.size())
        return 0;
    unsigned char b2 = at(1);
    if (isTrail(b2)) {
        cp = kGbTwoByte[(b1 - 0x81) * 190 + (b2 < 0x7F ? b2 - 0x40 : b2 - 0x41)];
        return cp ? 2 : 0;
    }
    if (b2 < 0x30 || b2 > 0x39 || i + 3 >= bytes.size())
        return 0;
    unsigned char b3 = at(2);
    unsigned char b4 = at(3);
    if (b3 < 0x81 || b3 > 0xFE || b4 < 0x30 || b4 > 0x39)
        return 0;
    std::uint32_t linear =
        (b1 - 0x81) * 12600u + (b2 - 0x30) * 1260u + (b3 - 0x81) * 10u + (b4 - 0x30);
    if (linear >= kSupplementaryBase) {
        std::uint32_t offset = linear - kSupplementaryBase;
        if (offset > 0x10FFFF - 0x10000)
            return 0;
        cp = 0x10000 + offset;
        return 4;
    }
    const GbRun* end = std::end(kGbFourByteRuns);
    const GbRun* run =
        std::upper_bound(std::begin(kGbFourByteRuns), end, linear,
                         [](std::uint32_t v, const GbRun& r) { return v < r.linear; });
    if (run == std::begin(kGbFourByteRuns))
        return 0;
    --run;
    if (linear >= run->linear + run->count)
        return 0;
    cp = run->first + (linear - run->linear);
    return 4;
}

void appendFourBytes(std::string& out, std::uint32_t linear) {
    out += static_cast<char>(0x81 + linear / 12600);
    out += static_cast<char>(0x30 + linear / 1260 % 10);
    out += static_cast<char>(0x81 + linear / 10 % 126);
    out += static_cast<char>(0x30 + linear % 10);
}

// The code of every BMP character: two bytes (high, low) or 0x8000'0000 + linear
// index for four; the first code that decodes to a character is its encoding.
const std::array<std::uint32_t, 0x10000>& bmpCodes() {
    static const auto codes = [] {
        auto table = std::make_unique<std::array<std::uint32_t, 0x10000>>();
        table->fill(0);
        for (unsigned lead = 0; lead < 126; ++lead) {
            for (unsigned t = 0; t < 190; ++t) {
                char32_t cp = kGbTwoByte[lead * 190 + t];
                if (cp == 0 || cp > 0xFFFF || (*table)[cp] != 0)
                    continue;
                unsigned trail = t < 0x3F ? t + 0x40 : t + 0x41;
                (*table)[cp] = ((0x81 + lead) << 8) | trail;
            }
        }
        for (const GbRun& run : kGbFourByteRuns)
            for (std::uint32_t k = 0; k < run.count; ++k)
                if ((*table)[run.first + k] == 0)
                    (*table)[run.first + k] = 0x80000000u + run.linear + k;
        return table;
    }();
    return *codes;
}

// False when cp has no code.
bool encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
        return true;
    }
    for (const GbException& e : kGbEncodeExceptions) {
        if (e.codePoint == cp) {
            out += e.bytes;
            return true;
        }
    }
    if (cp > 0xFFFF) {
        appendFourBytes(out, kSupplementaryBase + (cp - 0x10000));
        return true;
    }
    std::uint32_t code = bmpCodes()[cp];
    if (code == 0)
        return false;
    if (code & 0x80000000u) {
        appendFourBytes(out, code & 0x7FFFFFFFu);
    } else {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return true;
}

std::optional<std::string> decode(std::string_view bytes, bool gbk, bool lenient) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        size_t len = decodeAt(bytes, i, gbk, cp);
        if (len == 0) {
            if (!lenient)
                return std::nullopt;
            cp = 0xFFFD;
            len = 1;
        }
        lw::utf8::append(out, cp);
        i += len;
    }
    return out;
}

} // namespace

std::optional<std::string> fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = lw::utf8::decodeAt(utf8, i);
        if (cp == lw::utf8::kNoCodePoint || !encode(cp, out))
            return std::nullopt;
    }
    return out;
}

std::optional<std::string> toUtf8(std::string_view bytes, bool gbk) {
    return decode(bytes, gbk, false);
}

std::string toUtf8Lenient(std::string_view bytes, bool gbk) {
    return *decode(bytes, gbk, true);
}

} // namespace lw::gb18030
