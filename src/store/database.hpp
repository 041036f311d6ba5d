#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace lw {

// A statement failed in a way the caller did not expect; shown by the top-level
// error report.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A bound value: values never become SQL text.
using DbValue = std::variant<std::nullptr_t, std::int64_t, double, std::string>;
using DbParams = std::vector<DbValue>;

// Statements are kept as lines; the engine gets them joined with CR LF.
std::string joinSql(const std::vector<std::string>& lines);

class Query;
class Statement;

// The one connection of the program, opened with the configured password.
class Database {
public:
    // How long a statement waits for a lock another connection holds.
    static constexpr int kBusyTimeoutMs = 5000;
    // Opens an existing file. On failure returns nullptr and sets error to the
    // engine's message.
    static std::unique_ptr<Database> open(const std::string& path, const std::string& password,
                                          std::string& error);
    // Creates a new encrypted file (used only by the tool that builds the delivered file
    // and by tests that need an old-shape file).
    static std::unique_ptr<Database> create(const std::string& path, const std::string& password,
                                            std::string& error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs a statement that returns no rows; throws DbError on failure.
    void exec(std::string_view sql, const DbParams& params = {});
    // Same, but returns the engine's message (empty on success).
    std::string tryExec(std::string_view sql, const DbParams& params = {});
    // Runs several statements separated by ";" (schema scripts), no parameters.
    std::string execScript(std::string_view sql);

    // Opens a query positioned on its first row; throws DbError on failure.
    Query query(std::string_view sql, const DbParams& params = {});
    // Compiles a statement once, to run it many times (bulk inserts); throws DbError.
    Statement prepare(std::string_view sql);

    std::int64_t lastInsertId() const;
    void setBusyTimeout(int ms);
    int changes() const;

    void begin();
    void commit();
    void rollback();

    sqlite3* handle() const { return db_; }
    // The file of the main database; empty for one in memory.
    std::string path() const;

private:
    explicit Database(sqlite3* db) : db_(db) {}
    sqlite3* db_ = nullptr;
};

// Runs its work in one transaction: rolled back unless commit() was called.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool done_ = false;
};

// A compiled statement that returns no rows, run once per set of values.
class Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds params, runs the statement and makes it ready for the next run; throws
    // DbError on failure.
    void run(const DbParams& params);

private:
    friend class Database;
    Statement(Database& db, sqlite3_stmt* stmt) : db_(&db), stmt_(stmt) {}
    Database* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// An open query walked row by row; columns read by name without regard to case.
class Query {
public:
    Query(Query&& other) noexcept;
    Query& operator=(Query&& other) noexcept;
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool eof() const { return eof_; }
    void next();
    // No rows at all.
    bool empty() const { return empty_; }
    // Number of the current row, from 1.
    int recNo() const { return recNo_; }
    // Total rows of the query (counted once, on first use).
    int recordCount();

    std::string text(std::string_view column) const;
    std::int64_t integer(std::string_view column) const;
    double real(std::string_view column) const;
    // The first column of the current row, as text.
    std::string first() const;
    int columnCount() const;
    std::string columnName(int index) const;
    std::string textAt(int index) const;

private:
    friend class Database;
    Query(Database& db, sqlite3_stmt* stmt, std::string sql, DbParams params);
    int indexOf(std::string_view column) const;
    void step();

    Database* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::string sql_;
    DbParams params_;
    std::unordered_map<std::string, int> columns_;
    bool eof_ = true;
    bool empty_ = true;
    int recNo_ = 0;
    int count_ = -1;
};

} // namespace lw
