#include "Statement.h"

#include <sqlite3.h>

namespace mendrake {

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, nullptr);
        cache_ = other.cache_;
        sql_ = std::move(other.sql_);
    }
    return *this;
}

Statement::~Statement() { release(); }

void Statement::release() {
    if (!handle_) return;
    if (cache_)
        cache_->put(sql_, handle_);
    else
        sqlite3_finalize(handle_);
    handle_ = nullptr;
}

sqlite3_stmt* StatementCache::take(const QString& sql) {
    const auto found = entries_.find(sql);
    if (found == entries_.end()) return nullptr;
    sqlite3_stmt* handle = found->second;
    entries_.erase(found);
    return handle;
}

void StatementCache::put(const QString& sql, sqlite3_stmt* handle) {
    // Resetting ends any read the statement held open, so a cached statement never pins the WAL.
    sqlite3_reset(handle);
    sqlite3_clear_bindings(handle);
    if (entries_.size() >= kCapacity || entries_.count(sql)) {
        sqlite3_finalize(handle);
        return;
    }
    entries_.emplace(sql, handle);
}

void StatementCache::clear() {
    for (auto& [sql, handle] : entries_) sqlite3_finalize(handle);
    entries_.clear();
}

int Statement::step() { return sqlite3_step(handle_); }

qint64 Statement::int64At(int column) const { return sqlite3_column_int64(handle_, column); }

double Statement::doubleAt(int column) const { return sqlite3_column_double(handle_, column); }

bool Statement::isNullAt(int column) const { return sqlite3_column_type(handle_, column) == SQLITE_NULL; }

QString Statement::textAt(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle_, column));
    if (!text) return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(handle_, column));
}

std::optional<QString> Statement::optionalTextAt(int column) const {
    if (isNullAt(column)) return std::nullopt;
    return textAt(column);
}

}  // namespace mendrake
