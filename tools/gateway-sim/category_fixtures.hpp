#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The fixture tables behind the category methods, read afresh on every call so that a
// test may change them while the server runs. Rows with too few fields are skipped.
namespace gatewaysim {

struct PropRow { // itemprops.tsv: cid pid name flags sort_order
    std::string cid;
    std::string pid;
    std::string name;
    std::set<std::string> flags; // color, sale, key, enum, input, must, multi, values-apart
    std::string sortOrder;

    bool has(const char* flag) const { return flags.count(flag) > 0; }
};

struct ValueRow { // propvalues.tsv: cid pid vid name name_alias sort_order
    std::string cid;
    std::string pid;
    std::string vid;
    std::string name;
    std::string nameAlias; // empty for "-"
    std::string sortOrder;
};

struct CategoryRow { // itemcats.tsv: cid parent_cid name is_parent sort_order
    std::string cid;
    std::string parentCid;
    std::string name;
    bool isParent = false;
    std::string sortOrder;
};

std::vector<PropRow> readProps(const std::filesystem::path& folder);
std::vector<ValueRow> readValues(const std::filesystem::path& folder);
std::vector<CategoryRow> readCategories(const std::filesystem::path& folder);

// TAB-separated rows of a file, without blank and "#" lines; none when it is missing.
std::vector<std::vector<std::string>> readTable(const std::filesystem::path& path);

} // namespace gatewaysim
