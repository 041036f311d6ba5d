#include "store/settings.hpp"

#include "store/database.hpp"

namespace lw {

std::string readSetting(Database& db, Setting setting) {
    Query q = db.query("select * from _parameter where NM=?", {settingNumber(setting)});
    return q.eof() ? std::string() : q.text("ParaValue");
}

bool writeSetting(Database& db, Setting setting, const std::string& value) {
    db.exec("Update _parameter set ParaValue=? where NM=?", {value, settingNumber(setting)});
    return true;
}

} // namespace lw
