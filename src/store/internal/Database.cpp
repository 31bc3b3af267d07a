#include "Database.h"

#include "store/HistoryStore.h"

#include <sqlite3.h>

namespace mendrake {

Database::~Database() { adopt(nullptr); }

void Database::adopt(sqlite3* handle) {
    // Cached statements belong to the connection and must be finalized before it closes.
    statements_.clear();
    if (handle_) sqlite3_close(handle_);
    handle_ = handle;
}

StoreError Database::lastError() const {
    if (!handle_) return StoreError::sqlite(QStringLiteral("the database is not open"));
    return StoreError::sqlite(QString::fromUtf8(sqlite3_errmsg(handle_)));
}

std::optional<StoreError> Database::exec(const QString& script) {
    if (!handle_) return lastError();
    char* message = nullptr;
    const int rc = sqlite3_exec(handle_, script.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return std::nullopt;
    StoreError error = message ? StoreError::sqlite(QString::fromUtf8(message)) : lastError();
    sqlite3_free(message);
    return error;
}

StoreResult<Statement> Database::prepare(const QString& sql, const std::vector<Value>& values) {
    if (!handle_) return lastError();
    sqlite3_stmt* handle = statements_.take(sql);
    if (!handle) {
        const int rc = sqlite3_prepare_v2(handle_, sql.toUtf8().constData(), -1, &handle, nullptr);
        if (rc != SQLITE_OK || !handle) {
            sqlite3_finalize(handle);
            return lastError();
        }
    }
    Statement statement(handle, &statements_, sql);
    int index = 1;
    for (const Value& value : values) {
        if (const auto* i = std::get_if<qint64>(&value)) {
            sqlite3_bind_int64(handle, index, *i);
        } else if (const auto* d = std::get_if<double>(&value)) {
            sqlite3_bind_double(handle, index, *d);
        } else if (const auto* text = std::get_if<QString>(&value)) {
            // The byte length rather than -1 keeps a text with an embedded NUL whole.
            const QByteArray utf8 = text->toUtf8();
            sqlite3_bind_text(handle, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(handle, index);
        }
        ++index;
    }
    return statement;
}

StoreResult<std::optional<qint64>> Database::queryInt(const QString& sql, const std::vector<Value>& values) {
    auto statement = prepare(sql, values);
    if (!statement) return statement.error();
    std::optional<qint64> first;
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW)
        if (!first) first = statement->int64At(0);
    if (rc != SQLITE_DONE) return lastError();
    return first;
}

const QString& Database::columnList() {
    static const QString list = QStringLiteral("c.id, c.kind, substr(c.text, 1, %1), c.hash, c.source_bundle, "
                                               "c.source_name,\nc.created_at, c.last_used_at, c.pinned, c.blob, "
                                               "c.size, length(c.text)")
                                    .arg(HistoryStore::previewLength);
    return list;
}

ClipItem Database::readItem(const Statement& row) {
    ClipItem item;
    item.id = row.int64At(0);
    item.kind = clipKindFromRaw(row.textAt(1)).value_or(ClipKind::text);
    item.text = row.textAt(2);
    item.hash = row.textAt(3);
    item.sourceAppId = row.optionalTextAt(4);
    item.sourceAppName = row.optionalTextAt(5);
    item.createdAt = row.doubleAt(6);
    item.lastUsedAt = row.doubleAt(7);
    item.pinned = row.int64At(8) != 0;
    item.blob = row.optionalTextAt(9);
    item.byteSize = row.int64At(10);
    item.fullLength = row.int64At(11);
    item.searchKey = makeSearchKey(item.text, item.sourceAppName);
    return item;
}

StoreResult<QList<ClipItem>> Database::readItems(Statement& statement) {
    QList<ClipItem> items;
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) items.append(readItem(statement));
    if (rc != SQLITE_DONE) return lastError();
    return items;
}

std::optional<StoreError> Database::stepToDone(Statement& statement) {
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) return lastError();
    return std::nullopt;
}

}  // namespace mendrake
