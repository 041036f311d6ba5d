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
    EXPECT_EQ(hint,
              "还没有设置 Relay。要下载宝贝和类目，请用 listwright-cli config set relay.host "
              "地址（以及 relay.app_key、relay.access_token、relay.account_code）设置，或在"
              "桌面程序的 工具 → \"Relay 设置...\" 中填写；设置保存在 "
              "/home/u/.config/listwright/listwright.conf（范例: "
              "/usr/share/listwright/listwright.conf.example）。管理组和宝贝链接不需要设置。");
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
