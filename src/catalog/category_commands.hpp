#pragma once

#include "catalog/category_store.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "store/database.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_loop.hpp"
#include "ui/main_state.hpp"

#include <string>

namespace lw {

struct CategoryDownloadKind;

// The Tools-menu commands that fill the local Taobao category tables from the relay
// (D01, D02, D03) and count their rows (N20, N21, N23). Requests go to the relay's
// API endpoint through client (the main window's client for Taobao method requests,
// RelayPostOptions()); app's answer buffer keeps the last answer.
class CategoryCommands {
public:
    CategoryCommands(Database& db, MainState& state, Dialogs& dialogs, EventLoop& loop,
                     RelayContext& app, HttpClient& client);

    void downloadCategoryTree();
    void downloadCategoryProperties();
    void downloadPropertyValues();
    void countCategories();
    void countCategoryProperties();
    void countPropertyValues();

    // Whether the last download replaced its table.
    bool lastStored() const { return lastStored_; }
    // The last download was not started: the user answered No.
    bool lastDeclined() const { return lastDeclined_; }

private:
    void run(const CategoryDownloadKind& d);
    // Request and store, once the command was confirmed and the panel is shown.
    void request(const CategoryDownloadKind& d);
    void count(const char* sql);

    Database& db_;
    MainState& state_;
    Dialogs& dialogs_;
    EventLoop& loop_;
    RelayContext& app_;
    HttpClient& client_;
    bool running_ = false;
    bool lastStored_ = false;
    bool lastDeclined_ = false;
};

} // namespace lw
