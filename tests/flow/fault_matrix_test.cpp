// Every fault relay-sim can make, at every kind of request the program sends: the
// message or skip the program gives, no wait past the shortened time-outs, a package
// file that stays whole and Item Links that stay.
#include "catalog/category_commands.hpp"
#include "download_flow_fixture.hpp"
#include "harvest/harvest_window.hpp"
#include "package_check.hpp"
#include "platform/platform.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <ostream>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Stalls outlast the shortened time-outs by far, so a case that waited for the stall
// would show in the time bound.
constexpr int kTimeoutMs = 300;
constexpr auto kCaseBound = 4s;

// Test names from the case names.
template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// --- the download run ---

// No row (the item keeps its tick); the golden row; the golden row without its
// pictures (none arrived); some whole row; no row for an answer that cannot be read
// (the item is unticked and says why).
enum class Row { None, Golden, NoPictures, Whole, Skipped };

struct DownloadCase {
    const char* name;
    const char* fault;
    RunOutcome outcome;
    // The start of the error message shown, "" for any error message, nullptr for none.
    const char* message;
    Row row;
};

std::ostream& operator<<(std::ostream& out, const DownloadCase& c) {
    return out << c.fault;
}

const DownloadCase kDownloadCases[] = {
    // offer.get
    {"OfferLatency", "offer=2001 latency 200", RunOutcome::Completed, nullptr, Row::Golden},
    {"OfferStatus500", "offer=2001 status 500", RunOutcome::Failed,
     "下载失败.\r\n错误原因: HTTP错误 500", Row::None},
    {"OfferErrorResponse", "offer=2001 error-response 商品不存在|isv.offer-gone|已下架",
     RunOutcome::Failed, "下载失败.\r\n错误原因: 商品不存在,isv.offer-gone,已下架", Row::None},
    {"OfferStall", "offer=2001 stall 5000", RunOutcome::Failed,
     "下载失败.\r\n错误原因: 无法连接服务器或等待应答超时", Row::None},
    {"OfferStallBody", "offer=2001 stall-body 5000", RunOutcome::Failed,
     "下载失败.\r\n错误原因: 连接中断", Row::None},
    {"OfferShortBody", "offer=2001 short-body 10", RunOutcome::Failed,
     "下载失败.\r\n错误原因: 连接中断", Row::None},
    // A chunked answer cut short or gone silent is a failed request like a short body.
    {"OfferCutChunked", "offer=2001 cut-chunked", RunOutcome::Failed,
     "下载失败.\r\n错误原因: 连接中断", Row::None},
    {"OfferStallChunked", "offer=2001 stall-chunked 5000", RunOutcome::Failed,
     "下载失败.\r\n错误原因: 连接中断", Row::None},
    // An answer that cannot be read is reported and gives no row; a byte-order mark
    // before the JSON is skipped.
    {"OfferBadJson", "offer=2001 bad-json", RunOutcome::Completed, "", Row::Skipped},
    {"OfferEmpty", "offer=2001 empty", RunOutcome::Completed, "", Row::Skipped},
    // Nested deeper than any offer: refused before it is read back as text.
    {"OfferDeepJson", "offer=2001 deep-json 65000", RunOutcome::Completed, "", Row::Skipped},
    {"OfferBom", "offer=2001 bom", RunOutcome::Completed, nullptr, Row::Golden},
    {"OfferNoLength", "offer=2001 no-length", RunOutcome::Completed, nullptr, Row::Golden},
    // Property look-ups: a failed look-up is "not found", the property is skipped.
    {"LookupLatency", "lookup latency 30", RunOutcome::Completed, nullptr, Row::Golden},
    {"LookupStatus500", "lookup status 500", RunOutcome::Completed, nullptr, Row::Whole},
    {"LookupErrorResponse", "lookup error-response", RunOutcome::Completed, nullptr, Row::Whole},
    // Three stalled look-ups, then answers again.
    {"LookupStall", "lookup stall 5000 3", RunOutcome::Completed, nullptr, Row::Whole},
    {"LookupStallBody", "lookup stall-body 5000 3", RunOutcome::Completed, nullptr, Row::Whole},
    {"LookupShortBody", "lookup short-body 5", RunOutcome::Completed, nullptr, Row::Whole},
    {"LookupBadJson", "lookup bad-json", RunOutcome::Completed, nullptr, Row::Whole},
    {"LookupEmpty", "lookup empty", RunOutcome::Completed, nullptr, Row::Whole},
    // Pictures: a picture that fails is skipped; the row refers to no missing file.
    {"PictureLatency", "host=img.example.com latency 100", RunOutcome::Completed, nullptr,
     Row::Golden},
    {"PictureStatus500", "host=img.example.com status 500", RunOutcome::Completed, nullptr,
     Row::NoPictures},
    {"PictureErrorResponse", "host=img.example.com error-response", RunOutcome::Completed, nullptr,
     Row::Golden},
    {"PictureStall", "host=img.example.com stall 5000", RunOutcome::Completed, nullptr,
     Row::NoPictures},
    {"PictureStallBody", "host=img.example.com stall-body 5000", RunOutcome::Completed, nullptr,
     Row::NoPictures},
    {"PictureShortBody", "host=img.example.com short-body", RunOutcome::Completed, nullptr,
     Row::NoPictures},
    {"PictureBadJson", "host=img.example.com bad-json", RunOutcome::Completed, nullptr,
     Row::Golden},
    {"PictureEmpty", "host=img.example.com empty", RunOutcome::Completed, nullptr, Row::Golden},
};

class DownloadFaults : public DownloadFlowFixture,
                       public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadFaults, MessageOrSkipInTimeWithTheFileWholeAndTheLinksKept) {
    const DownloadCase& c = GetParam();
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, false);
    const int links = count("select count(*) from TB_URL");
    sim.addFault(c.fault);
    startWindow();
    run->offerRequest().timeouts.receiveMs = kTimeoutMs;
    run->lookupOptions.readTimeoutMs = kTimeoutMs;
    run->pictureOptions.readTimeoutMs = kTimeoutMs;

    auto started = Clock::now();
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_EQ(run->outcome(), RunOutcome::Running);
    ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 10s));
    EXPECT_LT(Clock::now() - started, kCaseBound);
    // Let the last jobs end so their requests are all in.
    loop.runUntil([] { return false; }, 50ms);
    EXPECT_EQ(run->outcome(), c.outcome);

    std::vector<std::string> errors;
    for (const Shown& s : dialogs.shown)
        if (s.icon == Icon::Error)
            errors.push_back(s.text);
    if (c.message == nullptr) {
        EXPECT_TRUE(errors.empty()) << errors.front();
    } else {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind(c.message, 0), 0u) << errors[0];
    }

    if (c.row == Row::None) {
        EXPECT_FALSE(fs::exists(platform::toPath(package)));
        EXPECT_TRUE(rowOf("2001").ticked);
    } else if (c.row == Row::Skipped) {
        EXPECT_FALSE(fs::exists(platform::toPath(package)));
        EXPECT_FALSE(rowOf("2001").ticked);
        EXPECT_EQ(rowOf("2001").state, "未下载");
        EXPECT_NE(rowOf("2001").sub[kSubRemark].find("宝贝信息无法读取"), std::string::npos);
        ASSERT_EQ(run->failedOffers().size(), 1u);
        EXPECT_NE(dialogs.last().text.find("未能下载的宝贝 1 个"), std::string::npos);
    } else {
        int rows = 0;
        EXPECT_EQ(packageFileProblem(package, &rows), "");
        EXPECT_EQ(rows, 1);
        if (c.row == Row::Golden) {
            EXPECT_EQ(readFileBytes(package), expectedPackage({1}));
        }
        if (c.row == Row::NoPictures) {
            EXPECT_EQ(readFileBytes(package),
                      expectedPackage({1}, [&](auto& fields) { withoutPictures(fields); }));
        }
        EXPECT_EQ(rowOf("2001").state, "已下载");
    }
    EXPECT_EQ(count("select count(*) from TB_URL"), links);
    // No half-written picture is left behind.
    for (const std::string& folder : {pictureFolder(), descFolder()})
        for (const auto& [name, bytes] : folderFiles(folder))
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    EXPECT_EQ(
        strayFiles(dir.path(), {dir.path() + "/TBData", pictureFolder(), descFolder()}, {package}),
        "");
}

INSTANTIATE_TEST_SUITE_P(Matrix, DownloadFaults, ::testing::ValuesIn(kDownloadCases),
                         CaseName<DownloadCase>);

// --- the category downloads ---

struct CategoryCase {
    std::string name;
    std::string method; // relay method, also the fault's match
    std::string fault;  // kind and argument
    // Empty when the table is replaced, else the start of the error message.
    std::string message;
};

std::ostream& operator<<(std::ostream& out, const CategoryCase& c) {
    return out << c.method << " " << c.fault;
}

const char* const kNoData = "没有收到数据(网络错误或空的应答),原有数据未改变.";
const char* const kHttpError = "与淘宝网络通讯错误，请稍后重试.";

// Every fault kind at each of the three category posts.
std::vector<CategoryCase> categoryCases() {
    struct Post {
        const char* name;
        const char* method;
        const char* prefix;
    };
    const Post posts[] = {
        {"Itemcats", "user.itemcats.get", "获取类目失败.\r\n错误原因: "},
        {"Itemprops", "user.itemprops.get", "获取类目属性1失败.\r\n错误原因: "},
        {"ItempropValues", "user.itemprops_value.get", "获取类目属性2失败.\r\n错误原因: "},
    };
    struct Fault {
        const char* name;
        const char* fault;
        bool stored;
    };
    const Fault faults[] = {
        {"Latency", "latency 100", true},
        {"Status500", "status 500", false},
        {"ErrorResponse", "error-response 无效的会话|27|session-expired", false},
        {"Stall", "stall 5000", false},
        {"StallBody", "stall-body 5000", false},
        {"ShortBody", "short-body 10", false},
        {"BadJson", "bad-json", false},
        {"Empty", "empty", false},
    };
    std::vector<CategoryCase> cases;
    for (const Post& p : posts)
        for (const Fault& f : faults)
            cases.push_back({std::string(p.name) + f.name, p.method, f.fault,
                             f.stored ? std::string() : std::string(p.prefix)});
    return cases;
}

class CategoryFaults : public ::testing::TestWithParam<CategoryCase> {
protected:
    void SetUp() override {
        app = makeRelayContext(startRelaySim(sim, testDataPath("catalog"), {"key1", "tok", "acc"}));
        client.options().readTimeoutMs = kTimeoutMs;
        commands = std::make_unique<CategoryCommands>(*db, state, dialogs, loop, app, client);
        db->exec("insert into TB_Itemcats(cid,parent_cid,name) values (1,0,'旧类目')");
        db->exec("insert into TB_ItemProps(cid,pid,name) values ('1','2','旧属性')");
        db->exec("insert into TB_ItemPropValue(cid,pid,name) values ('1','2','旧值')");
        db->exec("insert into TB_Groups(GroupName,Tag) select '组',0");
        db->exec("insert into TB_URL(tag,uGroup,num_iid) select 0,1,'1'");
    }

    int rows(const std::string& table) {
        return std::stoi(db->query("select count(*) from " + table).first());
    }

    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    relaysim::Server sim;
    RelayContext app;
    HttpClient client{relayPostOptions()};
    MainState state;
    ScriptedDialogs dialogs;
    HeadlessEventLoop loop;
    std::unique_ptr<CategoryCommands> commands;
};

TEST_P(CategoryFaults, MessageInTimeAndTheOldTableKept) {
    const CategoryCase& c = GetParam();
    const std::string& method = c.method;
    const std::string table = method == "user.itemcats.get"    ? "TB_Itemcats"
                              : method == "user.itemprops.get" ? "TB_ItemProps"
                                                               : "TB_ItemPropValue";
    sim.addFault("method=" + method + " " + c.fault);
    dialogs.answers.push_back(Answer::Yes);
    auto started = Clock::now();
    if (method == "user.itemcats.get")
        commands->downloadCategoryTree();
    else if (method == "user.itemprops.get")
        commands->downloadCategoryProperties();
    else
        commands->downloadPropertyValues();
    EXPECT_LT(Clock::now() - started, kCaseBound);

    EXPECT_FALSE(state.panel.visible());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    const Shown& shown = dialogs.last();
    if (c.message.empty()) {
        EXPECT_EQ(shown.icon, Icon::Information) << shown.text;
        EXPECT_TRUE(commands->lastStored());
        EXPECT_GT(rows(table), 1);
    } else {
        EXPECT_EQ(shown.icon, Icon::Error);
        EXPECT_EQ(shown.text.rfind(c.message, 0), 0u) << shown.text;
        const std::string reason = shown.text.substr(c.message.size());
        EXPECT_TRUE(reason == kNoData || reason == kHttpError ||
                    reason == "无效的会话,27,session-expired")
            << reason;
        EXPECT_FALSE(commands->lastStored());
        EXPECT_EQ(rows(table), 1);
    }
    EXPECT_EQ(rows("TB_URL"), 1);
    EXPECT_EQ(rows("TB_Groups"), 1);
}

INSTANTIATE_TEST_SUITE_P(Matrix, CategoryFaults, ::testing::ValuesIn(categoryCases()),
                         CaseName<CategoryCase>);

// --- the harvest ---

// How the search of a faulty first page ends.
enum class HarvestEnd {
    Found,    // the two offers were found
    NotAPage, // an answer without an offer list: the zero result
    Failed,   // the page never arrived: said so
};

struct HarvestCase {
    const char* name;
    const char* fault; // on the listing page of the shop
    HarvestEnd end;
};

std::ostream& operator<<(std::ostream& out, const HarvestCase& c) {
    return out << c.fault;
}

const HarvestCase kHarvestCases[] = {
    {"Latency", "latency 100", HarvestEnd::Found},
    {"Status500", "status 500", HarvestEnd::Failed},
    {"ErrorResponse", "error-response", HarvestEnd::NotAPage},
    {"Stall", "stall 5000", HarvestEnd::Failed},
    {"StallBody", "stall-body 5000", HarvestEnd::Failed},
    {"ShortBody", "short-body 40", HarvestEnd::Failed},
    {"BadJson", "bad-json", HarvestEnd::NotAPage},
    {"Empty", "empty", HarvestEnd::Failed},
    {"NoLength", "no-length", HarvestEnd::Found},
};

class HarvestFaults : public ::testing::TestWithParam<HarvestCase> {
protected:
    void SetUp() override {
        sim.start(testDataPath("harvest"));
        proxyThrough(env, sim);
        db->exec("insert into TB_Groups(GroupName,Tag) select '女装',0");
        group = db->lastInsertId();
        db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,?,'7','x'", {group});
    }

    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    ScopedEnv env;
    relaysim::Server sim;
    ScriptedDialogs dialogs;
    HeadlessEventLoop loop;
    std::int64_t group = 0;
};

TEST_P(HarvestFaults, SearchEndsInTimeWithAMessageAndTheLinksKept) {
    const HarvestCase& c = GetParam();
    sim.addFault(std::string("host=shop-gbk.1688.com ") + c.fault);
    HarvestWindowLogic window(HarvestPorts{*db, dialogs, loop});
    window.fetchOptions.readTimeoutMs = kTimeoutMs;
    window.prepare("搜索添加宝贝链接(URL)-女装", group);
    window.onShown();
    window.setShopAddress("http://shop-gbk.1688.com");
    window.setKeyword("连衣裙");
    dialogs.answers.push_back(Answer::Yes);
    auto started = Clock::now();
    window.startSearch();
    ASSERT_TRUE(loop.runUntil([&] { return !window.searching(); }, 10s));
    EXPECT_LT(Clock::now() - started, kCaseBound);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const int links = std::stoi(db->query("select count(*) from TB_URL").first());
    switch (c.end) {
    case HarvestEnd::Found:
        EXPECT_EQ(dialogs.last().text, "完成搜索,共搜索到 2 个符合条件的产品.是否马上加入下载源?");
        EXPECT_EQ(links, 3);
        break;
    case HarvestEnd::NotAPage:
        EXPECT_EQ(dialogs.last().text, ".完成搜索,共搜索到 0 个符合条件的产品.");
        EXPECT_EQ(dialogs.last().icon, Icon::Information);
        EXPECT_FALSE(window.panel().visible());
        EXPECT_EQ(links, 1);
        break;
    case HarvestEnd::Failed:
        EXPECT_EQ(dialogs.last().text.rfind("搜索失败,第 1 页无法读取:", 0), 0u)
            << dialogs.last().text;
        EXPECT_EQ(dialogs.last().icon, Icon::Error);
        EXPECT_EQ(window.searchEnd(), HarvestWindowLogic::SearchEnd::Failed);
        EXPECT_FALSE(window.panel().visible());
        EXPECT_EQ(links, 1);
        break;
    }
    EXPECT_EQ(db->query("select num_iid from TB_URL where detail_url='x'").first(), "7");
}

INSTANTIATE_TEST_SUITE_P(Matrix, HarvestFaults, ::testing::ValuesIn(kHarvestCases),
                         CaseName<HarvestCase>);

} // namespace
