#pragma once

#include <string>

namespace lw {

class Database;

// The settings row that remembers a package row being written: the package file's size
// before the row (-1 when the row makes the file) and the file's path.

// A row is remembered before it is written and forgotten in the transaction that marks
// its Item Link downloaded. After a sudden end in between, the row is in the file (whole
// or cut) while its item is not marked; RepairPendingRow then takes it out again, so
// that the next run writes the item exactly once.
void rememberPendingRow(Database& db, const std::string& file, bool fileExists);
void forgetPendingRow(Database& db);

// Cuts a remembered row out of its file (or removes the file the row made) and forgets
// it. Returns what was done, for the log; empty when nothing was done.
std::string repairPendingRow(Database& db);

} // namespace lw
