#include "app/first_start.hpp"

#include "platform/platform.hpp"

#include <filesystem>

namespace fs = std::filesystem;

namespace lw {

std::string findUserGuide(const std::string& programFolder) {
    std::error_code ec;
    for (const std::string& candidate :
         {programFolder + "/README.md", programFolder + "/../share/doc/listwright/README.md",
          std::string("/usr/share/doc/listwright/README.md")}) {
        fs::path path = platform::toPath(candidate);
        if (fs::is_regular_file(path, ec))
            return platform::fromPath(fs::weakly_canonical(path, ec).make_preferred());
    }
    return {};
}

std::string findConfigExample(const std::string& programFolder) {
    std::error_code ec;
    for (const std::string& candidate :
         {programFolder + "/listwright.conf.example",
          programFolder + "/../share/listwright/listwright.conf.example",
          std::string("/usr/share/listwright/listwright.conf.example")}) {
        fs::path path = platform::toPath(candidate);
        if (fs::is_regular_file(path, ec))
            return platform::fromPath(fs::weakly_canonical(path, ec).make_preferred());
    }
    return {};
}

std::string missingConfigHint(const Config& config, const std::string& exampleFile) {
    if (!config.sourceFile.empty() || config.missingRelayValue().empty())
        return {};
    std::string text = "还没有设置 Relay。要下载宝贝和类目，请用 listwright-cli config set "
                       "relay.host 地址（以及 relay.app_key、relay.access_token、"
                       "relay.account_code）设置，或在桌面程序的 工具 → \"Relay 设置...\" 中填写；"
                       "设置保存在 " +
                       config.expectedFile;
    if (!exampleFile.empty())
        text += "（范例: " + exampleFile + "）";
    return text + "。管理组和宝贝链接不需要设置。";
}

} // namespace lw
