#include "store/settings.hpp"

#include "store/database.hpp"

namespace lw {

std::string readSetting(Database& db, int nm) {
    Query q = db.query("select * from _parameter where NM=?", {std::int64_t{nm}});
    return q.eof() ? std::string() : q.text("ParaValue");
}

bool writeSetting(Database& db, int nm, const std::string& value) {
    db.exec("Update _parameter set ParaValue=? where NM=?", {value, std::int64_t{nm}});
    return true;
}

} // namespace lw
