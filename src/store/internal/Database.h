#pragma once
// The store's SQLite connection with its statement cache: running scripts, preparing statements
// with bound values, reading clip rows. Internal to the store (callers use HistoryStore's
// operations); tests and benchmarks that need the store's own connection, for settings that hold
// per connection, reach it through `connectionOf`.

#include "capture/ClipModel.h"
#include "store/StoreError.h"
#include "Statement.h"

#include <QList>

#include <vector>

struct sqlite3;

namespace mendrake {

class HistoryStore;

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Takes over an open connection; closes the previous one.
    void adopt(sqlite3* handle);
    sqlite3* handle() const { return handle_; }

    // These report every error; the store's operations decide what to swallow.
    std::optional<StoreError> exec(const QString& script);
    StoreResult<Statement> prepare(const QString& sql, const std::vector<Value>& values = {});
    // Column 0 of the first row, or none when there is no row.
    StoreResult<std::optional<qint64>> queryInt(const QString& sql, const std::vector<Value>& values = {});
    std::optional<StoreError> stepToDone(Statement& statement);
    StoreResult<QList<ClipItem>> readItems(Statement& statement);
    StoreError lastError() const;

    // The columns every clip query selects, the table aliased as `c`, and the item made of them.
    static const QString& columnList();
    static ClipItem readItem(const Statement& statement);

private:
    sqlite3* handle_ = nullptr;
    StatementCache statements_;
};

// The store's own connection, for tests and benchmarks only.
Database& connectionOf(HistoryStore& store);

}  // namespace mendrake
