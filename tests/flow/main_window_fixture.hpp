#pragma once

#include "app/main_window.hpp"
#include "fake_clock.hpp"
#include "items/item_list.hpp"
#include "recording_frame.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lw::test {

// A main window over a real database file in a temporary data folder, with scripted
// dialogs, a fake desktop and clock and a headless event loop.
class MainWindowFlow : public ::testing::Test {
protected:
    MainWindowFlow() : db(makeTestDatabase(dir.path())) {}

    // A fresh window on the same database (a program start).
    std::unique_ptr<MainWindowLogic> makeWindow() {
        auto w = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, frame,
                                                   dir.path() + "/program");
        w->homeFolder = dir.path() + "/home";
        w->version = "1.0.0.1";
        w->loadDelayMs = 0;
        return w;
    }

    // initialise, onShown, and the 500 ms start-up loading.
    MainWindowLogic& start() {
        window = makeWindow();
        window->initialise();
        window->onShown();
        EXPECT_TRUE(loop.runUntil([&] { return window->trayMenuAttached(); }));
        return *window;
    }

    std::int64_t addGroup(const std::string& name, int tag = kListKind) {
        db->exec("insert into TB_Groups(GroupName,Tag) select ?,?", {name, std::int64_t{tag}});
        return db->lastInsertId();
    }

    std::int64_t addLink(std::int64_t group, const std::string& id, const std::string& title = "",
                         const std::string& sales = "0", const std::string& price = "0",
                         bool downloaded = false, bool ticked = false) {
        db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,SalePrice,"
                 "IsDownload,bcheck) select ?,?,?,?,?,?,?,?,?",
                 {std::int64_t{kListKind}, group, id,
                  "http://detail.1688.com/offer/" + id + ".html", title, sales, price,
                  std::int64_t{downloaded ? 1 : 0}, std::int64_t{ticked ? 1 : 0}});
        return db->lastInsertId();
    }

    int count(const std::string& sql, const DbParams& params = {}) {
        Query q = db->query(sql, params);
        return std::stoi(q.first());
    }

    // Ticks the picker's items by name, as clicks.
    void tickGroups(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            int i = window->view().group.indexOf(name);
            ASSERT_GE(i, 0) << name;
            window->view().group.clickItem(i);
        }
    }

    // Selects exactly the rows whose offer ids are given.
    void selectIds(std::initializer_list<const char*> ids) {
        std::vector<int> rows;
        for (const char* id : ids) {
            int found = -1;
            for (int i = 0; i < window->list().size(); ++i)
                if (window->list().row(i).sub[kSubNumIid] == id)
                    found = i;
            ASSERT_GE(found, 0) << id;
            rows.push_back(found);
        }
        window->list().selectOnly(rows);
    }

    std::vector<std::string> column(int sub) {
        std::vector<std::string> out;
        for (const ItemRow& r : window->list().rows())
            out.push_back(r.sub[static_cast<size_t>(sub)]);
        return out;
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    HeadlessEventLoop loop;
    FakeClock clock;
    RecordingFrame frame;
    std::unique_ptr<MainWindowLogic> window;
};

} // namespace lw::test
