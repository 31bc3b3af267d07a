#include "store/Statement.h"

#include <sqlite3.h>

namespace mendrake {

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Statement::~Statement() { sqlite3_finalize(handle_); }

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
