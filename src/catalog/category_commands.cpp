#include "catalog/category_commands.hpp"

#include "store/text_routines.hpp"

#include <utility>

namespace lw {

namespace {

const char* const kTitle = "提示";
const char* const kCategoryFields = "fields=cid,parent_cid,name,is_parent,status,sort_order";

bool IsErrorResponse(std::string_view answer) {
    return answer.find("<error_response>") != std::string_view::npos;
}

std::string ErrorResponseMessage(std::string_view answer, const std::string& prefix) {
    return prefix + GetBetween(answer, "<msg>", "</msg>") + "," +
           GetBetween(answer, "<sub_code>", "</sub_code>") + "," +
           GetBetween(answer, "<sub_msg>", "</sub_msg>");
}

} // namespace

struct CategoryCommands::Download {
    const char* question;
    const char* panelText;
    std::vector<std::string> fields;
    const char* errorPrefix;
    StoreResult (*store)(Database&, std::string_view, const SplitHooks&);
    const char* doneText;
};

CategoryCommands::CategoryCommands(Database& db, MainState& state, Dialogs& dialogs,
                                   EventLoop& loop, std::string appKey, std::string accessToken,
                                   MethodPost post)
    : db_(db), state_(state), dialogs_(dialogs), loop_(loop), appKey_(std::move(appKey)),
      accessToken_(std::move(accessToken)), post_(std::move(post)) {}

std::vector<std::string>
CategoryCommands::user_itemcats_get_fields(const std::string& cids,
                                           const std::string& parentCid) const {
    std::vector<std::string> fields = {kCategoryFields};
    if (!cids.empty())
        fields.push_back("cids=" + cids);
    if (!parentCid.empty())
        fields.push_back("parent_cid=" + parentCid);
    fields.push_back("format=xml");
    fields.push_back("method=user.itemcats.get");
    fields.push_back("app_key=" + appKey_);
    fields.push_back("access_token=" + accessToken_);
    fields.push_back("v=2.0");
    return fields;
}

std::vector<std::string> CategoryCommands::user_itemprops_get_fields() const {
    return {kCategoryFields,
            "cid=0",
            "format=xml",
            "method=user.itemprops.get",
            "app_key=" + appKey_,
            "access_token=" + accessToken_,
            "v=2.0"};
}

std::vector<std::string> CategoryCommands::user_itemprops_value_get_fields() const {
    return {kCategoryFields,
            "cid=0",
            "format=xml",
            "method=user.itemprops_value.get",
            "app_key=" + appKey_,
            "access_token=" + accessToken_,
            "v=2.0"};
}

void CategoryCommands::D01Click() {
    download({"是否开始下载淘宝商品类目?", "下载所有商品类目中，请耐心等待...(2.20MB)",
              user_itemcats_get_fields(), "获取类目失败.\r\n错误原因: ", ProcessXML_Itemcats,
              "商品类目下载完成，请确认"});
}

void CategoryCommands::D02Click() {
    download({"是否开始下载淘宝商品类目属性1?", "下载淘宝商品类目属性1，请耐心等待...(3.00MB)",
              user_itemprops_get_fields(), "获取类目属性1失败.\r\n错误原因: ", ProcessXML_Itemprops,
              "商品类目属性1下载完成，请确认"});
}

void CategoryCommands::D03Click() {
    download({"是否开始下载淘宝商品类目属性2?", "下载淘宝商品类目属性2，请耐心等待...(3.00MB)",
              user_itemprops_value_get_fields(), "获取类目属性2失败.\r\n错误原因: ",
              ProcessXML_Itemprops_value, "商品类目属性2下载完成，请确认"});
}

void CategoryCommands::download(const Download& d) {
    // running_ also covers the moments the panel is hidden by _Cancel while the split
    // still lets events run.
    if (state_.busy() || running_)
        return;
    lastStored_ = false;
    state_.panel.clearCancel();
    if (!dialogs_.question(kTitle, d.question))
        return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};

    state_.panel.show(d.panelText);
    loop_.processEvents();

    MethodAnswer answer = post_(d.fields);
    if (!answer.error.empty()) {
        state_.panel.hide();
        dialogs_.message(kTitle, d.errorPrefix + answer.error, Icon::Error);
        return;
    }
    state_.log.append(answer.text);
    if (IsErrorResponse(answer.text)) {
        dialogs_.message(kTitle, ErrorResponseMessage(answer.text, d.errorPrefix), Icon::Error);
        state_.panel.hide();
        return;
    }

    SplitHooks hooks;
    hooks.between = [this] { loop_.processEvents(); };
    hooks.cancelled = [this] {
        if (!state_.panel.cancelled())
            return false;
        state_.panel.clearCancel();
        return true;
    };
    StoreResult result;
    try {
        result = d.store(db_, answer.text, hooks);
    } catch (const DbError& e) {
        // Rolled back: the previous table is intact.
        state_.panel.hide();
        dialogs_.message("错误", e.what(), Icon::Error);
        return;
    }
    if (result.cancelled)
        return;
    state_.panel.hide();
    if (result.empty) {
        dialogs_.message(
            kTitle, std::string(d.errorPrefix) + "没有收到数据(网络错误或空的应答),原有数据未改变.",
            Icon::Error);
        return;
    }
    lastStored_ = true;
    dialogs_.message(kTitle, d.doneText, Icon::Information);
}

void CategoryCommands::count(const char* sql) {
    Query q = db_.query(sql);
    dialogs_.message(kTitle, "记录数:" + q.first(), Icon::Information);
}

void CategoryCommands::N20Click() {
    count("select count(*) from TB_Itemcats");
}

void CategoryCommands::N21Click() {
    count("select count(*) from TB_Itemprops");
}

void CategoryCommands::N23Click() {
    count("select count(*) from TB_ItemPropValue");
}

} // namespace lw
