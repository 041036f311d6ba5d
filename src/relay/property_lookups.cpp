#include "relay/property_lookups.hpp"

#include "relay/property_matching.hpp"
#include "relay/xml_reader.hpp"

#include <ctime>

namespace lw::relay {
namespace {

std::string fetchKey(const std::string& cid, const std::string& pid) {
    return pid.empty() ? cid : cid + ":" + pid;
}

std::int64_t nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

LookupReply unanswered() {
    return {503, std::string(kXmlDeclaration) +
                     "<result><error>淘宝暂时没有应答，请稍后再试</error></result>"};
}

} // namespace

struct PropertyLookups::Fetch {
    std::string cid;
    std::string pid; // empty: the category's properties; else the values of that property
    bool done = false;
    bool ok = false;
};

std::string propertyAnswer(const std::string& pid) {
    return std::string(kXmlDeclaration) + "<result><pid>" + pid + "</pid></result>";
}

std::string valueAnswer(const std::string& pid, const std::string& vid) {
    return std::string(kXmlDeclaration) + "<result><pid>" + pid + "</pid><vid>" + vid +
           "</vid></result>";
}

std::string notFoundAnswer() {
    return std::string(kXmlDeclaration) + "<result></result>";
}

PropertyLookups::PropertyLookups(TopClient& top, RelayStore& store, RelayLog& log,
                                 PropertyLookupSettings settings)
    : top_(top), store_(store), log_(log), settings_(settings) {
    for (int i = 0; i < std::max(1, settings_.fetchThreads); ++i)
        workers_.emplace_back([this](std::stop_token stop) { runFetches(stop); });
}

PropertyLookups::~PropertyLookups() {
    for (std::jthread& worker : workers_)
        worker.request_stop();
    fetchQueued_.notify_all();
    workers_.clear();
}

std::size_t PropertyLookups::cachedCategories() const {
    std::shared_lock lock(cacheMutex_);
    return cache_.size();
}

PropertyLookups::Snapshot PropertyLookups::cached(const std::string& cid, bool& stale) {
    Snapshot found;
    {
        std::shared_lock lock(cacheMutex_);
        if (auto it = cache_.find(cid); it != cache_.end())
            found = it->second;
    }
    if (!found) {
        if (std::optional<StoredProperties> stored = store_.categoryProperties(cid)) {
            if (std::optional<CategoryProperties> read = propertiesFromJson(stored->json)) {
                read->fetchedAt = stored->fetchedAt;
                found = std::make_shared<const CategoryProperties>(std::move(*read));
                std::unique_lock lock(cacheMutex_);
                cache_.emplace(cid, found);
            }
        }
    }
    stale = found && nowSeconds() - found->fetchedAt > settings_.propertiesDays * 86400LL;
    return found;
}

void PropertyLookups::keep(const CategoryProperties& properties) {
    auto snapshot = std::make_shared<const CategoryProperties>(properties);
    store_.saveCategoryProperties(properties.cid,
                                  {propertiesToJson(properties), properties.fetchedAt});
    std::unique_lock lock(cacheMutex_);
    cache_[properties.cid] = std::move(snapshot);
}

std::shared_ptr<PropertyLookups::Fetch> PropertyLookups::startFetch(const std::string& cid,
                                                                    const std::string& pid) {
    const std::string key = fetchKey(cid, pid);
    std::lock_guard lock(fetchMutex_);
    if (auto running = fetches_.find(key); running != fetches_.end())
        return running->second;
    if (auto failed = failedAt_.find(key);
        failed != failedAt_.end() &&
        Clock::now() - failed->second < std::chrono::milliseconds(settings_.retryAfterFailureMs))
        return nullptr;
    auto fetch = std::make_shared<Fetch>();
    fetch->cid = cid;
    fetch->pid = pid;
    fetches_[key] = fetch;
    queue_.push_back(fetch);
    fetchQueued_.notify_one();
    return fetch;
}

void PropertyLookups::runFetches(std::stop_token stop) {
    for (;;) {
        std::shared_ptr<Fetch> fetch;
        {
            std::unique_lock lock(fetchMutex_);
            if (!fetchQueued_.wait(lock, stop, [&] { return !queue_.empty(); }))
                return;
            fetch = queue_.front();
            queue_.pop_front();
        }
        bool ok = false;
        try {
            ok = fetch->pid.empty() ? fetchProperties(fetch->cid, stop)
                                    : fetchValues(fetch->cid, fetch->pid, stop);
        } catch (const std::exception& e) {
            log_.error("保存类目 " + fetch->cid + " 的属性失败：" + e.what());
        }
        std::lock_guard lock(fetchMutex_);
        const std::string key = fetchKey(fetch->cid, fetch->pid);
        fetch->done = true;
        fetch->ok = ok;
        fetches_.erase(key);
        if (ok)
            failedAt_.erase(key);
        else
            failedAt_[key] = Clock::now();
        fetchDone_.notify_all();
    }
}

bool PropertyLookups::fetchProperties(const std::string& cid, std::stop_token stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(settings_.budgetMs);
    TopResult result = top_.call("taobao.itemprops.get",
                                 {{"cid", cid}, {"fields", kItemPropsFields}}, deadline, stop);
    CategoryProperties properties;
    if (result.ok()) {
        properties = propertiesFromAnswer(cid, *result.answer);
    } else if (result.error.failure == TopFailure::Refused &&
               result.error.subCode.rfind("isv.", 0) == 0) {
        // Taobao knows no properties of that category (not a leaf, or gone): kept as none.
        properties.cid = cid;
    } else {
        if (result.error.failure != TopFailure::Cancelled)
            log_.warn("类目 " + cid + " 的属性没有取到：" + result.error.describe());
        return false;
    }
    properties.fetchedAt = nowSeconds();
    // Values fetched apart before a refresh stay until asked again.
    bool stale = false;
    if (Snapshot old = cached(cid, stale)) {
        for (CategoryProperty& p : properties.properties)
            if (!p.valuesKnown())
                if (const CategoryProperty* before = old->property(p.pid);
                    before && before->valuesFetched) {
                    p.values = before->values;
                    p.valuesFetched = true;
                }
    }
    keep(properties);
    log_.info("类目 " + cid + " 的属性已取到：" + std::to_string(properties.properties.size()) +
              " 个属性");
    return true;
}

bool PropertyLookups::fetchValues(const std::string& cid, const std::string& pid,
                                  std::stop_token stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(settings_.budgetMs);
    TopResult result =
        top_.call("taobao.itempropvalues.get",
                  {{"cid", cid}, {"pvs", pid}, {"fields", kItemPropValuesFields}}, deadline, stop);
    if (!result.ok()) {
        if (result.error.failure != TopFailure::Cancelled)
            log_.warn("类目 " + cid + " 属性 " + pid + " 的属性值没有取到：" +
                      result.error.describe());
        return false;
    }
    bool stale = false;
    Snapshot current = cached(cid, stale);
    if (!current)
        return false;
    CategoryProperties updated = *current;
    if (CategoryProperty* property = updated.property(pid)) {
        property->values = valuesFromAnswer(pid, *result.answer);
        property->valuesFetched = true;
    }
    keep(updated);
    return true;
}

PropertyLookups::Snapshot PropertyLookups::properties(const std::string& cid,
                                                      const std::string& pid,
                                                      Clock::time_point until) {
    for (;;) {
        bool stale = false;
        Snapshot found = cached(cid, stale);
        if (found && stale)
            startFetch(cid, {}); // served as it is meanwhile
        std::string wantedPid;
        if (found) {
            const CategoryProperty* property = pid.empty() ? nullptr : found->property(pid);
            if (!property || property->valuesKnown())
                return found;
            wantedPid = pid;
        }
        std::shared_ptr<Fetch> fetch = startFetch(cid, wantedPid);
        if (!fetch)
            return nullptr;
        std::unique_lock lock(fetchMutex_);
        if (!fetchDone_.wait_until(lock, until, [&] { return fetch->done; }))
            return nullptr;
        if (!fetch->ok)
            return nullptr;
    }
}

std::string PropertyLookups::spareValue(const CategoryProperties& category,
                                        const CategoryProperty& property, const std::string& name) {
    const std::string key = normaliseValueName(name);
    if (key.empty())
        return {};
    const std::string spareKey = category.cid + ":" + property.pid;
    std::lock_guard lock(spareMutex_);
    auto loaded = spares_.find(spareKey);
    if (loaded == spares_.end())
        loaded = spares_.emplace(spareKey, store_.spareValues(category.cid, property.pid)).first;
    std::map<std::string, std::string>& given = loaded->second;
    if (auto known = given.find(key); known != given.end())
        return known->second;
    std::set<std::string> taken;
    for (const auto& [n, vid] : given)
        taken.insert(vid);
    std::optional<std::string> vid = pickSpareValue(property, taken);
    if (!vid) {
        log_.warn("类目 " + category.cid + " 属性 " + property.pid + " 的备用属性值已用完，\"" +
                  name + "\" 没有对应的值");
        return {};
    }
    store_.saveSpareValue(category.cid, property.pid, key, *vid);
    given[key] = *vid;
    log_.debug("类目 " + category.cid + " 属性 " + property.pid + " 的 \"" + name + "\" 用备用值 " +
               *vid);
    return *vid;
}

LookupReply PropertyLookups::propertyId(const std::string& cid, const std::string& name) {
    const auto until = Clock::now() + std::chrono::milliseconds(settings_.waitMs);
    Snapshot category = properties(cid, {}, until);
    if (!category)
        return unanswered();
    const CategoryProperty* property = matchProperty(*category, name);
    return {200, property ? propertyAnswer(property->pid) : notFoundAnswer()};
}

LookupReply PropertyLookups::valueId(const std::string& cid, const std::string& pid,
                                     const std::string& name) {
    const auto until = Clock::now() + std::chrono::milliseconds(settings_.waitMs);
    Snapshot category = properties(cid, pid, until);
    if (!category)
        return unanswered();
    const CategoryProperty* property = category->property(pid);
    if (!property)
        return {200, notFoundAnswer()};
    if (const PropertyValue* value = matchValue(*property, name))
        return {200, valueAnswer(property->pid, value->vid)};
    if (takesSpareValues(*property)) {
        std::string spare = spareValue(*category, *property, name);
        if (!spare.empty())
            return {200, valueAnswer(property->pid, spare)};
    }
    return {200, notFoundAnswer()};
}

} // namespace lw::relay
