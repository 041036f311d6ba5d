#pragma once

#include "package/package_row.hpp"

#include <set>
#include <string>
#include <vector>

namespace lw {

class Database;

// What is wrong with one package row. Errors: the row cannot be used as it is.
// Warnings: Taobao refuses it at listing or lists it badly.
struct RowProblems {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;

    bool empty() const { return errors.empty() && warnings.empty(); }
    // "错误:标题为空,价格不是正数;警告:数量为0"; empty when there is nothing.
    std::string text() const;
    bool operator==(const RowProblems&) const = default;
};

// The Taobao category tree as the store holds it.
struct CategoryTree {
    bool known = false; // the store holds a tree: categories are checked against it
    std::set<std::string> leaves;
    std::set<std::string> all;
};
CategoryTree readCategoryTree(Database& db);

// The longest title Taobao takes, in GBK bytes (30 Chinese characters).
inline constexpr std::size_t kMaxTitleBytes = 60;

// Checks the 50 values of a row (without their quotes, in column order); the picture
// column's entries name files in pictureFolder.
RowProblems checkRowFields(const std::vector<std::string>& values, const CategoryTree& tree,
                           const std::string& pictureFolder);
// Why a written row line does not read back as one row of 50 fields when the importer
// (and listwright-cli check) reads it; empty when it does.
std::string rowLineProblem(std::string_view line);

// The same for a row about to be written, read back from its line as the importer reads
// it.
RowProblems checkRowValues(const PackageRowValues& row, const CategoryTree& tree,
                           const std::string& pictureFolder);

// The local files a description refers to ("file://" references, as the run writes
// them on this system or another), in order.
std::vector<std::string> localDescriptionFiles(const std::string& description);

} // namespace lw
