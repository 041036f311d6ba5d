#include "harvest/harvest_window.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;

namespace {

const std::string kPrefix = "http://detail.1688.com/offer/";
const std::string kFilters = "&tradenumFilter=false&priceFilter=false&mixFilter=false"
                             "&privateFilter=false&groupFilter=false&sortType=showcase&pageNum=";

// One offer of the first layout.
std::string offer(int id, const std::string& title = "") {
    std::string t = title.empty() ? "宝贝" + std::to_string(id) : title;
    return "<li><div class=\"image\"><a href=\"" + kPrefix + std::to_string(id) +
           ".html\" title=\"" + t + "\"><img></a></div><em>10.00</em>" +
           "<span class=\"booked-counts\">2</span><div class=\"order\">订购</div></li>\n";
}

// A listing page as the site sends it: GBK, no charset declared.
std::string gbkPage(int pages, int offers, int firstId, int count) {
    std::string page = "<html><body><em class=\"page-count\">" + std::to_string(pages) +
                       "</em><em class=\"offer-count\">" + std::to_string(offers) +
                       "</em><div class=\"common-column-150\">\n";
    for (int i = 0; i < count; ++i)
        page += offer(firstId + i);
    page += "<div class=\"app-paginator\">下一页</div></body></html>";
    return utf8ToGb18030(page).value();
}

class HarvestFlow : public ::testing::Test {
protected:
    HarvestFlow() : db(makeTestDatabase(dir.path())) {
        group = addGroup("女装");
        other = addGroup("男装");
    }

    void SetUp() override { startSim(testDataPath("harvest")); }

    void startSim(const std::string& fixtures) {
        sim.start(fixtures);
        proxyThrough(env, sim);
    }

    // A fixture folder of generated pages for one shop's search without keyword.
    std::string writePages(const std::vector<std::string>& pages) {
        std::string folder = dir.file("fixtures/shops/shop-many.1688.com/_");
        std::filesystem::create_directories(platform::toPath(folder));
        for (size_t i = 0; i < pages.size(); ++i)
            writeFileBytes(folder + "/" + std::to_string(i + 1) + ".html", pages[i]);
        return dir.file("fixtures");
    }

    std::int64_t addGroup(const std::string& name) {
        db->exec("insert into TB_Groups(GroupName,Tag) select ?,0", {name});
        return db->lastInsertId();
    }

    HarvestWindowLogic& open() {
        window = std::make_unique<HarvestWindowLogic>(HarvestPorts{*db, dialogs, loop});
        window->fetchOptions.readTimeoutMs = 1500;
        // The window is the fixture's: the slot goes with it.
        window->closeRequested.connect([this] { ++closes; }).release();
        window->prepare("搜索添加宝贝链接(URL)-女装", group);
        window->onShown();
        return *window;
    }

    // Types the shop address and keyword, presses "搜索" and waits for the search to end.
    void search(const std::string& shop, const std::string& keyword = "") {
        window->setShopAddress(shop);
        window->setKeyword(keyword);
        window->startSearch();
        ASSERT_TRUE(loop.runUntil([&] { return !window->searching(); }, 10s));
    }

    std::vector<relaysim::RecordedRequest> shopRequests() const {
        std::vector<relaysim::RecordedRequest> out;
        for (const auto& r : sim.requests())
            if (r.role == "shop")
                out.push_back(r);
        return out;
    }

    std::vector<std::string> storedIds(std::int64_t g) {
        std::vector<std::string> ids;
        for (Query q = db->query("select num_iid from TB_URL where uGroup=? order by Uniqid", {g});
             !q.eof(); q.next())
            ids.push_back(q.text("num_iid"));
        return ids;
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    ScopedEnv env;
    relaysim::Server sim;
    ScriptedDialogs dialogs;
    HeadlessEventLoop loop;
    std::unique_ptr<HarvestWindowLogic> window;
    std::int64_t group = 0;
    std::int64_t other = 0;
    int closes = 0;
};

} // namespace

TEST_F(HarvestFlow, ShowEnsuresSettingsRowsAndShowsTheLastSearch) {
    writeSetting(*db, Setting::HarvestShopAddress, "  http://shop-gbk.1688.com ");
    writeSetting(*db, Setting::HarvestKeyword, " 连衣裙 ");
    open();
    window->onShown(); // shown a second time: nothing inserted twice
    struct Row {
        int nm;
        const char* value;
        const char* desc;
    };
    const Row rows[] = {{12, "0", "添加阿里巴巴店铺地址-店铺类型"},
                        {20, "", "添加阿里巴巴店铺地址"},
                        {21, "", "添加阿里巴巴店铺地址-关键字"},
                        {22, "0", "添加阿里巴巴店铺地址-店铺类型"}};
    for (const Row& r : rows) {
        Query q = db->query("select * from _Parameter where NM=?", {std::int64_t{r.nm}});
        ASSERT_FALSE(q.eof()) << r.nm;
        EXPECT_EQ(q.text("ParaValue"), r.value) << r.nm;
        EXPECT_EQ(q.text("ParaDesc"), r.desc) << r.nm;
        EXPECT_EQ(q.recordCount(), 1) << r.nm;
    }
    EXPECT_EQ(window->shopAddress(), "http://shop-gbk.1688.com");
    EXPECT_EQ(window->keyword(), "连衣裙");
    EXPECT_EQ(window->statusText(), "共 0 项");
    EXPECT_EQ(window->caption(), "搜索添加宝贝链接(URL)-女装");
    EXPECT_TRUE(window->panelSearchVisible());
    EXPECT_TRUE(window->check());
    EXPECT_FALSE(window->panel().visible());
    EXPECT_EQ(window->panel().caption(), "正在搜索中");

    // Row 20 present: rows 21 and 22 are left alone.
    db->exec("delete from _Parameter where NM in (21,22)");
    window->onShown();
    EXPECT_EQ(db->query("select count(*) from _Parameter where NM in (21,22)").first(), "0");
}

TEST_F(HarvestFlow, ShopAddressIsCutAfterTheDomainOrRefused) {
    open();
    search("HTTP://Shop-GBK.1688.com/page/index.htm?spm=1", "  连衣裙 ");
    EXPECT_EQ(window->shopAddress(), "http://shop-gbk.1688.com");
    EXPECT_EQ(readSetting(*db, Setting::HarvestShopAddress), "http://shop-gbk.1688.com");
    EXPECT_EQ(readSetting(*db, Setting::HarvestKeyword), "连衣裙");
    ASSERT_EQ(shopRequests().size(), 1u);

    for (const char* bad : {"http://www.taobao.com", "1688.com", "", "shop.1688.co"}) {
        dialogs.clear();
        sim.clearRequests();
        std::vector<HarvestWindowLogic::Control> focus;
        Connection watch = open().focusRequested.connect(
            [&](HarvestWindowLogic::Control c) { focus.push_back(c); });
        window->setShopAddress(bad);
        window->startSearch();
        ASSERT_EQ(dialogs.shown.size(), 1u) << bad;
        EXPECT_EQ(dialogs.last().text,
                  "请输入正确的阿里巴巴店铺首页地址．(例:http://shop1234567890.1688.com)");
        EXPECT_EQ(dialogs.last().icon, Icon::Warning);
        EXPECT_EQ(focus, std::vector<HarvestWindowLogic::Control>{
                             HarvestWindowLogic::Control::ShopAddress});
        EXPECT_FALSE(window->searching());
        EXPECT_FALSE(window->panel().visible());
        EXPECT_EQ(readSetting(*db, Setting::HarvestShopAddress), "http://shop-gbk.1688.com") << bad;
    }
    EXPECT_TRUE(shopRequests().empty());
}

TEST_F(HarvestFlow, GbkShopWithChineseKeywordIsAskedInGbkAndStored) {
    open();
    std::vector<PageReport> pages;
    Connection watch = window->pageDone.connect([&](const PageReport& p) { pages.push_back(p); });
    dialogs.answers.push_back(Answer::Yes);
    search("http://shop-gbk.1688.com", "连衣裙");

    auto requests = shopRequests();
    ASSERT_EQ(requests.size(), 1u);
    // The keyword goes out as its GBK bytes; the fragment stays home.
    EXPECT_EQ(requests[0].target,
              "http://shop-gbk.1688.com/page/offerlist.htm?keywords=%C1%AC%D2%C2%C8%B9" + kFilters +
                  "1");
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(requests[0].header("Accept"), "text/html, */*");
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].address, "http://shop-gbk.1688.com/page/offerlist.htm?keywords="
                                "%C1%AC%D2%C2%C8%B9" +
                                    kFilters + "1#search-bar");

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().text, "完成搜索,共搜索到 2 个符合条件的产品.是否马上加入下载源?");
    EXPECT_EQ(dialogs.last().icon, Icon::Question);
    EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
    // The page's GBK bytes were read as text.
    EXPECT_EQ(window->url().lines(),
              (std::vector<std::string>{kPrefix + "1001.html,韩版雪纺连衣裙,120,58.00",
                                        kPrefix + "1002.html,碎花长裙 夏季,7,39.5"}));
    EXPECT_EQ(window->statusText(), "共 2 项");
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(window->panel().visible());

    Query q = db->query("select * from TB_URL where uGroup=? order by Uniqid", {group});
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.text("num_iid"), "1001");
    EXPECT_EQ(q.text("detail_url"), kPrefix + "1001.html");
    EXPECT_EQ(q.text("title"), "韩版雪纺连衣裙");
    EXPECT_EQ(q.integer("SaleNum"), 120);
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 58.0);
    EXPECT_EQ(q.integer("tag"), 0);
    q.next();
    EXPECT_EQ(q.text("title"), "碎花长裙 夏季");
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 39.5);
}

TEST_F(HarvestFlow, AnsweringNoKeepsTheLinesInTheOpenWindow) {
    open();
    search("http://shop-gbk.1688.com", "连衣裙");
    EXPECT_EQ(window->url().lineCount(), 2u);
    EXPECT_FALSE(window->panel().visible());
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::None);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(storedIds(group).empty());

    // The lines can then be added with the add button.
    dialogs.answers.push_back(Answer::Yes);
    window->addLinks();
    EXPECT_EQ(dialogs.last().text, "是否确认添加至下载源?");
    EXPECT_EQ(storedIds(group), (std::vector<std::string>{"1001", "1002"}));
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
}

// Links added into a Group that is not there would show in no list and block later
// adds of the same offers.
TEST_F(HarvestFlow, NothingIsAddedWhenTheTargetGroupIsGone) {
    open();
    search("http://shop-gbk.1688.com", "连衣裙");
    db->exec("delete from TB_Groups where Uniqid=?", {group});
    dialogs.answers.push_back(Answer::Yes);
    window->addLinks();
    EXPECT_EQ(dialogs.last().text, "要添加到的组不存在,请在主界面选择一个组后再添加.");
    EXPECT_EQ(db->query("select count(*) from TB_URL").first(), "0");
    EXPECT_NE(window->modalResult(), HarvestWindowLogic::Result::Ok);
}

TEST_F(HarvestFlow, FortyFiveOffersOnThreePagesThenThePrompt) {
    sim.stop();
    startSim(writePages({gbkPage(3, 45, 1, 20), gbkPage(3, 45, 21, 20), gbkPage(3, 45, 41, 5)}));
    // Two of the offers are Item Links of another Group already.
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title) select 0,?,'3','x','old'",
             {other});
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title) select 0,?,'44','y','old'",
             {other});
    open();
    std::vector<std::string> captions;
    Connection watch =
        window->panel().changed.connect([&] { captions.push_back(window->panel().caption()); });
    dialogs.answers.push_back(Answer::Yes);
    search("http://shop-many.1688.com");

    auto requests = shopRequests();
    ASSERT_EQ(requests.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(requests[static_cast<size_t>(i)].query,
                  "keywords=" + kFilters + std::to_string(i + 1));
    // The offers of the other Group are told, and their move offered (answered No).
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "完成搜索,共搜索到 45 个符合条件的产品.是否马上加入下载源?");
    EXPECT_EQ(dialogs.last().text,
              "添加 43 个，已存在于其他组 2 个 (男装).\r\n是否将这 2 个移动到组\"女装\"?");
    EXPECT_EQ(dialogs.last().icon, Icon::Question);
    EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
    EXPECT_EQ(window->url().lineCount(), 45u);
    EXPECT_EQ(window->url().lines()[44], kPrefix + "45.html,宝贝45,2,10.00");

    std::vector<std::string> ids = storedIds(group);
    EXPECT_EQ(ids.size(), 43u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "3"), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "44"), 0);
    EXPECT_EQ(storedIds(other), (std::vector<std::string>{"3", "44"}));
    EXPECT_EQ(db->query("select title from TB_URL where num_iid='3'").first(), "old");

    // The progress text followed the search and then the add step.
    EXPECT_NE(std::find(captions.begin(), captions.end(), "正在搜索中...(40/45) 页:3"),
              captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "正在添加至下载源...(45/45)"),
              captions.end());
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
}

TEST_F(HarvestFlow, FortyFourLinesAfterTheLastPageAskForOneMore) {
    sim.stop();
    // The site answers a page past the end with its last page again.
    std::string last = gbkPage(3, 45, 41, 4);
    startSim(writePages({gbkPage(3, 45, 1, 20), gbkPage(3, 45, 21, 20), last, last}));
    open();
    search("http://shop-many.1688.com");
    auto requests = shopRequests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].query, "keywords=" + kFilters + "4");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().text, "完成搜索,共搜索到 45 个符合条件的产品.是否马上加入下载源?");
    EXPECT_EQ(window->url().lineCount(), 44u);
}

TEST_F(HarvestFlow, SearchesEndWithTheirMessages) {
    struct Case {
        const char* name;
        const char* keyword;
        const char* fault; // relay-sim fault line, or ""
        std::string title;
        std::string text; // the page's full address follows when it ends in CR LF
        Icon icon;
        bool panelStays;
    };
    const std::string failed = "搜索失败,第 1 页无法读取:网络错误,";
    const Case cases[] = {
        {"no result", "无货", "", "提示", "完成搜索,共搜索到 0 个符合条件的产品.",
         Icon::Information, false},
        // A page that never arrived says so; it is no page without offers.
        {"status", "连衣裙", "host=shop-gbk.1688.com status 503", "提示",
         failed + "网站回答 HTTP/1.1 503 Service Unavailable\r\n", Icon::Error, false},
        {"time-out", "连衣裙", "host=shop-gbk.1688.com stall 3000", "提示",
         failed + "网站没有在时限内回答 (Read timed out after 300 ms)\r\n", Icon::Error, false},
        {"missing page", "没有这一页", "", "提示", failed + "网站回答 HTTP/1.1 404 Not Found\r\n",
         Icon::Error, false},
        {"empty answer", "连衣裙", "host=shop-gbk.1688.com empty", "提示",
         "搜索失败,第 1 页无法读取:网站回答的网页是空的\r\n", Icon::Error, false},
        // A page that arrived without an offer list is still the described zero result.
        {"not a listing", "连衣裙", "host=shop-gbk.1688.com bad-json", "提示",
         ".完成搜索,共搜索到 0 个符合条件的产品.", Icon::Information, false},
        // GBK bytes that are no UTF-8 too, so relay-sim finds the folder.
        {"thousands separator", "多页", "", "错误", "'1,000' is not a valid integer value\r\n",
         Icon::Error, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        sim.clearFaults();
        sim.clearRequests();
        if (*c.fault)
            sim.addFault(c.fault);
        open();
        window->fetchOptions.readTimeoutMs = 300;
        search("http://shop-gbk.1688.com", c.keyword);
        EXPECT_EQ(shopRequests().size(), 1u);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.last().title, c.title);
        std::string text = c.text;
        if (c.icon == Icon::Error && c.title == "提示")
            text += "http://shop-gbk.1688.com/page/offerlist.htm?" + listingQuery(c.keyword, 1);
        EXPECT_EQ(dialogs.last().text, text);
        EXPECT_EQ(dialogs.last().icon, c.icon);
        EXPECT_EQ(window->panel().visible(), c.panelStays);
        EXPECT_FALSE(window->timerEnabled());
        EXPECT_EQ(window->url().lineCount(), 0u);
        EXPECT_EQ(closes, 0);
    }
    // The failure text of the fetch went to the log with the full address.
    sim.addFault("host=shop-gbk.1688.com status 503");
    open();
    search("http://shop-gbk.1688.com", "连衣裙");
    EXPECT_NE(window->log().text().find("网络错误:HTTP/1.1 503 Service Unavailable\r\n"
                                        "http://shop-gbk.1688.com/page/offerlist.htm?keywords="
                                        "%C1%AC%D2%C2%C8%B9" +
                                        kFilters + "1#search-bar"),
              std::string::npos);
    EXPECT_EQ(window->searchEnd(), HarvestWindowLogic::SearchEnd::Failed);
}

TEST_F(HarvestFlow, ASearchThatComesUpShortOffersWhatWasFound) {
    struct Case {
        const char* name;
        std::vector<std::string> pages; // pages 1, 2 ... of the fixture
        const char* fault;              // relay-sim fault line, or ""
        int failedPage;
        std::string why;
        size_t found;
    };
    // 45 offers reported; pages 1 to 3 list 44 of them, so page 4 is asked for.
    const std::vector<std::string> three = {gbkPage(3, 45, 1, 20), gbkPage(3, 45, 21, 20),
                                            gbkPage(3, 45, 41, 4)};
    std::vector<std::string> withEmptyFourth = three;
    withEmptyFourth.push_back(gbkPage(3, 45, 1, 0));
    const std::string failed = "无法读取:网络错误,";
    const Case cases[] = {
        {"missing", three, "", 4, failed + "网站回答 HTTP/1.1 404 Not Found\r\n", 44},
        {"status 404", withEmptyFourth, "page=4 status 404", 4,
         failed + "网站回答 HTTP/1.1 404 Not Found\r\n", 44},
        {"empty answer", withEmptyFourth, "page=4 empty", 4, "无法读取:网站回答的网页是空的\r\n",
         44},
        {"no list", withEmptyFourth, "", 4, "没有宝贝列表.", 44},
        {"time-out", withEmptyFourth, "page=4 stall 3000", 4,
         failed + "网站没有在时限内回答 (Read timed out after 300 ms)\r\n", 44},
        // A page in the middle: the search stops there, without a retry.
        {"second page", three, "page=2 status 503", 2,
         failed + "网站回答 HTTP/1.1 503 Service Unavailable\r\n", 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.stop();
        std::filesystem::remove_all(platform::toPath(dir.file("fixtures")));
        startSim(writePages(c.pages));
        sim.clearRequests();
        sim.clearFaults();
        if (*c.fault)
            sim.addFault(c.fault);
        db->exec("delete from TB_URL");
        dialogs.clear();
        closes = 0;
        open();
        window->fetchOptions.readTimeoutMs = 300;
        dialogs.answers.push_back(Answer::Yes);
        search("http://shop-many.1688.com");

        ASSERT_EQ(shopRequests().size(), static_cast<size_t>(c.failedPage));
        std::string why = c.why;
        if (why.size() > 2 && why.substr(why.size() - 2) == "\r\n")
            why += "http://shop-many.1688.com/page/offerlist.htm?" + listingQuery("", c.failedPage);
        std::string found = std::to_string(c.found);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.last().text, "搜索未完成,第 " + std::to_string(c.failedPage) + " 页" +
                                           why + "\r\n\r\n网站报告共 45 个符合条件的产品,已找到 " +
                                           found + " 个.是否马上将找到的 " + found +
                                           " 个加入下载源?");
        EXPECT_EQ(dialogs.last().icon, Icon::Question);
        EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
        EXPECT_EQ(window->searchEnd(), HarvestWindowLogic::SearchEnd::Short);
        // Yes adds what was found and closes the window.
        EXPECT_EQ(storedIds(group).size(), c.found);
        EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
        EXPECT_EQ(closes, 1);
        EXPECT_FALSE(window->panel().visible());
    }

    // No keeps the lines in the open window, to be added with the add button.
    db->exec("delete from TB_URL");
    dialogs.clear();
    open();
    search("http://shop-many.1688.com");
    EXPECT_EQ(window->url().lineCount(), 20u);
    EXPECT_FALSE(window->panel().visible());
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::None);
    EXPECT_TRUE(storedIds(group).empty());
}

TEST_F(HarvestFlow, Utf8ShopTitlesDuplicatesAndABlockWithoutLink) {
    open();
    dialogs.answers.push_back(Answer::Yes);
    search("http://shop-utf8.1688.com");
    // The block without a link gives no line; it is counted in the question.
    EXPECT_EQ(window->url().lines(), (std::vector<std::string>{
                                         kPrefix + "2001.html,A & B 男装 新,3,12.00",
                                         kPrefix + "2002.html,T恤,15,9.90",
                                     }));
    EXPECT_EQ(shopRequests().size(), 1u);
    EXPECT_EQ(dialogs.last().text,
              "完成搜索,共搜索到 3 个符合条件的产品(其中 1 个没有有效的宝贝链接,"
              "已跳过).是否马上加入下载源?");
    Query q = db->query("select * from TB_URL where uGroup=? order by Uniqid", {group});
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.text("title"), "A & B 男装 新");
    q.next();
    EXPECT_EQ(q.text("num_iid"), "2002");
    EXPECT_EQ(q.integer("SaleNum"), 15);
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 9.9);
    EXPECT_EQ(db->query("select count(*) from TB_URL where num_iid=''").first(), "0");
}

TEST_F(HarvestFlow, SecondLayoutDoesNotSeeFiguresAfterTheItemEnd) {
    open();
    search("http://shop-utf8.1688.com", "layout2");
    EXPECT_EQ(window->url().lines(), std::vector<std::string>{kPrefix + "3001.html,风衣,0,0.00"});
}

TEST_F(HarvestFlow, CancelBetweenPagesStopsTheSearch) {
    sim.stop();
    startSim(writePages({gbkPage(3, 45, 1, 20), gbkPage(3, 45, 21, 20), gbkPage(3, 45, 41, 5)}));
    open();
    window->setShopAddress("http://shop-many.1688.com");
    window->startSearch();
    EXPECT_TRUE(window->panel().visible());
    EXPECT_EQ(window->panel().caption(), "正在搜索中...");
    ASSERT_TRUE(loop.runUntil([&] { return window->url().lineCount() == 20; }, 5s));
    EXPECT_TRUE(window->timerEnabled());
    window->cancelSearch();
    EXPECT_FALSE(window->panel().visible());
    EXPECT_FALSE(window->searching());
    loop.runUntil([] { return false; }, 400ms);
    EXPECT_EQ(shopRequests().size(), 1u);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::None);

    // "取消" of the bottom row during a search closes the window, adding nothing.
    sim.clearRequests();
    window->startSearch();
    ASSERT_TRUE(loop.runUntil([&] { return window->url().lineCount() == 20; }, 5s));
    window->closeWindow();
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Cancel);
    EXPECT_EQ(closes, 1);
    loop.runUntil([] { return false; }, 400ms);
    EXPECT_EQ(shopRequests().size(), 1u);
    EXPECT_TRUE(storedIds(group).empty());
}

TEST_F(HarvestFlow, DiagnosticLogShowsRequestsAndPages) {
    open();
    EXPECT_TRUE(window->handleKey(true, true, 'I'));
    EXPECT_TRUE(window->log().visible());
    EXPECT_FALSE(window->handleKey(true, false, 'I'));
    search("http://shop-utf8.1688.com", "layout2");
    const std::string& log = window->log().text();
    EXPECT_EQ(log.find("http://shop-utf8.1688.com/page/offerlist.htm?keywords=layout2" + kFilters +
                       "1#search-bar\n"),
              0u);
    EXPECT_NE(log.find("<div class=\"title\">风衣</div>"), std::string::npos);
    EXPECT_TRUE(window->handleKey(true, true, 'i'));
    EXPECT_FALSE(window->log().visible());
}

TEST_F(HarvestFlow, DatabaseErrorInTheAddStepKeepsEarlierLines) {
    db->exec("create trigger refuse before insert on TB_URL when new.num_iid='1002' "
             "begin select raise(abort, 'refused'); end");
    open();
    dialogs.answers.push_back(Answer::Yes);
    search("http://shop-gbk.1688.com", "连衣裙");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.last().title, "错误");
    EXPECT_EQ(dialogs.last().icon, Icon::Error);
    EXPECT_NE(dialogs.last().text.find("refused"), std::string::npos);
    EXPECT_EQ(dialogs.last().text.substr(dialogs.last().text.size() - 2), "\r\n");
    EXPECT_EQ(storedIds(group), std::vector<std::string>{"1001"});
    EXPECT_TRUE(window->panel().visible());
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::None);
    EXPECT_FALSE(window->adding());

    // The next show starts without the leftover panel.
    window->onShown();
    EXPECT_FALSE(window->panel().visible());
    EXPECT_EQ(window->url().lineCount(), 0u);
}

TEST_F(HarvestFlow, AddButtonChecksCorrectsAndAdds) {
    open();
    std::vector<HarvestWindowLogic::Control> focus;
    int resets = 0;
    Connection focusWatch =
        window->focusRequested.connect([&](HarvestWindowLogic::Control c) { focus.push_back(c); });
    Connection resetWatch = window->urlReset.connect([&] { ++resets; });

    window->onLinkBoxEdited("  \r\n");
    window->addLinks();
    EXPECT_EQ(dialogs.last().text,
              "请输入阿里巴巴的宝贝链接地址.格式如:" + kPrefix +
                  "数字.html\r\n(提示:可添加多个宝贝链接地址,一行一个宝贝链接地址)");
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);

    window->onLinkBoxEdited(kPrefix +
                            "123.html?spm=a1.b2\r\nHTTP://DETAIL.1688.COM/OFFER/77.html\r\n" +
                            kPrefix + "5.html,T,many,n/a\r\nno address here\r\n");
    EXPECT_EQ(window->statusText(), "共 4 项");
    window->addLinks();
    EXPECT_EQ(dialogs.last().text,
              "以下阿里巴巴宝贝链接地址格式不正确,请重新输入.格式如: " + kPrefix +
                  "数字.html\r\n\r\n第 4 行:no address here\r\n\r\n");
    // Auto-correct already rewrote the first line in the box.
    EXPECT_EQ(window->url().lines()[0], kPrefix + "123.html");
    EXPECT_EQ(resets, 1); // the correction
    EXPECT_EQ(focus,
              (std::vector<HarvestWindowLogic::Control>{HarvestWindowLogic::Control::LinkBox,
                                                        HarvestWindowLogic::Control::LinkBox}));
    EXPECT_TRUE(storedIds(group).empty());

    // The user removes the bad line; a No leaves the window open.
    window->onLinkBoxEdited(kPrefix + "123.html\r\nHTTP://DETAIL.1688.COM/OFFER/77.html\r\n" +
                            kPrefix + "5.html,T,many,n/a");
    EXPECT_EQ(window->statusText(), "共 3 项");
    window->addLinks();
    EXPECT_EQ(dialogs.last().text, "是否确认添加至下载源?");
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::None);
    EXPECT_TRUE(storedIds(group).empty());

    dialogs.answers.push_back(Answer::Yes);
    window->addLinks();
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
    EXPECT_FALSE(window->panel().visible());
    EXPECT_EQ(storedIds(group), (std::vector<std::string>{"123", "77", "5"}));
    Query q = db->query("select * from TB_URL where num_iid='5'");
    EXPECT_EQ(q.text("title"), "T");
    EXPECT_EQ(q.integer("SaleNum"), 0);
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 0);
    EXPECT_EQ(db->query("select detail_url from TB_URL where num_iid='77'").first(),
              "HTTP://DETAIL.1688.COM/OFFER/77.html");
}

TEST_F(HarvestFlow, OffersOfOtherGroupsAreToldAndMovedOnYes) {
    // 1001 is in another Group, 1002 in a Group that is gone; both are found again.
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title) select 0,?,'1001','x','old'",
             {other});
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title) select 0,999,'1002','y',''");
    open();
    dialogs.answers = {Answer::Yes, Answer::Yes};
    search("http://shop-gbk.1688.com", "连衣裙");
    EXPECT_EQ(
        dialogs.messageTexts(),
        (std::vector<std::string>{
            "完成搜索,共搜索到 2 个符合条件的产品.是否马上加入下载源?",
            "添加 0 个，已存在于其他组 2 个 (男装、未分组).\r\n是否将这 2 个移动到组\"女装\"?",
            "完成移动到组,共移动 2 项，请确认."}));
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_EQ(storedIds(group), (std::vector<std::string>{"1001", "1002"}));
    EXPECT_TRUE(storedIds(other).empty());
    // Moved as they were stored, not added a second time.
    EXPECT_EQ(db->query("select title from TB_URL where num_iid='1001'").first(), "old");
    EXPECT_EQ(db->query("select count(*) from TB_URL").first(), "2");
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);

    // From the add button, with one offer already in the target Group and the move told
    // only (the command line's --no-move).
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title) select 0,?,'7','z',''",
             {other});
    dialogs.clear();
    open();
    window->offerMoves = false;
    window->onLinkBoxEdited(kPrefix + "1001.html\r\n" + kPrefix + "7.html\r\n" + kPrefix +
                            "8.html");
    dialogs.answers.push_back(Answer::Yes);
    window->addLinks();
    EXPECT_EQ(dialogs.last().text, "添加 1 个，已在本组 1 个，已存在于其他组 1 个 (男装).");
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_EQ(storedIds(group), (std::vector<std::string>{"1001", "1002", "8"}));
    EXPECT_EQ(storedIds(other), std::vector<std::string>{"7"});
    EXPECT_EQ(window->modalResult(), HarvestWindowLogic::Result::Ok);
}
