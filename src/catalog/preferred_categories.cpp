#include "catalog/preferred_categories.hpp"

#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"

namespace lw {

std::string ItemCatsPicker::text() const {
    if (selected < 0 || selected >= static_cast<int>(names.size()))
        return {};
    return names[static_cast<size_t>(selected)];
}

std::string ItemCatsPicker::value() const {
    if (selected < 0 || selected >= static_cast<int>(values.size()))
        return {};
    return values[static_cast<size_t>(selected)];
}

int ItemCatsPicker::indexOfNoCase(const std::string& text) const {
    std::string wanted = lowerAscii(text);
    for (size_t i = 0; i < names.size(); ++i)
        if (lowerAscii(names[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

void loadPreferredCategories(Database& db, ItemCatsPicker& picker) {
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
