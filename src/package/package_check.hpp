#pragma once

#include "package/row_check.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace lw {

// One row of a package file as the importer reads it.
struct PackageFileRow {
    int line = 0; // the row's record number in the file, counting the header lines
    std::vector<std::string> fields;
};

// A package file's text split the way Taobao Assistant reads it: a field that starts
// with a double quote runs to the quote that is followed by a TAB or the end of the
// line (so it may hold tabs, line breaks and quotes), any other field to the next TAB.
std::vector<PackageFileRow> splitPackageRecords(std::string_view text);

// One row's result.
struct PackageRowCheck {
    int line = 0;
    std::string numId;
    std::string problem; // the field count is wrong: the row's columns cannot be read
    RowProblems problems;
};

// A whole package file checked.
struct PackageCheck {
    std::vector<std::string> fileErrors; // encoding, byte-order mark, header lines
    std::vector<PackageRowCheck> rows;   // every row, in file order
    bool hasErrors() const;
    bool hasWarnings() const;
};

// Why rows cannot be appended to the existing file at path: it is not a package (no
// byte-order mark and header lines) or it does not end where a row ends (cut in the
// middle of one). Empty when they can, and for an empty file (written as a new package).
std::string packageAppendProblem(const std::string& path);

// Reads and checks the package file at path (a UTF-8 path): byte-order mark, UTF-16LE,
// the three header lines, 50 fields per row, and each row as the download run checks
// it, with the picture files in the folder beside the file.
PackageCheck checkPackageFile(const std::string& path, const CategoryTree& tree);

} // namespace lw
