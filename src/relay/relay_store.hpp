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

    StoreSizes sizes();
    std::string path() const { return path_; }

private:
    RelayStore(std::unique_ptr<Database> db, std::string path);

    std::unique_ptr<Database> db_;
    std::string path_;
    std::mutex mutex_;
};

} // namespace lw::relay
