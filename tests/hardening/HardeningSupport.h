#pragma once
// Clips of every size, and the check that a store directory is whole: SQLite's and FTS5's integrity
// checks pass, and every row names a blob file that exists and holds the content of the row's hash.

#include "StoreTestSupport.h"
#include "capture/Classification.h"
#include "store/BlobFile.h"

#include <QRandomGenerator>

#include <sqlite3.h>

namespace mendrake::test {

enum class HardeningKind { text, richText, image };

// Clip n of a kind; images grow with n up to a few hundred KiB (noise does not compress).
inline CapturedClip hardeningClip(int n, HardeningKind kind) {
    const QString text = QStringLiteral("clip %1 ").arg(n).repeated(1 + n % 97);
    const QByteArray bytes = text.toUtf8();
    if (kind == HardeningKind::text) return textClip(text);
    if (kind == HardeningKind::richText)
        return textClip(text, {{"public.utf8-plain-text", bytes}, {"public.html", "<b>" + bytes + "</b>"}}, ClipKind::richText);
    const int side = 16 + (n * 37) % 300;
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator(n).fillRange(reinterpret_cast<quint32*>(image.bits()), side * side);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    return {ClipKind::image, imageText(png.data()), contentHash("image", png.data()), {{"public.png", png.data()}}, {}, {},
            png.data().size()};
}

struct StoreCheck {
    QStringList faults;  // one line per fault; empty when the store is whole
    qint64 blobRows = 0;
    int orphanBlobs = 0;  // files no row names: harmless leftovers of an interrupted write or delete
};

// Reads the store in `directory` through a plain connection of its own (which replays the
// write-ahead log as any next start would), not the store, so that nothing done at open hides a fault.
inline StoreCheck checkStoreDirectory(const QString& directory) {
    StoreCheck check;
    // Killed before the database file was created: nothing was written, nothing to check.
    if (!QFile::exists(directory + "/history.sqlite")) return check;
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(directory + "/history.sqlite").constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    Database db;
    db.adopt(handle);
    auto eachRow = [&](const QString& sql, auto&& onRow) {
        auto statement = db.prepare(sql);
        int rc = statement ? statement->step() : 0;
        for (; rc == SQLITE_ROW; rc = statement->step()) onRow(*statement);
        if (rc != SQLITE_DONE) check.faults << sql + ": " + db.lastError().description();
    };
    eachRow("PRAGMA integrity_check", [&](Statement& s) {
        if (s.textAt(0) != "ok") check.faults << "integrity_check: " + s.textAt(0);
    });
    // A database whose schema was never finished (killed while creating it) has no rows to check.
    if (!db.queryInt("SELECT count(*) FROM sqlite_master WHERE name = 'clips'").value().value_or(0)) return check;
    if (const auto error = db.exec("INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)"))
        check.faults << "full-text index: " + error->description();
    QSet<QString> named;
    eachRow("SELECT id, kind, text, hash, blob FROM clips", [&](Statement& s) {
        const QString where = QStringLiteral("row %1: ").arg(s.int64At(0));
        RepresentationMap map;
        if (!s.isNullAt(4)) {
            ++check.blobRows;
            named.insert(s.textAt(4));
            QFile file(directory + "/Blobs/" + s.textAt(4));
            map = (file.open(QIODevice::ReadOnly) ? decodeRepresentations(file.readAll()) : std::nullopt).value_or(map);
            if (map.empty()) check.faults << where + "blob " + s.textAt(4) + " missing or unreadable";
        }
        // The hash is made from the content: a row whose text or blob does not give it back was
        // half-written (or belongs to another row's file).
        const bool image = s.textAt(1) == "image";
        if (contentHash(image ? "image" : "text", image ? map["public.png"] : s.textAt(2).toUtf8()) != s.textAt(3))
            check.faults << where + "hash does not match its content";
    });
    for (const QString& name : QDir(directory + "/Blobs").entryList(QDir::Files | QDir::Hidden))
        check.orphanBlobs += !named.contains(name);
    return check;
}

}  // namespace mendrake::test
