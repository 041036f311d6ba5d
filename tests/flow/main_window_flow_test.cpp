#include "app/splash.hpp"
#include "main_window_fixture.hpp"
#include "package/package_path.hpp"
#include "platform/platform.hpp"
#include "store/config.hpp"

#include <filesystem>
#include <fstream>

using namespace lw;
using namespace lw::test;
namespace fs = std::filesystem;

using StartUp = MainWindowFlow;

// With drive letters the folder is "RARorurivo" at the root of the program's drive.
TEST_F(StartUp, EmptyPathSettingGivesDefaultPathInHomeFolderAndStoresIt) {
    fs::create_directories(platform::toPath(dir.path() + "/home"));
    const std::string folder = kDriveLetters ? dir.path().substr(0, 2) + "\\RARorurivo\\"
                                             : dir.path() + "/home/RARorurivo/";
    const bool madeHere = !fs::exists(platform::toPath(folder));
    MainWindowLogic& w = start();
    std::string expected = folder + "淘宝助理数据包_1203051407.csv";
    EXPECT_EQ(w.state().saveFile, expected);
    EXPECT_TRUE(fs::is_directory(platform::toPath(folder)));
    if (kDriveLetters && madeHere)
        fs::remove(platform::toPath(folder));
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), expected);
    EXPECT_EQ(w.caption(), "Listwright V1.0");
    EXPECT_EQ(w.trayHint(), "Listwright V1.0.0.1");
    EXPECT_EQ(w.versionStatus(), "版本:1.0.0.1");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(StartUp, StoredPathIsTrimmedShownAndItsFolderMadeOneLevel) {
    std::string path = dir.path() + "/packages/淘宝助理数据包_1.csv";
    writeSetting(*db, Setting::PackagePath, "  " + path + " ");
    MainWindowLogic& w = start();
    EXPECT_EQ(w.state().saveFile, path);
    EXPECT_TRUE(fs::is_directory(platform::toPath(dir.path() + "/packages")));
    // A folder two levels down is not made, and that is no error.
    writeSetting(*db, Setting::PackagePath, dir.path() + "/a/b/x.csv");
    start();
    EXPECT_FALSE(fs::exists(platform::toPath(dir.path() + "/a")));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(StartUp, LinkTickBoxFromSetting501) {
    struct Case {
        const char* value; // nullptr: row missing
        bool ticked;
    };
    for (Case c : {Case{nullptr, true}, Case{"1", true}, Case{"0", false}, Case{"1 ", false},
                   Case{"", false}}) {
        db->exec("delete from _Parameter where NM=501");
        if (c.value)
            db->exec("insert into _Parameter(NM,ParaValue) select 501,?", {std::string(c.value)});
        MainWindowLogic& w = start();
        EXPECT_EQ(w.state().removeDescriptionLinks, c.ticked) << (c.value ? c.value : "missing");
        EXPECT_TRUE(w.state().localDescriptionPictures);
        EXPECT_FALSE(w.state().pagePrice);
        EXPECT_EQ(count("select count(*) from _Parameter where NM=501"), 1);
        if (!c.value) {
            EXPECT_EQ(readSetting(*db, Setting::RemoveDescriptionLinks), "1");
        }
    }
}

TEST_F(StartUp, CaptionTakesFirstThreeCharactersOfTheVersion) {
    for (auto [version, caption] :
         {std::pair{"2.0.1.7", "Listwright V2.0"}, std::pair{"10.2.0.0", "Listwright V10."},
          std::pair{"0", "Listwright V0"}}) {
        window = makeWindow();
        window->version = version;
        window->initialise();
        EXPECT_EQ(window->caption(), caption);
        EXPECT_EQ(window->trayHint(), std::string("Listwright V") + version);
    }
}

TEST_F(StartUp, SplashTimerCreatesTheMainWindowAfterOneSecond) {
    SplashLogic splash(loop);
    std::vector<std::string> steps;
    splash.onTimer = [&] {
        steps.push_back("timer");
        window = makeWindow();
        window->loadDelayMs = 500;
        window->initialise();
        steps.insert(steps.end(), frame.acts.begin(), frame.acts.end());
        window->onShown();
        steps.push_back("main shown");
    };
    splash.onShown();
    EXPECT_TRUE(splash.timerRunning());
    loop.processEvents();
    EXPECT_TRUE(steps.empty());
    ASSERT_TRUE(loop.runUntil([&] { return window && window->trayMenuAttached(); }));
    EXPECT_EQ(steps, (std::vector<std::string>{"timer", "splash destroyed", "main shown"}));
}

TEST_F(StartUp, ShowLoadsGroupsCountsAndListAfterHalfASecond) {
    std::int64_t g = addGroup("女装");
    addLink(g, "1", "a");
    addLink(g, "2", "b");
    window = makeWindow();
    window->loadDelayMs = 500;
    window->initialise();
    window->onShown();
    EXPECT_EQ(window->list().size(), 0);
    EXPECT_FALSE(window->trayMenuAttached());
    ASSERT_TRUE(loop.runUntil([&] { return window->trayMenuAttached(); }));
    EXPECT_EQ(window->view().group.items(), std::vector<std::string>{"女装"});
    EXPECT_EQ(window->list().size(), 2);
    EXPECT_EQ(window->view().statusText(), "共 2 项，当前显示 2 项，已勾选 0 项");
}

using Shutdown = MainWindowFlow;

TEST_F(Shutdown, ClosingStoresSettingsAndTheNextStartRestoresThem) {
    std::int64_t a = addGroup("A");
    std::int64_t b = addGroup("B");
    addGroup("C");
    std::int64_t l1 = addLink(a, "1");
    addLink(b, "2");
    db->exec("insert into TB_Itemcats(cid,parent_cid,name,sort_order) select 16,0,'女装',1");
    db->exec("insert into TB_Itemcats(cid,parent_cid,name,sort_order) select 30,0,'男装',2");

    start();
    std::string path = nativePath(dir.path() + "/out/包.csv");
    dialogs.files.push_back(dir.path() + "/out/包.csv");
    window->choosePackagePath();
    window->setRemoveDescriptionLinks(false);
    window->choosePreferredCategory(1);
    tickGroups({"B", "A"});
    window->list().setTicked(window->list().indexOfUniqid(l1), true);
    EXPECT_TRUE(window->queryClose());

    EXPECT_EQ(readSetting(*db, Setting::PackagePath), path);
    EXPECT_EQ(readSetting(*db, Setting::RemoveDescriptionLinks), "0");
    EXPECT_EQ(readSetting(*db, Setting::PreferredCategory), "男装");
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "B,A");

    start();
    EXPECT_EQ(window->state().saveFile, path);
    EXPECT_FALSE(window->state().removeDescriptionLinks);
    EXPECT_EQ(window->state().itemCatsText, "男装");
    EXPECT_EQ(window->state().itemCats.value(), "30");
    EXPECT_EQ(window->view().group.text(), "B,A");
    ASSERT_EQ(window->list().size(), 2);
    EXPECT_TRUE(window->list().row(window->list().indexOfUniqid(l1)).ticked);
    EXPECT_EQ(window->list().tickedIndexes().size(), 1u);
}

// The window's place, the column widths, the sort and the carry-on option are kept
// across starts; the list comes back sorted as the header shows.
TEST_F(Shutdown, LayoutSortAndCarryOnAreKeptAcrossStarts) {
    std::int64_t a = addGroup("A");
    addLink(a, "1", "b");
    addLink(a, "2", "c");
    addLink(a, "3", "a");
    start();
    EXPECT_EQ(window->layout, WindowLayout{});
    EXPECT_EQ(window->view().sortColumn(), -1);
    EXPECT_FALSE(window->state().skipFailedOffers);
    window->layout.normalGeometry = WindowLayout::Rect{10, 20, 900, 600};
    window->layout.maximised = false;
    window->layout.columnWidths = {80, 250, 300, 60, 60, 1, 200};
    window->view().sortByColumn(2); // 宝贝名称, descending
    window->view().sortByColumn(2); // ascending
    window->setSkipFailedOffers(true);
    EXPECT_TRUE(window->queryClose());
    EXPECT_EQ(readSetting(*db, Setting::WindowGeometry), "10,20,900,600,0");
    EXPECT_EQ(readSetting(*db, Setting::ItemColumnWidths), "80,250,300,60,60,1,200");
    EXPECT_EQ(readSetting(*db, Setting::ItemSortColumn), "2");
    EXPECT_EQ(readSetting(*db, Setting::ItemSortOrder), "0");
    EXPECT_EQ(readSetting(*db, Setting::SkipFailedOffers), "1");

    start();
    EXPECT_EQ(window->layout.normalGeometry, (WindowLayout::Rect{10, 20, 900, 600}));
    EXPECT_FALSE(window->layout.maximised);
    EXPECT_EQ(window->layout.columnWidths, (std::vector<int>{80, 250, 300, 60, 60, 1, 200}));
    EXPECT_EQ(window->view().sortColumn(), 2);
    EXPECT_FALSE(window->view().sortedDescending());
    EXPECT_TRUE(window->state().skipFailedOffers);
    EXPECT_EQ(column(kSubTitle), (std::vector<std::string>{"a", "b", "c"}));
    // The next click on the header turns the order round.
    window->view().sortByColumn(2);
    EXPECT_EQ(column(kSubTitle), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(Shutdown, UnreadableLayoutValuesCountAsMissing) {
    const std::pair<const char*, const char*> cases[] = {
        {"1,2,3", ""}, {"x,2,3,4,0", "a,b"}, {"0,0,0,0,1", "-5,3"}, {"1,2,3,4,1,9", ""}};
    for (const auto& [geometry, widths] : cases) {
        storeSetting(*db, Setting::WindowGeometry, geometry);
        storeSetting(*db, Setting::ItemColumnWidths, widths);
        storeSetting(*db, Setting::ItemSortColumn, "99");
        start();
        EXPECT_EQ(window->layout, WindowLayout{}) << geometry;
        EXPECT_EQ(window->view().sortColumn(), -1);
    }
}

TEST_F(Shutdown, ALockedDatabaseIsReportedAndTheWindowStillCloses) {
    start();
    std::string error;
    auto other = Database::open(databasePathIn(dir.path()), testDatabasePassword(), error);
    ASSERT_TRUE(other) << error;
    other->exec("BEGIN EXCLUSIVE");
    db->setBusyTimeout(50);
    EXPECT_FALSE(window->queryClose());
    EXPECT_EQ(dialogs.last().title, "错误");
    EXPECT_EQ(dialogs.last().icon, Icon::Error);
    EXPECT_NE(dialogs.last().text.find("无法保存设置和勾选"), std::string::npos);
    other->exec("ROLLBACK");
}

TEST_F(Shutdown, OnlineUpdateWithoutTheUpdaterSaysSoAndKeepsRunning) {
    start();
    dialogs.answers.push_back(Answer::Yes);
    window->startOnlineUpdate();
    EXPECT_FALSE(frame.did("terminate"));
    EXPECT_TRUE(desktop.openedPrograms.empty());
    EXPECT_EQ(dialogs.shown[0].text, "是否要执行在线升级?");
    EXPECT_EQ(dialogs.last().text,
              "没有找到升级程序 Update.exe, 无法在线升级. 请到官方网站下载新版本.");
}

TEST_F(Shutdown, OnlineUpdateStoresTheSettingsThenEnds) {
    writeSetting(*db, Setting::PackagePath, "/old/path.csv");
    addLink(addGroup("A"), "1");
    fs::create_directories(platform::toPath(dir.path() + "/program"));
    std::ofstream(dir.path() + "/program/Update.exe") << "MZ";
    start();
    window->setRemoveDescriptionLinks(false);
    window->state().saveFile = "/new/path.csv";
    window->list().setTicked(0, true);
    dialogs.answers.push_back(Answer::Yes);
    window->startOnlineUpdate();
    EXPECT_TRUE(frame.did("terminate"));
    EXPECT_EQ(dialogs.last().title, "在线升级");
    EXPECT_EQ(dialogs.last().text, "是否要执行在线升级?");
    EXPECT_EQ(desktop.openedPrograms,
              std::vector<std::string>{platform::joinPath(dir.path() + "/program", "Update.exe")});
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), "/new/path.csv");
    EXPECT_EQ(readSetting(*db, Setting::RemoveDescriptionLinks), "0");
    EXPECT_EQ(count("select count(*) from TB_URL where bcheck=1"), 1);

    // No: nothing happens.
    frame.acts.clear();
    window->startOnlineUpdate();
    EXPECT_FALSE(frame.did("terminate"));
}

using FrameCommands = MainWindowFlow;

TEST_F(FrameCommands, ResetPathEmptiesTheSettingButCloseStoresTheBoxAgain) {
    writeSetting(*db, Setting::PackagePath, "/keep/this.csv");
    start();
    dialogs.answers.push_back(Answer::Yes);
    window->resetPackagePath();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "是否重置默认存放位置?");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Question);
    EXPECT_EQ(dialogs.shown[1].text, "重置完成，请确认.");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Information);
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), "");
    EXPECT_EQ(window->state().saveFile, "/keep/this.csv");
    window->queryClose();
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), "/keep/this.csv");

    // Busy: nothing at all.
    dialogs.clear();
    window->state().panel.show("x");
    window->resetPackagePath();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FrameCommands, PathDialogOpenFolderSqlceAndAbout) {
    writeSetting(*db, Setting::PackagePath, "/data/pkg/a.csv");
    start();
    window->choosePackagePath(); // cancelled
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().file.title, "保存的文件位置及名称:");
    EXPECT_EQ(dialogs.last().file.defaultExtension, "csv");
    EXPECT_EQ(dialogs.last().file.filter, "csv格式-淘宝助理数据包v5.x(*.csv)|*.csv");
    EXPECT_EQ(dialogs.last().file.initialPath, "/data/pkg/a.csv");
    EXPECT_EQ(window->state().saveFile, "/data/pkg/a.csv");

    window->openPackageFolder();
    EXPECT_EQ(desktop.openedFolders, std::vector<std::string>{"/data/pkg/"});

    window->installSqlceDriver();
    EXPECT_EQ(dialogs.last().text, "本程序的数据库无需安装 SQL CE 驱动.");

    // Help opens the user guide shipped beside the program, and says so when it is not.
    window->openHelp();
    EXPECT_EQ(dialogs.last().text, "没有找到使用说明 README.md, 它随程序一起安装.");
    fs::create_directories(platform::toPath(dir.path() + "/program"));
    std::ofstream(dir.path() + "/program/README.md") << "# Listwright";
    window->openHelp();
    ASSERT_FALSE(desktop.openedFolders.empty());
    EXPECT_EQ(desktop.openedFolders.back(),
              fs::weakly_canonical(platform::toPath(dir.path() + "/program/README.md")).string());

    window->openAbout();
    EXPECT_EQ(frame.aboutLabel, "版本：1.0.0.1");
}

TEST_F(FrameCommands, CommandsReachTheRunTheCategoriesAndTheFrame) {
    start();
    window->startDownload();
    EXPECT_EQ(dialogs.last().text, "请勾选要下载的宝贝.");
    window->countCategories();
    EXPECT_NE(dialogs.last().text.find("0"), std::string::npos);
    window->openMappingEditor();
    EXPECT_TRUE(frame.did("mapping editor"));
}

TEST_F(FrameCommands, DiagnosticLogAndTray) {
    start();
    EXPECT_FALSE(window->state().log.visible());
    EXPECT_TRUE(window->handleKey(true, true, 'I'));
    EXPECT_TRUE(window->state().log.visible());
    EXPECT_FALSE(window->handleKey(true, false, 'I'));
    window->handleKey(true, true, 'I');
    EXPECT_FALSE(window->state().log.visible());

    window->minimizeToTray();
    EXPECT_TRUE(window->hiddenToTray());
    window->onTrayDoubleClick();
    EXPECT_FALSE(window->hiddenToTray());
    window->quitFromTray();
    EXPECT_TRUE(frame.did("close"));
}
