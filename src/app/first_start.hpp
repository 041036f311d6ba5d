#pragma once

#include "store/config.hpp"

#include <string>

namespace lw {

// The configuration example shipped with the program: beside it (portable), in the share
// folder beside its bin folder, or in the system's share folder; empty when none is found.
std::string findConfigExample(const std::string& programFolder);

// The user guide shipped with the program (README.md): beside it (portable, Windows),
// in the doc folder beside its bin folder, or in the system's doc folder; empty when
// none is found.
std::string findUserGuide(const std::string& programFolder);

// What the Relay settings dialog says on the first start without a configuration.
inline constexpr const char* kFirstStartExplanation =
    "欢迎使用 Listwright。下载宝贝和淘宝类目要通过 Relay 服务: 请填写服务商给您的地址和密钥, "
    "再按 \"测试连接\" 检查。现在不填也可以, 管理组和宝贝链接不需要设置, 以后可在 工具 → "
    "\"Relay 设置...\" 中填写。";

// What the front ends tell the user on the first start when no configuration file was
// found: where the file goes, the example to copy and the environment variables. Empty
// when a file was found or the environment supplies every Relay value.
std::string missingConfigHint(const Config& config, const std::string& exampleFile);

} // namespace lw
