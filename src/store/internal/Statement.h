#pragma once
// One compiled SQLite statement with its bound values. Owns the sqlite3_stmt and finalizes it when
// destroyed, so every path out of an operation releases it. Main thread only, like the store.

#include <QString>

#include <cstdint>
#include <map>
#include <utility>
#include <optional>
#include <variant>

struct sqlite3_stmt;

namespace mendrake {

// A value bound to a statement parameter: 64-bit integer, double, text or SQL NULL.
using Value = std::variant<qint64, double, QString, std::nullptr_t>;

// A text value, or NULL when there is none.
inline Value textOrNull(const std::optional<QString>& text) {
    return text ? Value(*text) : Value(nullptr);
}

// Compiled statements kept for reuse, keyed by their SQL text. Owned by the store, which
// finalizes them before closing the connection.
class StatementCache;

class Statement {
public:
    explicit Statement(sqlite3_stmt* handle, StatementCache* cache = nullptr, QString sql = QString())
        : handle_(handle), cache_(cache), sql_(std::move(sql)) {}
    Statement(Statement&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), cache_(other.cache_), sql_(std::move(other.sql_)) {}
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    // Returns a cached statement to its cache, finalizes any other. Must not outlive the store.
    ~Statement();

    // sqlite3_step: SQLITE_ROW (100), SQLITE_DONE (101) or an error code.
    int step();

    qint64 int64At(int column) const;
    double doubleAt(int column) const;
    bool isNullAt(int column) const;
    // The column as UTF-8 text; NULL gives the empty string.
    QString textAt(int column) const;
    std::optional<QString> optionalTextAt(int column) const;

    sqlite3_stmt* handle() const { return handle_; }

private:
    void release();

    sqlite3_stmt* handle_;
    StatementCache* cache_;
    QString sql_;
};

class StatementCache {
public:
    StatementCache() = default;
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;
    ~StatementCache() { clear(); }

    // A reset statement for `sql` with its bindings cleared, or null when none is cached.
    sqlite3_stmt* take(const QString& sql);
    void put(const QString& sql, sqlite3_stmt* handle);
    void clear();

private:
    static constexpr int kCapacity = 64;
    std::map<QString, sqlite3_stmt*> entries_;
};

}  // namespace mendrake
