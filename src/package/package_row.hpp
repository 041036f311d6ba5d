#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

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

// The fields of one row as the file holds them, in column order.
using PackageRow = std::vector<std::string>;

// A value made one field: every tab becomes a blank, and so does every CR and LF unless
// the column keeps line breaks (the description, which the importer reads quoted); there
// a double quote right before a line break gets a blank after it, as the importer would
// end the field at that quote.
std::string fieldText(std::string_view value, bool keepLineBreaks);

// The 50 fields in column order, each value made one field (fieldText), quoted ones in
// double quotes (inner quotes are left as they are).
PackageRow buildPackageRow(const PackageRowValues& values);

// The fields joined by tabs; a tab inside a field becomes a blank, so the line always
// has as many fields as the row.
std::string packageRowLine(const PackageRow& row);

// "version 1.00" and 49 tabs; the English names; the Chinese names.
std::vector<std::string> packageHeaderLines();

// One line per column ("title:" + value), with "---------" between column groups.
std::vector<std::string> packageRowLogLines(const PackageRowValues& values);

} // namespace lw
