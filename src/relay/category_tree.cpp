#include "relay/category_tree.hpp"

#include "relay/api_requests.hpp"
#include "relay/xml_reader.hpp"

#include <algorithm>
#include <ctime>

namespace lw::relay {
namespace {

// The program waits 3.5 s for a Taobao Method Request.
constexpr int kLiveCallBudgetMs = 3000;
// A failed crawl is tried again after this; a throttled call after a growing wait.
constexpr auto kRetryFailedCrawl = std::chrono::minutes(10);
constexpr auto kLongestBackoff = std::chrono::minutes(5);

std::string wrapped(const std::string& items) {
    return std::string(kXmlDeclaration) + "<itemcats_get_response><item_cats list=\"true\">" +
           items + "</item_cats></itemcats_get_response>";
}

std::string upstreamFailure(const TopError& error) {
    if (error.failure == TopFailure::Misconfigured)
        return errorResponse("Relay 设置有误", "isp.relay-misconfigured",
                             "Relay 连接淘宝开放平台的设置有误，请告诉 Relay 的管理员");
    if (error.failure == TopFailure::Throttled)
        return errorResponse("淘宝调用受限", "isp.call-limited",
                             "淘宝开放平台暂时限制了调用次数，请稍后再试");
    return errorResponse("淘宝暂时没有应答", "isp.upstream-unavailable",
                         "Relay 暂时连不上淘宝开放平台，请稍后再试");
}

} // namespace

std::string categoriesXml(const std::vector<CategoryRecord>& categories) {
    std::string out;
    out.reserve(categories.size() * 200);
    for (const CategoryRecord& c : categories) {
        std::string name = c.name;
        for (char& ch : name)
            if (ch == '<' || ch == '>')
                ch = ' ';
        out += "<item_cat><cid>" + c.cid + "</cid><parent_cid>" + c.parentCid +
               "</parent_cid><name>" + name + "</name><is_parent>" +
               (c.isParent ? "true" : "false") + "</is_parent><layer_level>" +
               std::to_string(c.layer) + "</layer_level><status>" +
               escapeXml(c.status.empty() ? "normal" : c.status) + "</status><sort_order>" +
               escapeXml(c.sortOrder.empty() ? "0" : c.sortOrder) + "</sort_order></item_cat>";
    }
    return out;
}

std::vector<CategoryRecord> categoriesFromAnswer(const XmlElement& answer, int layer) {
    std::vector<CategoryRecord> found;
    const XmlElement* list = answer.child("item_cats");
    if (!list)
        return found;
    for (const XmlElement* cat : list->childrenNamed("item_cat")) {
        CategoryRecord c;
        c.cid = cat->childText("cid");
        if (c.cid.empty() || c.cid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        c.parentCid = cat->childText("parent_cid");
        c.name = cat->childText("name");
        c.isParent = cat->childText("is_parent") == "true";
        c.status = cat->childText("status");
        c.sortOrder = cat->childText("sort_order");
        c.layer = layer;
        found.push_back(std::move(c));
    }
    return found;
}

CategoryTree::CategoryTree(TopClient& top, RelayStore& store, RelayLog& log,
                           CategoryTreeSettings settings)
    : top_(top), store_(store), log_(log), settings_(settings) {}

CategoryTree::~CategoryTree() {
    stopBackground();
}

bool CategoryTree::crawlParent(const PendingParent& parent, std::stop_token stop,
                               std::string& error, bool& misconfigured) {
    TopResult result =
        top_.call("taobao.itemcats.get", {{"parent_cid", parent.cid}, {"fields", kItemcatsFields}},
                  Clock::now() + std::chrono::milliseconds(settings_.budgetMs), stop);
    if (result.ok()) {
        store_.storeChildren(parent, categoriesFromAnswer(*result.answer, parent.childLayer));
        return true;
    }
    if (result.error.failure == TopFailure::Refused && result.error.subCode.rfind("isv.", 0) == 0) {
        // Taobao has no children for it (gone meanwhile): nothing to keep.
        store_.storeChildren(parent, {});
        return true;
    }
    misconfigured = result.error.failure == TopFailure::Misconfigured;
    error = result.error.describe();
    return false;
}

CrawlResult CategoryTree::crawl(std::stop_token stop,
                                const std::function<void(const CrawlProgress&)>& progress,
                                int maxFailedRounds) {
    store_.beginCrawl();
    CrawlResult result;
    int failedRounds = 0;
    auto backoff = std::chrono::milliseconds(1000);
    while (!stop.stop_requested()) {
        std::vector<PendingParent> round =
            store_.pendingParents(std::max(1, settings_.concurrency));
        if (round.empty()) {
            result.categories = store_.finishCrawl();
            result.outcome = CrawlOutcome::Complete;
            {
                std::lock_guard lock(renderedMutex_);
                rendered_.reset();
                renderedTakenAt_ = -1;
            }
            log_.info("类目树已更新：" + std::to_string(result.categories) + " 个类目");
            return result;
        }
        std::vector<std::string> errors(round.size());
        std::vector<char> done(round.size(), 0);
        std::vector<char> misconfigured(round.size(), 0);
        {
            std::vector<std::jthread> calls;
            for (std::size_t i = 0; i < round.size(); ++i)
                calls.emplace_back([&, i] {
                    bool wrongSetting = false;
                    done[i] = crawlParent(round[i], stop, errors[i], wrongSetting) ? 1 : 0;
                    misconfigured[i] = wrongSetting ? 1 : 0;
                });
        }
        if (progress)
            progress(store_.crawlProgress());
        if (std::find(misconfigured.begin(), misconfigured.end(), 1) != misconfigured.end()) {
            result.outcome = CrawlOutcome::Failed;
            result.error = errors[static_cast<std::size_t>(
                std::find(misconfigured.begin(), misconfigured.end(), 1) - misconfigured.begin())];
            log_.error("类目树的获取停止了：" + result.error);
            return result;
        }
        if (std::find(done.begin(), done.end(), 0) != done.end()) {
            if (stop.stop_requested())
                break;
            if (maxFailedRounds > 0 && ++failedRounds >= maxFailedRounds) {
                result.error = errors[static_cast<std::size_t>(
                    std::find(done.begin(), done.end(), 0) - done.begin())];
                break;
            }
            // Throttled, quota spent or Taobao down: wait longer each time, then go on.
            if (!sleepUntil(Clock::now() + backoff, stop))
                break;
            backoff =
                std::min(std::chrono::duration_cast<std::chrono::milliseconds>(kLongestBackoff),
                         backoff * 2);
        } else {
            backoff = std::chrono::milliseconds(1000);
            failedRounds = 0;
        }
    }
    result.outcome = CrawlOutcome::Stopped;
    return result;
}

void CategoryTree::startBackground() {
    background_ = std::jthread([this](std::stop_token stop) { runBackground(stop); });
}

void CategoryTree::stopBackground() {
    if (background_.joinable()) {
        background_.request_stop();
        background_.join();
    }
}

void CategoryTree::runBackground(std::stop_token stop) {
    while (!stop.stop_requested()) {
        std::optional<SnapshotInfo> snapshot = store_.snapshotInfo();
        const bool old =
            snapshot && std::time(nullptr) - snapshot->takenAt > settings_.refreshDays * 86400LL;
        if (!snapshot || old || store_.crawlProgress().underWay) {
            log_.info(snapshot ? "开始更新类目树" : "还没有类目树，开始获取");
            CrawlResult result = crawl(stop);
            if (result.outcome == CrawlOutcome::Failed &&
                !sleepUntil(Clock::now() + kRetryFailedCrawl, stop))
                return;
            continue;
        }
        if (!sleepUntil(Clock::now() + std::chrono::minutes(1), stop))
            return;
    }
}

std::string CategoryTree::wholeTreeAnswer() {
    std::optional<SnapshotInfo> snapshot = store_.snapshotInfo();
    if (!snapshot) {
        CrawlProgress p = store_.crawlProgress();
        std::string how = p.underWay ? "已取得 " + std::to_string(p.categories) + " 个类目（调用 " +
                                           std::to_string(p.calls) + " 次，还有 " +
                                           std::to_string(p.pending) + " 个上级类目待查）"
                                     : "还没有开始";
        return errorResponse("类目正在准备", "isv.categories-not-ready",
                             "Relay 正在从淘宝获取整个类目树，" + how + "，请稍后再试");
    }
    std::lock_guard lock(renderedMutex_);
    if (!rendered_ || renderedTakenAt_ != snapshot->takenAt) {
        rendered_ = std::make_shared<const std::string>(
            wrapped(categoriesXml(store_.snapshotCategories())));
        renderedTakenAt_ = snapshot->takenAt;
    }
    return *rendered_;
}

std::string CategoryTree::liveAnswer(const std::map<std::string, std::string>& params, int layer) {
    std::map<std::string, std::string> all = params;
    all["fields"] = kItemcatsFields;
    TopResult result = top_.call("taobao.itemcats.get", all,
                                 Clock::now() + std::chrono::milliseconds(kLiveCallBudgetMs));
    if (!result.ok())
        return upstreamFailure(result.error);
    return wrapped(categoriesXml(categoriesFromAnswer(*result.answer, layer)));
}

std::string CategoryTree::childrenAnswer(const std::string& parentCid) {
    if (store_.snapshotInfo())
        return wrapped(categoriesXml(store_.snapshotChildren(parentCid)));
    // A new Relay still answers the connection test (the top level) at once.
    return liveAnswer({{"parent_cid", parentCid}}, parentCid == "0" ? 1 : 0);
}

std::string CategoryTree::categoriesAnswer(const std::vector<std::string>& cids) {
    if (store_.snapshotInfo()) {
        std::vector<CategoryRecord> found;
        for (const std::string& cid : cids)
            if (std::optional<CategoryRecord> c = store_.snapshotCategory(cid))
                found.push_back(std::move(*c));
        return wrapped(categoriesXml(found));
    }
    std::string joined;
    for (const std::string& cid : cids)
        joined += (joined.empty() ? "" : ",") + cid;
    return liveAnswer({{"cids", joined}}, 0);
}

} // namespace lw::relay
