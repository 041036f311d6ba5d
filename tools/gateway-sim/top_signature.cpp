#include "gateway_sim.hpp"

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace gatewaysim {
namespace {

// Empty or nothing but blanks: such a parameter is neither sent nor signed by TOP's SDK.
bool isBlank(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

std::string upperHex(const unsigned char* bytes, unsigned int length) {
    static const char* const digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

} // namespace

std::string topSignature(const std::map<std::string, std::string>& params,
                         const std::string& secret, const std::string& signMethod) {
    // A std::map keeps its keys in byte order, the order the algorithm sorts them in.
    std::string text;
    for (const auto& [name, value] : params)
        if (name != "sign" && !isBlank(name) && !isBlank(value))
            text += name + value;

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool done = false;
    if (signMethod == "md5") {
        std::string wrapped = secret + text + secret;
        done = EVP_Digest(wrapped.data(), wrapped.size(), digest, &length, EVP_md5(), nullptr) == 1;
    } else if (signMethod == "hmac" || signMethod == "hmac-sha256") {
        const EVP_MD* md = signMethod == "hmac" ? EVP_md5() : EVP_sha256();
        done = HMAC(md, secret.data(), static_cast<int>(secret.size()),
                    reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest,
                    &length) != nullptr;
    }
    return done ? upperHex(digest, length) : std::string();
}

} // namespace gatewaysim
