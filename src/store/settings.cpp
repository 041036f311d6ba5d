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

void storeSetting(Database& db, Setting setting, const std::string& value,
                  const std::string& description) {
    bool present = false;
    {
        Query q = db.query("select NM from _Parameter where NM=?", {settingNumber(setting)});
        present = !q.eof();
    }
    if (!present)
        db.exec("insert into _Parameter(NM,ParaValue,ParaDesc) select ?,?,?",
                {settingNumber(setting), value, description});
    else
        db.exec("update _Parameter set ParaValue=? where NM=?", {value, settingNumber(setting)});
}

} // namespace lw
