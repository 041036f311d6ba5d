#include "relay/relay_config.hpp"

#include "platform/platform.hpp"
#include "relay/top_signature.hpp"
#include "store/config.hpp"
#include "store/text_routines.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lw::relay {
namespace {

struct TextKey {
    const char* key;
    std::string RelayConfig::*field;
};

struct NumberKey {
    const char* key;
    int RelayConfig::*field;
    int least;
    int most;
};

const TextKey kTextKeys[] = {
    {"server.listen", &RelayConfig::listen},
    {"server.data", &RelayConfig::dataFolder},
    {"server.tls_certificate", &RelayConfig::tlsCertificate},
    {"server.tls_key", &RelayConfig::tlsKey},
    {"server.log_file", &RelayConfig::logFile},
    {"server.log_level", &RelayConfig::logLevel},
    {"taobao.router", &RelayConfig::taobaoRouter},
    {"taobao.app_key", &RelayConfig::taobaoAppKey},
    {"taobao.app_secret", &RelayConfig::taobaoAppSecret},
    {"taobao.sign_method", &RelayConfig::signMethod},
};

const NumberKey kNumberKeys[] = {
    {"server.threads", &RelayConfig::threads, 1, 256},
    {"cache.properties_days", &RelayConfig::propertiesDays, 1, 365},
    {"categories.refresh_days", &RelayConfig::categoriesDays, 1, 365},
    {"categories.crawl_concurrency", &RelayConfig::crawlConcurrency, 1, 8},
    {"limits.lookup_burst", &RelayConfig::lookupBurst, 1, 1000000},
    {"limits.lookup_per_second", &RelayConfig::lookupPerSecond, 1, 1000000},
    {"limits.max_body_bytes", &RelayConfig::maxBodyBytes, 1024, 1048576},
    {"limits.lookup_wait_ms", &RelayConfig::lookupWaitMs, 100, 3000},
    {"limits.upstream_budget_ms", &RelayConfig::upstreamBudgetMs, 1000, 600000},
};

// Keys whose values are never shown.
bool isSecretKey(const std::string& key) {
    return key == "taobao.app_secret";
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return s.str();
}

} // namespace

std::string relayEnvironmentName(const std::string& key) {
    std::string name = "LISTWRIGHT_RELAY_";
    for (char c : key)
        name += c == '.' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

RelayConfigResult loadRelayConfig(const std::string& file) {
    RelayConfigResult result;
    RelayConfig& config = result.config;
    config.file = file;
    if (file.empty()) {
        result.error = "没有指定配置文件（--config 文件）";
        return result;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(platform::toPath(file), ec)) {
        result.error = "配置文件 " + file + " 不存在";
        return result;
    }
    std::optional<std::string> text = readWholeFile(file);
    if (!text) {
        result.error = "无法读取配置文件 " + file;
        return result;
    }
    std::map<std::string, std::string> values = parseIni(*text);
    auto valueOf = [&](const std::string& key) -> std::optional<std::string> {
        if (std::optional<std::string> env =
                platform::environment(relayEnvironmentName(key).c_str())) {
            config.fromEnvironment.insert(key);
            return trim(*env);
        }
        auto found = values.find(key);
        if (found == values.end())
            return std::nullopt;
        return trim(found->second);
    };
    for (const TextKey& k : kTextKeys)
        if (std::optional<std::string> value = valueOf(k.key); value && !value->empty())
            config.*k.field = *value;
    for (const NumberKey& k : kNumberKeys) {
        std::optional<std::string> value = valueOf(k.key);
        if (!value || value->empty())
            continue;
        int number = 0;
        auto [end, err] = std::from_chars(value->data(), value->data() + value->size(), number);
        if (err != std::errc() || end != value->data() + value->size() || number < k.least ||
            number > k.most) {
            result.error = std::string("配置项 ") + k.key + " 的值 \"" + *value + "\" 不是 " +
                           std::to_string(k.least) + " 到 " + std::to_string(k.most) +
                           " 之间的整数";
            return result;
        }
        config.*k.field = number;
    }
    if (config.dataFolder.empty()) {
        std::filesystem::path beside =
            std::filesystem::absolute(platform::toPath(file), ec).parent_path();
        config.dataFolder = platform::fromPath(beside / "data");
    }
    config.signMethod = lowerAscii(config.signMethod);
    if (!isKnownSignMethod(config.signMethod)) {
        result.error = "配置项 taobao.sign_method 的值 \"" + config.signMethod +
                       "\" 无效（可用 md5、hmac 或 hmac-sha256）";
        return result;
    }
    config.logLevel = lowerAscii(config.logLevel);
    if (config.logLevel != "error" && config.logLevel != "warn" && config.logLevel != "info" &&
        config.logLevel != "debug") {
        result.error = "配置项 server.log_level 的值 \"" + config.logLevel +
                       "\" 无效（可用 error、warn、info 或 debug）";
        return result;
    }
    if (config.tlsCertificate.empty() != config.tlsKey.empty()) {
        result.error = "server.tls_certificate 和 server.tls_key 要一起设置";
        return result;
    }
    return result;
}

std::string checkRelayConfigForServing(const RelayConfig& config) {
    if (platform::othersMayRead(config.file))
        return "配置文件 " + config.file + " 其他用户也能读取，而其中有密钥。请先执行 chmod 600 " +
               config.file;
    const std::pair<const std::string*, const char*> required[] = {
        {&config.taobaoAppKey, "taobao.app_key"},
        {&config.taobaoAppSecret, "taobao.app_secret"},
    };
    for (const auto& [value, key] : required) {
        if (!value->empty())
            continue;
        const std::string name = key;
        const std::size_t dot = name.find('.');
        return "配置文件 " + config.file + " 缺少 [" + name.substr(0, dot) + "] " +
               name.substr(dot + 1) + "（也可用环境变量 " + relayEnvironmentName(name) + " 设置）";
    }
    if (config.taobaoRouter.rfind("https://", 0) != 0 &&
        config.taobaoRouter.rfind("http://", 0) != 0)
        return "配置项 taobao.router 的值 \"" + config.taobaoRouter + "\" 不是 http(s) 地址";
    return {};
}

std::map<std::string, std::string> describeRelayConfig(const RelayConfig& config) {
    std::map<std::string, std::string> lines;
    for (const TextKey& k : kTextKeys) {
        std::string value = config.*k.field;
        if (isSecretKey(k.key))
            value = value.empty() ? "（未设置）" : "（已设置，不显示）";
        if (config.fromEnvironment.count(k.key))
            value += "  [环境变量 " + relayEnvironmentName(k.key) + "]";
        lines[k.key] = value;
    }
    for (const NumberKey& k : kNumberKeys) {
        std::string value = std::to_string(config.*k.field);
        if (config.fromEnvironment.count(k.key))
            value += "  [环境变量 " + relayEnvironmentName(k.key) + "]";
        lines[k.key] = value;
    }
    return lines;
}

} // namespace lw::relay
