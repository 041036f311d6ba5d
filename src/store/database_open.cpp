#include "store/database_open.hpp"

#include "store/database.hpp"
#include "ui/dialogs.hpp"

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
}

bool isDriverMissingMessage(const std::string& message) {
    return message.find("OLE DB") != std::string::npos ||
           message.find("provider") != std::string::npos;
}

std::unique_ptr<Database> openDatabase(const DatabaseOpenOptions& options, Dialogs& dialogs) {
    std::string error;
    std::unique_ptr<Database> db = Database::open(options.databasePath, options.password, error);
    if (db) {
        try {
            upgradeItemTable(*db);
            return db;
        } catch (const DbError& e) {
            error = e.what();
            db.reset();
        }
    }
    if (isDriverMissingMessage(error)) {
        bool yes = dialogs.question(
            "提示", "无法正常加载数据,可能SQL CE 驱动未安装，现在是否要处理?\r\n" + error,
            Icon::Warning);
        if (yes) {
            if (options.registerDll)
                options.registerDll(options.programFolder + "/sqlceoledb30.dll");
            dialogs.message("提示", "成功安装 SQL CE 驱动,请重新运行" + options.productTitle + ".",
                            Icon::Information);
        }
    } else {
        dialogs.message("错误", error, Icon::Error);
    }
    return nullptr;
}

} // namespace lw
