#include "relay/relay_store.hpp"

#include "platform/platform.hpp"
#include "relay/relay_log.hpp"

#include <ctime>
#include <filesystem>

namespace lw::relay {
namespace {

constexpr const char* kSchema = R"(
create table if not exists account (
  name text primary key,
  code text not null unique,
  key_salt text not null,
  key_hash text not null,
  token_salt text not null,
  token_hash text not null,
  created text not null);
create table if not exists category_properties (
  cid text primary key,
  fetched_at integer not null,
  body text not null);
create table if not exists spare_value (
  cid text not null,
  pid text not null,
  name text not null,
  vid text not null,
  primary key (cid, pid, name));
create table if not exists crawl_state (
  id integer primary key check (id = 1),
  started text not null,
  calls integer not null);
create table if not exists crawl_pending (
  cid text primary key,
  child_layer integer not null);
create table if not exists crawl_category (
  cid text primary key,
  parent_cid text not null,
  name text not null,
  is_parent integer not null,
  status text not null,
  sort_order text not null,
  layer integer not null);
create table if not exists category (
  cid text primary key,
  parent_cid text not null,
  name text not null,
  is_parent integer not null,
  status text not null,
  sort_order text not null,
  layer integer not null);
create index if not exists category_parent on category (parent_cid);
create table if not exists category_snapshot (
  id integer primary key check (id = 1),
  taken_at integer not null,
  categories integer not null);
create table if not exists upstream_error (
  id integer primary key autoincrement,
  at text not null,
  text text not null);
)";

constexpr int kKeptUpstreamErrors = 200;

AccountRecord accountFrom(const Query& q) {
    return {q.text("name"),       q.text("code"),       q.text("key_salt"), q.text("key_hash"),
            q.text("token_salt"), q.text("token_hash"), q.text("created")};
}

} // namespace

RelayStore::RelayStore(std::unique_ptr<Database> db, std::string path)
    : db_(std::move(db)), path_(std::move(path)) {}

std::unique_ptr<RelayStore> RelayStore::open(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(platform::toPath(folder), ec);
    if (ec) {
        error = "无法创建数据文件夹 " + folder + "：" + ec.message();
        return nullptr;
    }
    platform::restrictToOwner(folder);
    const std::string path = platform::joinPath(folder, "relay.db");
    // An empty file is an empty database; made first so that it is the owner's alone from
    // the start.
    if (!platform::regularFileSize(path)) {
        platform::WriteFile made(path, platform::WriteFile::Mode::CreatePrivate);
        if (!made.isOpen()) {
            error = "无法创建数据库 " + path + "：" + made.openError().message();
            return nullptr;
        }
    }
    std::string dbError;
    std::unique_ptr<Database> db = Database::open(path, {}, dbError);
    if (!db) {
        error = "无法打开数据库 " + path + "：" + dbError;
        return nullptr;
    }
    std::string schemaError = db->execScript(kSchema);
    if (!schemaError.empty()) {
        error = "数据库 " + path + " 无法使用：" + schemaError;
        return nullptr;
    }
    platform::restrictToOwner(path);
    return std::unique_ptr<RelayStore>(new RelayStore(std::move(db), path));
}

bool RelayStore::addAccount(const AccountRecord& a) {
    std::lock_guard lock(mutex_);
    return db_
        ->tryExec("insert into account (name, code, key_salt, key_hash, token_salt, "
                  "token_hash, created) values (?, ?, ?, ?, ?, ?, ?)",
                  {a.name, a.code, a.keySalt, a.keyHash, a.tokenSalt, a.tokenHash, a.created})
        .empty();
}

std::optional<AccountRecord> RelayStore::accountByCode(const std::string& code) {
    std::lock_guard lock(mutex_);
    Query q = db_->query("select * from account where code = ?", {code});
    if (q.eof())
        return std::nullopt;
    return accountFrom(q);
}

std::vector<AccountRecord> RelayStore::accounts() {
    std::lock_guard lock(mutex_);
    std::vector<AccountRecord> all;
    for (Query q = db_->query("select * from account order by name"); !q.eof(); q.next())
        all.push_back(accountFrom(q));
    return all;
}

bool RelayStore::removeAccount(const std::string& name) {
    std::lock_guard lock(mutex_);
    db_->exec("delete from account where name = ?", {name});
    return db_->changes() > 0;
}

std::optional<StoredProperties> RelayStore::categoryProperties(const std::string& cid) {
    std::lock_guard lock(mutex_);
    Query q = db_->query("select body, fetched_at from category_properties where cid = ?", {cid});
    if (q.eof())
        return std::nullopt;
    return StoredProperties{q.text("body"), q.integer("fetched_at")};
}

void RelayStore::saveCategoryProperties(const std::string& cid, const StoredProperties& p) {
    std::lock_guard lock(mutex_);
    db_->exec("insert or replace into category_properties (cid, fetched_at, body) values (?, ?, ?)",
              {cid, p.fetchedAt, p.json});
}

std::map<std::string, std::string> RelayStore::spareValues(const std::string& cid,
                                                           const std::string& pid) {
    std::lock_guard lock(mutex_);
    std::map<std::string, std::string> found;
    for (Query q =
             db_->query("select name, vid from spare_value where cid = ? and pid = ?", {cid, pid});
         !q.eof(); q.next())
        found[q.text("name")] = q.text("vid");
    return found;
}

void RelayStore::saveSpareValue(const std::string& cid, const std::string& pid,
                                const std::string& name, const std::string& vid) {
    std::lock_guard lock(mutex_);
    db_->exec("insert or replace into spare_value (cid, pid, name, vid) values (?, ?, ?, ?)",
              {cid, pid, name, vid});
}

void RelayStore::addUpstreamError(const std::string& text) {
    std::lock_guard lock(mutex_);
    db_->exec("insert into upstream_error (at, text) values (?, ?)", {logTimeText(), text});
    db_->exec("delete from upstream_error where id <= (select max(id) from upstream_error) - ?",
              {std::int64_t{kKeptUpstreamErrors}});
}

std::vector<UpstreamErrorRecord> RelayStore::recentUpstreamErrors(int count) {
    std::lock_guard lock(mutex_);
    std::vector<UpstreamErrorRecord> found;
    for (Query q = db_->query("select at, text from upstream_error order by id desc limit ?",
                              {std::int64_t{count}});
         !q.eof(); q.next())
        found.push_back({q.text("at"), q.text("text")});
    return found;
}

namespace {

CategoryRecord categoryFrom(const Query& q) {
    CategoryRecord c;
    c.cid = q.text("cid");
    c.parentCid = q.text("parent_cid");
    c.name = q.text("name");
    c.isParent = q.integer("is_parent") != 0;
    c.status = q.text("status");
    c.sortOrder = q.text("sort_order");
    c.layer = static_cast<int>(q.integer("layer"));
    return c;
}

// Sort orders are numbers in text: compared as numbers.
constexpr const char* kServedOrder =
    " order by layer, parent_cid, cast(sort_order as integer), cast(cid as integer)";

} // namespace

void RelayStore::beginCrawl() {
    std::lock_guard lock(mutex_);
    if (!db_->query("select id from crawl_state").eof())
        return;
    Transaction t(*db_);
    db_->exec("delete from crawl_category");
    db_->exec("delete from crawl_pending");
    db_->exec("insert into crawl_pending (cid, child_layer) values ('0', 1)");
    db_->exec("insert into crawl_state (id, started, calls) values (1, ?, 0)", {logTimeText()});
    t.commit();
}

CrawlProgress RelayStore::crawlProgress() {
    std::lock_guard lock(mutex_);
    CrawlProgress p;
    Query state = db_->query("select started, calls from crawl_state");
    if (state.eof())
        return p;
    p.underWay = true;
    p.started = state.text("started");
    p.calls = static_cast<int>(state.integer("calls"));
    p.categories = std::stoi(db_->query("select count(*) from crawl_category").first());
    p.pending = std::stoi(db_->query("select count(*) from crawl_pending").first());
    return p;
}

std::vector<PendingParent> RelayStore::pendingParents(int count) {
    std::lock_guard lock(mutex_);
    std::vector<PendingParent> found;
    for (Query q = db_->query("select cid, child_layer from crawl_pending order by child_layer, "
                              "cast(cid as integer) limit ?",
                              {std::int64_t{count}});
         !q.eof(); q.next())
        found.push_back({q.text("cid"), static_cast<int>(q.integer("child_layer"))});
    return found;
}

void RelayStore::storeChildren(const PendingParent& parent,
                               const std::vector<CategoryRecord>& children) {
    std::lock_guard lock(mutex_);
    Transaction t(*db_);
    Statement insert = db_->prepare(
        "insert or replace into crawl_category (cid, parent_cid, name, is_parent, status, "
        "sort_order, layer) values (?, ?, ?, ?, ?, ?, ?)");
    Statement queue =
        db_->prepare("insert or ignore into crawl_pending (cid, child_layer) values (?, ?)");
    for (const CategoryRecord& c : children) {
        insert.run({c.cid, parent.cid, c.name, std::int64_t{c.isParent ? 1 : 0}, c.status,
                    c.sortOrder, std::int64_t{parent.childLayer}});
        if (c.isParent)
            queue.run({c.cid, std::int64_t{parent.childLayer + 1}});
    }
    db_->exec("delete from crawl_pending where cid = ?", {parent.cid});
    db_->exec("update crawl_state set calls = calls + 1");
    t.commit();
}

int RelayStore::finishCrawl() {
    std::lock_guard lock(mutex_);
    Transaction t(*db_);
    db_->exec("delete from category");
    db_->exec("insert into category select * from crawl_category");
    int count = std::stoi(db_->query("select count(*) from category").first());
    db_->exec(
        "insert or replace into category_snapshot (id, taken_at, categories) values (1, ?, ?)",
        {static_cast<std::int64_t>(std::time(nullptr)), std::int64_t{count}});
    db_->exec("delete from crawl_category");
    db_->exec("delete from crawl_pending");
    db_->exec("delete from crawl_state");
    t.commit();
    return count;
}

std::optional<SnapshotInfo> RelayStore::snapshotInfo() {
    std::lock_guard lock(mutex_);
    Query q = db_->query("select taken_at, categories from category_snapshot");
    if (q.eof())
        return std::nullopt;
    return SnapshotInfo{q.integer("taken_at"), static_cast<int>(q.integer("categories"))};
}

std::vector<CategoryRecord> RelayStore::snapshotCategories() {
    std::lock_guard lock(mutex_);
    std::vector<CategoryRecord> all;
    for (Query q = db_->query(std::string("select * from category") + kServedOrder); !q.eof();
         q.next())
        all.push_back(categoryFrom(q));
    return all;
}

std::vector<CategoryRecord> RelayStore::snapshotChildren(const std::string& parentCid) {
    std::lock_guard lock(mutex_);
    std::vector<CategoryRecord> all;
    for (Query q =
             db_->query(std::string("select * from category where parent_cid = ?") + kServedOrder,
                        {parentCid});
         !q.eof(); q.next())
        all.push_back(categoryFrom(q));
    return all;
}

std::optional<CategoryRecord> RelayStore::snapshotCategory(const std::string& cid) {
    std::lock_guard lock(mutex_);
    Query q = db_->query("select * from category where cid = ?", {cid});
    if (q.eof())
        return std::nullopt;
    return categoryFrom(q);
}

StoreSizes RelayStore::sizes() {
    std::lock_guard lock(mutex_);
    auto count = [&](const char* table) {
        return std::stoi(db_->query(std::string("select count(*) as n from ") + table).first());
    };
    StoreSizes s;
    s.accounts = count("account");
    s.categories = count("category_properties");
    s.spareValues = count("spare_value");
    return s;
}

} // namespace lw::relay
