#pragma once

#include "app/main_state.hpp"
#include "catalog/category_store.hpp"
#include "catalog/method_post.hpp"
#include "store/database.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_loop.hpp"

#include <string>
#include <vector>

namespace lw {

// The Tools-menu commands that fill the local Taobao category tables from the relay
// (D01, D02, D03) and count their rows (N20, N21, N23).
class CategoryCommands {
public:
    // appKey and accessToken go into every request; post sends it.
    CategoryCommands(Database& db, MainState& state, Dialogs& dialogs, EventLoop& loop,
                     std::string appKey, std::string accessToken, MethodPost post);

    void D01Click();
    void D02Click();
    void D03Click();
    void N20Click();
    void N21Click();
    void N23Click();

    // The request fields of the three Taobao methods.
    std::vector<std::string> user_itemcats_get_fields(const std::string& cids = {},
                                                      const std::string& parentCid = {}) const;
    std::vector<std::string> user_itemprops_get_fields() const;
    std::vector<std::string> user_itemprops_value_get_fields() const;

    // Whether the last download replaced its table.
    bool lastStored() const { return lastStored_; }

private:
    struct Download;
    void download(const Download& d);
    void count(const char* sql);

    Database& db_;
    MainState& state_;
    Dialogs& dialogs_;
    EventLoop& loop_;
    std::string appKey_;
    std::string accessToken_;
    MethodPost post_;
    bool running_ = false;
    bool lastStored_ = false;
};

} // namespace lw
