#include "catalog/category_commands.hpp"

#include <optional>

namespace lw {

// What differs between the three downloads.
struct CategoryDownloadKind {
    const char* question;
    const char* panelText;
    const char* method;
    const char* errorPrefix;
    StoreResult (*store)(Database&, std::string_view, const SplitHooks&);
    const char* doneText;
};

namespace {

const char* const kTitle = "提示";

const CategoryDownloadKind kItemcats = {
    "是否开始下载淘宝商品类目?", "下载所有商品类目中，请耐心等待...(2.20MB)",
    "user.itemcats.get",         kItemCatsErrorPrefix,
    storeCategoryAnswer,         "商品类目下载完成，请确认"};
const CategoryDownloadKind kItemprops = {"是否开始下载淘宝商品类目属性1?",
                                         "下载淘宝商品类目属性1，请耐心等待...(3.00MB)",
                                         "user.itemprops.get",
                                         kItemPropsErrorPrefix,
                                         storePropertyAnswer,
                                         "商品类目属性1下载完成，请确认"};
const CategoryDownloadKind kItempropValues = {
    "是否开始下载淘宝商品类目属性2?", "下载淘宝商品类目属性2，请耐心等待...(3.00MB)",
    "user.itemprops_value.get",       kItemPropValuesErrorPrefix,
    storePropertyValueAnswer,         "商品类目属性2下载完成，请确认"};

} // namespace

CategoryCommands::CategoryCommands(Database& db, MainState& state, Dialogs& dialogs,
                                   EventLoop& loop, RelayContext& app, HttpClient& client)
    : db_(db), state_(state), dialogs_(dialogs), loop_(loop), app_(app), client_(client) {}

void CategoryCommands::downloadCategoryTree() {
    run(kItemcats);
}

void CategoryCommands::downloadCategoryProperties() {
    run(kItemprops);
}

void CategoryCommands::downloadPropertyValues() {
    run(kItempropValues);
}

void CategoryCommands::run(const CategoryDownloadKind& d) {
    // running_ also covers the moments the panel is hidden by _Cancel while the split
    // still lets events run.
    if (state_.busy() || running_)
        return;
    lastStored_ = false;
    lastDeclined_ = false;
    state_.panel.clearCancel();
    if (!dialogs_.confirmDestructive(kTitle, d.question)) {
        lastDeclined_ = true;
        return;
    }
    state_.panel.show(d.panelText);
    loop_.processEvents();
    request(d);
}

void CategoryCommands::request(const CategoryDownloadKind& d) {
    if (running_)
        return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    lastStored_ = false;

    // 取消 during the post ends the command as it ends the split: nothing changed, no
    // message.
    std::optional<std::string> answer =
        postRelayMethodWaiting(app_, client_, app_.apiEndpoint, taobaoMethodFields(app_, d.method),
                               state_.log, &loop_, [this] { return state_.panel.cancelled(); });
    if (!answer) {
        state_.panel.clearCancel();
        return;
    }
    app_.answer = std::move(*answer);
    state_.log.append(app_.answer);
    if (std::optional<std::string> error = checkErrorResponse(app_.answer, d.errorPrefix)) {
        dialogs_.message(kTitle, *error, Icon::Error);
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
        result = d.store(db_, app_.answer, hooks);
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
        // A transport failure other than an HTTP error status leaves the answer empty.
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

void CategoryCommands::countCategories() {
    count("select count(*) from TB_Itemcats");
}

void CategoryCommands::countCategoryProperties() {
    count("select count(*) from TB_Itemprops");
}

void CategoryCommands::countPropertyValues() {
    count("select count(*) from TB_ItemPropValue");
}

} // namespace lw
