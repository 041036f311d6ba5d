#include "store/database.hpp"

#include "store/text_routines.hpp"

#include <sqlite3.h>

#include <cstdlib>

namespace lw {
namespace {

std::string message(sqlite3* db) {
    return db ? sqlite3_errmsg(db) : "out of memory";
}

void bindAll(sqlite3* db, sqlite3_stmt* stmt, const DbParams& params) {
    for (size_t i = 0; i < params.size(); ++i) {
        int index = static_cast<int>(i) + 1;
        int rc = std::visit(
            [&](const auto& v) -> int {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::nullptr_t>)
                    return sqlite3_bind_null(stmt, index);
                else if constexpr (std::is_same_v<T, std::int64_t>)
                    return sqlite3_bind_int64(stmt, index, v);
                else if constexpr (std::is_same_v<T, double>)
                    return sqlite3_bind_double(stmt, index, v);
                else
                    return sqlite3_bind_text(stmt, index, v.data(), static_cast<int>(v.size()),
                                             SQLITE_TRANSIENT);
            },
            params[i]);
        if (rc != SQLITE_OK)
            throw DbError(message(db));
    }
}

struct StatementGuard {
    sqlite3_stmt* stmt = nullptr;
    ~StatementGuard() { sqlite3_finalize(stmt); }
};

sqlite3_stmt* compile(sqlite3* db, std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw DbError(message(db));
    }
    return stmt;
}

} // namespace

std::string joinSql(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += lines[i];
    }
    return out;
}

std::unique_ptr<Database> Database::open(const std::string& path, const std::string& password,
                                         std::string& error) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        error = std::string(message(db)) + ": " + path;
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Database> result(new Database(db));
    // Before the first read: a file another program holds locked is waited for.
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (!password.empty() &&
        sqlite3_key(db, password.data(), static_cast<int>(password.size())) != SQLITE_OK) {
        error = message(db);
        return nullptr;
    }
    // The key is only checked on first read.
    std::string probe = result->tryExec("select count(*) from sqlite_master");
    if (!probe.empty()) {
        error = probe;
        return nullptr;
    }
    // Decrypted pages stay cached; long lists are read twice (count, rows).
    result->tryExec("PRAGMA cache_size=-32768");
    return result;
}

void Database::setBusyTimeout(int ms) {
    sqlite3_busy_timeout(db_, ms);
}

std::unique_ptr<Database> Database::create(const std::string& path, const std::string& password,
                                           std::string& error) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = message(db);
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Database> result(new Database(db));
    if (sqlite3_key(db, password.data(), static_cast<int>(password.size())) != SQLITE_OK) {
        error = message(db);
        return nullptr;
    }
    return result;
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

void Database::exec(std::string_view sql, const DbParams& params) {
    std::string error = tryExec(sql, params);
    if (!error.empty())
        throw DbError(error);
}

std::string Database::tryExec(std::string_view sql, const DbParams& params) {
    try {
        StatementGuard guard{compile(db_, sql)};
        bindAll(db_, guard.stmt, params);
        int rc;
        while ((rc = sqlite3_step(guard.stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            return message(db_);
        return {};
    } catch (const DbError& e) {
        return e.what();
    }
}

std::string Database::execScript(std::string_view sql) {
    std::string text(sql);
    char* err = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string out = err ? err : message(db_);
        sqlite3_free(err);
        return out;
    }
    return {};
}

Query Database::query(std::string_view sql, const DbParams& params) {
    sqlite3_stmt* stmt = compile(db_, sql);
    try {
        bindAll(db_, stmt, params);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    return Query(*this, stmt, std::string(sql), params);
}

Statement Database::prepare(std::string_view sql) {
    return Statement(*this, compile(db_, sql));
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::run(const DbParams& params) {
    sqlite3* db = db_->handle();
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    bindAll(db, stmt_, params);
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    }
    std::string error = rc == SQLITE_DONE ? std::string() : message(db);
    sqlite3_reset(stmt_);
    if (!error.empty())
        throw DbError(error);
}

std::string Database::path() const {
    const char* name = sqlite3_db_filename(db_, "main");
    return name ? std::string(name) : std::string();
}

std::int64_t Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Database::changes() const {
    return sqlite3_changes(db_);
}

void Database::begin() {
    exec("begin transaction");
}

void Database::commit() {
    exec("commit transaction");
}

void Database::rollback() {
    if (!sqlite3_get_autocommit(db_))
        tryExec("rollback transaction");
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.begin();
}

Transaction::~Transaction() {
    if (!done_)
        db_.rollback();
}

void Transaction::commit() {
    db_.commit();
    done_ = true;
}

Query::Query(Database& db, sqlite3_stmt* stmt, std::string sql, DbParams params)
    : db_(&db), stmt_(stmt), sql_(std::move(sql)), params_(std::move(params)) {
    int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i) {
        std::string name = lowerAscii(sqlite3_column_name(stmt_, i));
        columns_.emplace(name, i);
    }
    eof_ = false;
    step();
    empty_ = eof_;
}

Query::Query(Query&& other) noexcept
    : db_(other.db_), stmt_(other.stmt_), sql_(std::move(other.sql_)),
      params_(std::move(other.params_)), columns_(std::move(other.columns_)), eof_(other.eof_),
      empty_(other.empty_), recNo_(other.recNo_), count_(other.count_) {
    other.stmt_ = nullptr;
    other.eof_ = true;
}

Query& Query::operator=(Query&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = other.stmt_;
        sql_ = std::move(other.sql_);
        params_ = std::move(other.params_);
        columns_ = std::move(other.columns_);
        eof_ = other.eof_;
        empty_ = other.empty_;
        recNo_ = other.recNo_;
        count_ = other.count_;
        other.stmt_ = nullptr;
        other.eof_ = true;
    }
    return *this;
}

Query::~Query() {
    sqlite3_finalize(stmt_);
}

void Query::step() {
    if (eof_ || !stmt_)
        return;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        ++recNo_;
        return;
    }
    eof_ = true;
    if (rc != SQLITE_DONE)
        throw DbError(message(db_->handle()));
}

void Query::next() {
    step();
}

int Query::recordCount() {
    if (count_ < 0) {
        Query counter = db_->query("select count(*) from (" + sql_ + ")", params_);
        count_ = counter.eof() ? 0 : static_cast<int>(counter.integer(counter.columnName(0)));
    }
    return count_;
}

int Query::indexOf(std::string_view column) const {
    auto it = columns_.find(lowerAscii(column));
    if (it == columns_.end())
        throw DbError("no such column: " + std::string(column));
    return it->second;
}

std::string Query::textAt(int index) const {
    if (eof_)
        throw DbError("no current row");
    const unsigned char* p = sqlite3_column_text(stmt_, index);
    int size = sqlite3_column_bytes(stmt_, index);
    return p ? std::string(reinterpret_cast<const char*>(p), size) : std::string();
}

std::string Query::text(std::string_view column) const {
    return textAt(indexOf(column));
}

std::int64_t Query::integer(std::string_view column) const {
    if (eof_)
        throw DbError("no current row");
    return sqlite3_column_int64(stmt_, indexOf(column));
}

double Query::real(std::string_view column) const {
    if (eof_)
        throw DbError("no current row");
    return sqlite3_column_double(stmt_, indexOf(column));
}

std::string Query::first() const {
    return textAt(0);
}

int Query::columnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string Query::columnName(int index) const {
    const char* name = sqlite3_column_name(stmt_, index);
    return name ? name : "";
}

} // namespace lw
