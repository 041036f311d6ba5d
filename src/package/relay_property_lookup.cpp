#include "package/relay_property_lookup.hpp"

#include "store/text_routines.hpp"
#include "ui/main_state.hpp"

namespace lw {

RelayPropertyLookup::RelayPropertyLookup(const RelayContext& app, DiagnosticLog& log,
                                         HttpOptions options)
    : app_(app), log_(log), options_(std::move(options)) {}

std::string RelayPropertyLookup::propertyId(const std::string& cid, const std::string& name) {
    bool failed = false;
    std::string pid = lookupPropertyId(app_, cid, name, log_, options_, &failed);
    if (failed)
        failures_.push_back(name);
    return pid;
}

ValueIds RelayPropertyLookup::valueIds(const std::string& cid, const std::string& pid,
                                       const std::string& name) {
    log_.append(app_.lookupEndpoint + "?tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid +
                "&name=" + name);
    if (!app_.missing.empty()) {
        log_.append(app_.missing);
        failures_.push_back(name);
        return {};
    }
    const std::string answer =
        getBlocking(app_.lookupEndpoint, propertyValueLookupQuery(cid, pid, name), options_);
    if (isNetworkFailure(answer))
        failures_.push_back(name);
    return {textBetween(answer, "<pid>", "</pid>"), textBetween(answer, "<vid>", "</vid>")};
}

} // namespace lw
