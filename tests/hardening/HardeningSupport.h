#pragma once
// Clips built as the classification builds them, and the check that a store directory is whole:
// the database passes SQLite's and FTS5's integrity checks, and every row is complete and names a
// blob file that exists, decodes and holds the content the row's hash was made from.

#include "capture/Classification.h"
#include "capture/ClipModel.h"
#include "store/BlobFile.h"
#include "store/HistoryStore.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QStringList>

#include <sqlite3.h>

namespace mendrake::test {

enum class HardeningKind { text, richText, image, file };

// Clip n of a kind; images grow with n up to a few hundred KiB (noise does not compress).
inline CapturedClip hardeningClip(int n, HardeningKind kind) {
    CapturedClip clip;
    if (kind == HardeningKind::image) {
        const int side = 16 + (n * 37) % 300;
        QImage image(side, side, QImage::Format_RGB32);
        quint32 state = 2166136261u ^ quint32(n);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) image.setPixel(x, y, (state = state * 1664525u + 1013904223u) >> 8);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        clip = {ClipKind::image, imageText(buffer.data()), contentHash("image", buffer.data()),
                {{QStringLiteral("public.png"), buffer.data()}}};
    } else if (kind == HardeningKind::file) {
        const QString paths = QStringLiteral("/home/user/file-%1.txt\n/home/user/other-%1.pdf").arg(n);
        clip = {ClipKind::file, QStringLiteral("2 files: file-%1.txt, other-%1.pdf\n").arg(n) + paths,
                contentHash("file", paths.toUtf8()), {{filePathsType, paths.toUtf8()}}};
    } else {
        const QString text = QStringLiteral("clip %1 ").arg(n).repeated(1 + n % 97);
        clip = {kind == HardeningKind::richText ? ClipKind::richText : ClipKind::text, text,
                contentHash("text", text.toUtf8())};
        if (kind == HardeningKind::richText)
            clip.representations = {{QStringLiteral("public.utf8-plain-text"), text.toUtf8()},
                                    {QStringLiteral("public.html"), "<b>" + text.toUtf8() + "</b>"}};
        clip.sourceBundleID = QStringLiteral("org.example.Editor");
        clip.sourceAppName = QStringLiteral("Editor");
    }
    for (const auto& [type, bytes] : clip.representations) clip.byteSize += bytes.size();
    return clip;
}

// What is wrong with the store in `directory`, one line per fault; empty when it is whole. Uses its
// own plain SQLite connection (which replays the write-ahead log as any next start would), not the
// store, so that nothing the store does at open hides a fault.
struct StoreCheck {
    QStringList faults;
    qint64 rows = 0;
    qint64 blobRows = 0;
    int orphanBlobs = 0;  // files no row names: harmless leftovers of an interrupted write or delete
};

inline StoreCheck checkStoreDirectory(const QString& directory) {
    StoreCheck check;
    const QString databasePath = directory + QStringLiteral("/history.sqlite");
    // Killed before the database file was created: nothing was written, nothing to check.
    if (!QFile::exists(databasePath)) return check;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    auto fault = [&](const QString& what) { check.faults << what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)); };
    auto text = [](sqlite3_stmt* s, int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)), sqlite3_column_bytes(s, column));
    };
    auto eachRow = [&](const char* sql, auto&& onRow) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) return fault(QString::fromUtf8(sql));
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) onRow(statement);
        if (rc != SQLITE_DONE) fault(QString::fromUtf8(sql));
        sqlite3_finalize(statement);
    };
    // A database whose schema was never finished (killed while creating it) has no rows to check.
    bool hasTable = false;
    eachRow("SELECT 1 FROM sqlite_master WHERE name = 'clips'", [&](sqlite3_stmt*) { hasTable = true; });
    eachRow("PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        if (text(s, 0) != QLatin1String("ok")) check.faults << QStringLiteral("integrity_check: ") + text(s, 0);
    });
    if (hasTable && sqlite3_exec(db, "INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)", nullptr,
                                 nullptr, nullptr) != SQLITE_OK)
        fault(QStringLiteral("full-text index"));
    QSet<QString> named;
    if (hasTable) eachRow("SELECT id, kind, text, hash, blob, size, created_at, last_used_at FROM clips", [&](sqlite3_stmt* s) {
        ++check.rows;
        const QString where = QStringLiteral("row %1: ").arg(sqlite3_column_int64(s, 0));
        const auto kind = clipKindFromRaw(text(s, 1));
        if (!kind) check.faults << where + QStringLiteral("kind “%1”").arg(text(s, 1));
        if (sqlite3_column_double(s, 6) <= 0 || sqlite3_column_double(s, 7) < sqlite3_column_double(s, 6))
            check.faults << where + QStringLiteral("times");
        RepresentationMap map;
        if (sqlite3_column_type(s, 4) != SQLITE_NULL) {
            ++check.blobRows;
            named.insert(text(s, 4));
            QFile file(directory + QStringLiteral("/Blobs/") + text(s, 4));
            const auto decoded = file.open(QIODevice::ReadOnly) ? decodeRepresentations(file.readAll()) : std::nullopt;
            if (!decoded || decoded->empty()) check.faults << where + QStringLiteral("blob %1 missing or unreadable").arg(text(s, 4));
            else map = *decoded;
        }
        qint64 total = 0;
        for (const auto& [type, bytes] : map) total += bytes.size();
        if (!map.empty() && total != sqlite3_column_int64(s, 5)) check.faults << where + QStringLiteral("size");
        // The hash is made from the content: a row whose text or blob does not give it back was
        // half-written (or belongs to another row's file).
        const char* tag = kind == ClipKind::image ? "image" : kind == ClipKind::file ? "file" : "text";
        const QString type = kind == ClipKind::image ? QStringLiteral("public.png") : filePathsType;
        const QByteArray content = std::string(tag) == "text" ? text(s, 2).toUtf8() : map[type];
        if (contentHash(tag, content) != text(s, 3)) check.faults << where + QStringLiteral("hash does not match its content");
    });
    for (const QString& name : QDir(directory + QStringLiteral("/Blobs")).entryList(QDir::Files | QDir::Hidden))
        if (!named.contains(name)) ++check.orphanBlobs;
    sqlite3_close(db);
    return check;
}

}  // namespace mendrake::test
