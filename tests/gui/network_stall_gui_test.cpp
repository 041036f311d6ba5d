// A remote call that stalls never freezes the window: while a look-up, a listing page or a
// category post waits, the Qt loop still repaints and runs posted calls, and 取消 ends the
// wait long before the stall would.
#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "fake_clock.hpp"
#include "harvest/harvest_dialog.hpp"
#include "package/download_run.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "ui/qt_event_loop.hpp"
#include "wait_for.hpp"

#include <QAction>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using SteadyClock = std::chrono::steady_clock;
// What every stall lasts; the read limits are set well past it.
constexpr int kStallMs = 8000;
constexpr auto kCancelBound = std::chrono::milliseconds(kStallMs / 2);

class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// Once the call is out and unanswered: asks for a repaint and posts a call, and when
// both have arrived clicks 取消.
class StallWatch {
public:
    StallWatch(EventLoop& loop, std::function<bool()> stalled, std::function<void()> cancel)
        : loop_(loop), stalled_(std::move(stalled)), cancel_(std::move(cancel)) {
        widget_.resize(50, 50);
        widget_.show();
        waitFor([&] { return widget_.paints > 0; }, 2000);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(20);
    }

    bool cancelled() const { return cancelled_; }
    SteadyClock::time_point cancelledAt() const { return cancelledAt_; }
    bool sawRepaint() const { return repainted_; }
    bool sawPostedCall() const { return posted_ > 0; }

private:
    void tick() {
        if (cancelled_ || !stalled_())
            return;
        if (!asked_) {
            asked_ = true;
            paintsBefore_ = widget_.paints;
            widget_.update();
            loop_.post([this] { ++posted_; });
            return;
        }
        repainted_ = widget_.paints > paintsBefore_;
        if (!repainted_ || posted_ == 0)
            return;
        cancelled_ = true;
        cancelledAt_ = SteadyClock::now();
        timer_.stop();
        cancel_();
    }

    EventLoop& loop_;
    std::function<bool()> stalled_;
    std::function<void()> cancel_;
    PaintCounter widget_;
    QTimer timer_;
    bool asked_ = false;
    bool cancelled_ = false;
    bool repainted_ = false;
    int paintsBefore_ = 0;
    int posted_ = 0;
    SteadyClock::time_point cancelledAt_;
};

class NetworkStallGui : public ::testing::Test {
protected:
    void startMainWindow(const std::string& fixtures) {
        Config config = startRelaySim(sim, fixtures, {"k", "k", "k"});
        proxyThrough(env, sim);
        frame = std::make_unique<gui::DesktopFrame>(Ports{*db, dialogs, desktop, loop, clock});
        logic = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, *frame,
                                                  dir.path(), config);
        logic->homeFolder = dir.path();
        logic->loadDelayMs = 0;
        window = std::make_unique<MainWindowWidget>(*logic, *frame);
        logic->initialise();
        logic->onShown();
        ASSERT_TRUE(waitFor([&] { return logic->trayMenuAttached(); }));
    }

    bool requested(const char* role) const {
        for (const auto& r : sim.requests())
            if (r.role == role)
                return true;
        return false;
    }

    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    relaysim::Server sim;
    ScopedEnv env;
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    gui::QtEventLoop loop;
    FakeClock clock;
    std::unique_ptr<gui::DesktopFrame> frame;
    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
};

} // namespace

TEST_F(NetworkStallGui, StalledLookUp) {
    db->exec("insert into TB_Groups(GroupName,Tag) select '女装',0");
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,bcheck) select 0,?,'2001',"
             "'http://detail.1688.com/offer/2001.html',1",
             {db->lastInsertId()});
    startMainWindow(testDataPath("download"));
    sim.addFault("lookup stall " + std::to_string(kStallMs));
    DownloadRun& run = logic->downloadRun();
    run.lookupOptions.readTimeoutMs = 3 * kStallMs;
    fs::create_directories(platform::toPath(dir.path() + "/out"));
    logic->state().saveFile = dir.path() + "/out/p.csv";

    StallWatch watch(
        loop, [&] { return requested("lookup") && run.outcome() == RunOutcome::Running; },
        [&] { logic->cancelCommand(); });
    dialogs.answers.push_back(Answer::Yes);
    window->findChild<QAction*>("_Start")->trigger();
    ASSERT_TRUE(waitFor([&] { return run.outcome() != RunOutcome::Running; }, 3 * kStallMs));
    ASSERT_TRUE(watch.cancelled());
    EXPECT_LT(SteadyClock::now() - watch.cancelledAt(), kCancelBound);
    EXPECT_TRUE(watch.sawRepaint());
    EXPECT_TRUE(watch.sawPostedCall());
    EXPECT_EQ(run.outcome(), RunOutcome::Cancelled);
    EXPECT_EQ(run.rowsWritten(), 0);
    EXPECT_FALSE(fs::exists(platform::toPath(dir.path() + "/out/p.csv")));
}

TEST_F(NetworkStallGui, StalledPageFetch) {
    sim.start(testDataPath("harvest"));
    proxyThrough(env, sim);
    sim.addFault("page=1 stall " + std::to_string(kStallMs));
    db->exec("insert into TB_Groups(GroupName,Tag) select '女装',0");
    HarvestWindow harvest({*db, dialogs, loop}, nullptr);
    HarvestWindowLogic& search = harvest.logic();
    search.fetchOptions.readTimeoutMs = 3 * kStallMs;
    search.prepare("搜索添加宝贝链接(URL)-女装", db->lastInsertId());
    search.onShown();

    StallWatch watch(
        loop, [&] { return requested("shop") && search.searching(); },
        [&] { search.cancelSearch(); });
    search.setShopAddress("http://shop-gbk.1688.com");
    search.setKeyword("连衣裙");
    search.startSearch();
    ASSERT_TRUE(waitFor([&] { return watch.cancelled() && !search.searching(); }, 3 * kStallMs));
    EXPECT_LT(SteadyClock::now() - watch.cancelledAt(), kCancelBound);
    EXPECT_TRUE(watch.sawRepaint());
    EXPECT_TRUE(watch.sawPostedCall());
    // A cancelled search tells nothing and adds nothing.
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(search.url().lineCount(), 0u);
    EXPECT_EQ(search.searchEnd(), HarvestWindowLogic::SearchEnd::None);
}

TEST_F(NetworkStallGui, StalledCategoryPost) {
    startMainWindow(testDataPath("catalog"));
    sim.addFault("method=user.itemcats.get stall " + std::to_string(kStallMs));
    logic->relayClient().options().readTimeoutMs = 3 * kStallMs;
    const std::string before = db->query("select count(*) from TB_Itemcats").first();

    StallWatch watch(
        loop, [&] { return requested("relay") && logic->state().panel.visible(); },
        [&] { logic->cancelCommand(); });
    dialogs.answers = {Answer::Yes};
    // The command waits inside, with the window's events running.
    window->findChild<QAction*>("D01")->trigger();
    ASSERT_TRUE(watch.cancelled());
    EXPECT_LT(SteadyClock::now() - watch.cancelledAt(), kCancelBound);
    EXPECT_TRUE(watch.sawRepaint());
    EXPECT_TRUE(watch.sawPostedCall());
    // Only the question was shown; the table is as it was and the command can run again.
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(db->query("select count(*) from TB_Itemcats").first(), before);
    EXPECT_FALSE(logic->state().busy());
    sim.clearFaults();
    dialogs.answers = {Answer::Yes};
    window->findChild<QAction*>("D01")->trigger();
    EXPECT_EQ(dialogs.last().text, "商品类目下载完成，请确认");
}
