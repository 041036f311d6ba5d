#include "relay/relay_store.hpp"

#include "platform/platform.hpp"
#include "relay/relay_log.hpp"

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
