#pragma once

#include <string>
#include <string_view>

namespace lw {

// Byte-level encoders: the bytes are encoded as handed over, no charset conversion.

// One value of a form-style query (key=value&...). Space becomes "+".
std::string encodeFormValue(std::string_view value);

// Text placed behind an address as its query part; "/", "=", "&" pass unchanged.
std::string encodeQueryText(std::string_view value);

// MD5 digest as 32 upper-case hexadecimal digits.
std::string md5Hex(std::string_view value);

} // namespace lw
