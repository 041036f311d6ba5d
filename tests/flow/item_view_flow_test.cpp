#include "main_window_fixture.hpp"

using namespace lw;
using namespace lw::test;

using ItemViewFlow = MainWindowFlow;

TEST_F(ItemViewFlow, RowsShowEveryColumnAsDescribed) {
    std::int64_t g = addGroup("G");
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,SalePrice,IsDownload,"
             "bcheck,remark) select 0,?,'77',' http://detail.1688.com/offer/77.html ',"
             "' 标题 ',15,12.50,1,1,' done '",
             {g});
    std::int64_t plain = addLink(g, "78");
    start();
    ASSERT_EQ(window->list().size(), 2);
    const ItemRow& r = window->list().row(0);
    EXPECT_EQ(r.state, "已下载");
    EXPECT_EQ(r.icon, kIconDownloaded);
    EXPECT_EQ(r.sub[kSubUrl], "http://detail.1688.com/offer/77.html");
    EXPECT_EQ(r.sub[kSubTitle], "标题");
    EXPECT_EQ(r.sub[kSubSales], "15");
    EXPECT_EQ(r.sub[kSubPrice], "12.5");
    EXPECT_EQ(r.sub[kSubNumIid], "77");
    EXPECT_EQ(r.sub[kSubRemark], "done");
    EXPECT_TRUE(r.ticked);
    const ItemRow& p = window->list().row(1);
    EXPECT_EQ(p.state, "未下载");
    EXPECT_EQ(p.icon, kIconPending);
    EXPECT_EQ(p.sub[kSubPrice], "0");
    EXPECT_EQ(p.sub[kSubUniqid], std::to_string(plain));
    EXPECT_EQ(p.uniqid, plain);
    EXPECT_FALSE(p.ticked);
}

TEST_F(ItemViewFlow, NoGroupTickedListsEveryGroupOfListKindZero) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    std::int64_t other = addGroup("other kind", 1);
    addLink(a, "1");
    addLink(b, "2");
    addLink(other, "3");
    start();
    // The picker lists every Group, whatever its kind.
    EXPECT_EQ(window->view().group.count(), 3);
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"1", "2"}));
    // The counts text counts by the links' own kind: the third link is kind 0 too.
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 2 项，已勾选 0 项");
}

TEST_F(ItemViewFlow, TheStatusTextFollowsTheTickedCount) {
    std::int64_t a = addGroup("A");
    for (const char* id : {"1", "2", "3"})
        addLink(a, id);
    start();
    int changes = 0;
    Connection watch = window->view().statusTextChanged.connect([&] { ++changes; });
    window->list().setTicked(0, true);
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 3 项，已勾选 1 项");
    window->view().tickAll();
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 3 项，已勾选 3 项");
    window->view().toggleAllTicks(false);
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 3 项，已勾选 0 项");
    // Nothing changed: nothing announced.
    changes = 0;
    window->view().untickAll();
    EXPECT_EQ(changes, 0);
    // Ticks stored and loaded again are counted.
    window->list().setTicked(2, true);
    window->view().applyFilter();
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 3 项，已勾选 1 项");
}

// Space: the selected rows get the opposite of the current row's tick.
TEST_F(ItemViewFlow, FlipTicksFromTheCurrentRow) {
    struct Case {
        const char* name;
        std::vector<bool> ticks;    // before
        std::vector<int> selection; // selected rows
        int current;
        std::vector<bool> expected;
    };
    const Case cases[] = {
        {"current unticked ticks all selected",
         {false, true, false},
         {0, 1},
         0,
         {true, true, false}},
        {"current ticked unticks all selected",
         {false, true, true},
         {0, 1, 2},
         1,
         {false, false, false}},
        {"current outside the selection flips alone",
         {false, false, true},
         {2},
         0,
         {true, false, true}},
        {"no current row takes the first selected",
         {true, false, false},
         {0, 2},
         -1,
         {false, false, false}},
    };
    std::int64_t a = addGroup("A");
    for (const char* id : {"1", "2", "3"})
        addLink(a, id);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i)
            window->list().setTicked(i, c.ticks[static_cast<size_t>(i)]);
        window->list().selectOnly(c.selection);
        window->view().flipTicksFrom(c.current);
        std::vector<bool> ticks;
        for (const ItemRow& r : window->list().rows())
            ticks.push_back(r.ticked);
        EXPECT_EQ(ticks, c.expected);
    }
}

TEST_F(ItemViewFlow, StateFilterKeywordAndGroupsNarrowTheList) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    addLink(a, "1", "Tom's dress", "0", "0", true);
    addLink(a, "2", "skirt", "0", "0", false);
    addLink(b, "3", "TOM'S hat", "0", "0", false);
    start();
    window->view().setStatus(StateFilter::Pending);
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"2", "3"}));
    window->view().setStatus(StateFilter::Downloaded);
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"1"}));

    window->view().setStatus(StateFilter::All);
    window->view().setKeyword("tom's");
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"1", "3"}));
    // The keyword matches inside the address too, not only the title.
    window->view().setKeyword("offer/2.");
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"2"}));

    window->view().setKeyword("");
    tickGroups({"B"});
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"3"}));
    EXPECT_EQ(window->view().statusText(), "共 3 项，当前显示 1 项，已勾选 0 项");
}

TEST_F(ItemViewFlow, CancelDuringLoadingLeavesAPartialList) {
    std::int64_t g = addGroup("G");
    for (int i = 1; i <= 20; ++i)
        addLink(g, std::to_string(i));
    start();
    window->view().pumpInterval = std::chrono::milliseconds(0);
    std::vector<std::string> captions;
    bool cancel = true;
    Connection watch = window->state().panel.changed.connect([&] {
        const std::string& c = window->state().panel.caption();
        if (window->state().panel.visible())
            captions.push_back(c);
        // The user presses _Cancel while the label shows row 5.
        if (cancel && c == "读取数据中...5/20" && window->state().panel.visible()) {
            cancel = false;
            loop.post([&] { window->cancelCommand(); });
        }
    });
    window->view().applyFilter();
    EXPECT_EQ(window->list().size(), 4);
    EXPECT_FALSE(window->state().busy());
    EXPECT_TRUE(window->view().listEnabled());
    EXPECT_EQ(window->view().statusText(), "共 20 项，当前显示 4 项，已勾选 0 项");
    ASSERT_GE(captions.size(), 2u);
    EXPECT_EQ(captions[0], "读取数据中...");
    EXPECT_EQ(captions[1], "读取数据中...1/20");
    // The next reload clears the cancel flag and loads everything.
    window->view().reloadItems();
    EXPECT_EQ(window->list().size(), 20);
}

TEST_F(ItemViewFlow, BusyWindowNeitherReloadsNorStoresTicks) {
    std::int64_t g = addGroup("G");
    addLink(g, "1");
    start();
    window->list().setTicked(0, true);
    window->state().panel.show("正在处理中...");
    addLink(g, "2");
    window->view().applyFilter();
    EXPECT_EQ(window->list().size(), 1);
    EXPECT_EQ(count("select count(*) from TB_URL where bcheck=1"), 0);
}

TEST_F(ItemViewFlow, TicksAreStoredOnlyBySearchAndAtShutdown) {
    std::int64_t g = addGroup("G");
    addLink(g, "1");
    addLink(g, "2", "", "0", "0", false, true);
    addLink(g, "3");
    start();
    window->list().setTicked(0, true);
    window->list().setTicked(1, false);
    // Deleting another row reloads with the ticks as last stored.
    selectIds({"3"});
    dialogs.answers.push_back(Answer::Yes);
    window->commands().deleteSelectedItems();
    ASSERT_EQ(window->list().size(), 2);
    EXPECT_FALSE(window->list().row(0).ticked);
    EXPECT_TRUE(window->list().row(1).ticked);

    window->list().setTicked(0, true);
    window->list().setTicked(1, false);
    window->view().applyFilter();
    EXPECT_TRUE(window->list().row(0).ticked);
    EXPECT_FALSE(window->list().row(1).ticked);
    EXPECT_EQ(count("select count(*) from TB_URL where bcheck=1 and num_iid='1'"), 1);
    EXPECT_EQ(count("select count(*) from TB_URL where bcheck=0 and num_iid='2'"), 1);
}

TEST_F(ItemViewFlow, TickAndSelectionCommands) {
    std::int64_t g = addGroup("G");
    for (int i = 1; i <= 4; ++i)
        addLink(g, std::to_string(i));
    start();
    ItemView& v = window->view();
    v.tickAll();
    EXPECT_EQ(window->list().tickedIndexes().size(), 4u);
    v.untickAll();
    EXPECT_TRUE(window->list().tickedIndexes().empty());
    selectIds({"2", "4"});
    v.tickSelected();
    EXPECT_EQ(window->list().tickedIndexes(), (std::vector<int>{1, 3}));
    v.untickSelected();
    EXPECT_TRUE(window->list().tickedIndexes().empty());
    v.selectAll();
    EXPECT_EQ(window->list().selectedIndexes().size(), 4u);
    EXPECT_TRUE(window->list().tickedIndexes().empty());
    v.toggleAllTicks(true);
    EXPECT_TRUE(v.selectBox());
    EXPECT_EQ(window->list().tickedIndexes().size(), 4u);
    v.toggleAllTicks(false);
    EXPECT_TRUE(window->list().tickedIndexes().empty());
    // Nothing was stored by any of them.
    EXPECT_EQ(count("select count(*) from TB_URL where bcheck=1"), 0);
}

TEST_F(ItemViewFlow, SortingIsNumericWhereBothAreNumbersAndFlipsDirection) {
    std::int64_t g = addGroup("G");
    addLink(g, "1", "b", "10", "12.5");
    addLink(g, "2", "B", "9", "12.6");
    addLink(g, "3", "a", "12", "12.4");
    start();
    ItemView& v = window->view();
    EXPECT_TRUE(v.sortDescending());
    v.sortByColumn(3); // 总销量, first click: descending
    EXPECT_EQ(column(kSubSales), (std::vector<std::string>{"12", "10", "9"}));
    v.sortByColumn(3); // ascending
    EXPECT_EQ(column(kSubSales), (std::vector<std::string>{"9", "10", "12"}));
    // 页面价格 compares whole numbers: 12.5 and 12.4 are both 12, 12.6 is 13.
    v.sortByColumn(4); // descending again
    EXPECT_EQ(column(kSubPrice), (std::vector<std::string>{"12.6", "12.5", "12.4"}));
    v.sortByColumn(4); // ascending; equal rows keep their order
    EXPECT_EQ(column(kSubPrice), (std::vector<std::string>{"12.5", "12.4", "12.6"}));
    // Titles ignore the case of A-Z.
    v.sortByColumn(2);
    EXPECT_EQ(column(kSubTitle), (std::vector<std::string>{"b", "B", "a"}));
}

using GroupPicker = MainWindowFlow;

TEST_F(GroupPicker, TickOrderTextIsStoredInSetting4) {
    for (const char* n : {"A", "B", "C"})
        addGroup(n);
    start();
    CheckedComboBox& p = window->view().group;
    tickGroups({"C", "A"});
    EXPECT_EQ(p.text(), "C,A");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "C,A");
    p.clickItem(p.indexOf("C"));
    EXPECT_EQ(p.text(), "A");
    EXPECT_EQ(p.firstTicked(), "A");
    p.selectAll();
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "A,B,C");
    p.clearAll();
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "");
}

TEST_F(GroupPicker, RestoreSkipsAVanishedNameWhichLeavesAtTheFirstTick) {
    addGroup("Alpha");
    addGroup("Beta");
    writeSetting(*db, Setting::TickedGroups, "Beta,Gone,ALPHA,Alpha");
    start();
    EXPECT_EQ(window->view().group.text(), "Beta,Alpha");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "Beta,Alpha");

    // Nothing found: the stored text stays as it was.
    writeSetting(*db, Setting::TickedGroups, "Gone");
    start();
    EXPECT_EQ(window->view().group.text(), "");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "Gone");
}

TEST_F(GroupPicker, TextLimitRefusesTheTickWithAMessage) {
    std::string longName(200, 'x');
    addGroup(longName);
    addGroup(std::string(54, 'y')); // 200 + 54 + 1 = 255: fits
    addGroup("z");                  // 255 + 1 + 1 = 257: no room
    start();
    CheckedComboBox& p = window->view().group;
    p.clickItem(0);
    p.clickItem(1);
    EXPECT_TRUE(dialogs.shown.empty());
    p.clickItem(2);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().text, "There is no room for Selected");
    EXPECT_FALSE(p.ticked(2));
    EXPECT_EQ(p.text(), longName + "," + std::string(54, 'y'));
}

TEST_F(GroupPicker, TextLimitCountsChineseNamesInGbkBytes) {
    // 80 characters are 160 GBK bytes (240 in UTF-8): 160 + 90 + 1 = 251 fits.
    std::string chinese;
    for (int i = 0; i < 80; ++i)
        chinese += "女";
    addGroup(chinese);
    addGroup(std::string(90, 'a'));
    start();
    CheckedComboBox& p = window->view().group;
    p.clickItem(0);
    p.clickItem(1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(p.ticked(1));
}

TEST_F(GroupPicker, RebuildingClearsTicksWithoutChangeEvent) {
    addGroup("A");
    start();
    CheckedComboBox& p = window->view().group;
    tickGroups({"A"});
    int events = 0;
    Connection counting = p.changed.connect([&] { ++events; });
    p.addItem("B");
    EXPECT_EQ(events, 0);
    EXPECT_EQ(p.text(), "");
    EXPECT_FALSE(p.ticked(0));
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "A");
    // A program tick fires only when the tick really changes.
    p.setTicked(0, false);
    EXPECT_EQ(events, 0);
    p.setTicked(0, true);
    p.setTicked(0, true);
    EXPECT_EQ(events, 1);
}
