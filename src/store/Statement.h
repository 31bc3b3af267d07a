#pragma once
// One compiled SQLite statement with its bound values. Owns the sqlite3_stmt and finalizes it when
// destroyed, so every path out of an operation releases it. Main thread only, like the store.

#include <QString>

#include <cstdint>
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

class Statement {
public:
    explicit Statement(sqlite3_stmt* handle) : handle_(handle) {}
    Statement(Statement&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
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
    sqlite3_stmt* handle_;
};

}  // namespace mendrake
