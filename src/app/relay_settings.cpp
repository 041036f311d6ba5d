#include "app/relay_settings.hpp"

#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "store/config_file.hpp"
#include "store/text_routines.hpp"
#include "ui/event_loop.hpp"
#include "util/encode.hpp"

namespace lw {

RelayCheck checkRelay(const RelayContext& app, std::stop_token stop) {
    if (!app.missing.empty())
        return {false, app.missing};
    HttpOptions options = relayPostOptions();
    options.cookies = false;
    options.connectTimeoutMs = 5000;
    options.readTimeoutMs = 5000;
    HttpClient client(options);
    std::vector<std::string> fields = taobaoMethodFields(app, "user.itemcats.get", "", "0");
    fields.push_back("codeid=" + encodeQueryText(app.accountCode));
    fields.push_back("rvversion=" + app.clientVersion);
    std::string body;
    for (const std::string& f : fields)
        body += (body.empty() ? "" : "&") + f;
    HttpResult result = client.postForm(app.apiEndpoint, body, stop);
    if (result.cancelled)
        return {false, "测试已取消。"};
    if (result.status < 0) {
        const std::string error = lowerAscii(result.error);
        if (error.find("ssl") != std::string::npos ||
            error.find("certificate") != std::string::npos)
            return {false,
                    "连接失败: " + app.baseAddress +
                        " 的证书无法验证，连接不安全。请检查地址，或请服务商更换有效的证书。"};
        return {false, "连接失败: 无法连接 " + app.baseAddress +
                           "。请检查地址和端口是否正确，以及网络是否通畅。"};
    }
    if (!result.ok())
        return {false, "连接失败: " + app.baseAddress + " 有应答，但不是 Relay (" +
                           trim(result.statusLine) + ")。请检查地址。"};
    const std::string answer = relayAnswerText(result.body);
    if (isErrorResponse(answer))
        return {false, "Relay 已应答，但报告错误: " + errorResponseMessage(answer, "") +
                           "。请检查 App Key、Access Token 和账户代码。"};
    return {true, "连接成功: Relay 已应答。"};
}

RelaySettingsLogic::RelaySettingsLogic(EventLoop& loop, Config config, std::string programFolder)
    : loop_(loop), config_(std::move(config)), programFolder_(std::move(programFolder)) {
    // The dialog shows what the file says; an overriding variable is noted beside it.
    auto shown = [this](const char* key, const std::string& inEffect) {
        if (!config_.fromEnvironment.count(key))
            return inEffect;
        auto it = config_.fileValues.find(key);
        return it == config_.fileValues.end() ? std::string() : it->second;
    };
    host_ = shown("relay.host", config_.relayHost);
    appKey_ = shown("relay.app_key", config_.appKey);
    accessToken_ = shown("relay.access_token", config_.accessToken);
    accountCode_ = shown("relay.account_code", config_.accountCode);
}

RelaySettingsLogic::~RelaySettingsLogic() {
    *alive_ = false;
}

std::string& RelaySettingsLogic::field(const std::string& key) {
    if (key == "relay.host")
        return host_;
    if (key == "relay.app_key")
        return appKey_;
    if (key == "relay.access_token")
        return accessToken_;
    return accountCode_;
}

const std::string& RelaySettingsLogic::value(const std::string& key) const {
    return const_cast<RelaySettingsLogic*>(this)->field(key);
}

void RelaySettingsLogic::setValue(const std::string& key, const std::string& value) {
    std::string& f = field(key);
    if (f == value)
        return;
    f = value;
    changed.emit();
}

std::string RelaySettingsLogic::overrideNote(const std::string& key) const {
    if (!config_.fromEnvironment.count(key))
        return {};
    return "环境变量 " + environmentNameOf(key) + " 的值优先，此处的设置暂不生效";
}

std::string RelaySettingsLogic::fileNote() const {
    return "设置保存在 " + config_.fileToWrite();
}

Config RelaySettingsLogic::effectiveConfig() const {
    Config c = config_;
    if (!c.fromEnvironment.count("relay.host"))
        c.relayHost = host_;
    if (!c.fromEnvironment.count("relay.app_key"))
        c.appKey = appKey_;
    if (!c.fromEnvironment.count("relay.access_token"))
        c.accessToken = accessToken_;
    if (!c.fromEnvironment.count("relay.account_code"))
        c.accountCode = accountCode_;
    return c;
}

std::string RelaySettingsLogic::warning() const {
    Config c = effectiveConfig();
    if (trim(c.accessToken).empty() || !tokenTravelsInClear(c.relayHost))
        return {};
    return "注意: 地址不是 https://，Access Token 会不加密地经过网络发送到 " +
           relayHostName(c.relayHost) + "。如果服务商支持，请在地址前写 https://。";
}

void RelaySettingsLogic::testConnection() {
    if (testing_)
        return;
    testing_ = true;
    testResult_ = "正在连接 Relay...";
    changed.emit();
    RelayContext app = makeRelayContext(effectiveConfig());
    std::shared_ptr<bool> alive = alive_;
    worker_ = std::jthread([this, app, alive](std::stop_token stop) {
        RelayCheck check = checkRelay(app, stop);
        if (stop.stop_requested())
            return;
        loop_.post([this, alive, check] {
            if (!*alive)
                return;
            testing_ = false;
            testResult_ = check.text;
            changed.emit();
        });
    });
}

std::string RelaySettingsLogic::save() {
    const std::string file = config_.fileToWrite();
    std::vector<ConfigValue> values;
    for (const char* key : kKeys)
        values.push_back({key, trim(value(key))});
    std::string error = writeConfigValues(file, values);
    if (!error.empty())
        return error;
    config_ = loadConfig(programFolder_, file);
    changed.emit();
    return {};
}

} // namespace lw
