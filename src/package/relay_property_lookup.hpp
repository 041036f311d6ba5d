#pragma once

#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "package/property_mapping.hpp"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lw {

class DiagnosticLog;
class EventLoop;
class LookupMemory;

// How look-ups asked ahead run: on workers, at most concurrency at once, while the UI
// thread goes on running events through loop; cancelled() ends the wait (the look-ups
// still out then count as failed). Found ids are kept in memory and taken from it.
struct LookupWorkers {
    EventLoop& loop;
    std::function<bool()> cancelled;
    LookupMemory& memory;
    int concurrency = 8;
};

// The mapping's look-ups at the Relay's look-up endpoint. A failed look-up answers
// "not found". Without workers each look-up is sent when the mapping asks it, one at a
// time, blocking for up to the time-outs; with workers the mapping's prefetches send
// them together and the mapping's calls only take the answers (in the mapping's order,
// logged as they are taken), so the row is the same either way.
class RelayPropertyLookup : public PropertyLookup {
public:
    RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log,
                        HttpOptions options = lookupHttpOptions());
    RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log, HttpOptions options,
                        LookupWorkers workers);

    std::string propertyId(const std::string& cid, const std::string& name) override;
    // The value answer carries the property's "<pid>" beside the "<vid>"; both count.
    ValueIds valueIds(const std::string& cid, const std::string& pid,
                      const std::string& name) override;
    void prefetch(const std::vector<LookupKey>& keys) override;
    std::string prefetchedPropertyId(const std::string& cid, const std::string& name) override;

    // The look-ups that failed (network, an Error Response, an empty or foreign answer,
    // missing configuration), as "name:why" texts; "not found" answers are not among
    // them.
    const std::vector<std::string>& failures() const { return failures_; }
    // Look-ups sent to the Relay so far.
    int sent() const { return sent_; }

private:
    // The answer text of key: asked ahead, or asked now.
    std::string answerOf(const LookupKey& key);

    const RelayContext& app_;
    DiagnosticLog& log_;
    HttpOptions options_;
    std::optional<LookupWorkers> workers_;
    // Answers asked ahead (network failures among them), by look-up.
    std::map<LookupKey, std::string> answers_;
    std::vector<std::string> failures_;
    int sent_ = 0;
};

// Why a look-up answer is no look-up result: "网络错误", "错误应答", "空应答" or
// "应答不是查询结果"; empty for the look-up XML, found or not found (no tag).
std::string lookupAnswerFailure(const std::string& answer);

// The query of one look-up.
std::string lookupQuery(const LookupKey& key);

} // namespace lw
