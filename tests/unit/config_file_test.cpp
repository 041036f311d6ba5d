#include "platform/platform.hpp"
#include "store/config.hpp"
#include "store/config_file.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lw;
using namespace lw::test;
namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ConfigFile, SetValuesKeepsCommentsUnknownKeysAndLineEnds) {
    struct Case {
        const char* name;
        std::string before;
        std::vector<ConfigValue> values;
        std::string after;
    };
    const Case cases[] = {
        {"replaces a value, keeping the comment after it",
         "; my Relay\n[relay]\nhost = old.example.com        ; LISTWRIGHT_RELAY_HOST\nextra = 1\n",
         {{"relay.host", "https://new.example.com"}},
         "; my Relay\n[relay]\nhost = https://new.example.com  ; LISTWRIGHT_RELAY_HOST\nextra = "
         "1\n"},
        {"a missing key goes after its section's last key",
         "[relay]\r\nhost = h\r\n\r\n[database]\r\npassword = p\r\n",
         {{"relay.app_key", "k"}},
         "[relay]\r\nhost = h\r\napp_key = k\r\n\r\n[database]\r\npassword = p\r\n"},
        {"a missing section goes at the end",
         "[database]\npassword = p\n",
         {{"relay.host", "h"}, {"relay.access_token", "t"}},
         "[database]\npassword = p\n\n[relay]\nhost = h\naccess_token = t\n"},
        {"an empty file gets the section", "", {{"relay.host", "h"}}, "[relay]\nhost = h\n"},
        {"keys match without regard to case and blanks; line breaks in a value are dropped",
         "[Relay]\n  HOST=a\n",
         {{"relay.host", "b\r\nc"}},
         "[Relay]\n  HOST= b  c\n"},
        {"the same key in another section is left alone",
         "[other]\nhost = x\n[relay]\n",
         {{"relay.host", "y"}},
         "[other]\nhost = x\n[relay]\nhost = y\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string after = setIniValues(c.before, c.values);
        EXPECT_EQ(after, c.after);
        // What was written reads back as written.
        auto values = parseIni(after);
        for (const auto& [key, value] : c.values) {
            if (value.find('\n') == std::string::npos) {
                EXPECT_EQ(values[key], value);
            }
        }
    }
}

TEST(ConfigFile, WritesAPrivateFileInANewFolderAndLoadsItBack) {
    TempDir dir;
    const std::string file = dir.file("新文件夹/listwright.conf");
    ASSERT_EQ(writeConfigValues(file, {{"relay.host", "127.0.0.1:1"}, {"relay.app_key", "k"}}), "");
    Config config = loadConfig(dir.path(), file);
    EXPECT_EQ(config.sourceFile, file);
    EXPECT_EQ(config.relayHost, "127.0.0.1:1");
    EXPECT_EQ(config.appKey, "k");
    if constexpr (!platform::kWindows) {
        auto perms = fs::status(platform::toPath(file)).permissions();
        EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    }
    // A second write keeps what the user added by hand.
    {
        std::ofstream out(platform::toPath(file), std::ios::app | std::ios::binary);
        out << "; 我的备注\n[database]\npassword = secret\n";
    }
    ASSERT_EQ(writeConfigValues(file, {{"relay.app_key", "k2"}}), "");
    EXPECT_EQ(readAll(file), "[relay]\nhost = 127.0.0.1:1\napp_key = k2\n; 我的备注\n[database]\n"
                             "password = secret\n");
    EXPECT_FALSE(fs::exists(platform::toPath(file + ".part")));
}

TEST(ConfigFile, HostsSchemesAndTheClearTokenWarning) {
    struct Case {
        const char* host;
        const char* base;
        const char* name;
        bool inClear;
    };
    const Case cases[] = {
        {"relay.example.com", "http://relay.example.com", "relay.example.com", true},
        {"relay.example.com:8080/", "http://relay.example.com:8080", "relay.example.com", true},
        {"https://relay.example.com", "https://relay.example.com", "relay.example.com", false},
        {"HTTPS://Relay.Example.com:8443/", "https://Relay.Example.com:8443", "relay.example.com",
         false},
        {"http://10.0.0.5:81", "http://10.0.0.5:81", "10.0.0.5", true},
        {"127.0.0.1:5000", "http://127.0.0.1:5000", "127.0.0.1", false},
        {"localhost", "http://localhost", "localhost", false},
        {"[::1]:80", "http://[::1]:80", "::1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(relayBaseAddress(c.host), c.base);
        EXPECT_EQ(relayHostName(c.host), c.name);
        EXPECT_EQ(tokenTravelsInClear(c.host), c.inClear);
    }
    EXPECT_FALSE(tokenTravelsInClear(""));
    EXPECT_EQ(environmentNameOf("relay.host"), "LISTWRIGHT_RELAY_HOST");
    EXPECT_EQ(environmentNameOf("relay.access_token"), "LISTWRIGHT_ACCESS_TOKEN");
}
