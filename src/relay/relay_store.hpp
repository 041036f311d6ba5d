#pragma once

#include "store/database.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lw::relay {

// One account as stored: its secrets only as salted hashes.
struct AccountRecord {
    std::string name;
    std::string code; // 账户代码, sent in clear with every request
    std::string keySalt;
    std::string keyHash;
    std::string tokenSalt;
    std::string tokenHash;
    std::string created;
};

struct StoredProperties {
    std::string json;           // the category's properties as CategoryProperties writes them
    std::int64_t fetchedAt = 0; // seconds since the epoch
};

struct UpstreamErrorRecord {
    std::string at;
    std::string text;
};

// One Taobao category as kept: layer is its depth, 1 at the top (Taobao gives none).
struct CategoryRecord {
    std::string cid;
    std::string parentCid;
    std::string name;
    bool isParent = false;
    std::string status;
    std::string sortOrder;
    int layer = 1;
};

// A category whose children the crawl has still to ask for.
struct PendingParent {
    std::string cid;
    int childLayer = 1;
};

struct CrawlProgress {
    bool underWay = false;
    std::string started;
    int categories = 0; // found so far
    int pending = 0;    // parents still to ask
    int calls = 0;
};

struct SnapshotInfo {
    std::int64_t takenAt = 0; // seconds since the epoch
    int categories = 0;
};

struct StoreSizes {
    int accounts = 0;
    int categories = 0; // categories whose properties are kept
    int spareValues = 0;
};

// The Relay's own database (relay.db in its data folder, readable by the owner alone).
// One connection shared by the server's threads, each call under one lock. Unexpected
// engine failures throw DbError.
class RelayStore {
public:
    // Opens or creates the database in folder (made when missing). nullptr and the
    // reason in words when it cannot.
    static std::unique_ptr<RelayStore> open(const std::string& folder, std::string& error);

    // False when the name or the code is taken.
    bool addAccount(const AccountRecord& account);
    std::optional<AccountRecord> accountByCode(const std::string& code);
    std::vector<AccountRecord> accounts();
    bool removeAccount(const std::string& name);

    std::optional<StoredProperties> categoryProperties(const std::string& cid);
    void saveCategoryProperties(const std::string& cid, const StoredProperties& properties);

    // Names of a property that got a spare value id, with that id.
    std::map<std::string, std::string> spareValues(const std::string& cid, const std::string& pid);
    void saveSpareValue(const std::string& cid, const std::string& pid, const std::string& name,
                        const std::string& vid);

    // Keeps the latest few hundred.
    void addUpstreamError(const std::string& text);
    std::vector<UpstreamErrorRecord> recentUpstreamErrors(int count);

    // The category crawl: its progress is kept as it goes, so a stopped crawl goes on
    // where it was. beginCrawl does nothing while one is under way.
    void beginCrawl();
    CrawlProgress crawlProgress();
    std::vector<PendingParent> pendingParents(int count);
    // One parent's children, in one transaction: stored, the parents among them queued,
    // the parent done.
    void storeChildren(const PendingParent& parent, const std::vector<CategoryRecord>& children);
    // The crawl's categories become the served snapshot in one step; returns their number.
    int finishCrawl();

    std::optional<SnapshotInfo> snapshotInfo();
    // The snapshot in the order it is served: by layer, parent and sort order.
    std::vector<CategoryRecord> snapshotCategories();
    std::vector<CategoryRecord> snapshotChildren(const std::string& parentCid);
    std::optional<CategoryRecord> snapshotCategory(const std::string& cid);

    StoreSizes sizes();
    std::string path() const { return path_; }

private:
    RelayStore(std::unique_ptr<Database> db, std::string path);

    std::unique_ptr<Database> db_;
    std::string path_;
    std::mutex mutex_;
};

} // namespace lw::relay
