#pragma once
// Clips built as the classification builds them (kind, text, hash from the content, representation
// map, byte size), and the check that a store directory is whole: the database passes SQLite's and
// FTS5's integrity checks, and every row is complete and names a blob file that exists, decodes and
// holds the content the row's hash was made from.

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

inline CapturedClip hardeningTextClip(int n, bool rich) {
    const QString text = QStringLiteral("clip %1 ").arg(n).repeated(1 + n % 97);
    CapturedClip clip;
    clip.kind = rich ? ClipKind::richText : ClipKind::text;
    clip.text = text;
    clip.hash = contentHash("text", text.toUtf8());
    if (rich) {
        clip.representations[QStringLiteral("public.utf8-plain-text")] = text.toUtf8();
        clip.representations[QStringLiteral("public.html")] = "<b>" + text.toUtf8() + "</b>";
    }
    for (const auto& [type, bytes] : clip.representations) clip.byteSize += bytes.size();
    clip.sourceBundleID = QStringLiteral("org.example.Editor");
    clip.sourceAppName = QStringLiteral("Editor");
    return clip;
}

// A PNG whose size grows with n (up to a few hundred KiB: noise does not compress).
inline QByteArray noisePng(int n, int side) {
    QImage image(side, side, QImage::Format_RGB32);
    quint32 state = 2166136261u ^ quint32(n);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixel(x, y, state >> 8);
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline CapturedClip hardeningImageClip(int n) {
    const QByteArray png = noisePng(n, 16 + (n * 37) % 300);
    CapturedClip clip;
    clip.kind = ClipKind::image;
    clip.text = imageText(png);
    clip.hash = contentHash("image", png);
    clip.representations[QStringLiteral("public.png")] = png;
    clip.byteSize = png.size();
    return clip;
}

inline CapturedClip hardeningFileClip(int n) {
    const QString paths = QStringLiteral("/home/user/file-%1.txt\n/home/user/other-%1.pdf").arg(n);
    CapturedClip clip;
    clip.kind = ClipKind::file;
    clip.text = QStringLiteral("2 files: file-%1.txt, other-%1.pdf\n").arg(n) + paths;
    clip.hash = contentHash("file", paths.toUtf8());
    clip.representations[filePathsType] = paths.toUtf8();
    clip.byteSize = paths.toUtf8().size();
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
    const QString blobDirectory = directory + QStringLiteral("/Blobs");
    // Killed before the database file was created: nothing was written, nothing to check.
    if (!QFile::exists(databasePath)) return check;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        check.faults << QStringLiteral("cannot open: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return check;
    }
    auto eachRow = [&](const char* sql, auto&& onRow) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            check.faults << QStringLiteral("%1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(sqlite3_errmsg(db)));
            return;
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) onRow(statement);
        if (rc != SQLITE_DONE)
            check.faults << QStringLiteral("%1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(statement);
    };
    auto text = [](sqlite3_stmt* s, int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)), sqlite3_column_bytes(s, column));
    };

    // A database whose schema was never finished (killed while creating it) has no rows to check.
    bool hasTable = false;
    eachRow("SELECT 1 FROM sqlite_master WHERE name = 'clips'", [&](sqlite3_stmt*) { hasTable = true; });
    eachRow("PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        if (text(s, 0) != QLatin1String("ok")) check.faults << QStringLiteral("integrity_check: ") + text(s, 0);
    });
    if (!hasTable) {
        sqlite3_close(db);
        return check;
    }
    char* message = nullptr;
    if (sqlite3_exec(db, "INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)", nullptr, nullptr,
                     &message) != SQLITE_OK)
        check.faults << QStringLiteral("full-text index: %1").arg(QString::fromUtf8(message ? message : "?"));
    sqlite3_free(message);

    QSet<QString> named;
    eachRow("SELECT id, kind, text, hash, blob, size, created_at, last_used_at FROM clips", [&](sqlite3_stmt* s) {
        ++check.rows;
        const qint64 id = sqlite3_column_int64(s, 0);
        const QString where = QStringLiteral("row %1: ").arg(id);
        const auto kind = clipKindFromRaw(text(s, 1));
        const QString rowText = text(s, 2);
        const QString hash = text(s, 3);
        if (!kind) check.faults << where + QStringLiteral("kind “%1”").arg(text(s, 1));
        if (sqlite3_column_double(s, 6) <= 0 || sqlite3_column_double(s, 7) < sqlite3_column_double(s, 6))
            check.faults << where + QStringLiteral("times");
        RepresentationMap map;
        if (sqlite3_column_type(s, 4) != SQLITE_NULL) {
            ++check.blobRows;
            const QString blob = text(s, 4);
            named.insert(blob);
            const QString path = blobDirectory + u'/' + blob;
            if (!QFile::exists(path)) check.faults << where + QStringLiteral("blob %1 missing").arg(blob);
            else {
                QFile file(path);
                file.open(QIODevice::ReadOnly);
                const auto decoded = decodeRepresentations(file.readAll());
                if (!decoded || decoded->empty()) check.faults << where + QStringLiteral("blob %1 does not decode").arg(blob);
                else map = *decoded;
            }
        }
        qint64 total = 0;
        for (const auto& [type, bytes] : map) total += bytes.size();
        if (!map.empty() && total != sqlite3_column_int64(s, 5))
            check.faults << where + QStringLiteral("size %1, blob holds %2").arg(sqlite3_column_int64(s, 5)).arg(total);
        // The hash is made from the content: a row whose text or blob does not give it back was
        // half-written (or belongs to another row's file).
        QString expected;
        if (kind == ClipKind::image) {
            if (auto png = map.find(QStringLiteral("public.png")); png != map.end()) expected = contentHash("image", png->second);
        } else if (kind == ClipKind::file) {
            if (auto paths = map.find(filePathsType); paths != map.end()) expected = contentHash("file", paths->second);
        } else {
            expected = contentHash("text", rowText.toUtf8());
        }
        if (expected != hash) check.faults << where + QStringLiteral("hash does not match its content");
    });
    for (const QString& name : QDir(blobDirectory).entryList(QDir::Files | QDir::Hidden))
        if (!named.contains(name)) ++check.orphanBlobs;
    sqlite3_close(db);
    return check;
}

}  // namespace mendrake::test
