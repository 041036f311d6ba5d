#include "relay/relay_commands.hpp"

#include "platform/platform.hpp"
#include "relay/accounts.hpp"
#include "relay/relay_config.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_server.hpp"
#include "relay/relay_service.hpp"
#include "relay/relay_store.hpp"

#include <algorithm>
#include <ctime>
#include <memory>

namespace lw::relay {
namespace {

constexpr const char* kUsage =
    "用法: listwright-relay --config 文件 命令\n"
    "  serve [--port N]        提供服务（--port 0: 任一空闲端口，端口号印在第一行）\n"
    "  account add 名称        新建账户，印出 App Key、Access Token 和账户代码（只显示这一次）\n"
    "  account list            列出账户\n"
    "  account remove 名称     删除账户\n"
    "  refresh-categories      现在获取整个淘宝类目树（显示进度），完成后替换正在提供的类目树\n"
    "  status                  显示配置（不含密钥）、账户、缓存、类目树和最近的上游错误\n";

int usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

bool isLoopback(const std::string& host) {
    return host == "127.0.0.1" || host == "localhost" || host == "::1";
}

std::unique_ptr<RelayStore> openStore(const RelayConfig& config, std::ostream& err) {
    std::string error;
    std::unique_ptr<RelayStore> store = RelayStore::open(config.dataFolder, error);
    if (!store)
        err << "listwright-relay: " << error << "\n";
    return store;
}

int serve(const RelayConfig& config, int portOverride, std::ostream& out, std::ostream& err) {
    if (std::string problem = checkRelayConfigForServing(config); !problem.empty()) {
        err << "listwright-relay: " << problem << "\n";
        return 1;
    }
    std::string host;
    int port = 0;
    if (!splitListenAddress(config.listen, host, port)) {
        err << "listwright-relay: server.listen 的值 \"" << config.listen
            << "\" 不是 地址:端口（例如 127.0.0.1:8080）\n";
        return 1;
    }
    if (portOverride >= 0)
        port = portOverride;
    RelayLog log(logLevelFromText(config.logLevel), &err);
    if (!config.logFile.empty())
        if (std::string problem = log.openFile(config.logFile); !problem.empty()) {
            err << "listwright-relay: " << problem << "\n";
            return 1;
        }
    // Before any thread starts, so that every thread leaves the signals to this one.
    platform::holdTerminationRequests();
    std::string error;
    std::unique_ptr<RelayService> service = RelayService::create(config, log, error);
    if (!service) {
        err << "listwright-relay: " << error << "\n";
        return 1;
    }
    service->categories().startBackground();
    RelayServer server(*service, config, log);
    int bound = server.start(host, port, error);
    if (bound < 0) {
        err << "listwright-relay: " << error << "\n";
        return 1;
    }
    out << bound << std::endl;
    const bool tls = !config.tlsCertificate.empty();
    log.info(std::string("listwright-relay 开始服务: ") + (tls ? "https://" : "http://") + host +
             ":" + std::to_string(bound) + "，淘宝开放平台 " + config.taobaoRouter + "，数据 " +
             config.dataFolder);
    if (!tls && !isLoopback(host))
        log.warn("没有设置 https：Access Token 会以明文经过网络（请设置 tls_certificate 和 "
                 "tls_key，或放在 https 反向代理后面）");
    platform::waitForTermination();
    log.info("收到停止信号，正在停止");
    server.stop();
    service.reset();
    log.info("listwright-relay 已停止");
    return 0;
}

int account(const RelayConfig& config, const std::vector<std::string>& rest, std::ostream& out,
            std::ostream& err) {
    if (rest.empty())
        return usage(err);
    const std::string& verb = rest[0];
    if ((verb == "add" || verb == "remove") && rest.size() != 2)
        return usage(err);
    if (verb == "list" && rest.size() != 1)
        return usage(err);
    if (verb != "add" && verb != "remove" && verb != "list")
        return usage(err);
    std::unique_ptr<RelayStore> store = openStore(config, err);
    if (!store)
        return 1;
    Accounts accounts(*store);
    if (verb == "add") {
        AddAccountResult added = accounts.add(rest[1]);
        if (!added.account) {
            err << "listwright-relay: " << added.error << "\n";
            return 1;
        }
        out << "App Key: " << added.account->appKey << "\n"
            << "Access Token: " << added.account->accessToken << "\n"
            << "账户代码: " << added.account->accountCode << "\n";
        err << "已新建账户 " << rest[1]
            << "。把这三个值交给使用者，填进 Listwright 的 工具 → Relay 设置"
               "（Relay 只保存它们的散列值，以后无法再显示）。\n";
        return 0;
    }
    if (verb == "remove") {
        if (!accounts.remove(rest[1])) {
            err << "listwright-relay: 没有账户 " << rest[1] << "\n";
            return 1;
        }
        out << "已删除账户 " << rest[1] << "\n";
        return 0;
    }
    std::vector<AccountSummary> all = accounts.list();
    if (all.empty())
        out << "还没有账户（listwright-relay --config 文件 account add 名称）\n";
    for (const AccountSummary& a : all)
        out << a.name << "\t账户代码 " << a.code << "\t创建于 " << a.created << "\n";
    return 0;
}

std::string ageText(std::int64_t seconds) {
    if (seconds < 3600)
        return std::to_string(std::max<std::int64_t>(seconds, 0) / 60) + " 分钟";
    if (seconds < 2 * 86400)
        return std::to_string(seconds / 3600) + " 小时";
    return std::to_string(seconds / 86400) + " 天";
}

std::string progressText(const CrawlProgress& p) {
    return "类目 " + std::to_string(p.categories) + " 个，调用 " + std::to_string(p.calls) +
           " 次，待查上级类目 " + std::to_string(p.pending) + " 个";
}

int refreshCategories(const RelayConfig& config, std::ostream& out, std::ostream& err) {
    if (std::string problem = checkRelayConfigForServing(config); !problem.empty()) {
        err << "listwright-relay: " << problem << "\n";
        return 1;
    }
    RelayLog log(logLevelFromText(config.logLevel), &err);
    std::string error;
    std::unique_ptr<RelayService> service = RelayService::create(config, log, error);
    if (!service) {
        err << "listwright-relay: " << error << "\n";
        return 1;
    }
    CrawlProgress before = service->store().crawlProgress();
    if (before.underWay)
        out << "接着上次的获取（开始于 " << before.started << "）：" << progressText(before)
            << "\n";
    CrawlResult result = service->categories().crawl(
        {}, [&](const CrawlProgress& p) { out << "  " << progressText(p) << "\n"
                                              << std::flush; },
        3);
    if (result.outcome != CrawlOutcome::Complete) {
        err << "listwright-relay: 类目树没有取完：" << result.error
            << "（已取得的部分保留在数据库中，下次接着获取）\n";
        return 1;
    }
    out << "已保存 " << result.categories << " 个类目\n";
    return 0;
}

int status(const RelayConfig& config, std::ostream& out, std::ostream& err) {
    out << "配置文件: " << config.file << "\n";
    for (const auto& [key, value] : describeRelayConfig(config))
        out << "  " << key << " = " << value << "\n";
    if (std::string problem = checkRelayConfigForServing(config); !problem.empty())
        out << "  不能提供服务: " << problem << "\n";
    std::unique_ptr<RelayStore> store = openStore(config, err);
    if (!store)
        return 1;
    out << "数据库: " << store->path() << "\n";
    std::vector<AccountRecord> accounts = store->accounts();
    out << "账户: " << accounts.size() << " 个\n";
    for (const AccountRecord& a : accounts)
        out << "  " << a.name << "\t账户代码 " << a.code << "\t创建于 " << a.created << "\n";
    StoreSizes sizes = store->sizes();
    out << "缓存: " << sizes.categories << " 个类目的属性，" << sizes.spareValues
        << " 个备用属性值\n";
    if (std::optional<SnapshotInfo> snapshot = store->snapshotInfo())
        out << "类目树: " << snapshot->categories << " 个类目，"
            << ageText(std::time(nullptr) - snapshot->takenAt) << "前取得\n";
    else
        out << "类目树: 还没有\n";
    if (CrawlProgress p = store->crawlProgress(); p.underWay)
        out << "正在获取类目树（开始于 " << p.started << "）：" << progressText(p) << "\n";
    std::vector<UpstreamErrorRecord> errors = store->recentUpstreamErrors(10);
    if (errors.empty()) {
        out << "最近没有上游错误\n";
    } else {
        out << "最近的上游错误:\n";
        for (const UpstreamErrorRecord& e : errors)
            out << "  " << e.at << "  " << e.text << "\n";
    }
    return 0;
}

} // namespace

int runRelayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string configFile;
    std::vector<std::string> rest;
    int portOverride = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config" && i + 1 < args.size()) {
            configFile = args[++i];
        } else if (args[i] == "--port" && i + 1 < args.size()) {
            const std::string& digits = args[++i];
            if (digits.empty() || digits.size() > 5 ||
                digits.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(digits) > 65535)
                return usage(err);
            portOverride = std::stoi(digits);
        } else if (args[i] == "--help" || args[i] == "-h") {
            out << kUsage;
            return 0;
        } else if (args[i] == "--version") {
            out << "listwright-relay " << LISTWRIGHT_VERSION << "\n";
            return 0;
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.empty() || configFile.empty())
        return usage(err);
    if (portOverride >= 0 && rest[0] != "serve")
        return usage(err);
    RelayConfigResult loaded = loadRelayConfig(configFile);
    if (!loaded.error.empty()) {
        err << "listwright-relay: " << loaded.error << "\n";
        return 1;
    }
    const RelayConfig& config = loaded.config;
    const std::string command = rest[0];
    rest.erase(rest.begin());
    try {
        if (command == "serve" && rest.empty())
            return serve(config, portOverride, out, err);
        if (command == "account")
            return account(config, rest, out, err);
        if (command == "refresh-categories" && rest.empty())
            return refreshCategories(config, out, err);
        if (command == "status" && rest.empty())
            return status(config, out, err);
    } catch (const std::exception& e) {
        err << "listwright-relay: " << e.what() << "\n";
        return 1;
    }
    return usage(err);
}

} // namespace lw::relay
