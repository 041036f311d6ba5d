// The Relay settings: the connection test against relay-sim, saving into the file the
// program read, environment overrides, and the main window taking the new values.
#include "app/main_window.hpp"
#include "app/relay_settings.hpp"
#include "main_window_fixture.hpp"
#include "net/relay.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"
#include "store/config_file.hpp"
#include "temp_dir.hpp"
#include "test_certificate.hpp"
#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <sstream>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class RelaySettings : public ::testing::Test {
protected:
    void SetUp() override {
        sim.start(testDataPath("relay-basic"));
        file = dir.file("listwright.conf");
        std::ofstream out(platform::toPath(file), std::ios::binary);
        out << "; 服务商给的设置\n[relay]\nhost = " << sim.hostPort()
            << "   ; 地址\napp_key = key-1\naccess_token = token-1\naccount_code = acc\n"
            << "[database]\npassword = " << testDatabasePassword() << "\n";
        out.close();
        for (const char* name : {"LISTWRIGHT_RELAY_HOST", "LISTWRIGHT_APP_KEY",
                                 "LISTWRIGHT_ACCESS_TOKEN", "LISTWRIGHT_ACCOUNT_CODE"})
            env.set(name, nullptr);
    }

    std::string test(RelaySettingsLogic& settings) {
        settings.testConnection();
        EXPECT_TRUE(settings.testing());
        EXPECT_TRUE(loop.runUntil([&] { return !settings.testing(); }, 10s));
        return settings.testResult();
    }

    TempDir dir;
    relaysim::Server sim;
    ScopedEnv env;
    HeadlessEventLoop loop;
    std::string file;
};

} // namespace

TEST_F(RelaySettings, TestConnectionSaysInWordsWhetherTheRelayAnswered) {
    RelaySettingsLogic settings(loop, loadConfig(dir.path(), file), dir.path());
    EXPECT_EQ(settings.value("relay.host"), sim.hostPort());
    EXPECT_EQ(test(settings), "连接成功: Relay 已应答。");
    EXPECT_EQ(sim.requests().back().path, "/openapi/getdata.aspx");

    // A wrong port: no Relay there.
    settings.setValue("relay.host", "127.0.0.1:1");
    EXPECT_EQ(
        test(settings),
        "连接失败: 无法连接 http://127.0.0.1:1。请检查地址和端口是否正确，以及网络是否通畅。");

    // Something answers, but reports an error.
    settings.setValue("relay.host", sim.hostPort());
    sim.addFault("method=user.itemcats.get error-response 无效的会话|27|session-expired");
    EXPECT_EQ(test(settings), "Relay 已应答，但报告错误: 无效的会话,27,session-expired。请检查 App "
                              "Key、Access Token 和账户代码。");
    sim.clearFaults();
    sim.addFault("method=user.itemcats.get status 404");
    EXPECT_EQ(
        test(settings).rfind("连接失败: http://" + sim.hostPort() + " 有应答，但不是 Relay", 0),
        0u);

    // A value missing: said before anything is sent.
    settings.setValue("relay.app_key", "");
    std::size_t requests = sim.requests().size();
    EXPECT_EQ(test(settings).rfind("还没有填写 Relay 的App Key。", 0), 0u);
    EXPECT_EQ(sim.requests().size(), requests);
}

TEST_F(RelaySettings, SaveWritesTheFileReadAtStartKeepingItsCommentsAndReloads) {
    RelaySettingsLogic settings(loop, loadConfig(dir.path(), file), dir.path());
    EXPECT_EQ(settings.fileNote(), "设置保存在 " + file);
    settings.setValue("relay.host", "https://relay.example.com");
    settings.setValue("relay.account_code", " acc2 ");
    ASSERT_EQ(settings.save(), "");
    EXPECT_EQ(readAll(file), "; 服务商给的设置\n[relay]\nhost = https://relay.example.com  ; 地址\n"
                             "app_key = key-1\naccess_token = token-1\naccount_code = acc2\n"
                             "[database]\npassword = " +
                                 testDatabasePassword() + "\n");
    EXPECT_EQ(settings.config().relayHost, "https://relay.example.com");
    EXPECT_EQ(settings.config().accountCode, "acc2");
    EXPECT_EQ(makeRelayContext(settings.config()).apiEndpoint,
              "https://relay.example.com/openapi/getdata.aspx");
}

TEST_F(RelaySettings, NoFileFoundWritesTheUsersOwnFile) {
    ScopedEnv where;
    const std::string own = dir.file("own/listwright.conf");
    where.set("LISTWRIGHT_CONFIG", own.c_str());
    Config config = loadConfig(dir.path() + "/program");
    ASSERT_EQ(config.sourceFile, "");
    RelaySettingsLogic settings(loop, config, dir.path() + "/program");
    EXPECT_EQ(settings.value("relay.host"), "");
    settings.setValue("relay.host", sim.hostPort());
    ASSERT_EQ(settings.save(), "");
    EXPECT_EQ(settings.config().sourceFile, own);
    EXPECT_EQ(settings.config().relayHost, sim.hostPort());
}

TEST_F(RelaySettings, EnvironmentOverridesAreShownAndWinWhenTested) {
    env.set("LISTWRIGHT_RELAY_HOST", "127.0.0.1:1");
    RelaySettingsLogic settings(loop, loadConfig(dir.path(), file), dir.path());
    // The field shows the file's value; the note names the variable that wins.
    EXPECT_EQ(settings.value("relay.host"), sim.hostPort());
    EXPECT_EQ(settings.overrideNote("relay.host"),
              "环境变量 LISTWRIGHT_RELAY_HOST 的值优先，此处的设置暂不生效");
    EXPECT_EQ(settings.overrideNote("relay.app_key"), "");
    EXPECT_EQ(test(settings).rfind("连接失败: 无法连接 http://127.0.0.1:1", 0), 0u);
}

TEST_F(RelaySettings, WarnsWhenTheTokenWouldTravelInClear) {
    RelaySettingsLogic settings(loop, loadConfig(dir.path(), file), dir.path());
    EXPECT_EQ(settings.warning(), ""); // 127.0.0.1
    settings.setValue("relay.host", "relay.example.com:8080");
    EXPECT_EQ(settings.warning(), "注意: 地址不是 https://，Access Token 会不加密地经过网络发送到 "
                                  "relay.example.com。如果服务商支持，请在地址前写 https://。");
    settings.setValue("relay.host", "https://relay.example.com");
    EXPECT_EQ(settings.warning(), "");
    settings.setValue("relay.host", "relay.example.com");
    settings.setValue("relay.access_token", "");
    EXPECT_EQ(settings.warning(), "");
}

// What the dialog saved takes effect without a restart.
TEST_F(RelaySettings, TheMainWindowTakesTheSavedValues) {
    std::string error;
    auto db = makeTestDatabase(dir.path());
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    FakeClock clock;
    struct Frame : WindowFrame {
        std::string newHost;
        bool showRelaySettings(RelaySettingsLogic& settings) override {
            settings.setValue("relay.host", newHost);
            return settings.save().empty();
        }
    } frame;
    frame.newHost = "https://relay.example.com:8443";
    MainWindowLogic window(Ports{*db, dialogs, desktop, loop, clock}, frame, dir.path(),
                           loadConfig(dir.path(), file));
    window.homeFolder = dir.path();
    window.initialise();
    EXPECT_EQ(window.downloadRun().relay().baseAddress, "http://" + sim.hostPort());
    window.openRelaySettings();
    EXPECT_EQ(window.config().relayHost, "https://relay.example.com:8443");
    EXPECT_EQ(window.downloadRun().relay().apiEndpoint,
              "https://relay.example.com:8443/openapi/getdata.aspx");
    EXPECT_EQ(window.relayHost(), "https://relay.example.com:8443");
    // A running command keeps its Relay: the dialog does not open.
    frame.newHost = "elsewhere";
    window.state().panel.show("...");
    window.openRelaySettings();
    EXPECT_EQ(window.config().relayHost, "https://relay.example.com:8443");
}

// A Relay reached over TLS: its certificate is checked against the system's store, so
// relay-sim's certificate made for this test is refused, in words, before any request
// is sent; the same simulator answers a client that trusts the certificate.
TEST(RelayOverTls, AnUntrustedCertificateIsRefusedInWords) {
    TempDir dir;
    TestCertificate certificate = makeTestCertificate(dir.path());
    relaysim::Server sim;
    try {
        sim.startTls(testDataPath("relay-basic"), certificate.certFile, certificate.keyFile);
    } catch (const std::runtime_error& e) {
        GTEST_SKIP() << e.what();
    }
    EXPECT_EQ(sim.url(), "https://" + sim.hostPort());
    Config config;
    config.relayHost = "https://" + sim.hostPort();
    config.appKey = config.accessToken = config.accountCode = "k";
    RelayContext app = makeRelayContext(config);
    EXPECT_EQ(app.apiEndpoint, "https://" + sim.hostPort() + "/openapi/getdata.aspx");
    RelayCheck check = checkRelay(app);
    EXPECT_FALSE(check.answered);
    EXPECT_EQ(check.text,
              "连接失败: https://" + sim.hostPort() +
                  " 的证书无法验证，连接不安全。请检查地址，或请服务商更换有效的证书。");
    EXPECT_TRUE(sim.requests().empty());

    // The simulator itself serves TLS: a client given the certificate gets the answer.
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    httplib::SSLClient client("127.0.0.1", sim.port());
    client.set_ca_cert_path(certificate.certFile.c_str());
    client.enable_server_certificate_verification(true);
    auto answer = client.Post("/openapi/getdata.aspx",
                              "method=user.itemcats.get&cids=0&app_key=k&access_token=k",
                              "application/x-www-form-urlencoded");
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, 200);
    EXPECT_NE(answer->body.find("item_cat"), std::string::npos) << answer->body;
    EXPECT_EQ(sim.requests().size(), 1u);
#endif
}
