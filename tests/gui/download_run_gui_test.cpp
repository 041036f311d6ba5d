// The download run under the Qt event loop: the Picture Progress Messages reach the
// window thread through queued calls, "开始下载" reaches the run through the hooks.
#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "fake_clock.hpp"
#include "package/download_run.hpp"
#include "package/package_names.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "ui/qt_event_loop.hpp"
#include "wait_for.hpp"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <filesystem>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;
namespace fs = std::filesystem;

namespace {

class DownloadRunGui : public ::testing::Test {
protected:
    DownloadRunGui() : db(makeTestDatabase(dir.path())) {
        db->exec("insert into TB_Groups(GroupName,Tag) select '女装',0");
        std::int64_t g = db->lastInsertId();
        for (const char* id : {"2001", "2002"})
            db->exec(
                "insert into TB_URL(tag,uGroup,num_iid,detail_url,bcheck) select 0,?,?,?,1",
                {g, std::string(id), "http://detail.1688.com/offer/" + std::string(id) + ".html"});
        Config config = startRelaySim(sim, testDataPath("download"), {"k", "k", "k"});
        frame = std::make_unique<gui::DesktopFrame>(Ports{*db, dialogs, desktop, loop, clock});
        logic = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, *frame,
                                                  dir.path(), config);
        logic->homeFolder = dir.path();
        logic->loadDelayMs = 0;
        window = std::make_unique<MainWindowWidget>(*logic, *frame);
        logic->initialise();
        logic->onShown();
        EXPECT_TRUE(waitFor([&] { return logic->trayMenuAttached(); }));
        fs::create_directories(platform::toPath(dir.path() + "/out"));
        logic->state().saveFile = dir.path() + "/out/p.csv";
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    relaysim::Server sim;
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    gui::QtEventLoop loop;
    FakeClock clock;
    std::unique_ptr<gui::DesktopFrame> frame;
    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
};

} // namespace

TEST_F(DownloadRunGui, StartActionRunsTheDownloadUnderTheQtLoop) {
    // Pictures reach relay-sim as a proxy.
    qputenv("http_proxy", QByteArray::fromStdString(sim.url()));
    dialogs.answers.push_back(Answer::Yes);
    window->findChild<QAction*>("_Start")->trigger();
    ASSERT_TRUE(logic->state().panel.visible());
    bool done =
        waitFor([&] { return !logic->state().panel.visible() && dialogs.shown.size() >= 2; });
    qunsetenv("http_proxy");
    ASSERT_TRUE(done);
    // No category tree here: both rows are written with their warnings.
    EXPECT_EQ(
        dialogs.shown.back().text,
        "完成下载并生成淘宝助理数据包.\r\n写入数据包的宝贝 2 个\r\n数据有警告的宝贝 2 个:\r\n"
        "  2001 警告:类目为0,数量为0\r\n  2002 警告:类目为0,数量为0\r\n用时 0 秒\r\n数据包: " +
            logic->downloadRun().packagePath() + "\r\n现在是否要打开文件位置?");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(logic->list().row(i).state, "已下载");
        EXPECT_FALSE(logic->list().row(i).ticked);
    }
    EXPECT_TRUE(fs::exists(platform::toPath(dir.path() + "/out/p.csv")));
    EXPECT_EQ(std::distance(fs::directory_iterator(
                                platform::toPath(descriptionFolderOf(dir.path() + "/out/p.csv"))),
                            fs::directory_iterator{}),
              4);
}

// The run's end in the window, with one failed offer: without the carry-on option the
// run stops at it, with "出错时跳过该宝贝继续下载" ticked it goes on to the next.
TEST_F(DownloadRunGui, TheEndOfARunWithAFailedOfferReportsItself) {
    sim.addFault("offer=2001 error-response 商品不存在|isv.offer-gone|已下架");
    qputenv("http_proxy", QByteArray::fromStdString(sim.url()));
    auto* skip = window->findChild<QCheckBox*>("_chkSkipFailed");
    ASSERT_NE(skip, nullptr);
    EXPECT_FALSE(skip->isChecked());
    EXPECT_EQ(skip->text(), QStringLiteral("出错时跳过该宝贝继续下载"));
    for (bool carryOn : {false, true}) {
        SCOPED_TRACE(carryOn);
        if (carryOn)
            skip->click();
        EXPECT_EQ(logic->state().skipFailedOffers, carryOn);
        dialogs.clear();
        dialogs.answers = {Answer::Yes};
        dialogs.fileExistsChoices = {FileExistsChoice::Overwrite};
        dialogs.answers.push_back(Answer::Yes);
        for (int i = 0; i < logic->list().size(); ++i)
            logic->list().setTicked(i, true);
        window->findChild<QAction*>("_Start")->trigger();
        ASSERT_TRUE(waitFor([&] {
            return logic->downloadRun().outcome() != RunOutcome::Running &&
                   !logic->state().panel.visible();
        }));
        const std::string end = dialogs.shown.back().text;
        EXPECT_NE(end.find("未能下载的宝贝 1 个:\r\n  2001 商品不存在,isv.offer-gone,已下架"),
                  std::string::npos)
            << end;
        EXPECT_NE(end.find(carryOn ? "写入数据包的宝贝 1 个" : "下载已停止."), std::string::npos)
            << end;
        EXPECT_NE(end.find("数据包: " + logic->downloadRun().packagePath()), std::string::npos);
        EXPECT_EQ(logic->downloadRun().outcome(),
                  carryOn ? RunOutcome::Completed : RunOutcome::Failed);
    }
    qunsetenv("http_proxy");
}
