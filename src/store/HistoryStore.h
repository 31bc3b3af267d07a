#pragma once
// HistoryStore: the clip history on disk. One SQLite database ("history.sqlite", write-ahead log,
// an FTS5 index over the clip texts kept in step by triggers) and a "Blobs" directory holding one
// binary property list per clip with its clipboard representations, named after the content hash.
//
// Contract: owns the connection (closed when the store is destroyed) and the files under
// `directory()`. The directory and Blobs are kept at mode 0700, the database, its -wal/-shm
// companions and the blob files at 0600, since the history holds secrets; the modes are repaired at
// every open. Main thread only; every call is synchronous. Only `open` and `record` report errors;
// every other operation swallows its failures and answers none, an empty list or nothing, so that
// callers keep working when the database misbehaves. A blob file is written before the row that
// names it and is removed only after its row is gone.
//
// Substituting the store in tests of other subsystems: the operations are virtual, and the
// protected constructor builds a store that opens nothing (every operation then answers empty), so
// a fake derives from HistoryStore and overrides what its test needs.

#include "capture/ClipModel.h"
#include "platform/Clock.h"
#include "store/Statement.h"
#include "store/StoreError.h"

#include <QImage>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace mendrake {

class HistoryStore {
public:
    // Characters of a clip's text carried in a ClipItem's `text`.
    static constexpr int previewLength = 2000;
    // `maxItems` value of `trim` meaning "no count limit".
    static constexpr qint64 noCountLimit = std::numeric_limits<qint64>::max();

    // Opens (creating when needed) the store in `directory`, or in defaultDirectory() without one.
    // Fails with a fileSystem error when the directory cannot be created, or an sqlite error when
    // the database cannot be opened or set up; a file that is not a database is left untouched.
    static StoreResult<std::unique_ptr<HistoryStore>> open(Clock& clock,
                                                           std::optional<QString> directory = std::nullopt);

    // $XDG_DATA_HOME/Mendrake, or ~/.local/share/Mendrake when XDG_DATA_HOME is unset or relative.
    static QString defaultDirectory();

    virtual ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const QString& directory() const { return directory_; }
    const QString& blobDirectory() const { return blobDirectory_; }
    QString databasePath() const;

    // Recording. A repeat of known content (same hash) refreshes the row's time and source instead
    // of adding a row; rich text arriving for a plain row upgrades it. Returns the row as fetched.
    virtual StoreResult<ClipItem> record(const CapturedClip& clip);
    // Marks the row as used now.
    virtual void touch(qint64 id);

    // Reading and search.
    virtual std::optional<ClipItem> fetch(qint64 id);
    // The `limit` most recently used rows plus every pinned row, most recently used first.
    virtual QList<ClipItem> recent(qint64 limit);
    // Rows containing every word of `query` as a word prefix (case and diacritics folded), most
    // recently used first, at most `limit`. A blank query gives an empty list.
    virtual QList<ClipItem> search(const QString& query, qint64 limit);
    // The FTS5 query `search` runs for `query`: each word (searchWords) as a quoted prefix
    // phrase, joined by spaces. Empty for a blank query.
    static QString matchExpression(const QString& query);
    // The whole stored text (the item's `text` is only a preview).
    virtual std::optional<QString> fullText(qint64 id);
    // The item's stored representation map; empty when it has no blob or the file is unreadable.
    virtual RepresentationMap representations(const ClipItem& item);
    // The item's stored PNG (else TIFF) decoded; a null QImage when there is none.
    QImage image(const ClipItem& item) { return imageReader(item)(); }
    // What `image` runs, as a function that holds copies of what it needs and not the store, so
    // that it may run on another thread, after the store is gone.
    virtual std::function<QImage()> imageReader(const ClipItem& item);

    // Single-row changes.
    virtual void setPinned(qint64 id, bool pinned);
    virtual void deleteItem(qint64 id);
    virtual qint64 count();

    // Retention: deletes unpinned rows last used more than `retentionDays` days ago (no age limit
    // below 1) and unpinned rows beyond the `maxItems` most recently used unpinned rows (no count
    // limit at noCountLimit), with their blob files. Returns the ids deleted.
    virtual QSet<qint64> trim(qint64 retentionDays, qint64 maxItems);
    // Deletes every row (or every unpinned row) with its blob files, compacts the full-text index
    // and truncates the write-ahead log.
    virtual void clearHistory(bool keepPinned);
    // Bytes allocated on disk by every regular file under directory(), recursively.
    virtual qint64 diskUsage();

    // Statement layer. These report every error; the operations above decide what to swallow.
    std::optional<StoreError> exec(const QString& script);
    StoreResult<Statement> prepare(const QString& sql, const std::vector<Value>& values = {});
    // Column 0 of the first row, or none when there is no row.
    StoreResult<std::optional<qint64>> queryInt(const QString& sql, const std::vector<Value>& values = {});
    // Maps the current row of a statement that selected columnList() to a ClipItem.
    static ClipItem readItem(const Statement& statement);
    // The columns every clip query selects, the table aliased as `c`.
    static const QString& columnList();

protected:
    // A store that opens nothing: for fakes deriving from HistoryStore in tests.
    HistoryStore(Clock& clock, QString directory);

private:
    std::optional<StoreError> openDatabase();
    StoreResult<QList<ClipItem>> readItems(Statement& statement);
    std::optional<StoreError> stepToDone(Statement& statement);
    StoreError lastError() const;
    void removeBlobs(const QList<QString>& names);
    QString blobPath(const QString& name) const;
    void repairModes();
    void addPrefixIndexes();

    Clock& clock_;
    QString directory_;
    QString blobDirectory_;
    sqlite3* db_ = nullptr;
    StatementCache statements_;
};

}  // namespace mendrake
