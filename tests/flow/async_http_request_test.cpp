#include "net/async_http_request.hpp"
#include "relay_sim.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace lw;
using namespace std::chrono_literals;

namespace {

// Records every event of a component as one text each.
struct EventLog {
    std::vector<std::string> events;
    std::vector<std::int64_t> streamPositions;

    void attach(AsyncHttpRequest& http) {
        http.onDone = [this](AsyncHttpRequest&, const std::string& type, std::int64_t size,
                             MemoryStream& s) {
            streamPositions.push_back(s.position());
            events.push_back("Done " + type + " " + std::to_string(size) + " " + s.readAll());
        };
        http.onHttpError = [this](AsyncHttpRequest&, int code, MemoryStream& s) {
            streamPositions.push_back(s.position());
            events.push_back("HTTPError " + std::to_string(code) + " " + s.readAll());
        };
        http.onConnectionLost = [this](AsyncHttpRequest&, const std::string& type,
                                       std::int64_t size, std::int64_t read, MemoryStream& s) {
            streamPositions.push_back(s.position());
            events.push_back("ConnLost " + type + " " + std::to_string(size) + " " +
                             std::to_string(read) + " " + std::to_string(s.size()));
        };
        http.onHostUnreachable = [this](AsyncHttpRequest&) { events.push_back("HostUnreachable"); };
        http.onAnyError = [this](AsyncHttpRequest&) { events.push_back("AnyError"); };
    }
};

class AsyncHttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = sim.start(test::testDataPath("relay-basic"));
        http = std::make_unique<AsyncHttpRequest>(loop);
        log.attach(*http);
        http->timeouts = {2000, 2000, 2000};
    }

    std::string offerUrl() const { return sim.url() + "/openapi/getdata.aspx"; }
    static std::string offerBody(const std::string& id) {
        return "app_key=k&method=offer.get&offerId=" + id;
    }
    // Runs the loop until the component is idle again.
    void finish() {
        ASSERT_TRUE(loop.runUntil([&] { return !http->started(); }, 5s));
    }
    std::vector<relaysim::RecordedRequest> waitForRequests(size_t count) {
        auto deadline = std::chrono::steady_clock::now() + 3s;
        while (sim.requests().size() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return sim.requests();
    }

    relaysim::Server sim;
    int port = 0;
    HeadlessEventLoop loop;
    std::unique_ptr<AsyncHttpRequest> http;
    EventLog log;
};

} // namespace

TEST_F(AsyncHttpRequestTest, PostSendsTheFormBytesWithRefererAgentAndOneAcceptValue) {
    http->url = offerUrl();
    http->referer = sim.url();
    http->agent = "Agent/1.0 (test; x)";
    http->postData = offerBody("520000000001") + "&codeid=a%20b%2B%E4%B8%AD";
    ASSERT_TRUE(http->start());
    finish();

    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].rfind("Done application/json;charset=UTF-8 ", 0), 0u) << log.events[0];
    EXPECT_NE(log.events[0].find("\"offerId\":520000000001"), std::string::npos);
    EXPECT_EQ(log.streamPositions, std::vector<std::int64_t>{0});

    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/openapi/getdata.aspx");
    EXPECT_EQ(r.body, http->postData);
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Referer"), sim.url());
    EXPECT_EQ(r.header("User-Agent"), "Agent/1.0 (test; x)");
    EXPECT_EQ(r.header("Accept"), "text/html, */*");
    EXPECT_FALSE(r.hasHeader("Expect"));
    EXPECT_FALSE(r.hasHeader("Cookie"));
}

TEST_F(AsyncHttpRequestTest, VerbFollowsPostData) {
    struct Case {
        std::string data;
        std::string verb;
    };
    const Case cases[] = {
        {"", "GET"},
        {"a=1", "POST"},
    };
    for (const auto& c : cases) {
        sim.clearRequests();
        http->url = sim.url() + "/xml/getxml.asp?tablename=TB_ItemProps&cid=1&name=x";
        http->postData = c.data;
        ASSERT_TRUE(http->start());
        finish();
        auto requests = sim.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, c.verb) << c.data;
        if (c.verb == "GET") {
            EXPECT_EQ(requests[0].body, "");
            EXPECT_FALSE(requests[0].hasHeader("Content-Type"));
        } else {
            EXPECT_EQ(requests[0].body, c.data);
            EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
        }
    }
}

TEST_F(AsyncHttpRequestTest, AddressWithoutSchemeGetsHttpAndQueryIsEncoded) {
    // A raw blank, a plus and Chinese in the query go out as %XX; escapes stay.
    http->url = sim.hostPort() + "/xml/getxml.asp?tablename=TB_ItemProps&cid=1&name=a b+中&x=%26";
    ASSERT_TRUE(http->start());
    finish();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target,
              "/xml/getxml.asp?tablename=TB_ItemProps&cid=1&name=a%20b%2B%E4%B8%AD&x=%26");
    EXPECT_EQ(requests[0].param("x"), "&");
}

TEST_F(AsyncHttpRequestTest, FailureTableRowsRaiseTheirEventsInOrder) {
    struct Case {
        const char* name;
        const char* fault; // empty: closed port
        std::vector<std::string> events;
    };
    std::string body404 = "relay-sim: status 404";
    const Case cases[] = {
        {"closed port", "", {"HostUnreachable", "AnyError"}},
        {"stall past the receive time-out", "* stall 3000", {"HostUnreachable", "AnyError"}},
        {"status 404", "* status 404", {"HTTPError 404 " + body404, "AnyError"}},
        {"status 500", "* status 500", {"HTTPError 500 relay-sim: status 500", "AnyError"}},
        {"short body", "* short-body 10", {"", "AnyError"}},
        {"stalled body", "* stall-body 3000", {"", "AnyError"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.events.clear();
        log.streamPositions.clear();
        sim.clearFaults();
        http->timeouts = {300, 300, 300};
        if (*c.fault) {
            sim.addFault(std::string(c.fault));
            http->url = offerUrl();
        } else {
            relaysim::Server closed;
            int closedPort = closed.start(test::testDataPath("relay-basic"));
            closed.stop();
            http->url = "http://127.0.0.1:" + std::to_string(closedPort) + "/openapi/getdata.aspx";
        }
        http->postData = offerBody("520000000001");
        auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(http->start());
        finish();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
        ASSERT_EQ(log.events.size(), c.events.size());
        for (size_t i = 0; i < c.events.size(); ++i) {
            if (c.events[i].empty()) // onConnectionLost: checked below
                EXPECT_EQ(log.events[i].rfind("ConnLost ", 0), 0u) << log.events[i];
            else
                EXPECT_EQ(log.events[i], c.events[i]);
        }
        for (auto position : log.streamPositions)
            EXPECT_EQ(position, 0);
    }
}

TEST_F(AsyncHttpRequestTest, ShortBodyReportsAnnouncedSizeAndBytesRead) {
    std::string offer =
        test::readFileBytes(test::testDataPath("relay-basic/offers/520000000001.json"));
    sim.addFault("* short-body 10");
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    ASSERT_TRUE(http->start());
    finish();
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[0],
              "ConnLost application/json;charset=UTF-8 " + std::to_string(offer.size()) + " 10 10");
    EXPECT_EQ(log.events[1], "AnyError");
}

TEST_F(AsyncHttpRequestTest, EmptyAndUnannouncedBodiesAreSuccess) {
    std::string offer =
        test::readFileBytes(test::testDataPath("relay-basic/offers/520000000001.json"));
    http->url = offerUrl();
    http->postData = offerBody("520000000001");

    sim.addFault("* empty - 1");
    ASSERT_TRUE(http->start());
    finish();
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0], "Done application/json;charset=UTF-8 0 ");

    log.events.clear();
    sim.addFault("* no-length - 1");
    ASSERT_TRUE(http->start());
    finish();
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0],
              "Done application/json;charset=UTF-8 " + std::to_string(offer.size()) + " " + offer);
    EXPECT_EQ(sim.requests().size(), 2u);
}

TEST_F(AsyncHttpRequestTest, StartIsRefusedWhileStartedAndInsideOnDone) {
    sim.addFault("* latency 200");
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    ASSERT_TRUE(http->start());
    std::string firstBody = http->postData;
    http->postData = offerBody("999");
    EXPECT_FALSE(http->start());
    EXPECT_TRUE(http->started());

    bool insideResult = true;
    http->onDone = [&](AsyncHttpRequest& sender, const std::string&, std::int64_t, MemoryStream&) {
        insideResult = sender.start();
        log.events.push_back("Done");
    };
    finish();
    EXPECT_FALSE(insideResult);
    EXPECT_EQ(log.events, std::vector<std::string>{"Done"});
    // The running request was left as it was started.
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, firstBody);

    // Once the events are over, the next request starts (from a timer, as the run does).
    bool restarted = false;
    loop.startTimer(0, [&] { restarted = http->start(); });
    ASSERT_TRUE(loop.runUntil([&] { return restarted; }, 1s));
    finish();
    EXPECT_EQ(sim.requests().size(), 2u);
}

TEST_F(AsyncHttpRequestTest, DestroyingMidRequestRaisesNothingAndDoesNotHang) {
    sim.addFault("* stall 5000");
    http->timeouts = {0, 0, 0}; // nothing but the destruction ends this request
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    ASSERT_TRUE(http->start());
    waitForRequests(1);
    auto started = std::chrono::steady_clock::now();
    http.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(AsyncHttpRequestTest, DestroyingWithCompletionPendingRaisesNothing) {
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    ASSERT_TRUE(http->start());
    waitForRequests(1);
    // The answer has arrived, but the UI thread has not run the completion yet.
    std::this_thread::sleep_for(100ms);
    http.reset();
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(AsyncHttpRequestTest, DestroyingFromInsideOnDoneEndsQuietly) {
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    bool done = false;
    http->onDone = [&](AsyncHttpRequest&, const std::string&, std::int64_t, MemoryStream&) {
        done = true;
        http.reset();
    };
    ASSERT_TRUE(http->start());
    ASSERT_TRUE(loop.runUntil([&] { return done; }, 3s));
    EXPECT_EQ(http, nullptr);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(AsyncHttpRequestTest, HandlerExceptionRaisesOnAnyErrorAndAllowsTheNextStart) {
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    http->onDone = [&](AsyncHttpRequest&, const std::string&, std::int64_t, MemoryStream&) {
        log.events.push_back("Done");
        throw std::runtime_error("handler failed");
    };
    ASSERT_TRUE(http->start());
    finish();
    EXPECT_EQ(log.events, (std::vector<std::string>{"Done", "AnyError"}));
    EXPECT_TRUE(http->start());
    finish();
}

TEST_F(AsyncHttpRequestTest, EventsRunOnTheUiThreadWhileItStaysResponsive) {
    sim.addFault("* latency 150");
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    std::thread::id doneOn;
    http->onDone = [&](AsyncHttpRequest&, const std::string&, std::int64_t, MemoryStream&) {
        doneOn = std::this_thread::get_id();
    };
    int ticks = 0;
    std::function<void()> tick = [&] {
        ++ticks;
        if (http->started())
            loop.startTimer(10, tick);
    };
    loop.startTimer(10, tick);
    ASSERT_TRUE(http->start());
    finish();
    EXPECT_EQ(doneOn, std::this_thread::get_id());
    EXPECT_GE(ticks, 3); // timers kept running during the request
}

TEST_F(AsyncHttpRequestTest, BodyOverTheCapIsAFailureNotADone) {
    http->maxBodyBytes = 100;
    http->url = offerUrl();
    http->postData = offerBody("520000000001");
    ASSERT_TRUE(http->start());
    finish();
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[0].rfind("ConnLost ", 0), 0u) << log.events[0];
    EXPECT_EQ(log.events[1], "AnyError");

    // Without Content-Length the cap is met while reading.
    log.events.clear();
    sim.addFault("* no-length");
    ASSERT_TRUE(http->start());
    finish();
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[0].rfind("ConnLost ", 0), 0u) << log.events[0];
}
