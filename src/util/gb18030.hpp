#pragma once

#include <optional>
#include <string>
#include <string_view>

// GB18030 (and so GBK and GB2312, its subsets) without iconv, mapped as glibc's iconv
// maps it: the same bytes on every platform. Windows has no lossless code page for it.
namespace lw::gb18030 {

// nullopt when utf8 is not valid UTF-8.
std::optional<std::string> fromUtf8(std::string_view utf8);
// nullopt when the bytes are not a sequence of GB18030 characters. gbk also takes the
// single byte 0x80 as the euro sign, as GBK (code page 936) does.
std::optional<std::string> toUtf8(std::string_view bytes, bool gbk = false);
// Each byte that does not start a character becomes U+FFFD.
std::string toUtf8Lenient(std::string_view bytes, bool gbk = false);

} // namespace lw::gb18030
