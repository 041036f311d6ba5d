#include "store/database_open.hpp"

#include "store/database.hpp"

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

std::unique_ptr<Database> openDatabase(const std::string& path, const std::string& password,
                                       std::string& error) {
    error.clear();
    std::unique_ptr<Database> db = Database::open(path, password, error);
    if (!db)
        return nullptr;
    try {
        upgradeItemTable(*db);
        return db;
    } catch (const DbError& e) {
        error = e.what();
        return nullptr;
    }
}

} // namespace lw
