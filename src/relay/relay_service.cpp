#include "relay/relay_service.hpp"

#include "relay/form_fields.hpp"
#include "util/codec.hpp"

namespace lw::relay {
namespace {

// The names the program sends are feature names and values of an offer.
constexpr std::size_t kMaxLookupName = 300;
constexpr std::size_t kMaxLookupQuery = 2048;

LookupReply refused(int status, const std::string& text) {
    return {status, text + "\n"};
}

TopClientSettings topSettings(const RelayConfig& config) {
    TopClientSettings s;
    s.router = config.taobaoRouter;
    s.appKey = config.taobaoAppKey;
    s.appSecret = config.taobaoAppSecret;
    s.signMethod = config.signMethod;
    return s;
}

CategoryTreeSettings categoryTreeSettings(const RelayConfig& config) {
    CategoryTreeSettings s;
    s.refreshDays = config.categoriesDays;
    s.concurrency = config.crawlConcurrency;
    s.budgetMs = config.upstreamBudgetMs;
    return s;
}

PropertyLookupSettings lookupSettings(const RelayConfig& config) {
    PropertyLookupSettings s;
    s.propertiesDays = config.propertiesDays;
    s.waitMs = config.lookupWaitMs;
    s.budgetMs = config.upstreamBudgetMs;
    return s;
}

} // namespace

std::unique_ptr<RelayService> RelayService::create(const RelayConfig& config, RelayLog& log,
                                                   std::string& error) {
    std::unique_ptr<RelayStore> store = RelayStore::open(config.dataFolder, error);
    if (!store)
        return nullptr;
    return std::unique_ptr<RelayService>(new RelayService(config, log, std::move(store)));
}

RelayService::RelayService(const RelayConfig& config, RelayLog& log,
                           std::unique_ptr<RelayStore> store)
    : log_(log), store_(std::move(store)), accounts_(*store_), top_(topSettings(config), log),
      lookupLimiter_(config.lookupBurst, config.lookupPerSecond),
      categories_(top_, *store_, log, categoryTreeSettings(config)),
      api_(accounts_, categories_, log, config.maxBodyBytes),
      lookups_(std::make_unique<PropertyLookups>(top_, *store_, log, lookupSettings(config))) {
    RelayStore* kept = store_.get();
    log_.setUpstreamErrorSink([kept](const std::string& text) {
        try {
            kept->addUpstreamError(text);
        } catch (const std::exception&) {
            // The log line is written already; status just misses this one.
        }
    });
}

RelayService::~RelayService() {
    categories_.stopBackground();
    lookups_.reset();
    log_.setUpstreamErrorSink({});
}

std::string RelayService::answerApi(const std::string& body, const std::string& clientAddress) {
    try {
        return api_.answer(body, clientAddress);
    } catch (const std::exception& e) {
        log_.error("请求处理失败（" + clientAddress + "）：" + e.what());
        return errorResponse("Relay 内部错误", "isp.relay-error",
                             "Relay 暂时无法处理请求，请稍后再试");
    }
}

LookupReply RelayService::answerLookup(const std::string& query, const std::string& clientAddress) {
    if (!lookupLimiter_.allow(clientAddress)) {
        log_.warn("拒绝 " + clientAddress + "：属性查询太多（超过每个地址的限额）");
        return refused(429, "请求太多，请稍后再试");
    }
    if (query.size() > kMaxLookupQuery)
        return refused(400, "查询太长");
    FormFields form = readFormFields(query, {8, 32, kMaxLookupName});
    if (!form.fields) {
        log_.warn("拒绝 " + clientAddress + "：属性查询无效（" + form.error + "）");
        return refused(400, "查询无效");
    }
    auto field = [&](const char* name) {
        auto it = form.fields->find(name);
        return it == form.fields->end() ? std::string() : it->second;
    };
    const std::string table = field("tablename");
    const std::string cid = field("cid");
    const std::string pid = field("pid");
    const std::string name = field("name");
    if (table != "TB_ItemProps" && table != "TB_ItemPropValue")
        return refused(400, "tablename 无效");
    if (!isValidUtf8(name))
        return refused(400, "名称不是 UTF-8 文字");
    // The program sends cid 0 when it found no category: nothing to ask Taobao.
    const bool valueLookup = table == "TB_ItemPropValue";
    if (!isDigitsId(cid) || cid.find_first_not_of('0') == std::string::npos || name.empty() ||
        (valueLookup && !isDigitsId(pid)))
        return {200, notFoundAnswer()};
    try {
        return valueLookup ? lookups_->valueId(cid, pid, name) : lookups_->propertyId(cid, name);
    } catch (const std::exception& e) {
        log_.error("属性查询失败（" + clientAddress + "）：" + e.what());
        return refused(503, "Relay 暂时无法处理请求");
    }
}

} // namespace lw::relay
