#pragma once

#include "package/package_row.hpp"

#include <string>

namespace lw {

// The modes of appendPackageRow.
inline constexpr int kNewPackageFile = 0;
inline constexpr int kExistingPackageFile = 1;

// Writes one row (its fields joined by tabs, packageRowLine) to the package file: mode 0
// makes a new file with the header lines, mode 1 adds the row to an existing file; a
// row without fields or any other mode writes nothing. Returns the failure text, empty
// on success.
std::string appendPackageRow(const PackageRow& row, const std::string& fileName, int mode);

// Makes (or replaces) fileName with text as UTF-16LE, after the mark FF FE when asked
// for. The file only takes its name once it is complete. An empty text writes nothing.
std::string writeUtf16File(const std::string& fileName, const std::string& text, bool mark);

// Adds text as UTF-16LE to the end of fileName, writing only the new bytes; on failure
// the file is cut back to its old length. An empty text writes nothing.
std::string appendUtf16File(const std::string& fileName, const std::string& text);

} // namespace lw
