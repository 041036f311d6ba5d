#pragma once

#include <map>
#include <string>
#include <string_view>

namespace lw::relay {

// The signature the Taobao Open Platform checks: every parameter but "sign" sorted by
// name (byte order), name and value joined with nothing between them for each one whose
// name and value are not blank, digested as UTF-8 and written in upper-case hex.
//   md5          MD5(secret + S + secret)
//   hmac         HMAC-MD5(secret, S)
//   hmac-sha256  HMAC-SHA256(secret, S)
// Empty for a sign method it does not know.
std::string topSignature(const std::map<std::string, std::string>& params, std::string_view secret,
                         std::string_view signMethod);

// The text the signature is made over (for the log of a refused signature, never the
// secret).
std::string topSignedText(const std::map<std::string, std::string>& params);

bool isKnownSignMethod(std::string_view signMethod);

// Upper-case hex of bytes.
std::string upperHex(std::string_view bytes);

} // namespace lw::relay
