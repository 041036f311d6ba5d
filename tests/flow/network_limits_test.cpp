// Every remote call ends by itself: a connection that is never completed, a request body
// nobody reads, an answer that falls silent or is cut off. A slow but steady answer is
// no failure.
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "package/picture_job.hpp"
#include "platform/unanswered_listener.hpp"
#include "relay_sim.hpp"
#include "temp_dir.hpp"
#include "ui/main_state.hpp"

#include <gtest/gtest.h>

#include <chrono>

using namespace lw;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

class NetworkLimits : public ::testing::Test {
protected:
    void SetUp() override { sim.start(test::testDataPath("relay-basic")); }

    std::string lookupUrl() const {
        return sim.url() +
               "/xml/getxml.asp?tablename=TB_ItemProps&cid=50010850&name=%E9%A2%9C%E8%89%B2";
    }
    // The address of a host that never completes the handshake; empty where the system
    // refuses such connections at once (then there is nothing to wait for).
    std::string unansweredAddress() {
        if (silent.port() == 0)
            return {};
        std::string address = "http://127.0.0.1:" + std::to_string(silent.port()) + "/x";
        HttpOptions probe;
        probe.connectTimeoutMs = 200;
        auto start = Clock::now();
        HttpClient(probe).get(address);
        return Clock::now() - start >= 150ms ? address : std::string();
    }

    relaysim::Server sim;
    platform::UnansweredListener silent;
};

} // namespace

TEST_F(NetworkLimits, EveryClientHasAConnectAndAReadLimit) {
    const std::pair<const char*, HttpOptions> clients[] = {
        {"relay post", relayPostOptions()},
        {"look-up and listing page", lookupHttpOptions()},
        {"picture", pictureHttpOptions()},
    };
    for (const auto& [name, options] : clients) {
        EXPECT_GT(options.connectTimeoutMs, 0) << name;
        EXPECT_GT(options.readTimeoutMs, 0) << name;
    }
    EXPECT_EQ(relayPostOptions().connectTimeoutMs, 3500);
    EXPECT_EQ(relayPostOptions().readTimeoutMs, 3500);
}

TEST_F(NetworkLimits, AConnectionNeverCompletedEndsAtTheLimit) {
    const std::string address = unansweredAddress();
    if (address.empty())
        GTEST_SKIP() << "this system refuses a connection to a full accept queue at once";
    struct Case {
        const char* name;
        int connectMs;
        int readMs;
        bool post;
    };
    // A post without a send limit of its own is held to its read limit: before, it
    // waited as long as the system let the handshake go on (minutes).
    const Case cases[] = {{"get, connect limit", 300, 0, false},
                          {"post, connect limit", 300, 0, true},
                          {"post, read limit only", 0, 300, true}};
    for (const Case& c : cases) {
        HttpOptions options;
        options.connectTimeoutMs = c.connectMs;
        options.readTimeoutMs = c.readMs;
        HttpClient client(options);
        auto start = Clock::now();
        HttpResult r =
            c.post ? client.postForm(address, "method=user.itemcats.get") : client.get(address);
        EXPECT_LT(Clock::now() - start, 2s) << c.name;
        EXPECT_TRUE(r.transferFailed) << c.name;
        EXPECT_EQ(r.status, -1) << c.name;
    }
}

TEST_F(NetworkLimits, ACategoryPostToAHostThatNeverAnswersEndsWithinItsLimits) {
    const std::string address = unansweredAddress();
    if (address.empty())
        GTEST_SKIP() << "this system refuses a connection to a full accept queue at once";
    RelayContext app;
    app.appKey = "k";
    MainState state;
    HttpClient client(relayPostOptions());
    auto start = Clock::now();
    std::string answer = postRelayMethod(app, client, address,
                                         taobaoMethodFields(app, "user.itemcats.get"), state.log);
    EXPECT_LT(Clock::now() - start, 6s);
    EXPECT_EQ(answer, "");
}

TEST_F(NetworkLimits, TheReadLimitIsOnSilenceNotOnTheWholeAnswer) {
    // Ten pieces 150 ms apart: 1.5 s in all, never 300 ms without a byte.
    sim.addFault("* slow-body 150");
    HttpOptions options;
    options.readTimeoutMs = 300;
    options.connectTimeoutMs = 300;
    HttpClient client(options);
    HttpClient reference;
    auto start = Clock::now();
    HttpResult r = client.get(lookupUrl());
    EXPECT_GE(Clock::now() - start, 1s);
    EXPECT_TRUE(r.ok()) << r.error;
    sim.clearFaults();
    EXPECT_EQ(r.body, reference.get(lookupUrl()).body);

    // The same answer with a piece held back past the limit fails.
    sim.addFault("* slow-body 600");
    start = Clock::now();
    HttpResult silent = client.get(lookupUrl());
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_TRUE(silent.transferFailed);
    EXPECT_NE(silent.error.find("timed out"), std::string::npos) << silent.error;
}

TEST_F(NetworkLimits, AChunkedAnswerCutOffIsAFailure) {
    sim.addFault("* cut-chunked");
    HttpOptions options;
    options.readTimeoutMs = 1000;
    HttpClient client(options);
    HttpResult r = client.get(lookupUrl());
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.transferFailed) << r.error;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(getBlocking(sim.url() + "/xml/getxml.asp", "tablename=TB_ItemProps&cid=1&name=x")
                  .rfind("网络错误:", 0),
              0u);
}
