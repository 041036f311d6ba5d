#pragma once

#include <functional>
#include <memory>
#include <string>

namespace lw {

class Database;
class Dialogs;

// Adds SaleNum and SalePrice to an item table made before they were kept; run on
// every start, changes nothing the second time.
void upgradeItemTable(Database& db);

// Installs the database driver from the program folder; returns whether it worked.
using RegisterDllFn = std::function<bool(const std::string& path)>;

struct DatabaseOpenOptions {
    std::string databasePath;
    std::string password;
    std::string programFolder;
    std::string productTitle = "Listwright";
    RegisterDllFn registerDll;
};

// Opens the database and upgrades the item table. On failure the user is told
// (driver question or the "错误" box) and nullptr is returned: the program ends.
std::unique_ptr<Database> openDatabase(const DatabaseOpenOptions& options, Dialogs& dialogs);

// Driver message vs. any other: true when the text names the OLE DB provider.
bool isDriverMissingMessage(const std::string& message);

} // namespace lw
