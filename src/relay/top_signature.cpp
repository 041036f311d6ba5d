#include "relay/top_signature.hpp"

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace lw::relay {
namespace {

bool isBlank(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            return false;
    return true;
}

std::string md5(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string hmac(const EVP_MD* md, std::string_view key, std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(md, key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest, &length);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

} // namespace

std::string upperHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

bool isKnownSignMethod(std::string_view signMethod) {
    return signMethod == "md5" || signMethod == "hmac" || signMethod == "hmac-sha256";
}

std::string topSignedText(const std::map<std::string, std::string>& params) {
    std::string text;
    // std::map keeps its keys in byte order, the order the platform sorts by.
    for (const auto& [name, value] : params) {
        if (name == "sign" || isBlank(name) || isBlank(value))
            continue;
        text += name;
        text += value;
    }
    return text;
}

std::string topSignature(const std::map<std::string, std::string>& params, std::string_view secret,
                         std::string_view signMethod) {
    const std::string text = topSignedText(params);
    if (signMethod == "md5")
        return upperHex(md5(std::string(secret) + text + std::string(secret)));
    if (signMethod == "hmac")
        return upperHex(hmac(EVP_md5(), secret, text));
    if (signMethod == "hmac-sha256")
        return upperHex(hmac(EVP_sha256(), secret, text));
    return {};
}

} // namespace lw::relay
