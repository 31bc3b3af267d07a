#include "store/HistoryStore.h"

#include "platform/SystemLog.h"
#include "store/BlobFile.h"
#include "Database.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QScopeGuard>

#include <sqlite3.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace mendrake {

namespace {

constexpr auto kDatabaseName = "history.sqlite";
constexpr auto kBlobDirectoryName = "Blobs";

constexpr auto kSchema = R"sql(
CREATE TABLE IF NOT EXISTS clips (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    kind TEXT NOT NULL,
    text TEXT NOT NULL,
    hash TEXT NOT NULL UNIQUE,
    source_bundle TEXT,
    source_name TEXT,
    created_at REAL NOT NULL,
    last_used_at REAL NOT NULL,
    pinned INTEGER NOT NULL DEFAULT 0,
    blob TEXT,
    size INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS idx_clips_last_used ON clips(last_used_at DESC);
CREATE VIRTUAL TABLE IF NOT EXISTS clips_fts USING fts5(
    text, content='clips', content_rowid='id', tokenize='unicode61 remove_diacritics 2', prefix='1 2'
);
CREATE TRIGGER IF NOT EXISTS clips_ai AFTER INSERT ON clips BEGIN
    INSERT INTO clips_fts(rowid, text) VALUES (new.id, new.text);
END;
CREATE TRIGGER IF NOT EXISTS clips_ad AFTER DELETE ON clips BEGIN
    INSERT INTO clips_fts(clips_fts, rowid, text) VALUES ('delete', old.id, old.text);
END;
CREATE TRIGGER IF NOT EXISTS clips_au AFTER UPDATE OF text ON clips BEGIN
    INSERT INTO clips_fts(clips_fts, rowid, text) VALUES ('delete', old.id, old.text);
    INSERT INTO clips_fts(rowid, text) VALUES (new.id, new.text);
END;
PRAGMA user_version = 1;
)sql";

// Not part of the stored format: connection tuning, and two indexes that let the recent list and
// search order rows by recency without reading each row's text. Another reader of the file finds
// an ordinary version 1 database; a failure here only costs speed.
// No memory-mapped reads: with a map, a read error of the disk arrives as SIGBUS and ends the
// process instead of failing one statement.
constexpr auto kConnectionTuning = "PRAGMA cache_size = -32768; PRAGMA temp_store = MEMORY;";
// A helper thread's connection: 2 MiB of page cache. A search of the whole history measured no
// slower with it (the file's pages stay in the system's cache).
constexpr auto kSmallConnectionTuning = "PRAGMA cache_size = -2048; PRAGMA temp_store = MEMORY;";
constexpr auto kReadIndexes = R"sql(
CREATE INDEX IF NOT EXISTS idx_clips_pinned_last_used ON clips(last_used_at DESC) WHERE pinned = 1;
CREATE INDEX IF NOT EXISTS idx_clips_id_last_used ON clips(id, last_used_at);
)sql";

// Prefix indexes for one- and two-letter prefixes: every query being typed ends in one, and
// without them FTS5 merges the doclists of every term that starts with it (most of the index).
// They change no result, and a build that does not know them reads the table as before, so a
// version 1 index made without them is rebuilt with them once.
constexpr auto kPrefixIndexedFts = R"sql(
BEGIN IMMEDIATE;
DROP TABLE clips_fts;
CREATE VIRTUAL TABLE clips_fts USING fts5(
    text, content='clips', content_rowid='id', tokenize='unicode61 remove_diacritics 2', prefix='1 2'
);
INSERT INTO clips_fts(clips_fts) VALUES ('rebuild');
COMMIT;
)sql";

// Matches from which search walks the recency index instead of ordering every match (measured
// at 100,000 and 1,000,000 rows: below it the ordering costs less than the walk).
constexpr qint64 kManyMatches = 5000;

constexpr auto kPngType = "public.png";
constexpr auto kTiffType = "public.tiff";

constexpr mode_t kPrivateDirectory = 0700;
constexpr mode_t kPrivateFile = 0600;

// Blob files are named after the content hash; anything else could point outside Blobs.
bool isContentHash(const QString& hash) {
    if (hash.size() != 64) return false;
    for (QChar c : hash)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
    return true;
}

// A name read back from the database is used as a path only when it stays inside Blobs.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(QChar(0));
}

// How long a statement waits for another connection's lock before failing with "database is locked".
constexpr int kBusyTimeoutMs = 2000;
// Bytes of the write-ahead log kept after a checkpoint resets it; beyond that it is truncated, so
// that old frames holding deleted text do not linger in the file.
constexpr auto kJournalSizeLimit = "PRAGMA journal_size_limit = 0;";
// Run after a deletion: merges the full-text index into one segment, so the deleted words leave the
// live segments (the freed pages are then zeroed by secure_delete), and copies the log into the
// database before truncating it to nothing.
constexpr auto kScrub = "INSERT INTO clips_fts(clips_fts) VALUES ('optimize'); PRAGMA wal_checkpoint(TRUNCATE);";

// Sets the mode of the file an O_PATH descriptor refers to (fchmod refuses such descriptors).
bool setModeThrough(int fd, mode_t mode) {
    return ::chmod(("/proc/self/fd/" + std::to_string(fd)).c_str(), mode) == 0;
}

// A descriptor of `name` inside `parent` (or the absolute `name` when parent is AT_FDCWD), opened
// without following a final symbolic link; created empty with `mode` when missing and `create` is
// set. It must be owned by this user; its mode is set to `mode` through the descriptor. Answers
// the descriptor, or a message saying what is wrong. The descriptor is an O_PATH one: closing a
// descriptor opened for reading or writing would drop the POSIX locks SQLite holds on the same
// file in this process, and another process would then reset the shared-memory index under it.
struct PrivateEntry {
    int fd = -1;
    QString problem;
};
PrivateEntry openPrivate(int parent, const QByteArray& name, bool create, mode_t mode) {
    int fd = ::openat(parent, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create) {
        // A file that did not exist holds no locks to drop.
        const int created = ::openat(parent, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (created >= 0) ::close(created);
        fd = ::openat(parent, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) return {-1, QString::fromLocal8Bit(std::strerror(errno))};
    struct stat info {};
    QString problem;
    if (::fstat(fd, &info) != 0) problem = QString::fromLocal8Bit(std::strerror(errno));
    else if (S_ISLNK(info.st_mode)) problem = QStringLiteral("it is a symbolic link");
    else if (info.st_uid != ::getuid()) problem = QStringLiteral("it belongs to another user");
    else if ((info.st_mode & 07777) != mode && !setModeThrough(fd, mode))
        problem = QStringLiteral("its permissions could not be made private: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    if (!problem.isEmpty()) {
        ::close(fd);
        return {-1, problem};
    }
    return {fd, QString()};
}

// The clip rows of `SELECT <columns> <tail>`.
StoreResult<QList<ClipItem>> selectItems(Database& db, const QString& tail, const std::vector<Value>& values) {
    auto statement = db.prepare(QStringLiteral("SELECT ") + Database::columnList() + tail, values);
    if (!statement) return statement.error();
    return db.readItems(statement.value());
}

}  // namespace

void HistoryStore::report(const char* operation, const StoreError& error) const {
    static const char* const kinds[] = {"database", "file system", "property list"};
    // The operation, the kind and the reason: a clip's content never reaches the log.
    if (failureLog_)
        failureLog_->write(QStringLiteral("Mendrake: could not %1 (%2): %3")
                               .arg(QLatin1String(operation), QLatin1String(kinds[int(error.kind)]), error.message));
}

HistoryStore::HistoryStore(Clock& clock, QString directory)
    : clock_(clock),
      directory_(std::move(directory)),
      blobDirectory_(directory_ + u'/' + QLatin1String(kBlobDirectoryName)),
      db_(std::make_unique<Database>()) {}

HistoryStore::~HistoryStore() {
    if (db_->handle() && deletions_ > erasedUpTo_) eraseDeletedText();
}

Database& connectionOf(HistoryStore& store) { return *store.db_; }

QString HistoryStore::defaultDirectory() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Mendrake");
}

QString HistoryStore::databasePath() const { return directory_ + u'/' + QLatin1String(kDatabaseName); }

QString HistoryStore::blobPath(const QString& name) const { return blobDirectory_ + u'/' + name; }

StoreResult<std::unique_ptr<HistoryStore>> HistoryStore::open(Clock& clock, std::optional<QString> directory,
                                                              PageCache cache) {
    QString root = directory.value_or(defaultDirectory());
    while (root.size() > 1 && root.endsWith(u'/')) root.chop(1);
    // An empty path would put the history at the file-system root.
    if (root.isEmpty()) return StoreError::fileSystem(QStringLiteral("No folder was given for the history."));
    std::unique_ptr<HistoryStore> store(new HistoryStore(clock, root));
    store->cache_ = cache;
    if (auto error = store->openDatabase()) return *error;
    return store;
}

std::optional<StoreError> HistoryStore::openDatabase() {
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(directory_).toStdString(), ec);
    if (ec) {
        return StoreError::fileSystem(QStringLiteral("Could not create the history folder “%1”: %2")
                                          .arg(directory_, QString::fromLocal8Bit(ec.message().c_str())));
    }
    auto refuse = [](const QString& path, const QString& problem) {
        return StoreError::fileSystem(QStringLiteral("Mendrake will not use “%1”: %2.").arg(path, problem));
    };
    // Each part of the store is opened without following links and checked through its descriptor,
    // so a link or a file of another user planted in its place is refused, never written through.
    const PrivateEntry folder = openPrivate(AT_FDCWD, QFile::encodeName(directory_), false, kPrivateDirectory);
    if (folder.fd < 0) return refuse(directory_, folder.problem);
    const auto closeFolder = qScopeGuard([&] { ::close(folder.fd); });
    if (::mkdirat(folder.fd, kBlobDirectoryName, kPrivateDirectory) != 0 && errno != EEXIST)
        return StoreError::fileSystem(QStringLiteral("Could not create the history folder “%1”: %2")
                                          .arg(blobDirectory_, QString::fromLocal8Bit(std::strerror(errno))));
    const PrivateEntry blobs = openPrivate(folder.fd, kBlobDirectoryName, false, kPrivateDirectory);
    if (blobs.fd < 0) return refuse(blobDirectory_, blobs.problem);
    ::close(blobs.fd);
    // A missing database file is created private here, so that it is never readable by others,
    // not even for a moment. SQLite gives -wal and -shm the same mode.
    const PrivateEntry database = openPrivate(folder.fd, kDatabaseName, true, kPrivateFile);
    if (database.fd < 0) return refuse(databasePath(), database.problem);
    ::close(database.fd);
    for (const char* suffix : {"-wal", "-shm"}) {
        const QByteArray name = QByteArray(kDatabaseName) + suffix;
        const PrivateEntry companion = openPrivate(folder.fd, name, false, kPrivateFile);
        if (companion.fd >= 0) ::close(companion.fd);
        else if (::faccessat(folder.fd, name.constData(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
            return refuse(databasePath() + QLatin1String(suffix), companion.problem);
    }
    removeStaleTemporaries(blobDirectory_);

    const QByteArray dbPath = QFile::encodeName(databasePath());
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(dbPath.constData(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc != SQLITE_OK) {
        StoreError error = StoreError::sqlite(QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc)));
        sqlite3_close(handle);
        return error;
    }
    db_->adopt(handle);
    sqlite3_busy_timeout(db_->handle(), kBusyTimeoutMs);
    // Deleted rows are overwritten with zeros whatever this SQLite was built with; a build where the
    // setting does not hold would leave deleted clips in the file, so the store does not open.
    if (auto error = db_->exec(QStringLiteral("PRAGMA secure_delete = ON;"))) return error;
    const auto secureDelete = db_->queryInt(QStringLiteral("PRAGMA secure_delete"));
    if (!secureDelete || secureDelete.value() != 1)
        return StoreError::sqlite(QStringLiteral("secure deletion could not be turned on"));
    if (auto error = db_->exec(QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") +
                          QLatin1String(kJournalSizeLimit)))
        return error;

    const auto version = db_->queryInt(QStringLiteral("PRAGMA user_version"));
    if (!version.ok() || !version.value() || *version.value() < 1) {
        if (auto error = db_->exec(QString::fromLatin1(kSchema))) return error;
    }
    // Before anything reads the tables: opening scans every row for the blob names.
    (void)db_->exec(QString::fromLatin1(cache_ == PageCache::small ? kSmallConnectionTuning : kConnectionTuning));
    (void)db_->exec(QString::fromLatin1(kReadIndexes));
    loadNamingKey();
    addPrefixIndexes();
    repairModes();
    if (const auto write = beginWrite(); write.ok()) {
        (void)removeUnnamedBlobs();
        (void)commitWrite(*write);
    }
    return std::nullopt;
}

void HistoryStore::addPrefixIndexes() {
    {
        auto statement = db_->prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'clips_fts'"));
        if (!statement || statement->step() != SQLITE_ROW) return;
        if (statement->optionalTextAt(0).value_or(QString()).contains(QStringLiteral("prefix="))) return;
    }
    // Only speed is at stake: a failure leaves the index as it was.
    if (db_->exec(QString::fromLatin1(kPrefixIndexedFts))) (void)db_->exec(QStringLiteral("ROLLBACK"));
}

void HistoryStore::repairModes() {
    // The folder, Blobs and the database files were checked before SQLite opened them (SQLite
    // gives the -wal and -shm it creates the database's mode); these are the blob files.
    QDirIterator blobs(blobDirectory_, QDir::Files | QDir::Hidden | QDir::System);
    while (blobs.hasNext()) setPrivateMode(blobs.next());
}

void HistoryStore::setPrivateMode(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 07777) != kPrivateFile)
        setModeThrough(fd, kPrivateFile);
    ::close(fd);
}

std::optional<StoreError> HistoryStore::removeUnnamedBlobs() {
    // A process killed between a deletion's commit and the removal of its files, or between writing
    // a file and inserting its row, leaves files no row names: clipboard content nothing would
    // ever delete. Called inside a write transaction, so no row naming a listed file can be
    // committed meanwhile.
    QSet<QString> named;
    auto select = db_->prepare(QStringLiteral("SELECT blob FROM clips WHERE blob IS NOT NULL"));
    if (!select) return select.error();
    int rc;
    while ((rc = select->step()) == SQLITE_ROW) named.insert(select->textAt(0));
    if (rc != SQLITE_DONE) return db_->lastError();
    QDirIterator files(blobDirectory_, QDir::Files | QDir::Hidden | QDir::System);
    while (files.hasNext()) {
        const QString path = files.next();
        if (!named.contains(files.fileName())) eraseBlobFile(path);
    }
    return std::nullopt;
}

StoreResult<HistoryStore::Write> HistoryStore::beginWrite() {
    // Takes the write lock at once (waiting up to the busy time-out), so that what is read inside
    // holds until the commit. Inside a caller's transaction, a savepoint instead.
    const Write write{!sqlite3_get_autocommit(db_->handle())};
    if (auto error = db_->exec(write.nested ? QStringLiteral("SAVEPOINT store_write") : QStringLiteral("BEGIN IMMEDIATE")))
        return *error;
    return write;
}

std::optional<StoreError> HistoryStore::commitWrite(Write write) {
    return db_->exec(write.nested ? QStringLiteral("RELEASE store_write") : QStringLiteral("COMMIT"));
}

void HistoryStore::rollbackWrite(Write write) {
    if (sqlite3_get_autocommit(db_->handle())) return;  // already rolled back by SQLite
    (void)db_->exec(write.nested ? QStringLiteral("ROLLBACK TO store_write; RELEASE store_write") : QStringLiteral("ROLLBACK"));
}

StoreResult<ClipItem> HistoryStore::record(const CapturedClip& clip) {
    auto recorded = recordUnderLock(clip);
    if (!recorded) report(qPrintable(QStringLiteral("record a %1 copy").arg(rawValue(clip.kind))), recorded.error());
    return recorded;
}

StoreResult<ClipItem> HistoryStore::recordUnderLock(const CapturedClip& clip) {
    // The file is written and its row committed under the write lock, so that no deletion can
    // judge the file unnamed in between; a failure erases a file that no row names.
    const auto write = beginWrite();
    if (!write) return write.error();
    std::optional<QString> written, replaced;
    auto recorded = recordInTransaction(clip, written, replaced);
    if (recorded) {
        const auto error = commitWrite(*write);
        if (!error) {
            // A row upgraded from a file under an older name leaves that file unnamed.
            if (replaced && replaced != written) eraseUnnamedBlobs({*replaced});
            return recorded;
        }
        recorded = *error;
    }
    if (written) eraseUnnamedBlobs({*written});
    rollbackWrite(*write);
    return recorded;
}

StoreResult<ClipItem> HistoryStore::recordInTransaction(const CapturedClip& clip, std::optional<QString>& written,
                                                        std::optional<QString>& replaced) {
    const double now = clock_.now();
    const QString blobName = blobNameFor(clip.hash);
    auto writeBlob = [&]() -> std::optional<StoreError> {
        if (!isContentHash(clip.hash))
            return StoreError::fileSystem(QStringLiteral("Refusing to name a blob file after “%1”.").arg(clip.hash));
        if (auto error = writeBlobFile(blobPath(blobName), clip.representations)) return error;
        written = blobName;
        return std::nullopt;
    };

    const auto existing = db_->queryInt(QStringLiteral("SELECT id FROM clips WHERE hash = ?"), {clip.hash});
    if (!existing) return existing.error();

    if (const auto id = existing.value()) {
        auto refresh = db_->prepare(QStringLiteral("UPDATE clips SET last_used_at = ?, source_bundle = ?, source_name = ? "
                                              "WHERE id = ?"),
                               {now, textOrNull(clip.sourceAppId), textOrNull(clip.sourceAppName), *id});
        if (!refresh) return refresh.error();
        if (auto error = db_->stepToDone(refresh.value())) return *error;

        if (clip.kind == ClipKind::richText && !clip.representations.empty()) {
            replaced = fetch(*id).value_or(ClipItem{}).blob;
            if (auto error = writeBlob()) return *error;
            auto upgrade = db_->prepare(QStringLiteral("UPDATE clips SET kind = ?, blob = ?, size = ? WHERE id = ?"),
                                   {rawValue(ClipKind::richText), blobName, clip.byteSize, *id});
            if (!upgrade) return upgrade.error();
            if (auto error = db_->stepToDone(upgrade.value())) return *error;
        }
        if (auto item = fetch(*id)) return *item;
    }

    std::optional<QString> blob;
    if (!clip.representations.empty()) {
        // The file goes first (synced): a row must never name a blob that is not on disk.
        if (auto error = writeBlob()) return *error;
        blob = blobName;
    }
    auto insert = db_->prepare(QStringLiteral("INSERT INTO clips (kind, text, hash, source_bundle, source_name, created_at, "
                                         "last_used_at, pinned, blob, size)\nVALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?)"),
                          {rawValue(clip.kind), clip.text, clip.hash, textOrNull(clip.sourceAppId),
                           textOrNull(clip.sourceAppName), now, now, textOrNull(blob), clip.byteSize});
    if (!insert) return insert.error();
    if (auto error = db_->stepToDone(insert.value())) return *error;
    if (auto item = fetch(sqlite3_last_insert_rowid(db_->handle()))) return *item;
    return StoreError::sqlite(QStringLiteral("inserted row not found"));
}

void HistoryStore::loadNamingKey() {
    // One random key per store, kept in the database beside the rows that name files with it; a
    // store that cannot keep one names files after the bare hash, as before keyed names.
    (void)db_->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS naming_key (id INTEGER PRIMARY KEY CHECK (id = 1), "
                              "key BLOB NOT NULL)"));
    auto read = [&] {
        auto statement = db_->prepare(QStringLiteral("SELECT key FROM naming_key WHERE id = 1"));
        if (statement && statement->step() == SQLITE_ROW)
            namingKey_ = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement->handle(), 0)),
                                    sqlite3_column_bytes(statement->handle(), 0));
    };
    read();
    if (namingKey_.size() >= 32) return;
    QByteArray key(32, Qt::Uninitialized);
    if (::getrandom(key.data(), size_t(key.size()), 0) != key.size()) return;
    if (auto insert = db_->prepare(QStringLiteral("INSERT OR IGNORE INTO naming_key (id, key) VALUES (1, ?)"))) {
        sqlite3_bind_blob(insert->handle(), 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        (void)db_->stepToDone(insert.value());
    }
    read();
    if (namingKey_.size() < 32) namingKey_.clear();
}

QString HistoryStore::blobNameFor(const QString& hash) const {
    // Keyed, so that a listing of Blobs cannot confirm a guessed secret by hashing it.
    if (namingKey_.isEmpty()) return hash + QStringLiteral(".plist");
    return QString::fromLatin1(
               QMessageAuthenticationCode::hash(hash.toLatin1(), namingKey_, QCryptographicHash::Sha256).toHex()) +
           QStringLiteral(".plist");
}

void HistoryStore::touch(qint64 id) {
    auto statement = db_->prepare(QStringLiteral("UPDATE clips SET last_used_at = ? WHERE id = ?"), {clock_.now(), id});
    const auto error = statement ? db_->stepToDone(statement.value()) : statement.error();
    if (error) report("mark an item as used", *error);
}

std::optional<ClipItem> HistoryStore::fetch(qint64 id) {
    const auto items = selectItems(*db_, QStringLiteral(" FROM clips c WHERE c.id = ?"), {id});
    if (!items) report("read an item", items.error());
    if (!items || items->isEmpty()) return std::nullopt;
    return items->first();
}

QList<ClipItem> HistoryStore::recent(qint64 limit) {
    // The newest `limit` rows and the pinned rows. The union of ids, rather than an OR over the
    // table, reads only those rows instead of scanning every row's text for its pinned flag.
    auto items = selectItems(*db_,
                             QStringLiteral(" FROM clips c\nWHERE c.id IN (SELECT id FROM (SELECT id FROM clips ORDER BY "
                                            "last_used_at DESC LIMIT ?) UNION SELECT id FROM clips WHERE pinned = 1)\n"
                                            "ORDER BY c.last_used_at DESC"),
                             {limit});
    if (!items) report("read the history", items.error());
    return items ? std::move(items).value() : QList<ClipItem>();
}

QString HistoryStore::matchExpression(const QString& query) {
    QStringList phrases;
    for (const QString& piece : searchWords(query)) {
        QString quoted = piece;
        quoted.replace(u'"', QStringLiteral("\"\""));
        // FTS5 reads a NUL as the end of the query (a syntax error that empties the results); the
        // tokenizer splits indexed text at NUL anyway, so inside the phrase a space means the same.
        quoted.replace(QChar(0), u' ');
        phrases << u'"' + quoted + QStringLiteral("\"*");
    }
    return phrases.join(u' ');
}

QList<ClipItem> HistoryStore::search(const QString& query, qint64 limit) {
    const QString matchExpression = HistoryStore::matchExpression(query);
    if (matchExpression.isEmpty()) return {};
    // When many rows match (a query being typed ends in a one- or two-letter prefix, which matches
    // most rows), the newest rows are walked along the recency index and kept when their id is
    // among the full-text rowids, which stops at the limit; ordering every match by recency would
    // cost several times more. With few matches the walk would cover the whole history, so they
    // take the plan below. Counting stops at the threshold, so the check costs little.
    auto counted = db_->queryInt(QStringLiteral("SELECT count(*) FROM (SELECT rowid FROM clips_fts WHERE clips_fts MATCH ? "
                                           "LIMIT ?)"),
                            {matchExpression, kManyMatches});
    if (counted.ok() && counted.value().value_or(0) >= kManyMatches) {
        auto items = selectItems(*db_,
                                 QStringLiteral(" FROM clips c\nWHERE c.id IN (SELECT m.id FROM clips m INDEXED BY "
                                                "idx_clips_last_used WHERE m.id IN (SELECT rowid FROM clips_fts WHERE "
                                                "clips_fts MATCH ?) ORDER BY m.last_used_at DESC LIMIT ?)\nORDER BY "
                                                "c.last_used_at DESC"),
                                 {matchExpression, limit});
        if (items) return std::move(items).value();
    }
    // The newest matches are chosen on (id, last_used_at) from a covering index; only those rows
    // are then read, so a common word does not carry every matching row's text through the sort.
    auto items = selectItems(*db_,
                             QStringLiteral(" FROM clips c\nWHERE c.id IN (SELECT m.id FROM clips_fts JOIN clips m INDEXED "
                                            "BY idx_clips_id_last_used ON m.id = clips_fts.rowid WHERE clips_fts MATCH ? "
                                            "ORDER BY m.last_used_at DESC LIMIT ?)\nORDER BY c.last_used_at DESC"),
                             {matchExpression, limit});
    if (items) return std::move(items).value();
    // Without that index (it could not be created, or was dropped), the straightforward join.
    items = selectItems(*db_,
                        QStringLiteral(" FROM clips c\nJOIN clips_fts ON clips_fts.rowid = c.id\nWHERE clips_fts MATCH "
                                       "?\nORDER BY c.last_used_at DESC LIMIT ?"),
                        {matchExpression, limit});
    if (!items) report("search the history", items.error());
    return items ? std::move(items).value() : QList<ClipItem>();
}

std::optional<QString> HistoryStore::fullText(qint64 id) {
    auto statement = db_->prepare(QStringLiteral("SELECT text FROM clips WHERE id = ?"), {id});
    if (!statement) {
        report("read an item's text", statement.error());
        return std::nullopt;
    }
    const int rc = statement->step();
    if (rc == SQLITE_ROW) return statement->optionalTextAt(0);
    if (rc != SQLITE_DONE) report("read an item's text", db_->lastError());
    return std::nullopt;
}

RepresentationMap HistoryStore::representations(const ClipItem& item) {
    if (!item.blob || !isPlainFileName(*item.blob)) return {};
    return readBlobFile(blobPath(*item.blob));
}

std::function<QImage()> HistoryStore::imageReader(const ClipItem& item) {
    if (!item.blob || !isPlainFileName(*item.blob)) return [] { return QImage(); };
    return [path = blobPath(*item.blob)] {
        const RepresentationMap map = readBlobFile(path);
        auto found = map.find(QLatin1String(kPngType));
        if (found == map.end()) found = map.find(QLatin1String(kTiffType));
        if (found == map.end()) return QImage();
        return QImage::fromData(found->second);
    };
}

void HistoryStore::setPinned(qint64 id, bool pinned) {
    auto statement = db_->prepare(QStringLiteral("UPDATE clips SET pinned = ? WHERE id = ?"), {qint64(pinned ? 1 : 0), id});
    const auto error = statement ? db_->stepToDone(statement.value()) : statement.error();
    if (error) report(pinned ? "pin an item" : "unpin an item", *error);
}

std::optional<StoreError> HistoryStore::deleteItem(qint64 id) {
    auto error = deleteRows(QStringLiteral(" WHERE id = ?"), id);
    if (error) report("delete an item", *error);
    else ++deletions_;
    return error;
}

std::optional<StoreError> HistoryStore::deleteRows(const QString& where, std::optional<qint64> id) {
    const std::vector<Value> values = id ? std::vector<Value>{*id} : std::vector<Value>{};
    const auto write = beginWrite();
    if (!write) return write.error();
    QList<QString> names;
    auto fail = [&](StoreError error) {
        rollbackWrite(*write);
        return error;
    };
    auto select = db_->prepare(QStringLiteral("SELECT blob FROM clips") + where, values);
    if (!select) return fail(select.error());
    int rc;
    while ((rc = select->step()) == SQLITE_ROW)
        if (!select->isNullAt(0)) names << select->textAt(0);
    if (rc != SQLITE_DONE) return fail(db_->lastError());
    auto remove = db_->prepare(QStringLiteral("DELETE FROM clips") + where, values);
    if (!remove) return fail(remove.error());
    // The files stay while their rows do: a failed delete must not leave a row without its blob.
    if (auto error = db_->stepToDone(remove.value())) return fail(*error);
    const bool changed = sqlite3_changes(db_->handle()) > 0;
    if (auto error = commitWrite(*write)) return fail(*error);
    if (changed) eraseUnnamedBlobs(names);
    return std::nullopt;
}

qint64 HistoryStore::count() {
    const auto n = db_->queryInt(QStringLiteral("SELECT count(*) FROM clips"));
    if (!n) report("count the history", n.error());
    return n && n.value() ? *n.value() : 0;
}

void HistoryStore::eraseUnnamedBlobs(const QList<QString>& names) {
    if (names.isEmpty()) return;
    // Re-checked inside a write transaction: a file is erased only when no row names it, and no
    // other connection can add such a row while the lock is held. Savepoints nest inside a
    // transaction the caller already holds.
    const bool locked = !db_->exec(QStringLiteral("SAVEPOINT erase_blobs"));
    for (const QString& name : names) {
        if (!isPlainFileName(name)) continue;
        const auto named = db_->queryInt(QStringLiteral("SELECT 1 FROM clips WHERE blob = ? LIMIT 1"), {name});
        if (named && !named.value()) eraseBlobFile(blobPath(name));
    }
    if (locked) (void)db_->exec(QStringLiteral("RELEASE erase_blobs"));
}

void HistoryStore::eraseDeletedText() {
    erasedUpTo_ = deletions_;
    if (auto error = db_->exec(QLatin1String(kScrub))) report("merge deleted text out of the index", *error);
}

QSet<qint64> HistoryStore::trim(qint64 retentionDays, qint64 maxItems) {
    struct Victim {
        qint64 id;
        std::optional<QString> blob;
    };
    std::vector<Victim> victims;
    auto collect = [&](const QString& sql, const std::vector<Value>& values) {
        auto statement = db_->prepare(sql, values);
        if (!statement) return;
        std::vector<Victim> found;
        int rc;
        while ((rc = statement->step()) == SQLITE_ROW) found.push_back({statement->int64At(0), statement->optionalTextAt(1)});
        if (rc == SQLITE_DONE) victims.insert(victims.end(), found.begin(), found.end());
    };
    if (retentionDays >= 1) {
        const double cutoff = clock_.now() - double(retentionDays) * 86400.0;
        collect(QStringLiteral("SELECT id, blob FROM clips WHERE pinned = 0 AND last_used_at < ?"), {cutoff});
    }
    // A count below 1 (a hand-edited setting) is no limit: it must never empty the history.
    if (maxItems >= 1 && maxItems != noCountLimit) {
        collect(QStringLiteral("SELECT id, blob FROM clips WHERE pinned = 0 ORDER BY last_used_at DESC LIMIT -1 OFFSET ?"),
                {maxItems});
    }
    if (victims.empty()) return {};

    // Deleting in id order walks the table and the index once instead of jumping about.
    std::vector<qint64> ids;
    for (const Victim& v : victims) ids.push_back(v.id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    // All deletions run in one transaction whose outcome alone decides what is reported and which
    // files go: when it is lost, nothing was deleted, whatever the statements answered.
    const auto write = beginWrite();
    if (!write) {
        report("trim the history", write.error());
        return {};
    }
    QSet<qint64> deleted;
    // One statement for the whole set first: the full-text index flushes its pending changes at
    // every statement, so row-by-row deletion costs about three times as much. If that statement
    // fails it changes nothing, and each id is then tried on its own so one bad row keeps only
    // itself, unless the failure rolled the whole transaction back.
    QByteArray idList = "[";
    for (qint64 id : ids) idList += QByteArray::number(id) + ',';
    idList.back() = ']';
    auto removeAll = db_->prepare(QStringLiteral("DELETE FROM clips WHERE id IN (SELECT value FROM json_each(?))"),
                             {QString::fromLatin1(idList)});
    if (removeAll && !db_->stepToDone(removeAll.value())) {
        for (qint64 id : ids) deleted.insert(id);
    } else if (auto remove = db_->prepare(QStringLiteral("DELETE FROM clips WHERE id = ?")); remove && !sqlite3_get_autocommit(db_->handle())) {
        for (qint64 id : ids) {
            sqlite3_reset(remove->handle());
            sqlite3_bind_int64(remove->handle(), 1, id);
            if (remove->step() == SQLITE_DONE) {
                deleted.insert(id);
                continue;
            }
            report("trim an item", db_->lastError());
            if (sqlite3_get_autocommit(db_->handle())) break;
        }
    }
    const auto lost = sqlite3_get_autocommit(db_->handle()) ? std::optional(db_->lastError()) : commitWrite(*write);
    if (lost) {
        report("trim the history", *lost);
        rollbackWrite(*write);
        return {};
    }

    QList<QString> names;
    for (const Victim& v : victims)
        if (v.blob && deleted.contains(v.id)) names << *v.blob;
    if (!deleted.isEmpty()) {
        eraseUnnamedBlobs(names);
        eraseDeletedText();
    }
    return deleted;
}

std::optional<StoreError> HistoryStore::clearHistory(bool keepPinned) {
    if (auto error = deleteRows(keepPinned ? QStringLiteral(" WHERE pinned = 0") : QString(), std::nullopt)) {
        report("clear the history", *error);
        return error;
    }
    // Files no row names, whatever left them, go with the history.
    if (const auto write = beginWrite(); write.ok()) {
        (void)removeUnnamedBlobs();
        (void)commitWrite(*write);
    }
    eraseDeletedText();
    return std::nullopt;
}

qint64 HistoryStore::diskUsage() {
    qint64 total = 0;
    QDirIterator it(directory_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = QFile::encodeName(it.next());
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode)) total += qint64(info.st_blocks) * 512;
    }
    return total;
}

}  // namespace mendrake
