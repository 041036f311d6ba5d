#include "store/database_open.hpp"

#include "store/database.hpp"
#include "store/settings.hpp"

namespace lw {
namespace {

bool hasColumn(Database& db, const std::string& table, const std::string& column) {
    Query q = db.query("PRAGMA table_info(" + table + ")");
    for (; !q.eof(); q.next()) {
        std::string name = q.text("name");
        if (name.size() == column.size() &&
            std::equal(name.begin(), name.end(), column.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
}

} // namespace

void upgradeItemTable(Database& db) {
    if (!hasColumn(db, "TB_URL", "SaleNum"))
        db.exec(joinSql({"alter Table TB_URL", "add SaleNum int not null default 0"}));
    if (!hasColumn(db, "TB_URL", "SalePrice"))
        db.exec(joinSql({"alter Table TB_URL", "add SalePrice money not null default 0"}));
    // The "检查" mark of the row check (0: not checked).
    if (!hasColumn(db, "TB_URL", "CheckState"))
        db.exec(joinSql({"alter Table TB_URL", "add CheckState integer not null default 0"}));
}

void upgradeLookupMemory(Database& db) {
    db.exec(joinSql({"create table if not exists TB_FoundLookup (", "cid TEXT NOT NULL,",
                     "pid TEXT NOT NULL DEFAULT '',", "name TEXT NOT NULL,",
                     "found_pid TEXT NOT NULL DEFAULT '',", "found_vid TEXT NOT NULL DEFAULT '',",
                     "found_day INTEGER NOT NULL DEFAULT 0)"}));
    db.exec("create index if not exists IX_TB_FoundLookup ON TB_FoundLookup (cid, pid, name)");
    const std::int64_t days = settingNumber(Setting::LookupMemoryDays);
    if (db.query("select count(*) from sqlite_master where type='table' and name='_Parameter'")
            .first() == "0")
        return;
    if (db.query("select count(*) from _Parameter where NM=?", {days}).first() == "0")
        db.exec("insert into _Parameter (NM, ParaValue, ParaDesc) values (?, '7', ?)",
                {days, std::string("属性查询结果保留天数")});
}

std::unique_ptr<Database> openDatabase(const std::string& path, const std::string& password,
                                       std::string& error) {
    error.clear();
    std::unique_ptr<Database> db = Database::open(path, password, error);
    if (!db)
        return nullptr;
    try {
        upgradeItemTable(*db);
        upgradeLookupMemory(*db);
        return db;
    } catch (const DbError& e) {
        error = e.what();
        return nullptr;
    }
}

} // namespace lw
