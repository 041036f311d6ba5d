#pragma once

#include "package/property_mapping.hpp"

#include <map>
#include <optional>
#include <string>

namespace lw {

class Database;
struct LocalDateTime;

// How many days a found id is used by later runs when the setting holds no number.
inline constexpr int kDefaultLookupMemoryDays = 7;

// The days a found id is used by later runs: the setting LookupMemoryDays, or the
// default when it holds no number.
int lookupMemoryDays(Database& db);

// The day number of a local date (days since 1970-01-01), as the memory stores it.
int dayNumber(const LocalDateTime& date);

// Property and value ids that look-ups found: those of this run, and those of earlier
// runs kept in TB_FoundLookup with the day they were found, used for keepDays days.
// Failures and "not found" answers are never kept, so they are asked again. Belongs
// to the UI thread (it reads and writes the database).
class LookupMemory {
public:
    LookupMemory(Database& db, int today, int keepDays);

    // A found answer for key: for a property look-up ids.pid is the property id.
    std::optional<ValueIds> find(const LookupKey& key);
    // Keeps a found answer for the rest of the run, and in the database at the next
    // flush.
    void remember(const LookupKey& key, const ValueIds& ids);
    // Writes what was remembered since the last flush, in one transaction.
    void flush();

private:
    Database& db_;
    int today_;
    int keepDays_;
    std::map<LookupKey, ValueIds> run_;
    std::map<LookupKey, ValueIds> unwritten_;
};

} // namespace lw
