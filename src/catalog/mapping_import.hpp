#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// Lines of a text; CR LF, LF and CR all end a line, and a line end at the very end of
// the text does not start another line.
std::vector<std::string> splitLines(std::string_view text);

// The text of an import file's bytes: GBK (GB18030), or UTF-8 after a byte-order mark;
// nullopt when the bytes are not valid in that encoding.
std::optional<std::string> decodeImportText(std::string bytes);

// Reads a mapping import file: GBK (GB18030) text, or UTF-8 when it starts with a
// byte-order mark. Returns an error text (empty on success).
std::string readImportFile(const std::string& path, std::vector<std::string>& lines);

} // namespace lw
