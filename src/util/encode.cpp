#include "util/encode.hpp"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace lw {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendEscape(std::string& out, unsigned char byte) {
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

bool isFormSafe(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
        return true;
    default:
        return false;
    }
}

bool needsQueryEscape(unsigned char c) {
    if (c < 0x20 || c >= 0x80)
        return true;
    switch (c) {
    case ' ':
    case '#':
    case '%':
    case '*':
    case '+':
    case '<':
    case '>':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string encodeFormValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() * 3);
    for (unsigned char c : value) {
        if (isFormSafe(c))
            out += static_cast<char>(c);
        else if (c == ' ')
            out += '+';
        else
            appendEscape(out, c);
    }
    return out;
}

std::string encodeQueryText(std::string_view value) {
    std::string out;
    out.reserve(value.size() * 3);
    for (unsigned char c : value) {
        if (needsQueryEscape(c))
            appendEscape(out, c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string md5Hex(std::string_view value) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), value.data(), value.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        throw std::runtime_error("MD5 digest failed");
    std::string out;
    out.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0x0F];
    }
    return out;
}

} // namespace lw
