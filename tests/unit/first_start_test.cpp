#include "app/first_start.hpp"
#include "platform/platform.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lw;
using namespace lw::test;

namespace {

Config relay(const std::string& sourceFile, const std::string& host) {
    Config c;
    c.sourceFile = sourceFile;
    c.expectedFile = "/home/u/.config/listwright/listwright.conf";
    c.relayHost = host;
    c.appKey = c.accessToken = c.accountCode = host.empty() ? "" : "x";
    return c;
}

} // namespace

TEST(FirstStart, HintOnlyWhenNoFileAndTheRelayIsNotConfigured) {
    const std::string example = "/usr/share/listwright/listwright.conf.example";
    std::string hint = missingConfigHint(relay("", ""), example);
    EXPECT_EQ(hint, "未找到配置文件。要下载宝贝和类目，请把 Relay 的地址和密钥写入 "
                    "/home/u/.config/listwright/listwright.conf（可复制范例 "
                    "/usr/share/listwright/listwright.conf.example），或设置环境变量 "
                    "LISTWRIGHT_RELAY_HOST、LISTWRIGHT_APP_KEY、LISTWRIGHT_ACCESS_TOKEN、"
                    "LISTWRIGHT_ACCOUNT_CODE。管理组和宝贝链接不需要配置。");
    EXPECT_EQ(missingConfigHint(relay("", ""), "").find("范例"), std::string::npos);
    // A file was found (even an incomplete one: its own message names it later).
    EXPECT_EQ(missingConfigHint(relay("/etc/lw.conf", ""), example), "");
    // The environment supplies every Relay value.
    EXPECT_EQ(missingConfigHint(relay("", "127.0.0.1:8080"), example), "");
}

TEST(FirstStart, ConfigExampleBesideTheProgramsShareFolder) {
    TempDir dir;
    std::filesystem::create_directories(platform::toPath(dir.file("bin")));
    std::filesystem::create_directories(platform::toPath(dir.file("share/listwright")));
    writeFileBytes(dir.file("share/listwright/listwright.conf.example"), "[relay]\n");
    auto canonical = [](const std::string& file) {
        return platform::fromPath(
            std::filesystem::weakly_canonical(platform::toPath(file)).make_preferred());
    };
    EXPECT_EQ(findConfigExample(dir.file("bin")),
              canonical(dir.file("share/listwright/listwright.conf.example")));
    // A portable folder keeps it beside the program.
    writeFileBytes(dir.file("bin/listwright.conf.example"), "[relay]\n");
    EXPECT_EQ(findConfigExample(dir.file("bin")),
              canonical(dir.file("bin/listwright.conf.example")));
}
