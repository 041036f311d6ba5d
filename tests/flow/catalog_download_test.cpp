// The Tools-menu category downloads: request fields, storing rules, and the table kept
// whole whenever a download does not finish.
#include "catalog/category_commands.hpp"
#include "catalog/category_store.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scripted_dialogs.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"
#include "ui/main_state.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace lw;
using namespace lw::test;
namespace fs = std::filesystem;

namespace {

using Row = std::vector<std::string>;

std::vector<Row> rowsOf(Database& db, const std::string& sql) {
    std::vector<Row> rows;
    for (Query q = db.query(sql); !q.eof(); q.next()) {
        Row row;
        for (int i = 0; i < q.columnCount(); ++i)
            row.push_back(q.textAt(i));
        rows.push_back(row);
    }
    return rows;
}

std::string item(const std::string& body) {
    return "<item_cat>" + body + "</item_cat>";
}

// The commands against relay-sim serving tests/data/catalog (copied, so a test can
// change an answer).
class CatalogDownload : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(platform::toPath(testDataPath("catalog")), platform::toPath(fixtures),
                 fs::copy_options::recursive);
        app = makeRelayContext(startRelaySim(sim, fixtures, {"key1", "tok'1", "acc"}));
        commands = std::make_unique<CategoryCommands>(*db, state, dialogs, loop, app, client);
    }

    void serve(const std::string& name, const std::string& text) {
        writeFileBytes(fixtures + "/" + name, text);
    }
    std::string fixture(const std::string& name) { return readFileBytes(fixtures + "/" + name); }
    // The body of the only relay post, up to the fields postRelayMethod adds.
    std::string postedFields() {
        auto requests = sim.requests();
        EXPECT_EQ(requests.size(), 1u);
        if (requests.empty())
            return {};
        EXPECT_EQ(requests[0].path, "/openapi/getdata.aspx");
        std::string body = requests[0].body;
        return body.substr(0, body.find("&codeid="));
    }
    void answerYes() { dialogs.answers.push_back(Answer::Yes); }

    void seedOldTables() {
        db->exec("insert into TB_Itemcats(cid,parent_cid,name) values (1,0,'旧类目')");
        db->exec("insert into TB_ItemProps(cid,pid,name) values ('1','2','旧属性')");
        db->exec("insert into TB_ItemPropValue(cid,pid,name) values ('1','2','旧值')");
    }
    void expectOldTables() {
        EXPECT_EQ(rowsOf(*db, "select cid,name from TB_Itemcats"),
                  (std::vector<Row>{{"1", "旧类目"}}));
        EXPECT_EQ(rowsOf(*db, "select name from TB_ItemProps"), (std::vector<Row>{{"旧属性"}}));
        EXPECT_EQ(rowsOf(*db, "select name from TB_ItemPropValue"), (std::vector<Row>{{"旧值"}}));
    }

    TempDir dir;
    std::string fixtures = dir.file("relay");
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    relaysim::Server sim;
    RelayContext app;
    HttpClient client{relayPostOptions()};
    MainState state;
    ScriptedDialogs dialogs;
    HeadlessEventLoop loop;
    std::unique_ptr<CategoryCommands> commands;
};

TEST_F(CatalogDownload, CategoryTreeIsStoredWithEveryFieldRule) {
    seedOldTables();
    answerYes();
    commands->downloadCategoryTree();

    EXPECT_EQ(postedFields(), "fields=cid,parent_cid,name,is_parent,status,sort_order&format=xml&"
                              "method=user.itemcats.get&app_key=key1&access_token=tok'1&v=2.0");
    ASSERT_GE(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "是否开始下载淘宝商品类目?");
    EXPECT_EQ(dialogs.shown[0].buttons, Buttons::YesNo);
    EXPECT_EQ(dialogs.last().text, "商品类目下载完成，请确认");
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_FALSE(state.panel.visible());
    EXPECT_EQ(state.panel.caption(), "下载所有商品类目中，请耐心等待...(2.20MB)");
    EXPECT_EQ(app.answer, fixture("itemcats.xml"));

    // TRUE / false / missing is_parent; normal / deleted / 3 status; missing
    // layer_level and sort_order give 0; the tail after the last item stores nothing.
    EXPECT_EQ(rowsOf(*db, "select cid,parent_cid,name,is_parent,layer_level,status,sort_order "
                          "from TB_Itemcats order by rowid"),
              (std::vector<Row>{{"16", "0", "女装/女士精品", "1", "1", "1", "2"},
                                {"50010850", "16", "Levi's 牛仔裤", "0", "2", "0", "7"},
                                {"50000697", "16", "毛针织衫", "0", "0", "3", "0"}}));
    EXPECT_TRUE(commands->lastStored());
}

TEST_F(CatalogDownload, ItemFieldRules) {
    struct Case {
        std::string body;
        Row expected; // is_parent, layer_level, status, sort_order
    };
    const std::vector<Case> cases = {
        {"<is_parent>True</is_parent><status>Normal</status>", {"1", "0", "0", "0"}},
        {"<is_parent>yes</is_parent><status>12.5</status>", {"0", "0", "12.5", "0"}},
        {"<status>-1</status><layer_level>-2</layer_level><sort_order>x</sort_order>",
         {"0", "-2", "0", "0"}},
        {"<layer_level>3</layer_level><sort_order>007</sort_order>", {"0", "3", "0", "7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        storeCategoryAnswer(*db, item("<cid>5</cid><name>n</name>" + c.body));
        EXPECT_EQ(rowsOf(*db, "select is_parent,layer_level,status,sort_order from TB_Itemcats"),
                  std::vector<Row>{c.expected});
    }
}

TEST_F(CatalogDownload, NamesAreStoredAsCharactersWhetherEscapedOrNot) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"M&amp;M主题收藏", "M&M主题收藏"},
        {"M&M主题收藏", "M&M主题收藏"},
        {"&lt;精选&gt; &quot;女装&quot; &apos;新&apos;", "<精选> \"女装\" '新'"},
        {"&amp;lt; &nbsp; &#20013;", "&lt; &nbsp; &#20013;"},
    };
    for (const auto& [sent, stored] : cases) {
        SCOPED_TRACE(sent);
        storeCategoryAnswer(*db, item("<cid>5</cid><name>" + sent + "</name>"));
        EXPECT_EQ(rowsOf(*db, "select name from TB_Itemcats"), std::vector<Row>{{stored}});
    }
}

TEST_F(CatalogDownload, ValuesInTheAnswerNeverBecomeSql) {
    const std::string evil = "x'); drop table TB_Itemcats; --";
    serve("itemcats.xml", item("<cid>1' or '1'='1</cid><parent_cid>0</parent_cid><name>" + evil +
                               "</name><layer_level>1); delete from TB_Mapping; --</layer_level>"));
    db->exec("insert into TB_Mapping(FromValue01) values ('kept')");
    answerYes();
    commands->downloadCategoryTree();
    EXPECT_EQ(rowsOf(*db, "select cid,name,layer_level from TB_Itemcats"),
              (std::vector<Row>{{"1' or '1'='1", evil, "0"}}));
    EXPECT_EQ(rowsOf(*db, "select count(*) from TB_Mapping"), (std::vector<Row>{{"1"}}));
}

TEST_F(CatalogDownload, ErrorResponsesLeaveTheTables) {
    struct Case {
        std::function<void()> click;
        std::string fault;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[this] { commands->downloadCategoryTree(); },
         "method=user.itemcats.get\terror-response\t无效的会话|27|session-expired",
         "获取类目失败.\r\n错误原因: 无效的会话,27,session-expired"},
        {[this] { commands->downloadCategoryProperties(); },
         "method=user.itemprops.get\terror-response\t无效的会话|27|session-expired",
         "获取类目属性1失败.\r\n错误原因: 无效的会话,27,session-expired"},
        {[this] { commands->downloadPropertyValues(); },
         "method=user.itemprops_value.get\terror-response\t无效的会话|27|session-expired",
         "获取类目属性2失败.\r\n错误原因: 无效的会话,27,session-expired"},
        // An HTTP error status comes back as the fixed Error Response, without codes.
        {[this] { commands->downloadCategoryTree(); }, "method=user.itemcats.get\tstatus\t500",
         "获取类目失败.\r\n错误原因: 与淘宝网络通讯错误，请稍后重试."},
    };
    seedOldTables();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        sim.clearFaults();
        sim.addFault(c.fault);
        answerYes();
        c.click();
        EXPECT_EQ(dialogs.last().title, "提示");
        EXPECT_EQ(dialogs.last().text, c.message);
        EXPECT_EQ(dialogs.last().icon, Icon::Error);
        EXPECT_FALSE(state.panel.visible());
        EXPECT_FALSE(commands->lastStored());
    }
    expectOldTables();
}

TEST_F(CatalogDownload, EmptyAnswerOrTransportFailureKeepsTheTables) {
    seedOldTables();
    const std::string message =
        "获取类目失败.\r\n错误原因: 没有收到数据(网络错误或空的应答),原有数据未改变.";
    for (const std::string fault :
         {"method=user.itemcats.get\tempty", "method=user.itemcats.get\tshort-body\t10"}) {
        SCOPED_TRACE(fault);
        sim.clearFaults();
        sim.addFault(fault);
        answerYes();
        commands->downloadCategoryTree();
        EXPECT_EQ(dialogs.last().text, message);
        EXPECT_EQ(dialogs.last().icon, Icon::Error);
        EXPECT_FALSE(state.panel.visible());
    }
    // An answer that holds no item at all.
    sim.clearFaults();
    serve("itemcats.xml", "<html>busy</html>");
    answerYes();
    commands->downloadCategoryTree();
    EXPECT_EQ(dialogs.last().text, message);
    expectOldTables();
}

TEST_F(CatalogDownload, CancelDuringTheSplitKeepsTheOldTable) {
    seedOldTables();
    // The click arrives while the post blocks and is handled when the split lets events
    // run.
    sim.addFault("method=user.itemcats.get\tlatency\t400");
    std::thread user([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        loop.post([this] { state.panel.cancelClick(); });
    });
    answerYes();
    commands->downloadCategoryTree();
    user.join();

    expectOldTables();
    EXPECT_FALSE(state.panel.visible());
    EXPECT_FALSE(state.panel.cancelled()); // cleared by the storing loop
    EXPECT_EQ(dialogs.shown.size(), 1u);   // the question only
    EXPECT_FALSE(commands->lastStored());
}

TEST_F(CatalogDownload, DatabaseErrorRollsBackAndHidesThePanel) {
    seedOldTables();
    db->exec("create trigger boom before insert on TB_Itemcats when new.name='毛针织衫' "
             "begin select raise(abort, 'disk says no'); end");
    answerYes();
    commands->downloadCategoryTree();

    EXPECT_EQ(dialogs.last().title, "错误");
    EXPECT_NE(dialogs.last().text.find("disk says no"), std::string::npos);
    EXPECT_FALSE(state.panel.visible());
    expectOldTables();
}

TEST_F(CatalogDownload, QuestionNoOrBusyWindowDoesNothing) {
    commands->downloadCategoryTree(); // scripted answer: No
    EXPECT_TRUE(sim.requests().empty());
    EXPECT_FALSE(state.panel.visible());

    state.panel.show("另一个命令");
    commands->downloadCategoryProperties();
    EXPECT_TRUE(sim.requests().empty());
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(CatalogDownload, PropertiesAreStoredWithFlags) {
    answerYes();
    commands->downloadCategoryProperties();

    EXPECT_EQ(postedFields(),
              "fields=cid,parent_cid,name,is_parent,status,sort_order&cid=0&format=xml&"
              "method=user.itemprops.get&app_key=key1&access_token=tok'1&v=2.0");
    EXPECT_EQ(dialogs.shown[0].text, "是否开始下载淘宝商品类目属性1?");
    EXPECT_EQ(state.panel.caption(), "下载淘宝商品类目属性1，请耐心等待...(3.00MB)");
    EXPECT_EQ(dialogs.last().text, "商品类目属性1下载完成，请确认");
    // must true / multi false; status normal 0 / deleted 1.
    EXPECT_EQ(rowsOf(*db,
                     "select is_input_prop,cid,pid,parent_pid,parent_vid,name,is_key_prop,"
                     "is_sale_prop,is_color_prop,is_enum_prop,is_item_prop,must,multi,status,"
                     "sort_order,child_template,is_allow_alias from TB_ItemProps order by rowid"),
              (std::vector<Row>{{"0", "50000697", "20509", "0", "0", "尺码", "0", "1", "0", "1",
                                 "0", "1", "0", "0", "1", "", "1"},
                                {"1", "50000697", "1627207", "0", "0", "颜色分类", "0", "0", "1",
                                 "0", "0", "0", "1", "1", "3", "x'y", "0"}}));
}

TEST_F(CatalogDownload, PropertyValuesAreStored) {
    answerYes();
    commands->downloadPropertyValues();

    EXPECT_EQ(postedFields(),
              "fields=cid,parent_cid,name,is_parent,status,sort_order&cid=0&format=xml&"
              "method=user.itemprops_value.get&app_key=key1&access_token=tok'1&v=2.0");
    EXPECT_EQ(dialogs.shown[0].text, "是否开始下载淘宝商品类目属性2?");
    EXPECT_EQ(state.panel.caption(), "下载淘宝商品类目属性2，请耐心等待...(3.00MB)");
    EXPECT_EQ(dialogs.last().text, "商品类目属性2下载完成，请确认");
    EXPECT_EQ(rowsOf(*db, "select cid,pid,prop_name,vid,name,name_alias from TB_ItemPropValue "
                          "order by rowid"),
              (std::vector<Row>{{"50000697", "1627207", "颜色分类", "28341", "黑色", "黑"},
                                {"50000697", "20509", "尺码", "28315", "Kid's M", ""}}));
}

TEST_F(CatalogDownload, PiecesWithoutCidStoreNothing) {
    StoreResult r = storePropertyAnswer(
        *db, "<item_prop><name>无类目</name></item_prop><item_prop><cid>9</cid><name>有</name>"
             "</item_prop><cid>tail without separator is a piece too</cid>");
    EXPECT_EQ(r.rows, 2);
    EXPECT_EQ(rowsOf(*db, "select cid from TB_ItemProps order by rowid"),
              (std::vector<Row>{{"9"}, {"tail without separator is a piece too"}}));
}

TEST_F(CatalogDownload, RowCounts) {
    seedOldTables();
    db->exec("insert into TB_ItemPropValue(cid) values ('3')");
    commands->countCategories();
    commands->countCategoryProperties();
    commands->countPropertyValues();
    EXPECT_EQ(dialogs.messageTexts(),
              (std::vector<std::string>{"记录数:1", "记录数:1", "记录数:2"}));
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_EQ(dialogs.last().title, "提示");
}

TEST_F(CatalogDownload, DiagnosticLogGetsRequestAndAnswerWhenShown) {
    state.log.setVisible(true);
    answerYes();
    commands->downloadCategoryTree();
    EXPECT_NE(state.log.text().find(app.apiEndpoint + "?fields="), std::string::npos);
    EXPECT_NE(state.log.text().find("<cid>50000697</cid>"), std::string::npos);
}

TEST_F(CatalogDownload, MissingConfigurationIsNamed) {
    app = makeRelayContext(Config{});
    answerYes();
    commands->downloadCategoryTree();
    EXPECT_TRUE(sim.requests().empty());
    EXPECT_NE(dialogs.last().text.find("还没有填写 Relay 的地址"), std::string::npos);
    EXPECT_EQ(dialogs.last().text.rfind("获取类目失败.\r\n错误原因: ", 0), 0u);
}

} // namespace
