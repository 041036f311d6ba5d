#include "package/lookup_memory.hpp"

#include "store/database.hpp"
#include "store/settings.hpp"
#include "ui/clock.hpp"

#include <charconv>
#include <chrono>

namespace lw {

int lookupMemoryDays(Database& db) {
    std::string text;
    try {
        text = readSetting(db, Setting::LookupMemoryDays);
    } catch (const DbError&) {
        return kDefaultLookupMemoryDays;
    }
    int days = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), days);
    if (ec != std::errc() || end != text.data() + text.size() || days < 0)
        return kDefaultLookupMemoryDays;
    return days;
}

int dayNumber(const LocalDateTime& date) {
    using namespace std::chrono;
    const year_month_day ymd{year{date.year}, month{static_cast<unsigned>(date.month)},
                             day{static_cast<unsigned>(date.day)}};
    return static_cast<int>(sys_days(ymd).time_since_epoch().count());
}

LookupMemory::LookupMemory(Database& db, int today, int keepDays)
    : db_(db), today_(today), keepDays_(keepDays) {}

std::optional<ValueIds> LookupMemory::find(const LookupKey& key) {
    if (auto known = run_.find(key); known != run_.end())
        return known->second;
    if (keepDays_ <= 0)
        return std::nullopt;
    try {
        Query q = db_.query("select found_pid,found_vid from TB_FoundLookup where cid=? and "
                            "pid=? and name=? and found_day>?",
                            {key.cid, key.pid, key.name, std::int64_t{today_ - keepDays_}});
        if (q.eof())
            return std::nullopt;
        ValueIds ids{q.text("found_pid"), q.text("found_vid")};
        run_.emplace(key, ids);
        return ids;
    } catch (const DbError&) {
        // A memory that cannot be read only means asking again.
        return std::nullopt;
    }
}

void LookupMemory::remember(const LookupKey& key, const ValueIds& ids) {
    run_[key] = ids;
    unwritten_[key] = ids;
}

void LookupMemory::flush() {
    if (unwritten_.empty())
        return;
    try {
        Transaction transaction(db_);
        for (const auto& [key, ids] : unwritten_) {
            db_.exec("delete from TB_FoundLookup where cid=? and pid=? and name=?",
                     {key.cid, key.pid, key.name});
            db_.exec("insert into TB_FoundLookup (cid,pid,name,found_pid,found_vid,found_day) "
                     "values (?,?,?,?,?,?)",
                     {key.cid, key.pid, key.name, ids.pid, ids.vid, std::int64_t{today_}});
        }
        transaction.commit();
    } catch (const DbError&) {
        // Kept for this run only.
    }
    unwritten_.clear();
}

} // namespace lw
