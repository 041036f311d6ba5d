#pragma once

#include <string>

namespace lw {

class Database;

// The numbered settings rows of _Parameter. Reading a missing row gives empty text;
// updating a missing row changes nothing.
std::string readSetting(Database& db, int nm);
bool writeSetting(Database& db, int nm, const std::string& value);

} // namespace lw
