#pragma once

#include <array>
#include <string>
#include <vector>

namespace lw {

// Stands between two fields of a row until the row is written, where it becomes a tab.
inline constexpr const char* kFieldMarker = "{[,]}";

// The values of one Package Row that come from the offer; every other column holds a
// fixed text.
struct PackageRowValues {
    std::string title;
    std::string cid;
    std::string price;
    std::string num;
    std::string description;
    std::string cateProps;
    std::string pictureStatus;
    std::string picture;
    std::string skuProps;
    std::string inputPids;
    std::string inputValues;
    std::string outerId;
    std::string propAlias;
    std::string autoFill;
    std::string numId;
    std::string userName;
    std::string features;
    std::string globalStockType;
    std::string subStockType;
    std::string itemSize;
    std::string itemWeight;
    std::string sellPromise;
};

// One column of the Taobao Assistant version-5 file.
struct PackageColumn {
    const char* english;
    const char* chinese;
    bool quoted;
    // Either the row value it shows or, when null, the fixed text.
    std::string PackageRowValues::*value;
    const char* fixed;
    // A diagnostic-log group ends after this column.
    bool groupEnd;
};

inline constexpr int kPackageColumnCount = 50;
const std::array<PackageColumn, kPackageColumnCount>& packageColumns();

// The text of one column of a row, without quotes.
std::string packageColumnValue(const PackageColumn& column, const PackageRowValues& values);

// The 50 fields in column order, quoted ones in double quotes (inner quotes are left
// as they are), joined by the field marker.
std::string buildPackageRow(const PackageRowValues& values);

// "version 1.00" and 49 tabs; the English names; the Chinese names.
std::vector<std::string> packageHeaderLines();

// One line per column ("title:" + value), with "---------" between column groups.
std::vector<std::string> packageRowLogLines(const PackageRowValues& values);

} // namespace lw
