#pragma once
// HistoryStore: the clip history on disk. One SQLite database ("history.sqlite", write-ahead log,
// an FTS5 index over the clip texts kept in step by triggers) and a "Blobs" directory holding one
// binary property list per clip with its clipboard representations, named after an HMAC-SHA-256 of
// the content hash under a random key kept in the database (rows naming files by the bare hash,
// as older versions wrote them, keep working).
//
// Contract: owns the connection (closed when the store is destroyed) and the files under
// `directory()`. The directory and Blobs are kept at mode 0700, the database, its -wal/-shm
// companions and the blob files at 0600, since the history holds secrets; the modes are repaired at
// every open; the folder, Blobs and the database are opened without following links and must belong
// to the user. Main thread only; every call is synchronous. `open`, `record`, `deleteItem` and
// `clearHistory` answer errors; the reading operations answer none or an empty list, so that
// callers keep working when the database misbehaves. Every failure goes to the failure log. A blob file is written and
// synced before the row that names it commits, and erased (overwritten with zeros, then unlinked)
// only once a write transaction has seen that no row names it; files no row names are erased at
// open. Deleted rows are zeroed (secure_delete, checked at open), and after every deletion the
// full-text index is merged and the write-ahead log truncated, so deleted text leaves the files.
//
// Substituting the store in tests of other subsystems: the operations are virtual, and the
// protected constructor builds a store that opens nothing (every operation then answers empty), so
// a fake derives from HistoryStore and overrides what its test needs.

#include "capture/ClipModel.h"
#include "platform/Clock.h"
#include "store/StoreError.h"

#include <QImage>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace mendrake {

class Database;
class SystemLog;

class HistoryStore {
public:
    // Characters of a clip's text carried in a ClipItem's `text`.
    static constexpr int previewLength = 2000;
    // `maxItems` value of `trim` meaning "no count limit".
    static constexpr qint64 noCountLimit = std::numeric_limits<qint64>::max();

    // Opens (creating when needed) the store in `directory`, or in defaultDirectory() without one.
    // Fails with a fileSystem error when the directory cannot be created, or an sqlite error when
    // the database cannot be opened or set up; a file that is not a database is left untouched.
    // A connection for a helper thread (searches, maintenance) takes `PageCache::small`, so that
    // it does not hold another copy of the main connection's cache.
    enum class PageCache { large, small };
    static StoreResult<std::unique_ptr<HistoryStore>> open(Clock& clock,
                                                           std::optional<QString> directory = std::nullopt,
                                                           PageCache cache = PageCache::large);

    // $XDG_DATA_HOME/Mendrake, or ~/.local/share/Mendrake when XDG_DATA_HOME is unset or relative.
    static QString defaultDirectory();

    virtual ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Where every failed operation is reported: what was attempted, the error's kind and reason,
    // never a clip's content. Without one, failures are only answered (or swallowed, as below).
    void setFailureLog(SystemLog* log) { failureLog_ = log; }

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
    // Deletes the row, then erases its blob file. None on success (also when no such row exists).
    // Merging its words out of the full-text index rewrites the whole index, so that is left to
    // `eraseDeletedText`, which the caller runs on another connection off the main thread; closing
    // the store runs it when a deletion made here is not known to be covered.
    virtual std::optional<StoreError> deleteItem(qint64 id);
    // Merges the full-text index, so deleted words leave its segments, and truncates the write-ahead
    // log. Trim and Clear History do this themselves.
    void eraseDeletedText();
    // Deletions made through this connection so far; `noteTextErased(n)` records that an erasure on
    // another connection, started after the first n of them, covered those.
    qint64 deletionCount() const { return deletions_; }
    void noteTextErased(qint64 upTo) { erasedUpTo_ = std::max(erasedUpTo_, upTo); }
    virtual qint64 count();

    // Retention: deletes unpinned rows last used more than `retentionDays` days ago (no age limit
    // below 1) and unpinned rows beyond the `maxItems` most recently used unpinned rows (no count
    // limit below 1 or at noCountLimit), with their blob files, in one transaction. Returns the
    // ids deleted: none when the transaction did not commit.
    virtual QSet<qint64> trim(qint64 retentionDays, qint64 maxItems);
    // Deletes every row (or every unpinned row) with its blob files and every file no row names.
    // None on success.
    virtual std::optional<StoreError> clearHistory(bool keepPinned);
    // Bytes allocated on disk by every regular file under directory(), recursively.
    virtual qint64 diskUsage();

    friend Database& connectionOf(HistoryStore& store);

protected:
    // A store that opens nothing: for fakes deriving from HistoryStore in tests.
    HistoryStore(Clock& clock, QString directory);

private:
    struct Write {
        bool nested = false;  // a savepoint inside the caller's transaction
    };
    void report(const char* operation, const StoreError& error) const;
    StoreResult<ClipItem> recordUnderLock(const CapturedClip& clip);
    StoreResult<Write> beginWrite();
    std::optional<StoreError> commitWrite(Write write);
    void rollbackWrite(Write write);
    std::optional<StoreError> openDatabase();
    StoreResult<ClipItem> recordInTransaction(const CapturedClip& clip, std::optional<QString>& written,
                                              std::optional<QString>& replaced);
    void loadNamingKey();
    QString blobNameFor(const QString& hash) const;
    std::optional<StoreError> deleteRows(const QString& where, std::optional<qint64> id);
    void eraseUnnamedBlobs(const QList<QString>& names);
    std::optional<StoreError> removeUnnamedBlobs();
    QString blobPath(const QString& name) const;
    void repairModes();
    static void setPrivateMode(const QString& path);
    void addPrefixIndexes();

    Clock& clock_;
    qint64 deletions_ = 0;
    qint64 erasedUpTo_ = 0;
    QString directory_;
    QString blobDirectory_;
    std::unique_ptr<Database> db_;
    PageCache cache_ = PageCache::large;
    SystemLog* failureLog_ = nullptr;
    QByteArray namingKey_;  // HMAC key for blob file names; empty: names are the bare hash
};

}  // namespace mendrake
