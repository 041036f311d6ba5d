#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// Byte routines shared by every subsystem. Positions and lengths count bytes of the
// UTF-8 text; searches are case-sensitive.

// Splits at every separator; with a separator of several bytes only its first byte is
// removed, so later pieces begin with the rest of it.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);

// Splits at whole separators, cutting off at most max pieces (max <= 0: no limit); the
// remainder is the last piece. between runs before every cut, so a caller can let the
// event loop process events while a long answer is split.
std::vector<std::string> splitTextMax(std::string_view text, std::string_view separator, int max,
                                      const std::function<void()>& between = {});

// The bytes between the first start marker and the first end marker after it.
std::string textBetween(std::string_view text, std::string_view start, std::string_view end);

// Digits with at most one inner point.
bool isNumber(std::string_view text);

// The program's four-part version, or "0" when it has none.
std::string programVersion();
std::string versionTextOf(std::string_view fourPartVersion);

// "1"/"true"/"deleted" (any case) -> "1", everything else -> "0".
std::string flagText(std::string_view text);

// ASCII letters lowered; other bytes unchanged.
std::string lowerAscii(std::string_view text);
// Blanks and control bytes cut from both ends.
std::string trim(std::string_view text);
// Every occurrence of from replaced, left to right.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
// Case-insensitive (ASCII) search; npos when absent.
size_t findNoCase(std::string_view text, std::string_view what, size_t from = 0);

} // namespace lw
