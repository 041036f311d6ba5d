#include "package/relay_property_lookup.hpp"

#include "package/lookup_memory.hpp"
#include "store/text_routines.hpp"
#include "ui/main_state.hpp"
#include "ui/worker_wait.hpp"

#include <algorithm>
#include <atomic>
#include <thread>

namespace lw {
namespace {

// The answer text a remembered id stands for.
std::string rememberedAnswer(const LookupKey& key, const ValueIds& ids) {
    if (key.pid.empty())
        return "<result><pid>" + ids.pid + "</pid></result>";
    return "<result><pid>" + ids.pid + "</pid><vid>" + ids.vid + "</vid></result>";
}

// The answers of queries, asked over up to concurrency connections at once, each
// answer at its query's position.
std::vector<std::string> askAll(const std::string& endpoint,
                                const std::vector<std::string>& queries, const HttpOptions& options,
                                int concurrency, std::stop_token stop) {
    std::vector<std::string> answers(queries.size());
    std::atomic<std::size_t> next{0};
    int threads = std::clamp<int>(static_cast<int>(queries.size()), 1, std::max(concurrency, 1));
    {
        std::vector<std::jthread> pool;
        for (int t = 0; t < threads; ++t) {
            pool.emplace_back([&] {
                // One connection per worker, kept for its look-ups.
                HttpClient client(options);
                for (std::size_t i = next++; i < queries.size(); i = next++)
                    answers[i] = getBlocking(client, endpoint, queries[i], stop);
            });
        }
    }
    return answers;
}

} // namespace

std::string lookupAnswerFailure(const std::string& answer) {
    if (isNetworkFailure(answer))
        return "网络错误";
    if (isErrorResponse(answer))
        return "错误应答";
    if (trim(answer).empty())
        return "空应答";
    const bool result = answer.find("<result>") != std::string::npos ||
                        answer.find("<result/>") != std::string::npos ||
                        answer.find("<result ") != std::string::npos;
    return result ? std::string() : "应答不是查询结果";
}

std::string lookupQuery(const LookupKey& key) {
    return key.pid.empty() ? propertyLookupQuery(key.cid, key.name)
                           : propertyValueLookupQuery(key.cid, key.pid, key.name);
}

RelayPropertyLookup::RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log,
                                         HttpOptions options)
    : app_(app), log_(log), options_(std::move(options)) {}

RelayPropertyLookup::RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log,
                                         HttpOptions options, LookupWorkers workers)
    : app_(app), log_(log), options_(std::move(options)), workers_(std::move(workers)) {}

void RelayPropertyLookup::prefetch(const std::vector<LookupKey>& keys) {
    if (!workers_ || !app_.missing.empty())
        return;
    std::vector<LookupKey> asked;
    std::vector<std::string> queries;
    for (const LookupKey& key : keys) {
        if (answers_.count(key) || std::find(asked.begin(), asked.end(), key) != asked.end())
            continue;
        if (std::optional<ValueIds> known = workers_->memory.find(key)) {
            answers_[key] = rememberedAnswer(key, *known);
            continue;
        }
        asked.push_back(key);
        queries.push_back(lookupQuery(key));
    }
    if (asked.empty())
        return;
    sent_ += static_cast<int>(asked.size());
    std::optional<std::vector<std::string>> answers = waitForWorker<std::vector<std::string>>(
        workers_->loop,
        [endpoint = app_.lookupEndpoint, queries, options = options_,
         concurrency = workers_->concurrency](std::stop_token stop) {
            return askAll(endpoint, queries, options, concurrency, stop);
        },
        workers_->cancelled);
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const LookupKey& key = asked[i];
        std::string answer =
            answers ? (*answers)[i]
                    : "网络错误:Request cancelled\r\n" + app_.lookupEndpoint + "?" + queries[i];
        if (lookupAnswerFailure(answer).empty()) {
            ValueIds found{textBetween(answer, "<pid>", "</pid>"),
                           textBetween(answer, "<vid>", "</vid>")};
            bool wasFound = key.pid.empty() ? !found.pid.empty() : !found.vid.empty();
            if (wasFound)
                workers_->memory.remember(key, found);
        }
        answers_[key] = std::move(answer);
    }
    workers_->memory.flush();
}

std::string RelayPropertyLookup::prefetchedPropertyId(const std::string& cid,
                                                      const std::string& name) {
    const LookupKey key{cid, "", name};
    if (auto known = answers_.find(key); known != answers_.end())
        return lookupAnswerFailure(known->second).empty()
                   ? textBetween(known->second, "<pid>", "</pid>")
                   : std::string();
    if (workers_ && app_.missing.empty())
        if (std::optional<ValueIds> remembered = workers_->memory.find(key))
            return remembered->pid;
    return {};
}

std::string RelayPropertyLookup::answerOf(const LookupKey& key) {
    if (workers_) {
        // Only a look-up the mapping did not announce is asked here, still on a worker.
        if (!answers_.count(key))
            prefetch({key});
        if (auto known = answers_.find(key); known != answers_.end())
            return known->second;
    }
    ++sent_;
    return getBlocking(app_.lookupEndpoint, lookupQuery(key), options_);
}

std::string RelayPropertyLookup::propertyId(const std::string& cid, const std::string& name) {
    log_.append(app_.lookupEndpoint + "?tablename=TB_ItemProps&cid=" + cid + "&name=" + name);
    if (!app_.missing.empty()) {
        log_.append(app_.missing);
        failures_.push_back(name + ":未设置Relay");
        return {};
    }
    const std::string answer = answerOf(LookupKey{cid, "", name});
    if (std::string why = lookupAnswerFailure(answer); !why.empty()) {
        failures_.push_back(name + ":" + why);
        return {};
    }
    return textBetween(answer, "<pid>", "</pid>");
}

ValueIds RelayPropertyLookup::valueIds(const std::string& cid, const std::string& pid,
                                       const std::string& name) {
    log_.append(app_.lookupEndpoint + "?tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid +
                "&name=" + name);
    if (!app_.missing.empty()) {
        log_.append(app_.missing);
        failures_.push_back(name + ":未设置Relay");
        return {};
    }
    const std::string answer = answerOf(LookupKey{cid, pid, name});
    if (std::string why = lookupAnswerFailure(answer); !why.empty()) {
        failures_.push_back(name + ":" + why);
        return {};
    }
    return {textBetween(answer, "<pid>", "</pid>"), textBetween(answer, "<vid>", "</vid>")};
}

} // namespace lw
