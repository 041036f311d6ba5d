#include "platform/platform.hpp"
#include "store/config.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <optional>

using namespace lw;
using namespace lw::test;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name), old_(platform::environment(name)) {
        platform::setEnvironment(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ~ScopedEnv() { platform::setEnvironment(name_.c_str(), old_); }

private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(Config, ParsesIniWithSectionsCommentsAndQuotes) {
    auto v = parseIni("\xEF\xBB\xBF; comment\n[relay]\nhost = 127.0.0.1:8080 ; where\n"
                      "app_key=\"k;1\"\n# more\n[Database]\r\npassword = p;w\r\n");
    EXPECT_EQ(v["relay.host"], "127.0.0.1:8080");
    EXPECT_EQ(v["relay.app_key"], "k;1");
    EXPECT_EQ(v["database.password"], "p;w");
}

TEST(Config, FileThenEnvironmentOverrides) {
    TempDir dir;
    writeFileBytes(dir.file("listwright.conf"),
                   "[relay]\nhost=relay.example.com\napp_key=K\naccess_token=T\n"
                   "account_code=A B\n[database]\npassword=secret\n");
    ScopedEnv noConfig("LISTWRIGHT_CONFIG", nullptr);
    ScopedEnv host("LISTWRIGHT_RELAY_HOST", "127.0.0.1:9");
    ScopedEnv pw("LISTWRIGHT_DB_PASSWORD", nullptr);
    Config c = loadConfig(dir.path());
    EXPECT_EQ(c.sourceFile, dir.file("listwright.conf"));
    EXPECT_EQ(c.relayHost, "127.0.0.1:9");
    EXPECT_EQ(c.accountCode, "A B");
    EXPECT_EQ(c.dbPassword, "secret");
    EXPECT_EQ(c.missingRelayValue(), "");
}

TEST(Config, NoFileGivesTheDeliveredPasswordAndNamesMissingValues) {
    TempDir dir;
    ScopedEnv config("LISTWRIGHT_CONFIG", dir.file("absent.conf").c_str());
    ScopedEnv host("LISTWRIGHT_RELAY_HOST", "h");
    ScopedEnv key("LISTWRIGHT_APP_KEY", nullptr);
    ScopedEnv pw("LISTWRIGHT_DB_PASSWORD", nullptr);
    Config c = loadConfig(dir.path());
    EXPECT_EQ(c.sourceFile, "");
    EXPECT_EQ(c.dbPassword, testDatabasePassword());
    std::string missing = c.missingRelayValue();
    // In words, with where to fill it in; no environment variables.
    EXPECT_EQ(missing, "还没有填写 Relay 的App Key。请在 工具 → \"Relay 设置...\" 中填写（命令行: "
                       "listwright-cli config set relay.app_key 值），设置保存在 " +
                           dir.file("absent.conf") + "。");
    EXPECT_EQ(c.fromEnvironment, std::set<std::string>{"relay.host"});
}

TEST(Config, DataFolderChoiceAndFirstStartCopy) {
    TempDir dir;
    ScopedEnv data("LISTWRIGHT_DATA_DIR", nullptr);
    EXPECT_EQ(resolveDataFolder(dir.path(), "/x"), "/x");
    {
        ScopedEnv env("LISTWRIGHT_DATA_DIR", "/y");
        EXPECT_EQ(resolveDataFolder(dir.path()), "/y");
    }
    EXPECT_EQ(resolveDataFolder(dir.path()), userDataFolder());
    std::string target = dir.file("data");
    EXPECT_EQ(ensureDatabaseFile(target, LISTWRIGHT_DELIVERED_DB), "");
    EXPECT_EQ(readFileBytes(databasePathIn(target)), readFileBytes(LISTWRIGHT_DELIVERED_DB));
    // A folder that already holds a database keeps it.
    writeFileBytes(databasePathIn(target), "mine");
    EXPECT_EQ(ensureDatabaseFile(target, LISTWRIGHT_DELIVERED_DB), "");
    EXPECT_EQ(readFileBytes(databasePathIn(target)), "mine");
    EXPECT_NE(ensureDatabaseFile(dir.file("other"), ""), "");
}
