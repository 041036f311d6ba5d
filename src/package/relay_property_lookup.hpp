#pragma once

#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "package/property_mapping.hpp"

#include <string>
#include <vector>

namespace lw {

class DiagnosticLog;

// The mapping's look-ups, sent to the Relay's look-up endpoint one at a time (each
// blocks for up to the read time-out). A failed look-up answers "not found".
class RelayPropertyLookup : public PropertyLookup {
public:
    RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log,
                        HttpOptions options = lookupHttpOptions());

    std::string propertyId(const std::string& cid, const std::string& name) override;
    // The value answer carries the property's "<pid>" beside the "<vid>"; both count.
    ValueIds valueIds(const std::string& cid, const std::string& pid,
                      const std::string& name) override;

    // The look-ups that got no answer (network, missing configuration), as
    // "cid:name" texts; "not found" answers are not among them.
    const std::vector<std::string>& failures() const { return failures_; }

private:
    const RelayContext& app_;
    DiagnosticLog& log_;
    HttpOptions options_;
    std::vector<std::string> failures_;
};

} // namespace lw
