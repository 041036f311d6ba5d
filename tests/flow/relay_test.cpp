#include "net/async_http_request.hpp"
#include "net/relay.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "store/config.hpp"
#include "store/text_routines.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"
#include "ui/main_state.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

using namespace lw;
using namespace std::chrono_literals;

namespace {

const char* const kReturnFields =
    "returnFields=subject,details,offerId,postCategryId,amountOnSale,priceRanges,skuArray,"
    "productFeatureList,imageList";

class RelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = makeRelayContext(test::startRelaySim(sim, test::testDataPath("relay-basic"),
                                                   {"key-1", "token-1", " a b+中文 "}));
    }

    // The offer component of the main window, waiting for its answer; error is the
    // report of an Error Response.
    std::string runOffer(const std::string& offerId, std::optional<std::string>& error) {
        AsyncHttpRequest http(loop);
        configureOfferComponent(http);
        bool done = false;
        http.onDone = [&](AsyncHttpRequest&, const std::string&, std::int64_t,
                          MemoryStream& stream) {
            error = takeOfferAnswer(app, stream, state.log);
            done = true;
        };
        std::string refused = requestOffer(app, http, offerId, state.log);
        EXPECT_EQ(refused, "");
        EXPECT_TRUE(loop.runUntil([&] { return done; }, 5s));
        return app.answer;
    }

    relaysim::Server sim;
    RelayContext app;
    HeadlessEventLoop loop;
    MainState state;
};

} // namespace

TEST_F(RelayTest, OfferRequestPutsTheExactBytesOnTheWire) {
    state.log.setVisible(true);
    std::optional<std::string> error = "(not set)";
    std::string answer = runOffer("520000000001", error);

    std::string body = std::string("app_key=key-1&method=offer.get&offerId=520000000001&") +
                       kReturnFields +
                       "&codeid=a%20b%2B%E4%B8%AD%E6%96%87&rvversion=" + programVersion();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/openapi/getdata.aspx");
    EXPECT_EQ(r.body, body);
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Referer"), "http://" + sim.hostPort());
    EXPECT_EQ(r.header("User-Agent"), kOfferAgent);
    EXPECT_EQ(r.header("Accept"), "text/html, */*");

    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(answer,
              test::readFileBytes(test::testDataPath("relay-basic/offers/520000000001.json")));
    // The request line, then the answer.
    EXPECT_EQ(state.log.text(), app.apiEndpoint + "?" + body + "\n" + answer + "\n");
}

TEST_F(RelayTest, UnknownOfferIsReportedAsErrorResponse) {
    state.panel.show("正在处理中...");
    std::optional<std::string> error;
    runOffer("999", error);
    EXPECT_EQ(error, "下载失败.\r\n错误原因: Remote service error,"
                     "isv.offer-not-found,offer 999 does not exist");
    // Showing it and hiding the panel are the caller's.
    EXPECT_TRUE(state.panel.visible());
}

TEST_F(RelayTest, OfferAnswerThatIsNotUtf8IsKeptReadable) {
    test::TempDir dir;
    std::filesystem::create_directories(platform::toPath(dir.file("offers")));
    test::writeFileBytes(dir.file("offers/7.json"), "{\"subject\":\"ab\xff\xfe\"}");
    relaysim::Server other;
    app = makeRelayContext(test::startRelaySim(other, dir.path(), {"x", "x", "x"}));
    std::optional<std::string> error = "(not set)";
    std::string answer = runOffer("7", error);
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(answer, "{\"subject\":\"ab\xEF\xBF\xBD\xEF\xBF\xBD\"}");
}

TEST_F(RelayTest, PostHttpsBodyForEachMethod) {
    std::string tail = "codeid=a%20b%2B%E4%B8%AD%E6%96%87&rvversion=" + programVersion();
    std::string head = "fields=cid,parent_cid,name,is_parent,status,sort_order&";
    std::string keys = "app_key=key-1&access_token=token-1&v=2.0&";
    struct Case {
        std::vector<std::string> fields;
        std::string body;
    };
    const Case cases[] = {
        {taobaoMethodFields(app, "user.itemcats.get", "", "0"),
         head + "parent_cid=0&format=xml&method=user.itemcats.get&" + keys + tail},
        {taobaoMethodFields(app, "user.itemcats.get", "16,50010850"),
         head + "cids=16,50010850&format=xml&method=user.itemcats.get&" + keys + tail},
        {taobaoMethodFields(app, "user.itemprops.get"),
         head + "cid=0&format=xml&method=user.itemprops.get&" + keys + tail},
        {taobaoMethodFields(app, "user.itemprops_value.get"),
         head + "cid=0&format=xml&method=user.itemprops_value.get&" + keys + tail},
    };
    HttpClient client(relayPostOptions());
    for (const auto& c : cases) {
        sim.clearRequests();
        std::string answer = postRelayMethod(app, client, app.apiEndpoint, c.fields, state.log);
        auto requests = sim.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].body, c.body);
        EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
        EXPECT_EQ(requests[0].header("Accept"), "text/html, */*");
        EXPECT_FALSE(isErrorResponse(answer)) << answer;
    }
    std::string cats =
        postRelayMethod(app, client, app.apiEndpoint,
                        taobaoMethodFields(app, "user.itemcats.get", "", "0"), state.log);
    EXPECT_EQ(cats, test::readFileBytes(test::testDataPath("relay-basic/itemcats.xml")));
    std::string values =
        postRelayMethod(app, client, app.apiEndpoint,
                        taobaoMethodFields(app, "user.itemprops_value.get"), state.log);
    EXPECT_EQ(values, test::readFileBytes(test::testDataPath("relay-basic/itemprops_value.xml")));

    // A fixture folder without the file: the Relay's own Error Response comes back.
    test::TempDir empty;
    relaysim::Server bare;
    bare.start(empty.path());
    std::string props = postRelayMethod(app, client, bare.url() + "/openapi/getdata.aspx",
                                        taobaoMethodFields(app, "user.itemprops.get"), state.log);
    EXPECT_EQ(errorResponseMessage(props, kItemPropsErrorPrefix),
              "获取类目属性1失败.\r\n错误原因: Remote service error,isv.missing-fixture,"
              "itemprops.xml is not in the fixture folder");
}

TEST_F(RelayTest, PostHttpsLogsFieldLinesWhenTheLogIsShown) {
    state.log.setVisible(true);
    HttpClient client(relayPostOptions());
    postRelayMethod(app, client, app.apiEndpoint, {"a=1", "b=2"}, state.log);
    EXPECT_EQ(state.log.text(), app.apiEndpoint + "?a=1\nb=2\ncodeid=a%20b%2B%E4%B8%AD%E6%96%87\n" +
                                    "rvversion=" + programVersion() + "\n");
}

TEST_F(RelayTest, PostHttpsFailures) {
    HttpOptions options = relayPostOptions();
    options.readTimeoutMs = 300;
    HttpClient client(options);
    auto fields = taobaoMethodFields(app, "user.itemcats.get", "", "0");

    // HTTP error status: the fixed answer; the error body is logged although hidden.
    sim.addFault("method=user.itemcats.get status 500 1");
    EXPECT_EQ(postRelayMethod(app, client, app.apiEndpoint, fields, state.log),
              kRelayHttpErrorAnswer);
    EXPECT_EQ(state.log.text(), "relay-sim: status 500\n");
    EXPECT_EQ(errorResponseMessage(kRelayHttpErrorAnswer, kItemCatsErrorPrefix),
              "获取类目失败.\r\n错误原因: 与淘宝网络通讯错误，请稍后重试.");

    // Time-out and a closed port: empty answers.
    sim.addFault("method=user.itemcats.get stall 2000 1");
    EXPECT_EQ(postRelayMethod(app, client, app.apiEndpoint, fields, state.log), "");
    sim.stop();
    EXPECT_EQ(postRelayMethod(app, client, app.apiEndpoint, fields, state.log), "");
}

TEST_F(RelayTest, PropertyLookUpsSendEncodedNamesAndReadIds) {
    state.log.setVisible(true);
    EXPECT_EQ(lookupPropertyId(app, "50010850", "颜色", state.log), "1627207");
    EXPECT_EQ(lookupPropertyValueId(app, "50010850", "20509", "均码 大号", state.log), "28383");
    EXPECT_EQ(lookupPropertyId(app, "50010850", "面料", state.log), "");
    EXPECT_EQ(lookupPropertyValueId(app, "50010850", "20509", "XXL", state.log), "");
    EXPECT_EQ(lookupPropertyId(app, "123", "品牌", state.log), "20000"); // "*" row

    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target,
              "/xml/getxml.asp?tablename=TB_ItemProps&cid=50010850&name=%E9%A2%9C%E8%89%B2");
    EXPECT_EQ(requests[1].target, "/xml/getxml.asp?tablename=TB_ItemPropValue&cid=50010850"
                                  "&pid=20509&name=%E5%9D%87%E7%A0%81+%E5%A4%A7%E5%8F%B7");
    EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    // The log shows the names unencoded.
    EXPECT_NE(state.log.text().find(
                  app.lookupEndpoint +
                  "?tablename=TB_ItemPropValue&cid=50010850&pid=20509&name=均码 大号\n"),
              std::string::npos);
}

TEST_F(RelayTest, LookUpFailuresGiveEmptyIds) {
    HttpOptions options = lookupHttpOptions();
    options.readTimeoutMs = 300;
    sim.addFault("lookup status 500 1");
    EXPECT_EQ(lookupPropertyId(app, "50010850", "颜色", state.log, options), "");
    sim.addFault("lookup stall 2000 1");
    EXPECT_EQ(lookupPropertyId(app, "50010850", "颜色", state.log, options), "");
    EXPECT_EQ(lookupPropertyId(app, "50010850", "颜色", state.log, options), "1627207");
}

TEST_F(RelayTest, SyncGetFailureText) {
    std::string address = sim.url() + "/xml/getxml.asp";
    sim.addFault("lookup status 404 1");
    EXPECT_EQ(getBlocking(address, "tablename=x"),
              "网络错误:HTTP/1.1 404 Not Found\r\n" + address + "?tablename=x");
    sim.stop();
    std::string failed = getBlocking(address, "tablename=x");
    EXPECT_EQ(failed.rfind("网络错误:", 0), 0u);
    EXPECT_EQ(failed.substr(failed.size() - address.size() - 14),
              "\r\n" + address + "?tablename=x");
}

TEST_F(RelayTest, MissingConfigurationReachesTheCaller) {
    Config config;
    config.relayHost = sim.hostPort();
    config.expectedFile = "/home/u/.config/listwright/listwright.conf";
    RelayContext empty = makeRelayContext(config);
    ASSERT_FALSE(empty.missing.empty());
    EXPECT_EQ(empty.missing, config.missingRelayValue());

    AsyncHttpRequest http(loop);
    EXPECT_EQ(requestOffer(empty, http, "1", state.log), empty.missing);
    EXPECT_FALSE(http.started());
    HttpClient client;
    std::string answer =
        postRelayMethod(empty, client, empty.apiEndpoint,
                        taobaoMethodFields(empty, "user.itemprops.get"), state.log);
    EXPECT_EQ(errorResponseMessage(answer, kItemPropsErrorPrefix),
              kItemPropsErrorPrefix + empty.missing);
    EXPECT_EQ(lookupPropertyId(empty, "1", "颜色", state.log), "");
    EXPECT_TRUE(sim.requests().empty());
}

TEST_F(RelayTest, OfferGetWhileARequestRunsIsRefused) {
    sim.addFault("* latency 300 1");
    AsyncHttpRequest http(loop);
    EXPECT_EQ(requestOffer(app, http, "520000000001", state.log), "");
    EXPECT_NE(requestOffer(app, http, "520000000001", state.log), "");
    ASSERT_TRUE(loop.runUntil([&] { return !http.started(); }, 5s));
}
