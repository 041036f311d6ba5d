#include "net/http_client.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "scoped_env.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

using namespace lw;
using namespace std::chrono_literals;

namespace {

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override { sim.start(test::testDataPath("relay-basic")); }
    std::string lookupUrl() const {
        return sim.url() +
               "/xml/getxml.asp?tablename=TB_ItemProps&cid=50010850&name=%E9%A2%9C%E8%89%B2";
    }
    relaysim::Server sim;
};

using Clock = std::chrono::steady_clock;

} // namespace

TEST_F(HttpClientTest, GetReturnsStatusHeadersAndBody) {
    HttpClient client;
    HttpResult r = client.get(lookupUrl());
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(r.contentType, "text/xml;charset=UTF-8");
    EXPECT_EQ(r.header("content-length"), std::to_string(r.body.size()));
    EXPECT_NE(r.body.find("<pid>1627207</pid>"), std::string::npos);

    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("User-Agent"), kDefaultHttpAgent);
    EXPECT_EQ(requests[0].header("Accept"), kDefaultHttpAccept);
    EXPECT_FALSE(requests[0].hasHeader("Referer"));
}

TEST_F(HttpClientTest, PostSendsFormBytesAndSettings) {
    HttpOptions options;
    options.agent = "A/1";
    options.accept = "*/*";
    options.referer = "http://relay.example";
    HttpClient client(options);
    // Longer than curl's threshold for "Expect: 100-continue".
    std::string body =
        "app_key=k&method=offer.get&offerId=520000000001&pad=" + std::string(2000, 'x');
    HttpResult r = client.postForm(sim.url() + "/openapi/getdata.aspx", body);
    EXPECT_TRUE(r.ok()) << r.error;
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, body);
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].header("User-Agent"), "A/1");
    EXPECT_EQ(requests[0].header("Accept"), "*/*");
    EXPECT_EQ(requests[0].header("Referer"), "http://relay.example");
    EXPECT_FALSE(requests[0].hasHeader("Expect"));
}

TEST_F(HttpClientTest, StatusErrorKeepsTheBody) {
    sim.addFault("* status 404");
    HttpClient client;
    HttpResult r = client.get(lookupUrl());
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.error, "HTTP/1.1 404 Not Found");
    EXPECT_FALSE(r.transferFailed);
    EXPECT_EQ(r.body, "relay-sim: status 404");
}

TEST_F(HttpClientTest, RedirectsOnlyToHttpAndAtMostTen) {
    HttpClient client;
    sim.addFault("path=/moved redirect "
                 "/xml/getxml.asp?tablename=TB_ItemProps&cid=1&name=%E5%93%81%E7%89%8C");
    HttpResult moved = client.get(sim.url() + "/moved");
    EXPECT_TRUE(moved.ok()) << moved.error;
    EXPECT_NE(moved.body.find("<pid>20000</pid>"), std::string::npos);

    sim.clearRequests();
    sim.addFault("path=/loop redirect /loop");
    HttpResult loop = client.get(sim.url() + "/loop");
    EXPECT_FALSE(loop.ok());
    EXPECT_TRUE(loop.transferFailed);
    EXPECT_EQ(sim.requests().size(), 11u); // the first request and ten redirects

    sim.addFault("path=/ftp redirect ftp://127.0.0.1/file");
    HttpResult ftp = client.get(sim.url() + "/ftp");
    EXPECT_FALSE(ftp.ok());
    EXPECT_TRUE(ftp.transferFailed);

    HttpResult direct = client.get("ftp://127.0.0.1/file");
    EXPECT_FALSE(direct.ok());
    EXPECT_EQ(direct.status, -1);
}

TEST_F(HttpClientTest, SilenceLongerThanTheReadTimeoutFails) {
    sim.addFault("* stall 3000");
    HttpOptions options;
    options.readTimeoutMs = 200;
    HttpClient client(options);
    auto start = Clock::now();
    HttpResult r = client.get(lookupUrl());
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_TRUE(r.transferFailed);
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.error.find("timed out"), std::string::npos) << r.error;
}

TEST_F(HttpClientTest, SlowButSteadyAnswerIsNotATimeout) {
    sim.addFault("* latency 100");
    HttpOptions options;
    options.readTimeoutMs = 400;
    HttpClient client(options);
    EXPECT_TRUE(client.get(lookupUrl()).ok());
}

TEST_F(HttpClientTest, StopTokenEndsATransferAtOnce) {
    sim.addFault("* stall 5000");
    HttpClient client; // no time-outs: only the stop ends it
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        stop.request_stop();
    });
    auto start = Clock::now();
    HttpResult r = client.get(lookupUrl(), stop.get_token());
    stopper.join();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
}

TEST_F(HttpClientTest, BodyOverTheCapFails) {
    std::string picture = "http://img.china.alibaba.com/img/ibank/a1.jpg";
    HttpOptions options;
    options.proxy = sim.url();
    options.maxBodyBytes = 10;
    HttpClient client(options);
    HttpResult announced = client.get(picture);
    EXPECT_TRUE(announced.tooLarge);
    EXPECT_FALSE(announced.ok());

    sim.addFault("* no-length");
    HttpResult streamed = client.get(picture);
    EXPECT_TRUE(streamed.tooLarge);
    EXPECT_FALSE(streamed.ok());
    EXPECT_LE(streamed.body.size(), 10u);
}

TEST_F(HttpClientTest, ShopAndPictureHostsAreReachedThroughTheProxy) {
    HttpOptions options;
    options.proxy = sim.url();
    HttpClient client(options);
    HttpResult picture = client.get("http://img.china.alibaba.com/img/ibank/a1.jpg");
    EXPECT_TRUE(picture.ok()) << picture.error;
    EXPECT_EQ(picture.contentType, "image/jpeg");
    EXPECT_EQ(picture.body, test::readFileBytes(test::testDataPath(
                                "relay-basic/pictures/img.china.alibaba.com/img/ibank/a1.jpg")));

    HttpResult page =
        client.get("http://shop1234567890.1688.com/page/offerlist.htm?keywords="
                   "%E8%BF%9E%E8%A1%A3%E8%A3%99&tradenumFilter=false&pageNum=1#search-bar");
    EXPECT_TRUE(page.ok()) << page.error;
    EXPECT_NE(page.body.find("listing page 1 for 连衣裙"), std::string::npos);

    HttpResult missing =
        client.get("http://shop1234567890.1688.com/page/offerlist.htm?keywords=&pageNum=7");
    EXPECT_EQ(missing.status, 404);

    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "http://img.china.alibaba.com/img/ibank/a1.jpg");
    EXPECT_EQ(requests[0].role, "picture");
    // The fragment never goes on the wire.
    EXPECT_EQ(requests[1].target, "http://shop1234567890.1688.com/page/offerlist.htm?keywords="
                                  "%E8%BF%9E%E8%A1%A3%E8%A3%99&tradenumFilter=false&pageNum=1");
    EXPECT_EQ(requests[1].role, "shop");
}

TEST_F(HttpClientTest, LoopbackBypassesTheEnvironmentProxy) {
    HttpClient client;
    HttpResult r, viaLocalhost, remote;
    {
        // A proxy that refuses every connection: only a request that bypasses it works.
        test::ScopedEnv env;
        env.set("http_proxy", "http://127.0.0.1:1");
        env.set("no_proxy", nullptr);
        env.set("NO_PROXY", nullptr);
        r = client.get(lookupUrl());
        viaLocalhost =
            client.get("http://localhost:" + std::to_string(sim.port()) + "/xml/getxml.asp?x=1");
        remote = client.get("http://shop1234567890.1688.com/page/offerlist.htm");
    }
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(viaLocalhost.ok()) << viaLocalhost.error;
    EXPECT_FALSE(remote.ok()); // went to the dead proxy
    EXPECT_EQ(remote.status, -1);
}

TEST_F(HttpClientTest, UnsafeAddressBytesAreEscaped) {
    HttpClient client;
    HttpResult r =
        client.get(sim.url() + "/xml/getxml.asp?tablename=TB_ItemProps&cid=1&name=品牌&x=a b");
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_NE(r.body.find("<pid>20000</pid>"), std::string::npos);
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].query, "tablename=TB_ItemProps&cid=1&name=%E5%93%81%E7%89%8C&x=a%20b");
}

TEST_F(HttpClientTest, CookiesAreKeptOnlyWhileSwitchedOn) {
    std::string relay = sim.url() + "/openapi/getdata.aspx";
    std::string body = "app_key=k&method=offer.get&offerId=520000000001";
    sim.addFault("* cookie session=abc 1");

    HttpOptions with;
    with.cookies = true;
    HttpClient keeping(with);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(keeping.postForm(relay, body).ok());
    HttpOptions without;
    without.cookies = false;
    HttpClient plain(without);
    sim.addFault("* cookie other=1 1");
    EXPECT_TRUE(plain.postForm(relay, body).ok());
    EXPECT_TRUE(plain.postForm(relay, body).ok());

    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    EXPECT_EQ(requests[1].header("Cookie"), "session=abc");
    EXPECT_EQ(requests[2].header("Cookie"), "session=abc");
    EXPECT_FALSE(requests[3].hasHeader("Cookie"));
    EXPECT_FALSE(requests[4].hasHeader("Cookie"));
}

TEST(RelaySimFaults, ParseFaultLines) {
    struct Case {
        std::string line;
        bool ok;
        relaysim::FaultKind kind;
        std::string match, argument;
        int times;
    };
    using K = relaysim::FaultKind;
    const Case cases[] = {
        {"offer=1\tstatus\t503\t1", true, K::Status, "offer=1", "503", 1},
        {"lookup stall 5000", true, K::Stall, "lookup", "5000", 0},
        {"method=user.itemcats.get\terror-response\tBad session|isv.x|请重试", true,
         K::ErrorResponse, "method=user.itemcats.get", "Bad session|isv.x|请重试", 0},
        {"* empty - 2", true, K::Empty, "*", "", 2},
        {"host=a.com short-body", true, K::ShortBody, "host=a.com", "", 0},
        {"lookup cut-chunked", true, K::CutChunked, "lookup", "", 0},
        {"* slow-body 100", true, K::SlowBody, "*", "100", 0},
        {"* slow-body", false, K::Status, "", "", 0},
        {"* status", false, K::Status, "", "", 0},
        {"* explode 1", false, K::Status, "", "", 0},
        {"somewhere status 500", false, K::Status, "", "", 0},
        {"* latency 10 often", false, K::Status, "", "", 0},
    };
    for (const auto& c : cases) {
        std::string error;
        auto fault = relaysim::parseFault(c.line, &error);
        EXPECT_EQ(fault.has_value(), c.ok) << c.line;
        EXPECT_EQ(error.empty(), c.ok) << c.line << ": " << error;
        if (fault) {
            EXPECT_EQ(fault->kind, c.kind) << c.line;
            EXPECT_EQ(fault->match, c.match);
            EXPECT_EQ(fault->argument, c.argument);
            EXPECT_EQ(fault->times, c.times);
        }
    }
    std::string error = "x";
    EXPECT_FALSE(relaysim::parseFault("# comment", &error));
    EXPECT_EQ(error, "");
    EXPECT_FALSE(relaysim::parseFault("   ", &error));
}

TEST(RelaySimFaults, FaultsTsvInTheFixtureFolderApplies) {
    test::TempDir dir;
    std::filesystem::create_directories(platform::toPath(dir.file("offers")));
    test::writeFileBytes(dir.file("offers/1.json"), "{}");
    test::writeFileBytes(dir.file("faults.tsv"), "# first answer fails\noffer=1\tstatus\t502\t1\n");
    relaysim::Server sim;
    sim.start(dir.path());
    HttpClient client;
    std::string url = sim.url() + "/openapi/getdata.aspx";
    EXPECT_EQ(client.postForm(url, "app_key=k&method=offer.get&offerId=1").status, 502);
    HttpResult second = client.postForm(url, "app_key=k&method=offer.get&offerId=1");
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, "{}");

    test::writeFileBytes(dir.file("faults.tsv"), "* explode\n");
    relaysim::Server broken;
    EXPECT_THROW(broken.start(dir.path()), std::runtime_error);
}
