// The Relay settings from the command line: what is in effect and where it comes from,
// writing one value into the configuration file, and the connection test of the
// settings dialog.
#include "config_commands.hpp"

#include "app/relay_settings.hpp"
#include "net/relay.hpp"
#include "store/config_file.hpp"
#include "store/text_routines.hpp"

#include <iostream>

namespace lw::cli {
namespace {

constexpr const char* kConfigUsage = "config show | set KEY VALUE | test\n"
                                     "  KEY: relay.host, relay.app_key, relay.access_token, "
                                     "relay.account_code";

// "host" and "relay.host" name the same key; empty when the key is none of the four.
std::string relayKey(const std::string& name) {
    const std::string key = name.find('.') == std::string::npos ? "relay." + name : name;
    for (const char* known : RelaySettingsLogic::kKeys)
        if (key == known)
            return key;
    return {};
}

std::string valueOf(const Config& config, const std::string& key) {
    if (key == "relay.host")
        return config.relayHost;
    if (key == "relay.app_key")
        return config.appKey;
    if (key == "relay.access_token")
        return config.accessToken;
    return config.accountCode;
}

// The token is shown by its end only, and a short one not at all: a screen or a log
// may be seen by others.
std::string shownValue(const std::string& key, const std::string& value) {
    if (key != "relay.access_token" || value.empty())
        return value;
    if (value.size() <= 8)
        return std::string(value.size(), '*');
    return std::string(value.size() - 4, '*') + value.substr(value.size() - 4);
}

int show(const CliContext& context) {
    const Config& config = context.config;
    std::cout << "配置文件\t" << config.fileToWrite()
              << (config.sourceFile.empty() ? "\t(还不存在)" : "") << "\n";
    for (const char* key : RelaySettingsLogic::kKeys) {
        std::cout << key << "\t" << shownValue(key, valueOf(config, key));
        if (config.fromEnvironment.count(key))
            std::cout << "\t(环境变量 " << environmentNameOf(key) << ")";
        std::cout << "\n";
    }
    std::cout << "地址\t" << relayBaseAddress(config.relayHost) << "\n";
    if (tokenTravelsInClear(config.relayHost) && !trim(config.accessToken).empty())
        std::cerr << "[提示] 地址不是 https://，Access Token 会不加密地经过网络发送到 "
                  << relayHostName(config.relayHost) << "。\n";
    return kExitOk;
}

int set(CliContext& context, const std::string& name, const std::string& value) {
    const std::string key = relayKey(name);
    if (key.empty())
        return printUsage(kConfigUsage);
    const std::string file = context.config.fileToWrite();
    std::string error = writeConfigValues(file, {{key, value}});
    if (!error.empty()) {
        std::cerr << "[错误] " << error << "\n";
        return kExitFailed;
    }
    std::cerr << "[提示] 已写入 " << file << ": " << key << " = " << shownValue(key, trim(value))
              << "\n";
    if (context.config.fromEnvironment.count(key))
        std::cerr << "[提示] 环境变量 " << environmentNameOf(key)
                  << " 的值优先，此设置在它取消后才生效。\n";
    if (key == "relay.host" && tokenTravelsInClear(value) &&
        !trim(context.config.accessToken).empty())
        std::cerr << "[提示] 地址不是 https://，Access Token 会不加密地经过网络发送到 "
                  << relayHostName(value) << "。\n";
    return kExitOk;
}

int test(const CliContext& context) {
    RelayCheck check = checkRelay(makeRelayContext(context.config));
    (check.answered ? std::cout : std::cerr) << check.text << "\n";
    return check.answered ? kExitOk : kExitFailed;
}

} // namespace

int runConfigCommand(CliContext& context, Args& args) {
    const std::vector<std::string>& words = args.rest();
    if (!args.unknownOption().empty() || words.empty())
        return printUsage(kConfigUsage);
    if (words[0] == "show" && words.size() == 1)
        return show(context);
    if (words[0] == "set" && words.size() == 3)
        return set(context, words[1], words[2]);
    if (words[0] == "test" && words.size() == 1)
        return test(context);
    return printUsage(kConfigUsage);
}

} // namespace lw::cli
