#include "main_window_fixture.hpp"
#include "util/codec.hpp"

using namespace lw;
using namespace lw::test;

using GroupCommands = MainWindowFlow;

TEST_F(GroupCommands, GroupWithApostropheIsCreatedRenamedAndDeleted) {
    start();
    ItemCommands& c = window->commands();
    dialogs.inputs.push_back("Tom's");
    c.askNewGroup();
    EXPECT_EQ(dialogs.shown[0].title, "新建组");
    EXPECT_EQ(dialogs.shown[0].text, "请输入新组名:");
    EXPECT_EQ(dialogs.last().text, "新建组完成,请确认.");
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_EQ(window->view().group.items(), std::vector<std::string>{"Tom's"});

    tickGroups({"Tom's"});
    dialogs.clear();
    dialogs.inputs.push_back("Tom's 'new'");
    c.askRenameGroup();
    EXPECT_EQ(dialogs.shown[0].title, "修改组名:\"Tom's\"");
    EXPECT_EQ(dialogs.shown[0].items, std::vector<std::string>{"Tom's"}); // initial text
    EXPECT_EQ(dialogs.last().text, "修改组名完成,请确认.");
    EXPECT_EQ(
        count("select count(*) from TB_Groups where GroupName=?", {std::string("Tom's 'new'")}), 1);
    // The renamed Group keeps its tick, and setting 4 follows the new name.
    EXPECT_EQ(window->view().group.text(), "Tom's 'new'");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "Tom's 'new'");

    dialogs.clear();
    dialogs.answers.push_back(Answer::Yes);
    c.askDeleteGroups();
    EXPECT_EQ(count("select count(*) from TB_Groups"), 0);
    EXPECT_EQ(dialogs.last().text, "删除组完成,请确认.");
}

TEST_F(GroupCommands, NewGroupRefusals) {
    addGroup("A");
    start();
    ItemCommands& c = window->commands();
    c.askNewGroup(); // cancelled
    EXPECT_EQ(dialogs.shown.size(), 1u);
    dialogs.inputs.push_back("");
    c.askNewGroup();
    EXPECT_EQ(dialogs.last().text, "新建失败,组名不能为空.");
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    dialogs.inputs.push_back("A");
    c.askNewGroup();
    EXPECT_EQ(dialogs.last().text, "\"A\"该组已存在,请重新输入组名.");
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);
    EXPECT_EQ(count("select count(*) from TB_Groups"), 1);
    // Names are trimmed: blanks alone are no name, and a blank at either end is dropped.
    dialogs.inputs.push_back(" ");
    c.askNewGroup();
    EXPECT_EQ(dialogs.last().text, "新建失败,组名不能为空.");
    dialogs.inputs.push_back(" A ");
    c.askNewGroup();
    EXPECT_EQ(dialogs.last().text, "\"A\"该组已存在,请重新输入组名.");
    dialogs.inputs.push_back(" B ");
    c.askNewGroup();
    EXPECT_EQ(count("select count(*) from TB_Groups where GroupName='B'"), 1);
    // The picker joins its names with ",": a name may not hold one.
    dialogs.inputs.push_back("C,D");
    c.askNewGroup();
    EXPECT_EQ(dialogs.last().text, "组名不能包含逗号\",\",请重新输入组名.");
    EXPECT_EQ(count("select count(*) from TB_Groups"), 2);
}

// Files made before names were checked may hold Groups whose names hold "," or blanks
// at either end, and names that differ only in letter case.
TEST_F(GroupCommands, StoredNamesWithCommasBlanksAndCaseKeepTheirOwnLinks) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    std::int64_t ab = addGroup("A,B");
    std::int64_t blank = addGroup(" C ");
    std::int64_t upper = addGroup("ABC");
    std::int64_t lower = addGroup("abc");
    addLink(a, "1");
    addLink(b, "2");
    addLink(ab, "3");
    addLink(blank, "4");
    addLink(upper, "5");
    addLink(lower, "6");
    writeSetting(*db, Setting::TickedGroups, "abc,A,B");
    start();
    // The stored ticks come back exactly: "A,B" is the Group of that name, "abc" not "ABC".
    EXPECT_EQ(window->view().group.text(), "abc,A,B");
    EXPECT_EQ(window->view().tickedGroupIds(), (std::vector<std::int64_t>{lower, ab}));
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"3", "6"}));

    window->view().group.clearAll();
    tickGroups({"C"});
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), std::vector<std::string>{"4"});

    window->view().group.clearAll();
    tickGroups({"A,B"});
    dialogs.answers.push_back(Answer::Yes);
    window->commands().askDeleteGroups();
    EXPECT_EQ(dialogs.last().text, "删除组完成,请确认.");
    EXPECT_EQ(count("select count(*) from TB_Groups where Uniqid in (?,?)", {a, b}), 2);
    EXPECT_EQ(count("select count(*) from TB_Groups where Uniqid=?", {ab}), 0);
    EXPECT_EQ(count("select count(*) from TB_URL"), 5);
}

TEST_F(GroupCommands, LinksOfNoGroupShowUnderTheirOwnEntry) {
    std::int64_t a = addGroup("A");
    addLink(a, "1");
    addLink(0, "2");
    addLink(999, "3");
    start();
    ASSERT_EQ(window->view().group.items(), (std::vector<std::string>{"A", "未分组"}));
    tickGroups({"未分组"});
    window->view().applyFilter();
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"2", "3"}));
    // They can be moved into a Group; then the entry goes.
    window->list().selectOnly({0, 1});
    dialogs.choices.push_back(0);
    dialogs.answers.push_back(Answer::Yes);
    window->commands().moveSelectedItems();
    window->view().loadGroups();
    EXPECT_EQ(window->view().group.items(), std::vector<std::string>{"A"});
    EXPECT_EQ(count("select count(*) from TB_URL where uGroup=?", {a}), 3);
}

TEST_F(GroupCommands, NothingIsAddedToTheEntryOfNoGroup) {
    addLink(0, "2");
    start();
    tickGroups({"未分组"});
    window->openHarvest();
    EXPECT_EQ(dialogs.last().text, "请选择要添加宝贝链接的组.");
    EXPECT_FALSE(frame.did("harvest"));
    window->commands().askRenameGroup();
    EXPECT_EQ(dialogs.last().text, "请选择组.(如果选择多组,将以第一个组为准)");
}

// Creating, renaming or deleting a Group keeps the picker's other ticks, in their order.
TEST_F(GroupCommands, GroupChangesKeepThePickersOtherTicks) {
    std::int64_t a = addGroup("A");
    addGroup("B");
    addGroup("D");
    addLink(a, "1");
    writeSetting(*db, Setting::TickedGroups, "B,A");
    start();
    EXPECT_EQ(window->list().size(), 1);
    dialogs.inputs.push_back("C");
    window->commands().askNewGroup();
    EXPECT_EQ(window->view().group.text(), "B,A");
    EXPECT_EQ(window->view().group.count(), 4);
    EXPECT_EQ(window->list().size(), 1);
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "B,A");

    // Renaming the first ticked Group keeps it and the other tick.
    dialogs.inputs.push_back("B2");
    window->commands().askRenameGroup();
    EXPECT_EQ(window->view().group.text(), "B2,A");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "B2,A");

    // Deleting the ticked ones leaves the unticked Groups, unticked.
    dialogs.answers.push_back(Answer::Yes);
    window->commands().askDeleteGroups();
    EXPECT_TRUE(dialogs.shown[dialogs.shown.size() - 2].defaultNo);
    EXPECT_EQ(window->view().group.items(), (std::vector<std::string>{"D", "C"}));
    EXPECT_EQ(window->view().group.text(), "");
}

// Closing the picker's drop-down after its ticks changed reloads the list, storing the
// list's ticks first; closing it unchanged leaves the list alone.
TEST_F(GroupCommands, ClosingThePickerReloadsTheListWhenItsTicksChanged) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    addLink(a, "1");
    addLink(b, "2");
    writeSetting(*db, Setting::TickedGroups, "A");
    start();
    ASSERT_EQ(window->list().size(), 1);
    window->list().setTicked(0, true);
    int reloads = 0;
    Connection watch = window->list().reset.connect([&] { ++reloads; });
    window->view().groupPickerClosed();
    EXPECT_EQ(reloads, 0);

    tickGroups({"B"});
    window->view().groupPickerClosed();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(window->list().size(), 2);
    EXPECT_EQ(count("select count(*) from TB_URL where num_iid='1' and bcheck=1"), 1);
    EXPECT_TRUE(window->list()
                    .row(window->list().indexOfUniqid(
                        db->query("select uniqid from TB_URL where num_iid='1'").integer("uniqid")))
                    .ticked);
}

TEST_F(GroupCommands, RenameToSameNameDoesNothingAndToAnotherGroupsNameWarns) {
    addGroup("A");
    addGroup("B");
    start();
    ItemCommands& c = window->commands();
    c.askRenameGroup();
    EXPECT_EQ(dialogs.last().text, "请选择组.(如果选择多组,将以第一个组为准)");
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);

    tickGroups({"A"});
    dialogs.clear();
    dialogs.inputs.push_back("A");
    c.askRenameGroup();
    EXPECT_EQ(dialogs.shown.size(), 1u); // only the input
    dialogs.inputs.push_back("B");
    c.askRenameGroup();
    EXPECT_EQ(dialogs.last().text, "\"B\"该组已存在,请重新输入组名.");
    dialogs.inputs.push_back("");
    c.askRenameGroup();
    EXPECT_EQ(dialogs.last().text, "修改失败,组名不能为空.");
    EXPECT_EQ(count("select count(*) from TB_Groups where GroupName='A'"), 1);
}

TEST_F(GroupCommands, DeletingTwoTickedGroupsDeletesThemWithTheirLinks) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    std::int64_t keep = addGroup("Keep");
    addLink(a, "1");
    addLink(b, "2");
    addLink(b, "3");
    addLink(keep, "4");
    start();
    window->commands().askDeleteGroups();
    EXPECT_EQ(dialogs.last().text, "请选择组.");
    tickGroups({"B", "A"});
    dialogs.clear();
    window->commands().askDeleteGroups(); // answered No
    EXPECT_EQ(dialogs.last().text,
              "是否要删除所选组:\"B,A\"\r\n\r\n注意:删除组将会删除该组下所有人员,是否继续?");
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);
    EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
    EXPECT_EQ(count("select count(*) from TB_Groups"), 3);

    dialogs.answers.push_back(Answer::Yes);
    window->commands().askDeleteGroups();
    EXPECT_EQ(count("select count(*) from TB_Groups"), 1);
    EXPECT_EQ(count("select count(*) from TB_URL"), 1);
    EXPECT_EQ(window->view().group.items(), std::vector<std::string>{"Keep"});
    EXPECT_EQ(column(kSubNumIid), std::vector<std::string>{"4"});
}

TEST_F(GroupCommands, HarvestNeedsAGroupAndGetsTheFirstTickedOne) {
    addGroup("A");
    std::int64_t b = addGroup("B");
    start();
    std::string caption;
    std::int64_t target = -1;
    frame.harvest = [&](const std::string& c, std::int64_t t) {
        caption = c;
        target = t;
        addLink(t, "99");
        return true;
    };
    window->openHarvest();
    EXPECT_EQ(dialogs.last().text,
              "使用搜索添加宝贝链接地址(URL)前,请先选择组.(如果选择多组,将以第一个组为准)");
    EXPECT_EQ(target, -1);
    tickGroups({"B", "A"});
    window->openHarvest();
    EXPECT_EQ(caption, "搜索添加宝贝链接(URL)-B");
    EXPECT_EQ(target, b);
    EXPECT_EQ(column(kSubNumIid), std::vector<std::string>{"99"}); // reloaded on OK
}

using LinkCommands = MainWindowFlow;

TEST_F(LinkCommands, DeleteOneAndThreeRows) {
    std::int64_t g = addGroup("G");
    for (int i = 1; i <= 5; ++i)
        addLink(g, std::to_string(i));
    start();
    ItemCommands& c = window->commands();
    int focused = 0;
    Connection counting = c.focusList.connect([&] { ++focused; });
    c.deleteSelectedItems();
    EXPECT_EQ(dialogs.last().text, "请选择要删除的项");
    EXPECT_EQ(focused, 1);

    selectIds({"2"});
    dialogs.answers.push_back(Answer::Yes);
    c.deleteSelectedItems();
    EXPECT_EQ(dialogs.last().text, "是否要删除: http://detail.1688.com/offer/2.html");
    EXPECT_EQ(column(kSubNumIid), (std::vector<std::string>{"1", "3", "4", "5"}));

    selectIds({"1", "3", "5"});
    c.deleteSelectedItems(); // No
    EXPECT_EQ(dialogs.last().text, "是否要删除选中的 3 个项?");
    EXPECT_EQ(window->list().size(), 4);
    dialogs.answers.push_back(Answer::Yes);
    c.deleteSelectedItems();
    EXPECT_EQ(column(kSubNumIid), std::vector<std::string>{"4"});
    EXPECT_EQ(count("select count(*) from TB_URL"), 1);
}

TEST_F(LinkCommands, MoveOneAndThreeRowsThroughTheDialog) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B's");
    addGroup("other kind", 1);
    for (int i = 1; i <= 4; ++i)
        addLink(a, std::to_string(i));
    start();
    ItemCommands& c = window->commands();
    c.moveSelectedItems();
    EXPECT_EQ(dialogs.last().text, "请选择要移动到组的项");

    selectIds({"1"});
    dialogs.clear();
    dialogs.choices.push_back(1);
    dialogs.answers.push_back(Answer::Yes);
    c.moveSelectedItems();
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].title, "移动到组...");
    EXPECT_EQ(dialogs.shown[0].text, "请选择组:");
    EXPECT_EQ(dialogs.shown[0].items, (std::vector<std::string>{"A", "B's"}));
    EXPECT_EQ(dialogs.shown[1].text, "确定要将所选的 1 项移动到组\"B's\" 吗?");
    EXPECT_EQ(dialogs.shown[2].text, "完成移动到组,共移动 1 项，请确认.");
    EXPECT_EQ(count("select count(*) from TB_URL where uGroup=?", {b}), 1);

    // No keeps the dialog open; the second 确定 moves.
    selectIds({"2", "3", "4"});
    dialogs.clear();
    dialogs.choices = {1, 1};
    dialogs.answers = {Answer::No, Answer::Yes};
    c.moveSelectedItems();
    EXPECT_EQ(dialogs.messageTexts().back(), "完成移动到组,共移动 3 项，请确认.");
    EXPECT_EQ(count("select count(*) from TB_URL where uGroup=?", {b}), 4);

    // No entry chosen: the warning, and the dialog stays until cancelled.
    selectIds({"1"});
    dialogs.clear();
    dialogs.choices = {-1};
    c.moveSelectedItems();
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"请选择组."});
}

TEST_F(LinkCommands, CopySkipsLeadingEmptyTitlesButKeepsLaterOnes) {
    std::int64_t g = addGroup("G");
    addLink(g, "1", "");
    addLink(g, "2", "second");
    addLink(g, "3", "");
    addLink(g, "4", "fourth");
    start();
    selectIds({"1", "2", "3", "4"});
    window->commands().copySelectedText(kSubTitle);
    EXPECT_EQ(desktop.clipboard, "second\r\n\r\nfourth");
    window->commands().copySelectedText(kSubUrl);
    EXPECT_EQ(desktop.clipboard.substr(0, 38), "http://detail.1688.com/offer/1.html\r\nh");
    desktop.clipboard = "kept";
    selectIds({"1", "3"});
    window->commands().copySelectedText(kSubTitle);
    EXPECT_EQ(desktop.clipboard, "kept");
}

TEST_F(LinkCommands, ExportPlainRowsAsDescribedAndQuotesOnlyWhereNeeded) {
    std::int64_t g = addGroup("G");
    addLink(g, "1", "连衣裙", "15", "8.50", true);
    addLink(g, "2", "dress, red \"A\"", "0", "0");
    addLink(g, "3", "skip me");
    start();
    selectIds({"1", "2"});
    std::string out = dir.file("export.csv");
    dialogs.files.push_back(out);
    window->commands().exportSelectedItems();
    const Shown& fileDialog = dialogs.shown.front();
    EXPECT_EQ(fileDialog.file.title, "另存为");
    EXPECT_EQ(fileDialog.file.defaultExtension, "csv");
    EXPECT_EQ(fileDialog.file.filter, "csv 文件(*.csv)|*.csv");
    EXPECT_EQ(fileDialog.file.initialPath, "urlExport20120305140700");
    EXPECT_EQ(dialogs.last().text, "完成另存，请确认.");

    std::string expected =
        "已下载,http://detail.1688.com/offer/1.html,连衣裙,15,8.5,1,\r\n"
        "未下载,http://detail.1688.com/offer/2.html,\"dress, red \"\"A\"\"\",0,0,2,\r\n";
    EXPECT_EQ(readFileBytes(out), *utf8ToGb18030(expected));

    // No row selected: an empty file, replacing the old one.
    window->list().selectOnly({});
    dialogs.files.push_back(out);
    window->commands().exportSelectedItems();
    EXPECT_EQ(readFileBytes(out), "");
}

TEST_F(LinkCommands, ExportToAnUnwritablePlaceReportsTheError) {
    std::int64_t g = addGroup("G");
    addLink(g, "1");
    start();
    selectIds({"1"});
    dialogs.files.push_back(dir.file("no/such/folder/x.csv"));
    window->commands().exportSelectedItems();
    EXPECT_EQ(dialogs.last().title, "错误");
    EXPECT_EQ(dialogs.last().icon, Icon::Error);
}

TEST_F(LinkCommands, OpenPageOpensTheFirstSelectedAddress) {
    std::int64_t g = addGroup("G");
    addLink(g, "1");
    addLink(g, "2");
    start();
    window->commands().openSelectedPages();
    EXPECT_TRUE(desktop.openedUrls.empty());
    selectIds({"2", "1"});
    window->commands().openSelectedPages();
    EXPECT_EQ(desktop.openedUrls, std::vector<std::string>{"http://detail.1688.com/offer/1.html"});
}
