#pragma once

#include <cstdint>
#include <string>

namespace lw {

class Database;

// The rows of _Parameter, by their NM. Numbers below 600 are those the delivered
// database and older files already hold; settings added since take numbers from 600 up.
enum class Setting : int {
    TickedGroups = 4,           // the picker's ticked Group names, in tick order, joined by ","
    HarvestShopAddress = 10,    // the harvest window's last shop address
    HarvestKeyword = 11,        // the harvest window's last keyword
    HarvestShopType = 12,       // "0", never read
    HarvestDefaultAddress = 20, // rows 20..22 are made with the harvest window, never read
    HarvestDefaultKeyword = 21,
    HarvestDefaultShopType = 22,
    PackagePath = 500,            // the Data Package path
    RemoveDescriptionLinks = 501, // "1" or "0"
    PreferredCategory = 502,      // name of the preferred Taobao top-level category
    // Present only while a package row is being written (older files may hold it after a
    // sudden end): the package's size before the row, a TAB and the package path.
    PendingPackageRow = 510,
    // How many days an id found by a property look-up is used by later runs ("7").
    LookupMemoryDays = 610,
    // The price rule of the download run in its command-line form ("" or missing: off).
    PriceRule = 650,
    // The desktop program's habits (rows made when first stored).
    SkipFailedOffers = 620, // "出错时跳过该宝贝继续下载": "1" or "0"
    WindowGeometry = 621,   // the main window: x,y,width,height,maximised (0/1)
    ItemColumnWidths = 622, // the item list's column widths, joined by ","
    ItemSortColumn = 623,   // the item list's sort column, empty when unsorted
    ItemSortOrder = 624,    // "1" descending, "0" ascending
};

// The NM a setting is stored under, ready to bind.
inline std::int64_t settingNumber(Setting setting) {
    return static_cast<std::int64_t>(setting);
}

// Reading a missing row gives empty text; writing a missing row changes nothing.
std::string readSetting(Database& db, Setting setting);
bool writeSetting(Database& db, Setting setting, const std::string& value);
// Writes a setting, making its row when the file has none yet.
void storeSetting(Database& db, Setting setting, const std::string& value,
                  const std::string& description = {});

} // namespace lw
