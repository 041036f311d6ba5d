#include "catalog/preferred_categories.hpp"

#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"

namespace lw {

void loadPreferredCategories(Database& db, ChoiceList& picker) {
    picker.names.clear();
    picker.values.clear();
    picker.selected = -1;
    for (Query q =
             db.query("select cid,name from tb_itemcats where parent_cid=0 order by sort_order");
         !q.eof(); q.next()) {
        picker.names.push_back(q.text("name"));
        picker.values.push_back(q.text("cid"));
    }
    Query setting = db.query("Select NM,ParaValue From _Parameter where NM=?",
                             {settingNumber(Setting::PreferredCategory)});
    std::string wanted = setting.eof() ? std::string() : trim(setting.text("ParaValue"));
    if (!wanted.empty())
        picker.selected = picker.indexOfNoCase(wanted);
}

} // namespace lw
