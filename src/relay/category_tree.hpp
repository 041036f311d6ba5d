#pragma once

#include "relay/relay_log.hpp"
#include "relay/relay_store.hpp"
#include "relay/top_client.hpp"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace lw::relay {

struct CategoryTreeSettings {
    int refreshDays = 7;  // a snapshot older than this is crawled again
    int concurrency = 3;  // calls of a crawl at once
    int budgetMs = 20000; // one call's whole time, retries included
};

enum class CrawlOutcome { Complete, Stopped, Failed };

struct CrawlResult {
    CrawlOutcome outcome = CrawlOutcome::Stopped;
    int categories = 0; // stored, when complete
    std::string error;  // in words, when failed
};

// The whole Taobao category tree, which Taobao hands out only a parent's children at a
// time: crawled from the top, its progress kept in the database as it goes (a stopped
// crawl goes on where it was, also the next day), served as one snapshot that a complete
// crawl replaces in one step.
class CategoryTree {
public:
    CategoryTree(TopClient& top, RelayStore& store, RelayLog& log, CategoryTreeSettings settings);
    ~CategoryTree();
    CategoryTree(const CategoryTree&) = delete;
    CategoryTree& operator=(const CategoryTree&) = delete;

    // Runs the crawl under way, or a new one, until it is complete or stopped; progress
    // is told after each round of calls. With maxFailedRounds it gives up (Stopped, its
    // progress kept) after that many rounds in a row with a failed call.
    CrawlResult crawl(std::stop_token stop,
                      const std::function<void(const CrawlProgress&)>& progress = {},
                      int maxFailedRounds = 0);

    // In the background: a crawl when there is no snapshot, when it is older than the set
    // days, or when one was under way; again a while after a failed one.
    void startBackground();
    void stopBackground();

    // The answers of user.itemcats.get in the form the program reads.
    std::string wholeTreeAnswer();
    std::string childrenAnswer(const std::string& parentCid);
    std::string categoriesAnswer(const std::vector<std::string>& cids);

private:
    bool crawlParent(const PendingParent& parent, std::stop_token stop, std::string& error,
                     bool& misconfigured);
    std::string liveAnswer(const std::map<std::string, std::string>& params, int layer);
    void runBackground(std::stop_token stop);

    TopClient& top_;
    RelayStore& store_;
    RelayLog& log_;
    CategoryTreeSettings settings_;

    std::mutex renderedMutex_;
    std::int64_t renderedTakenAt_ = -1;
    std::shared_ptr<const std::string> rendered_;

    std::jthread background_;
};

// <item_cat> elements with the depth as layer_level and the names as characters (the
// program reads the text between the tags as it stands).
std::string categoriesXml(const std::vector<CategoryRecord>& categories);

// The categories of a taobao.itemcats.get response element, at the given depth.
std::vector<CategoryRecord> categoriesFromAnswer(const XmlElement& answer, int layer);

inline constexpr const char* kItemcatsFields = "cid,parent_cid,name,is_parent,status,sort_order";

} // namespace lw::relay
