#include "package/relay_property_lookup.hpp"

#include "app/main_state.hpp"
#include "store/text_routines.hpp"

namespace lw {

RelayPropertyLookup::RelayPropertyLookup(const TTBAPP& app, DiagnosticLog& log, HttpOptions options)
    : app_(app), log_(log), options_(std::move(options)) {}

std::string RelayPropertyLookup::propertyId(const std::string& cid, const std::string& name) {
    return LookupPropertyId(app_, cid, name, log_, options_);
}

ValueIds RelayPropertyLookup::valueIds(const std::string& cid, const std::string& pid,
                                       const std::string& name) {
    log_.append(app_.lookupEndpoint + "?tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid +
                "&name=" + name);
    if (!app_.missing.empty()) {
        log_.append(app_.missing);
        return {};
    }
    const std::string answer =
        SyncGet(app_.lookupEndpoint, PropertyValueLookupQuery(cid, pid, name), options_);
    return {GetBetween(answer, "<pid>", "</pid>"), GetBetween(answer, "<vid>", "</vid>")};
}

} // namespace lw
