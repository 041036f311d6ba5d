#pragma once

#include "items/item_list.hpp"

#include <string>
#include <vector>

namespace lw {

// One field of the Item Link export file: as it is, or in double quotes with inner
// quotes doubled when it holds a comma, a double quote or a line break (RFC 4180), so
// a comma in a title no longer shifts the later fields.
std::string exportField(const std::string& text);

// One line without its CR LF: the state text, then sub-items 0 to 5, each after ",".
std::string exportLine(const ItemRow& row);

// Writes the lines in the GBK code page, each ended by CR LF, replacing the file.
// Returns an error text, empty on success.
std::string writeItemExport(const std::string& path, const std::vector<std::string>& lines);

} // namespace lw
