#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lw {

// Text inside the program is UTF-8; these convert at the edges only.
// "GBK" files and pages use GB18030, which is byte-identical to GBK for every GBK
// character and can carry every other character, so nothing is lost.

// nullopt when the input is not valid UTF-8.
std::optional<std::string> utf8ToGb18030(std::string_view utf8);
// nullopt when the input is not valid GB18030.
std::optional<std::string> gb18030ToUtf8(std::string_view gbk);
// UTF-8, the GB family (GB2312, GBK, GB18030: our own codec on every platform) and any
// charset the system knows (e.g. "Big5": iconv on Linux, the code pages on Windows);
// nullopt on invalid input or an unknown charset.
std::optional<std::string> toUtf8(std::string_view bytes, const std::string& charset);
// Decodes what it can and puts U+FFFD for each byte that is not valid in the charset.
std::string toUtf8Lenient(std::string_view bytes, const std::string& charset);
// UTF-16 little-endian without byte-order mark; nullopt when the input is not UTF-8.
std::optional<std::string> utf8ToUtf16Le(std::string_view utf8);

bool isValidUtf8(std::string_view text);

} // namespace lw
