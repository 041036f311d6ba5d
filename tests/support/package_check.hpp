#pragma once

#include <string>
#include <vector>

namespace lw::test {

// What is wrong with a package file, empty when it is whole: the byte-order mark, the
// three header lines, and rows of exactly 50 tab-separated fields, each ending with the
// sell_promise flag. Values holding tabs or line breaks are not expected here. rows
// receives the number of rows.
std::string packageFileProblem(const std::string& path, int* rows = nullptr);

// The files under folder (recursively) that lie outside every one of the allowed
// folders and are not one of the allowed files, joined by "\n"; empty when none.
std::string strayFiles(const std::string& folder, const std::vector<std::string>& allowedFolders,
                       const std::vector<std::string>& allowedFiles);

} // namespace lw::test
