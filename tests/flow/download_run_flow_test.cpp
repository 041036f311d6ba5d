#include "download_flow_fixture.hpp"
#include "package/download_run.hpp"
#include "package/package_file.hpp"
#include "package/package_names.hpp"
#include "package/pending_row.hpp"
#include "package_check.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <tuple>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string kRemarkA = "完成-2012:03:05 14:07:00:产品类别:T恤";
const std::string kRemarkB = "完成-2012:03:05 14:07:00:产品类别:";

using DownloadFlow = DownloadFlowFixture;

TEST_F(DownloadFlow, TwoOffersGiveTheGoldenPackageWithTheirPicturesAndMarkTheItems) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", true, true);
    startWindow();
    std::vector<std::string> captions;
    Connection watch = window->state().panel.changed.connect(
        [&] { captions.push_back(window->state().panel.caption()); });
    startAndRun();

    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(run->rowsWritten(), 2);
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1, 2}));
    EXPECT_EQ(folderFiles(pictureFolder()), expectedPictures());
    std::map<std::string, std::string> desc = {{"x.jpg", picture("d/x.jpg")},
                                               {"y.jpg", picture("d/y.jpg")},
                                               {"y.jpgsize=big", picture("d/y.jpg")},
                                               {"bg.gif", picture("d/bg.gif")}};
    EXPECT_EQ(folderFiles(descFolder()), desc);

    // The second offer's main picture was on disk already; the address shared by a main
    // and a property picture was fetched by both jobs.
    EXPECT_EQ(pictureRequests("/a2.jpg"), 1);
    EXPECT_EQ(pictureRequests("/a1.jpg"), 2);
    EXPECT_EQ(pictureRequests("/d/x.jpg"), 1);

    // The scarf has no category and no SKU: written, with its warnings noted.
    const std::string warningsB = "警告:类目为0,数量为0";
    for (const auto& [id, remark, mark, state] :
         {std::tuple{"2001", kRemarkA, "通过", "1"},
          std::tuple{"2002", kRemarkB + ";" + warningsB, "警告", "2"}}) {
        const ItemRow& r = rowOf(id);
        EXPECT_EQ(r.state, "已下载");
        EXPECT_EQ(r.icon, kIconDownloaded);
        EXPECT_FALSE(r.ticked);
        EXPECT_EQ(r.sub[kSubRemark], remark);
        EXPECT_EQ(r.sub[kSubCheck], mark);
        Query q =
            db->query("select IsDownload,remark,CheckState from TB_URL where num_iid=?", {id});
        EXPECT_EQ(q.text("IsDownload"), "1");
        EXPECT_EQ(q.text("remark"), remark);
        EXPECT_EQ(q.text("CheckState"), state);
    }
    ASSERT_EQ(run->rowChecks().size(), 2u);
    EXPECT_TRUE(run->rowChecks()[0].problems.empty());
    EXPECT_EQ(run->rowChecks()[1].offerId, "2002");
    EXPECT_EQ(run->rowChecks()[1].problems.warnings,
              (std::vector<std::string>{"类目为0", "数量为0"}));

    EXPECT_FALSE(window->state().panel.visible());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "是否开始下载勾选的宝贝?");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Question);
    EXPECT_EQ(dialogs.shown[1].text, "完成下载并生成淘宝助理数据包.\r\n写入数据包的宝贝 2 个\r\n"
                                     "数据有警告的宝贝 1 个:\r\n  2002 警告:类目为0,数量为0\r\n"
                                     "用时 0 秒\r\n数据包: " +
                                         package + "\r\n现在是否要打开文件位置?");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Information);
    EXPECT_TRUE(desktop.openedFolders.empty());

    auto seen = [&](const std::string& caption) {
        return std::find(captions.begin(), captions.end(), caption) != captions.end();
    };
    EXPECT_TRUE(seen("正在处理中...(1/2)"));
    EXPECT_TRUE(seen("正在处理中...(1/2)-完成下载,正在保存中"));
    EXPECT_TRUE(seen("正在处理中...(2/2)"));
    EXPECT_TRUE(seen("正在处理中...(2/2)\r\n进度:属性图片1(0/0) 属性图片2(0/0) 描述图片(0/0)"));
    EXPECT_TRUE(seen("正在处理中...(1/2)\r\n进度:属性图片1(2/2) 属性图片2(2/2) 描述图片(4/4)"));
}

TEST_F(DownloadFlow, YesToOpenTheFolderOpensThePackageFolder) {
    addLink(group, "2002", "围巾", "0", "0", false, true);
    startWindow();
    dialogs.answers = {Answer::Yes, Answer::Yes};
    window->startDownload();
    runToEnd();
    ASSERT_EQ(desktop.openedFolders.size(), 1u);
    EXPECT_EQ(desktop.openedFolders[0], nativePath(dir.path() + "/out/"));
}

TEST_F(DownloadFlow, WithoutLocalDescriptionPicturesTheDescriptionKeepsItsAddresses) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    window->setLocalDescriptionPictures(false);
    window->setRemoveDescriptionLinks(false);
    startAndRun();

    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(pictureRequests("/d/x.jpg") + pictureRequests("/d/bg.gif"), 0);
    EXPECT_TRUE(folderFiles(descFolder()).empty());
    EXPECT_EQ(folderFiles(pictureFolder()), expectedPictures());
    std::string text = test::readFileBytes(package);
    for (const char* part : {"<img src=\"http://img.example.com/d/x.jpg\" alt=\"\"\"\">",
                             "background=\"http://img.example.com/d/bg.gif\"",
                             "<a href=\"http://shop.example.com/\">店铺</a><A>X</A>"})
        EXPECT_NE(text.find(utf16(part)), std::string::npos) << part;
    EXPECT_EQ(text.find(utf16("file://")), std::string::npos);
}

// A typed path without ".csv" once lost its last four characters to the picture
// folders, which then landed in another package's folder.
TEST_F(DownloadFlow, APathWithoutCsvGetsItAndItsOwnFolders) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    window->state().saveFile = dir.path() + "/out/数据包";
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(window->state().saveFile, nativePath(dir.path() + "/out/数据包.csv"));
    EXPECT_TRUE(fs::is_regular_file(platform::toPath(dir.path() + "/out/数据包.csv")));
    EXPECT_EQ(folderFiles(dir.path() + "/out/数据包").size(), expectedPictures().size());
    EXPECT_TRUE(fs::is_directory(platform::toPath(dir.path() + "/out/数据包_DESC")));
}

TEST_F(DownloadFlow, ErrorResponseMidRunEndsItAndTheItemKeepsItsTick) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, true);
    sim.addFault("offer=2002 error-response 商品不存在|isv.offer-gone|已下架");
    startWindow();
    startAndRun();

    EXPECT_EQ(run->outcome(), RunOutcome::Failed);
    EXPECT_EQ(run->rowsWritten(), 1);
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1}));
    const ItemRow& failed = rowOf("2002");
    EXPECT_EQ(failed.state, "下载中");
    EXPECT_EQ(failed.icon, kIconDownloading);
    EXPECT_TRUE(failed.ticked);
    EXPECT_EQ(count("select count(*) from TB_URL where IsDownload=1"), 1);
    EXPECT_FALSE(window->state().panel.visible());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].title, "提示");
    EXPECT_EQ(dialogs.shown[1].text,
              "下载失败.\r\n错误原因: 商品不存在,isv.offer-gone,已下架"
              "\r\n\r\n下载已停止.\r\n写入数据包的宝贝 1 个\r\n"
              "未能下载的宝贝 1 个:\r\n  2002 商品不存在,isv.offer-gone,已下架\r\n"
              "用时 0 秒\r\n数据包: " +
                  package + "\r\n");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Error);
}

// With "出错时跳过该宝贝继续下载" a failed offer is marked, unticked and skipped; the
// summary names it with its reason.
TEST_F(DownloadFlow, SkipFailedOffersGoesOnPastAnErrorResponseAndATransportFailure) {
    struct Case {
        const char* fault;
        const char* reason;
    };
    const Case cases[] = {
        {"offer=2001 error-response 商品不存在|isv.offer-gone|已下架",
         "商品不存在,isv.offer-gone,已下架"},
        {"offer=2001 status 503", "HTTP错误 503 "},
    };
    for (const Case& c : cases) {
        db->exec("delete from TB_URL");
        addLink(group, "2001", "T恤", "0", "0", false, true);
        addLink(group, "2002", "围巾", "0", "0", false, true);
        sim.clearFaults();
        sim.addFault(c.fault);
        dialogs.clear();
        std::error_code ec;
        fs::remove(platform::toPath(package), ec);
        startWindow();
        window->setSkipFailedOffers(true);
        startAndRun();

        EXPECT_EQ(run->outcome(), RunOutcome::Completed) << c.fault;
        EXPECT_EQ(run->rowsWritten(), 1);
        EXPECT_EQ(test::readFileBytes(package), expectedPackage({2}));
        const ItemRow& failed = rowOf("2001");
        EXPECT_EQ(failed.state, "未下载");
        EXPECT_FALSE(failed.ticked);
        EXPECT_EQ(
            failed.sub[kSubRemark].rfind("失败-2012:03:05 14:07:00:" + std::string(c.reason), 0),
            0u)
            << failed.sub[kSubRemark];
        EXPECT_EQ(rowOf("2002").state, "已下载");
        ASSERT_EQ(run->failedOffers().size(), 1u);
        EXPECT_EQ(run->failedOffers()[0].offerId, "2001");
        // No box stops the run; the end names the failed offer.
        ASSERT_EQ(dialogs.shown.size(), 2u);
        const std::string& end = dialogs.shown[1].text;
        EXPECT_NE(end.find("写入数据包的宝贝 1 个\r\n未能下载的宝贝 1 个:\r\n  2001 " +
                           std::string(c.reason)),
                  std::string::npos)
            << end;
        EXPECT_EQ(dialogs.shown[1].icon, Icon::Information);
    }
}

TEST_F(DownloadFlow, TheSummaryCountsFailedPicturesAndTheTimeTaken) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault("path=/p1.jpg status 404");
    startWindow();
    window->state()
        .panel.changed
        .connect([&] {
            if (run->outcome() == RunOutcome::Running)
                clock.time.second = 59, clock.time.minute = 8;
        })
        .release();
    startAndRun();
    EXPECT_EQ(run->picturesFailed(), 1);
    EXPECT_EQ(run->secondsTaken(), 119);
    EXPECT_NE(dialogs.last().text.find("未能下载的图片 1 张\r\n用时 1 分 59 秒\r\n"),
              std::string::npos)
        << dialogs.last().text;
}

TEST_F(DownloadFlow, TransportFailureEndsTheRunWithAMessageNamingIt) {
    struct Case {
        const char* fault;
        const char* reason;
    };
    const Case cases[] = {
        {"offer=2001 status 503", "HTTP错误 503"},
        {"offer=2001 stall 2000", "无法连接服务器或等待应答超时"},
        {"offer=2001 short-body 10", "连接中断"},
    };
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    run->offerRequest().timeouts.receiveMs = 300;
    for (const Case& c : cases) {
        sim.clearFaults();
        sim.addFault(c.fault);
        dialogs.clear();
        startAndRun();
        EXPECT_EQ(run->outcome(), RunOutcome::Failed) << c.fault;
        ASSERT_EQ(dialogs.shown.size(), 2u) << c.fault;
        const std::string& text = dialogs.shown[1].text;
        EXPECT_EQ(text.rfind(std::string("下载失败.\r\n错误原因: ") + c.reason, 0), 0u) << text;
        EXPECT_NE(text.find(run->relay().apiEndpoint), std::string::npos) << text;
        EXPECT_EQ(dialogs.shown[1].icon, Icon::Error);
        EXPECT_TRUE(rowOf("2001").ticked);
        EXPECT_EQ(rowOf("2001").state, "下载中");
        EXPECT_FALSE(window->state().panel.visible());
        EXPECT_FALSE(fs::exists(platform::toPath(package)));
    }
}

TEST_F(DownloadFlow, MissingPictureIsLeftOutOfThePictureColumnAndTheRowIsWritten) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault("path=/p1.jpg status 404");
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    const std::string p1Entry =
        propertyPictureEntry(pictureName(kPictureHost + "p1.jpg"), "0", "1627207:28326");
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1}, [&](auto& fields) {
                  EXPECT_NE(fields.at(28).find(p1Entry), std::string::npos);
                  fields.at(28) = replaceAll(fields.at(28), p1Entry, "");
                  fields.at(26) = "1;1;1;";
              }));
    auto expected = expectedPictures();
    expected.erase(pictureName(kPictureHost + "p1.jpg") + ".tbi");
    EXPECT_EQ(folderFiles(pictureFolder()), expected);
}

TEST_F(DownloadFlow, CancelDuringPicturesStopsTheJobsWithoutARow) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault("host=img.example.com latency 200");
    startWindow();
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_TRUE(loop.runUntil([&] { return pictureRequests("/a1.jpg") > 0; }, 5s));
    window->cancelCommand();
    size_t shownAtCancel = dialogs.shown.size();
    ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 5s));
    EXPECT_EQ(run->outcome(), RunOutcome::Cancelled);

    // Nothing more arrives: no progress, no picture request, no message.
    int changes = 0;
    Connection counting = window->list().rowsChanged.connect([&](int, int) { ++changes; });
    size_t requests = sim.requests().size();
    loop.runUntil([] { return false; }, 700ms);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(sim.requests().size(), requests);
    EXPECT_EQ(dialogs.shown.size(), shownAtCancel);
    EXPECT_FALSE(fs::exists(platform::toPath(package)));
    EXPECT_TRUE(rowOf("2001").ticked);
    EXPECT_EQ(count("select count(*) from TB_URL where IsDownload=1"), 0);
    EXPECT_FALSE(window->state().panel.visible());
}

TEST_F(DownloadFlow, CancelWhileTheOfferIsRequestedDropsItsAnswer) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault("offer=2001 latency 300");
    startWindow();
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_TRUE(loop.runUntil([&] { return !sim.requests().empty(); }, 5s));
    window->cancelCommand();
    ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 5s));
    EXPECT_EQ(run->outcome(), RunOutcome::Cancelled);
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(sim.requests().size(), 1u) << "no look-up, no picture";
    EXPECT_TRUE(rowOf("2001").ticked);
    EXPECT_FALSE(fs::exists(platform::toPath(package)));
}

// Started again while the cancelled run's request is still out (a slow Relay): the new
// run goes on at once instead of failing with "上一个宝贝的下载请求尚未完成".
TEST_F(DownloadFlow, CancelThenStartAgainAbandonsTheOldRequest) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault("offer=2001 stall 20000 1");
    startWindow();
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_TRUE(loop.runUntil([&] { return !sim.requests().empty(); }, 5s));
    window->cancelCommand();
    loop.processEvents();
    auto restarted = std::chrono::steady_clock::now();
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_EQ(run->outcome(), RunOutcome::Running);
    runToEnd();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_LT(std::chrono::steady_clock::now() - restarted, 10s) << "long before the stall ends";
    for (const auto& shown : dialogs.shown)
        EXPECT_EQ(shown.text.find("尚未完成"), std::string::npos) << shown.text;
    EXPECT_FALSE(rowOf("2001").ticked);
}

TEST_F(DownloadFlow, SaveFailureHaltsTheRunUntilCancel) {
    addLink(group, "2002", "围巾", "0", "0", false, true);
    // A folder where the package file should be: it cannot be written.
    fs::create_directories(platform::toPath(package));
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Failed);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const std::string& text = dialogs.shown[1].text;
    EXPECT_EQ(text.rfind("保存失败,错误:", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - std::string(",请关闭.").size()), ",请关闭.");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Error);
    EXPECT_TRUE(window->state().panel.visible());
    EXPECT_TRUE(rowOf("2002").ticked);
    EXPECT_EQ(count("select count(*) from TB_URL where IsDownload=1"), 0);
    window->cancelCommand();
    EXPECT_FALSE(window->state().busy());
}

// The steps of one offer as its item's progress column shows them (the picture counts
// left out), and where a cancel stops them.
class OfferSteps : public DownloadFlowFixture {
protected:
    static constexpr const char* kReading = "正在下载中...(解析XML)";
    static constexpr const char* kMain = "正在创建下载属性图片1线程...";
    static constexpr const char* kProperty = "正在创建下载属性图片2线程...";
    static constexpr const char* kDescription = "正在创建下载描述图片线程...";
    static constexpr const char* kSaving = "完成下载,正在保存中...";

    // Records every new progress text of item id from the reading on; cancels the run
    // when it shows cancelAt.
    Connection watch(const std::string& id, const std::string& cancelAt = {}) {
        steps.clear();
        return window->list().rowsChanged.connect([this, id, cancelAt](int, int) {
            const std::string& remark = rowOf(id).sub[kSubRemark];
            bool pictureCount = remark.rfind("正在下载中...", 0) == 0 && remark != kReading;
            // What an earlier run left in the column is not a step of this one.
            if (steps.empty() && remark != kReading)
                return;
            if (pictureCount || (!steps.empty() && steps.back() == remark))
                return;
            steps.push_back(remark);
            if (remark == cancelAt)
                window->cancelCommand();
        });
    }

    std::vector<std::string> steps;
};

TEST_F(OfferSteps, RunInOrderWithOrWithoutLocalDescriptionPictures) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    window->state().log.setVisible(true);
    Connection watching = watch("2001");
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(steps, (std::vector<std::string>{kReading, kMain, kProperty, kDescription, kSaving,
                                               kRemarkA}));
    // The answer fields while reading, the row's columns when it is stored.
    const std::string& logged = window->state().log.text();
    EXPECT_LT(logged.find("\nproductFeatureList:"), logged.find("\ntitle:"));
    EXPECT_NE(logged.find("\nsell_promise:0\n"), std::string::npos);

    fs::remove(platform::toPath(package));
    window->list().setTicked(window->list().indexOfUniqid(rowOf("2001").uniqid), true);
    window->setLocalDescriptionPictures(false);
    watching = watch("2001");
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(steps, (std::vector<std::string>{kReading, kMain, kProperty, kSaving, kRemarkA}));
    EXPECT_EQ(run->rowsWritten(), 1);
}

TEST_F(OfferSteps, ACancelAtAnyStepEndsTheOfferWithoutARow) {
    struct Case {
        const char* cancelAt;
        // The last step shown: the main pictures' step is always reached.
        const char* lastStep;
    };
    const Case cases[] = {
        {kReading, kMain},
        {kMain, kMain},
        {kProperty, kProperty},
        {kDescription, kDescription},
    };
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cancelAt);
        dialogs.clear();
        Connection watching = watch("2001", c.cancelAt);
        dialogs.answers.push_back(Answer::Yes);
        window->startDownload();
        ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 10s));
        loop.runUntil([] { return false; }, 50ms);
        EXPECT_EQ(run->outcome(), RunOutcome::Cancelled);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), c.lastStep);
        EXPECT_EQ(dialogs.shown.size(), 1u) << "only the start question";
        EXPECT_FALSE(fs::exists(platform::toPath(package)));
        EXPECT_TRUE(rowOf("2001").ticked);
        EXPECT_EQ(count("select count(*) from TB_URL where IsDownload=1"), 0);
        EXPECT_FALSE(window->state().panel.visible());
    }
}

// An unreadable answer once gave a blank row marked "已下载": now it gives no row, the
// item is unticked with the reason in its remark, the run goes on with the next item
// and its end names the offer.
TEST_F(OfferSteps, AnAnswerThatCannotBeReadGivesNoRowAndTheRunGoesOn) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, true);
    sim.addFault("offer=2001 bad-json");
    startWindow();
    Connection watching = watch("2001");
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[1].title, "提示");
    EXPECT_EQ(dialogs.shown[1].icon, Icon::Error);
    EXPECT_EQ(dialogs.shown[1].text.rfind("宝贝数据无法解析:", 0), 0u) << dialogs.shown[1].text;
    EXPECT_EQ(steps.front(), kReading);
    EXPECT_EQ(run->rowsWritten(), 1);
    EXPECT_EQ(rowOf("2001").state, "未下载");
    EXPECT_FALSE(rowOf("2001").ticked);
    EXPECT_EQ(rowOf("2001").sub[kSubRemark].rfind("失败-", 0), 0u);
    EXPECT_EQ(count("select count(*) from TB_URL where num_iid='2001' and IsDownload=0 and "
                    "bcheck=0"),
              1);
    EXPECT_EQ(rowOf("2002").state, "已下载");
    const std::string& end = dialogs.last().text;
    EXPECT_NE(end.find("未能下载的宝贝 1 个:\r\n  2001 宝贝信息无法读取:"), std::string::npos)
        << end;
    EXPECT_EQ(end.substr(end.size() - std::string("现在是否要打开文件位置?").size()),
              "现在是否要打开文件位置?");
}

// Look-ups that got no answer once dropped every property and SKU in silence while the
// offer still ended "完成"; so did an Error Response, an empty answer or one that is not
// the look-up XML. The remark names the look-ups that failed and why; "not found"
// answers are normal and stay quiet.
struct LookupFailureCase {
    const char* fault;
    const char* why;
};

class FailedLookups : public DownloadFlowFixture,
                      public ::testing::WithParamInterface<LookupFailureCase> {};

TEST_P(FailedLookups, AreToldInTheRemarkAndAtTheEnd) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    sim.addFault(GetParam().fault);
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(run->rowsWritten(), 1);
    const std::string& remark = rowOf("2001").sub[kSubRemark];
    EXPECT_NE(remark.find("属性查询失败 "), std::string::npos) << remark;
    EXPECT_NE(remark.find(std::string("颜色:") + GetParam().why), std::string::npos) << remark;
    ASSERT_EQ(run->incompleteOffers().size(), 1u);
    EXPECT_NE(dialogs.last().text.find("属性不完整的宝贝 1 个"), std::string::npos);
}

const LookupFailureCase kLookupFailures[] = {
    {"lookup status 500", "网络错误"},
    {"lookup error-response", "错误应答"},
    {"lookup empty", "空应答"},
    {"lookup bad-json", "应答不是查询结果"},
};

INSTANTIATE_TEST_SUITE_P(Answers, FailedLookups, ::testing::ValuesIn(kLookupFailures));

TEST_F(DownloadFlow, NotFoundLookupsStayQuiet) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    startAndRun();
    EXPECT_TRUE(run->incompleteOffers().empty());
    EXPECT_EQ(rowOf("2001").sub[kSubRemark].find("属性查询"), std::string::npos);
    EXPECT_EQ(dialogs.last().text,
              "完成下载并生成淘宝助理数据包.\r\n写入数据包的宝贝 1 个\r\n用时 0 秒\r\n"
              "数据包: " +
                  package + "\r\n现在是否要打开文件位置?");
}

TEST_F(DownloadFlow, StartChecks) {
    startWindow();
    window->startDownload();
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"请勾选要下载的宝贝."});
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);

    addLink(group, "2002", "围巾", "0", "0", false, true);
    window->view().reloadItems();
    dialogs.clear();
    window->state().saveFile = dir.path() + "/missing/x.csv";
    window->startDownload();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().text, "\"" + nativePath(dir.path() + "/missing/") +
                                       "\"文件夹不存在,请重新配置\"保存文件位置\".");
    EXPECT_EQ(dialogs.last().icon, Icon::Error);

    // Declined: only the folders were made.
    dialogs.clear();
    window->state().saveFile = package;
    window->setPagePrice(true);
    window->startDownload();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(
        dialogs.last().text,
        "是否开始下载勾选的宝贝?\r\n\r\n警告:勾选了采用页面价格,下载时,宝贝的价格将会统一处理成列表"
        "中的页面价格(含SKU价格)");
    EXPECT_EQ(run->outcome(), RunOutcome::Idle);
    EXPECT_TRUE(fs::is_directory(platform::toPath(pictureFolder())));
    EXPECT_TRUE(fs::is_directory(platform::toPath(descFolder())));
    EXPECT_TRUE(sim.requests().empty());

    // A second start while running does nothing.
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_EQ(run->outcome(), RunOutcome::Running);
    size_t shown = dialogs.shown.size();
    EXPECT_FALSE(run->startDownload());
    EXPECT_EQ(dialogs.shown.size(), shown);
    runToEnd();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
}

TEST_F(DownloadFlow, PagePriceComesFromTheList) {
    addLink(group, "2002", "围巾", "0", "9.90", false, true);
    startWindow();
    window->setPagePrice(true);
    startAndRun();
    std::string text = test::readFileBytes(package);
    EXPECT_NE(text.find(utf16("\t0\t\"0\"\t1\t\"\"\t\"\"\t1\t9.9\t")), std::string::npos);
}

TEST_F(DownloadFlow, ItemsTickedDuringTheRunAreTakenUp) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, false);
    startWindow();
    bool ticked = false;
    Connection ticking =
        run->offerEnded.connect([&](int, int, const std::string&, const std::string&) {
            if (!ticked)
                window->list().setTicked(window->list().indexOfUniqid(rowOf("2002").uniqid), true);
            ticked = true;
        });
    std::vector<std::string> captions;
    Connection watch = window->state().panel.changed.connect(
        [&] { captions.push_back(window->state().panel.caption()); });
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(run->rowsWritten(), 2);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "正在处理中...(2/1)"), captions.end());
    EXPECT_EQ(rowOf("2002").state, "已下载");
}

TEST_F(DownloadFlow, PackageFileDeletedBetweenTwoRowsIsMadeAgain) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, true);
    startWindow();
    Connection removing =
        run->offerEnded.connect([&](int ordinal, int, const std::string&, const std::string&) {
            if (ordinal == 1)
                fs::remove(platform::toPath(package));
        });
    startAndRun();
    EXPECT_EQ(run->rowsWritten(), 2);
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({2}));
}

TEST_F(DownloadFlow, RowLeftUnfinishedBySuddenEndIsCutAtTheNextStart) {
    struct Case {
        const char* name;
        bool fileBefore;                 // the package existed before the row
        std::string left;                // the file as the sudden end left it
        std::initializer_list<int> rows; // of the package file after the next run
    };
    const std::string one = expectedPackage({1});
    const std::string two = expectedPackage({1, 2});
    const Case cases[] = {
        // The row was cut in the middle.
        {"torn", true, one + two.substr(one.size(), (two.size() - one.size()) / 2), {1, 2}},
        // The row was written whole, the item not yet marked.
        {"whole", true, two, {1, 2}},
        // The row made the file.
        {"made", false, expectedPackage({2}), {2}},
    };
    addLink(group, "2002", "围巾", "0", "0", false, true);
    startWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(platform::toPath(package));
        if (c.fileBefore)
            test::writeFileBytes(package, one);
        rememberPendingRow(*db, package, c.fileBefore);
        test::writeFileBytes(package, c.left);
        window->list().setTicked(0, true);
        dialogs.clear();
        dialogs.answers = {Answer::Yes, Answer::Yes};
        dialogs.fileExistsChoices = {FileExistsChoice::Append};
        window->startDownload();
        runToEnd();
        EXPECT_EQ(run->outcome(), RunOutcome::Completed);
        EXPECT_EQ(test::readFileBytes(package), expectedPackage(c.rows));
        EXPECT_EQ(readSetting(*db, Setting::PendingPackageRow), "");
        // The mark and the tick are stored with the row.
        Query q = db->query("select IsDownload,bcheck from TB_URL where num_iid='2002'");
        EXPECT_EQ(q.text("IsDownload"), "1");
        EXPECT_EQ(q.text("bcheck"), "0");
        db->exec("update TB_URL set IsDownload=0");
    }
}

// Two runs on one data folder (two windows, the window and the CLI) downloaded every
// offer twice into one package, and the second one's start-up repair could cut the
// first one's row while it was written. The second run refuses to start and touches
// nothing; the lock goes with the run.
TEST_F(DownloadFlow, OneRunAtATimeOnADataFolder) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    {
        // Another program's run holds the data folder, its row half-written.
        platform::FileLock other(db->path() + ".run-lock");
        ASSERT_TRUE(other.isHeld());
        test::writeFileBytes(package, "half");
        rememberPendingRow(*db, package, false);
        dialogs.answers.push_back(Answer::Yes);
        window->startDownload();
        EXPECT_EQ(run->outcome(), RunOutcome::Idle);
        EXPECT_EQ(dialogs.last().text,
                  "另一个下载正在进行(同一个数据文件夹),请等它结束后再开始下载.");
        EXPECT_EQ(test::readFileBytes(package), "half");
        EXPECT_NE(readSetting(*db, Setting::PendingPackageRow), "");
        EXPECT_TRUE(rowOf("2001").ticked);
    }
    // That run ended (its lock went with it, as with a killed one): this one starts.
    forgetPendingRow(*db);
    fs::remove(platform::toPath(package));
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(run->rowsWritten(), 1);
    // The run's own lock ended with it.
    EXPECT_TRUE(platform::FileLock(db->path() + ".run-lock").isHeld());
    // While a run goes on, another cannot start.
    window->list().setTicked(0, true);
    dialogs.answers = {Answer::Yes};
    dialogs.fileExistsChoices = {FileExistsChoice::Overwrite};
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_EQ(run->outcome(), RunOutcome::Running);
    EXPECT_FALSE(platform::FileLock(db->path() + ".run-lock").isHeld());
    runToEnd();
}

// --- the file-exists dialog ---

class FileExists : public DownloadFlow {
protected:
    void SetUp() override {
        DownloadFlow::SetUp();
        addLink(group, "2002", "围巾", "0", "0", false, true);
        // An existing package holding offer 2001's row.
        test::writeFileBytes(package, expectedPackage({1}));
        startWindow();
    }
};

TEST_F(FileExists, ChoicesAndTheirConfirmations) {
    struct Case {
        FileExistsChoice choice;
        Answer confirm;
        const char* confirmation; // followed by the file name in double quotes and "?"
        bool started;
        std::initializer_list<int> rows; // of the package file afterwards
    };
    const Case cases[] = {
        {FileExistsChoice::Cancel, Answer::Yes, nullptr, false, {1}},
        // Appending destroys nothing: no second question.
        {FileExistsChoice::Append, Answer::No, nullptr, true, {1, 2}},
        {FileExistsChoice::Overwrite, Answer::No, "再次确认,是否覆盖文件：", false, {1}},
        {FileExistsChoice::Overwrite, Answer::Yes, "再次确认,是否覆盖文件：", true, {2}},
    };
    for (const Case& c : cases) {
        test::writeFileBytes(package, expectedPackage({1}));
        window->list().setTicked(0, true);
        dialogs.clear();
        dialogs.answers = {Answer::Yes, c.confirm};
        dialogs.fileExistsChoices = {c.choice};
        window->startDownload();
        EXPECT_EQ(run->outcome() == RunOutcome::Running, c.started);
        if (c.started)
            runToEnd();
        ASSERT_GE(dialogs.shown.size(), 2u);
        EXPECT_EQ(dialogs.shown[1].kind, test::Shown::Kind::FileExists);
        EXPECT_EQ(dialogs.shown[1].text, "\"" + package + "\"文件已存在,请选择要做的操作？");
        if (c.confirmation) {
            EXPECT_EQ(dialogs.shown[2].text, c.confirmation + ("\"" + package + "\"?"));
            // Enter keeps the file.
            EXPECT_TRUE(dialogs.shown[2].defaultNo);
        } else if (c.started) {
            EXPECT_EQ(dialogs.shown[2].text.rfind("完成下载并生成淘宝助理数据包.", 0), 0u);
        }
        EXPECT_EQ(test::readFileBytes(package), expectedPackage(c.rows));
    }
}

// Appending onto a file that is not a whole package: an empty file becomes one; a text
// file of the user's, or a package cut in the middle of a row, is refused by name and
// left as it was.
TEST_F(FileExists, AppendTakesAWholePackageOrAnEmptyFile) {
    const std::string one = expectedPackage({1});
    const std::string two = expectedPackage({1, 2});
    struct Case {
        const char* name;
        std::string before;
        const char* refusal; // followed by nothing: the file's name comes first
    };
    const Case cases[] = {
        {"empty", "", nullptr},
        {"text", "我的笔记\r\n", "\"不是淘宝助理数据包(没有字节顺序标记和表头),不能追加."},
        {"utf16 text", "\xff\xfe" + utf16("我的笔记"),
         "\"不是淘宝助理数据包(没有字节顺序标记和表头),不能追加."},
        {"cut", one + two.substr(one.size(), (two.size() - one.size()) / 2),
         "\"的最后一行不完整(文件被截断),不能追加."},
        {"odd byte", one.substr(0, one.size() - 1), "\"的最后一行不完整(文件被截断),不能追加."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFileBytes(package, c.before);
        window->list().setTicked(0, true);
        dialogs.clear();
        dialogs.answers = {Answer::Yes};
        dialogs.fileExistsChoices = {FileExistsChoice::Append};
        window->startDownload();
        EXPECT_EQ(run->outcome() == RunOutcome::Running, c.refusal == nullptr);
        if (c.refusal == nullptr) {
            runToEnd();
            EXPECT_EQ(test::readFileBytes(package), expectedPackage({2}));
        } else {
            EXPECT_EQ(dialogs.last().text, "\"" + package + c.refusal);
            EXPECT_EQ(dialogs.last().icon, Icon::Error);
            EXPECT_EQ(test::readFileBytes(package), c.before);
            EXPECT_TRUE(rowOf("2002").ticked);
        }
    }
}

TEST_F(FileExists, NewFileTwiceInOneMinuteAppendsToTheSameNewFile) {
    const std::string newName = nativePath(dir.path() + "/out/淘宝助理数据包_1203051407.csv");
    for (int round = 0; round < 2; ++round) {
        window->list().setTicked(0, true);
        dialogs.clear();
        dialogs.answers = {Answer::Yes, Answer::Yes};
        dialogs.fileExistsChoices = {FileExistsChoice::NewFile};
        window->startDownload();
        ASSERT_GE(dialogs.shown.size(), 3u);
        EXPECT_EQ(dialogs.shown[2].text, "再次确认,是否建立新文件：\"" + newName + "\"?");
        runToEnd();
        EXPECT_EQ(window->state().saveFile, newName);
    }
    // The first package is untouched; the new one holds two rows of offer 2002.
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1}));
    std::string twice = expectedPackage({2});
    std::string row = twice.substr(expectedPackage({}).size());
    EXPECT_EQ(test::readFileBytes(newName), twice + row);
    EXPECT_TRUE(fs::is_directory(platform::toPath(pictureFolderOf(newName))));
    EXPECT_TRUE(fs::is_directory(platform::toPath(descriptionFolderOf(newName))));
    // Setting 500 keeps its value.
    EXPECT_NE(readSetting(*db, Setting::PackagePath), newName);
}

} // namespace

// --- description pictures: every reference names a file that is there ---

class DescriptionPictures : public DownloadFlow {
protected:
    std::string fixtureFolder() override {
        fs::copy(platform::toPath(testDataPath("download")), platform::toPath(fixtures),
                 fs::copy_options::recursive);
        // Two more pictures named y.jpg with bytes of their own.
        writeFileBytes(fixtures + "/pictures/img.example.com/e/y.jpg", "the y of e");
        writeFileBytes(fixtures + "/pictures/img.example.com/f/y.jpg", "the y of f");
        writeOffer("5001",
                   "<img src=\"http://img.example.com/d/x.jpg?a=1&amp;b=2\">"
                   "<img src=\"/rel/z.jpg\"><img src=\"images/w.jpg\">"
                   "<img src=\"http://img.example.com/d/y.jpg\">"
                   "<img src=\"http://img.example.com/e/y.jpg\">"
                   "<img src=\"http://img.example.com/d/gone.jpg\">",
                   {"a1.jpg", "gone.jpg"});
        writeOffer("5002",
                   "<img src=\"http://img.example.com/f/y.jpg\">"
                   "<img src=\"http://img.example.com/d/y.jpg\">",
                   {});
        return fixtures;
    }

    void writeOffer(const std::string& id, const std::string& description,
                    const std::vector<std::string>& images) {
        std::string list;
        for (const std::string& image : images)
            list += std::string(list.empty() ? "" : ",") + "{\"originalImageURI\":\"" +
                    kPictureHost + image + "\"}";
        writeFileBytes(fixtures + "/offers/" + id + ".json",
                       "{\"result\":{\"toReturn\":[{\"subject\":\"s\",\"details\":\"" +
                           replaceAll(description, "\"", "\\\"") + "\",\"offerId\":" + id +
                           ",\"imageList\":[" + list + "]}]}}");
    }

    // The written package's rows, each split into its fields.
    std::vector<std::vector<std::string>> packageRows() {
        std::string text = *toUtf8(readFileBytes(package).substr(2), "UTF-16LE");
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> lines = splitText(text, "\r\n");
        for (std::size_t i = 3; i < lines.size(); ++i)
            rows.push_back(splitText(lines[i], "\t"));
        return rows;
    }

    std::string local(const std::string& name) { return localPictureAddress(descFolder(), name); }

    std::string fixtures = dir.file("fixtures");
};

TEST_F(DescriptionPictures, AreOnDiskUnderTheirOwnNamesOrKeepTheirAddresses) {
    addLink(group, "5001", "", "0", "0", false, true);
    addLink(group, "5002", "", "0", "0", false, true);
    startWindow();
    startAndRun();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(packageFileProblem(package), "");
    auto rows = packageRows();
    ASSERT_EQ(rows.size(), 2u);
    // The decoded address names the file and is the one fetched; relative addresses
    // stay as they are; a second y.jpg gets its own name; a picture that could not be
    // fetched keeps its address.
    EXPECT_EQ(rows[0].at(20), "\"<img src=\"" + local("x.jpga=1&b=2") +
                                  "\"><img src=\"/rel/z.jpg\"><img src=\"images/w.jpg\">"
                                  "<img src=\"" +
                                  local("y.jpg") + "\"><img src=\"" + local("y(2).jpg") +
                                  "\"><img src=\"http://img.example.com/d/gone.jpg\">\"");
    // The main picture that failed is left out of the picture column.
    EXPECT_EQ(rows[0].at(26), "1;");
    EXPECT_EQ(rows[0].at(28),
              "\"" + mainPictureEntry(pictureName(kPictureHost + "a1.jpg"), 0) + "\"");
    // The next offer's y.jpg of another address is numbered on; the address of the
    // first y.jpg refers to that file again.
    EXPECT_EQ(rows[1].at(20),
              "\"<img src=\"" + local("y(3).jpg") + "\"><img src=\"" + local("y.jpg") + "\">\"");
    const std::map<std::string, std::string> desc = {{"x.jpga=1&b=2", picture("d/x.jpg")},
                                                     {"y.jpg", picture("d/y.jpg")},
                                                     {"y(2).jpg", "the y of e"},
                                                     {"y(3).jpg", "the y of f"}};
    EXPECT_EQ(folderFiles(descFolder()), desc);
    int xRequests = 0;
    for (const auto& r : sim.requests()) {
        EXPECT_EQ(r.path.find("w.jpg"), std::string::npos);
        EXPECT_EQ(r.path.find("z.jpg"), std::string::npos);
        if (r.path == "/d/x.jpg") {
            EXPECT_EQ(r.query, "a=1&b=2");
            ++xRequests;
        }
    }
    EXPECT_EQ(xRequests, 1);

    // A second run appending to the package: the same addresses get the same names and
    // nothing in the folder changes.
    for (std::size_t i = 0; i < window->list().rows().size(); ++i)
        if (window->list().rows()[i].sub[kSubNumIid] == "5001")
            window->list().setTicked(static_cast<int>(i), true);
    dialogs.clear();
    dialogs.answers = {Answer::Yes, Answer::Yes};
    dialogs.fileExistsChoices = {FileExistsChoice::Append};
    window->startDownload();
    runToEnd();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    auto again = packageRows();
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[2], rows[0]);
    EXPECT_EQ(folderFiles(descFolder()), desc);
}
