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
    std::string text =
        "未找到配置文件。要下载宝贝和类目，请把 Relay 的地址和密钥写入 " + config.expectedFile;
    if (!exampleFile.empty())
        text += "（可复制范例 " + exampleFile + "）";
    text += "，或设置环境变量 LISTWRIGHT_RELAY_HOST、LISTWRIGHT_APP_KEY、"
            "LISTWRIGHT_ACCESS_TOKEN、LISTWRIGHT_ACCOUNT_CODE。管理组和宝贝链接不需要配置。";
    return text;
}

} // namespace lw
