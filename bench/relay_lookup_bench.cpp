// Property look-ups answered from listwright-relay's cache (gateway-sim behind it, asked
// only while warming up): latency at 1 and 20 concurrent clients, each on a kept
// connection as the program's look-up workers are, and the Relay's memory after 100,000
// look-ups. Goal: p99 under 5 ms.
#include "gateway_sim.hpp"
#include "net/http_client.hpp"
#include "relay/relay_config.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_server.hpp"
#include "relay/relay_service.hpp"
#include "util/encode.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace lw;
using Clock = std::chrono::steady_clock;

namespace {

// Resident and peak memory of this process in MiB (Linux); -1 elsewhere.
std::pair<double, double> memoryMiB() {
    std::ifstream status("/proc/self/status");
    double rss = -1;
    double peak = -1;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            rss = std::stod(line.substr(6)) / 1024.0;
        if (line.rfind("VmHWM:", 0) == 0)
            peak = std::stod(line.substr(6)) / 1024.0;
    }
    return {rss, peak};
}

std::vector<std::string> queries() {
    std::vector<std::string> q;
    for (const char* cid : {"50010850", "50000671"}) {
        for (const char* name : {"颜色", "尺码", "材质", "品牌", "风格"})
            q.push_back(std::string("tablename=TB_ItemProps&cid=") + cid +
                        "&name=" + encodeFormValue(name));
        for (const char* colour : {"红色", "白色", "黑色", "米白", "奶咖", "杏色"})
            q.push_back(std::string("tablename=TB_ItemPropValue&cid=") + cid +
                        "&pid=1627207&name=" + encodeFormValue(colour));
        for (const char* size : {"S", "M", "L", "XL", "ＸＸＬ", "均码"})
            q.push_back(std::string("tablename=TB_ItemPropValue&cid=") + cid +
                        "&pid=20509&name=" + encodeFormValue(size));
        q.push_back(std::string("tablename=TB_ItemPropValue&cid=") + cid +
                    "&pid=20000&name=" + encodeFormValue("素白"));
    }
    return q;
}

double percentile(std::vector<double>& sorted, double p) {
    std::size_t i = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
    return sorted[i];
}

// Every client sends perClient look-ups; returns the latencies in ms.
std::vector<double> run(const std::string& base, const std::vector<std::string>& q, int clients,
                        int perClient, std::atomic<int>& failures) {
    std::vector<std::vector<double>> each(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            HttpOptions options;
            options.readTimeoutMs = 5000;
            HttpClient client(options);
            std::vector<double>& mine = each[static_cast<std::size_t>(c)];
            mine.reserve(static_cast<std::size_t>(perClient));
            for (int i = 0; i < perClient; ++i) {
                const std::string& query = q[static_cast<std::size_t>(i + c) % q.size()];
                auto start = Clock::now();
                HttpResult r = client.get(base + "/xml/getxml.asp?" + query);
                mine.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                if (r.status != 200)
                    ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    std::vector<double> all;
    for (auto& v : each)
        all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("listwright-relay-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);

    gatewaysim::Server gateway;
    gateway.start(LISTWRIGHT_SOURCE_DIR "/data/demo-gateway");
    relay::RelayConfig config;
    config.file = (folder / "relay.conf").string();
    config.dataFolder = (folder / "data").string();
    config.taobaoRouter = gateway.routerUrl();
    config.taobaoAppKey = "test-app-key";
    config.taobaoAppSecret = "test-app-secret";
    config.lookupBurst = 1000000;
    config.lookupPerSecond = 1000000;
    std::ostringstream quiet;
    relay::RelayLog log(relay::LogLevel::Warn, &quiet);
    std::string error;
    auto service = relay::RelayService::create(config, log, error);
    if (!service) {
        std::cerr << error << "\n";
        return 1;
    }
    relay::RelayServer server(*service, config, log);
    int port = server.start("127.0.0.1", 0, error);
    if (port < 0) {
        std::cerr << error << "\n";
        return 1;
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const std::vector<std::string> q = queries();
    std::atomic<int> failures{0};
    run(base, q, 1, static_cast<int>(q.size()) * 2, failures); // warm: every category asked once
    const int upstreamCalls = static_cast<int>(gateway.calls().size());
    const auto before = memoryMiB();

    std::printf("look-ups from the Relay's cache (%zu different queries)\n", q.size());
    int done = 0;
    for (int clients : {1, 20}) {
        const int perClient = 100000 / clients / 2;
        std::vector<double> ms = run(base, q, clients, perClient, failures);
        done += clients * perClient;
        double seconds = 0;
        for (double v : ms)
            seconds += v / 1000.0;
        std::printf("  %2d client%s: %zu look-ups, p50 %.3f ms, p99 %.3f ms, max %.3f ms, "
                    "%.0f look-ups/s (goal p99 < 5 ms)\n",
                    clients, clients == 1 ? " " : "s", ms.size(), percentile(ms, 0.5),
                    percentile(ms, 0.99), ms.back(),
                    static_cast<double>(ms.size()) / (seconds / clients));
    }
    const auto after = memoryMiB();
    std::printf("memory of the process (Relay, gateway-sim and the clients): %.1f MiB before, "
                "%.1f MiB after %d look-ups (peak %.1f MiB)\n",
                before.first, after.first, done, after.second);
    std::printf("Taobao calls: %d while warming up, %d during the look-ups; failed look-ups: %d\n",
                upstreamCalls, static_cast<int>(gateway.calls().size()) - upstreamCalls,
                failures.load());
    server.stop();
    service.reset();
    gateway.stop();
    std::filesystem::remove_all(folder);
    return failures.load() == 0 ? 0 : 1;
}
