#pragma once

#include <memory>
#include <string>

namespace lw {

class Database;

// Adds SaleNum, SalePrice and CheckState to an item table made before they were kept; run on
// every start, changes nothing the second time.
void upgradeItemTable(Database& db);

// Adds the table of found look-up ids and its setting row (LookupMemoryDays) to a file
// made before they were kept; changes nothing the second time.
void upgradeLookupMemory(Database& db);

// Opens the database and upgrades the item table and the look-up memory. On failure returns nullptr
// and sets error to the reason (the caller tells the user; the program cannot go on).
std::unique_ptr<Database> openDatabase(const std::string& path, const std::string& password,
                                       std::string& error);

} // namespace lw
