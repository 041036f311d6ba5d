#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lw {

// GB18030 (and so GBK and GB2312, its subsets) without iconv, mapped as glibc's iconv
// maps it: the same bytes on every platform. Windows has no lossless code page for it.

// nullopt when utf8 is not valid UTF-8.
std::optional<std::string> gb18030FromUtf8(std::string_view utf8);
// nullopt when the bytes are not a sequence of GB18030 characters.
std::optional<std::string> gb18030ToUtf8(std::string_view bytes);
// Each byte that does not start a character becomes U+FFFD.
std::string gb18030ToUtf8Lenient(std::string_view bytes);

} // namespace lw
