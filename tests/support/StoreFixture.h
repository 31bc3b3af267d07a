#pragma once
// A history store over a real SQLite file in a temporary directory, with the preferences beside it (the
// panel needs both), and raw SQL on the store's connection to plant what only SQL can: many rows in one
// statement, a DELETE that fails.

#include "Database.h"
#include "PreferencesFixture.h"
#include "store/HistoryStore.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageAuthenticationCode>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake::test {

inline CapturedClip textClip(const QString& text, RepresentationMap map = {}, ClipKind kind = ClipKind::text,
                             const QString& app = "Editor") {
    qint64 size = map.empty() ? text.toUtf8().size() : 0;
    for (const auto& [type, bytes] : map) size += bytes.size();
    return {kind, text, contentHash("text", text.toUtf8()), std::move(map), "org.example." + app, app, size};
}

inline QByteArray encodedImage(const char* format, QColor color, QSize size = {4, 3}) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct StoreFixture : PreferencesFixture {
    QTemporaryDir temp;
    std::unique_ptr<HistoryStore> store = open();

    std::unique_ptr<HistoryStore> open() {
        auto opened = HistoryStore::open(clock, temp.path());
        EXPECT_TRUE(opened) << opened.error().description().toStdString();
        if (opened) opened.value()->setFailureLog(&log);
        return opened ? std::move(opened).value() : nullptr;
    }
    void sql(const QString& script) {
        const auto error = connectionOf(*store).exec(script);
        ASSERT_FALSE(error) << error->message.toStdString();
    }
    QString textOf(const QString& query) {
        auto statement = connectionOf(*store).prepare(query);
        return statement && statement->step() == 100 ? statement->textAt(0) : QString("<no row>");
    }
    // Records the clip as copied `ago` seconds before now.
    ClipItem record(const CapturedClip& clip, double ago = 0) {
        const double now = clock.now();
        clock.setNow(now - ago);
        auto item = store->record(clip);
        clock.setNow(now);
        EXPECT_TRUE(item) << (item ? "" : item.error().description().toStdString());
        return item ? *item : ClipItem{};
    }
    qint64 add(const QString& text, double daysAgo = 0, bool pinned = false) {
        const qint64 id = record(textClip(text, {{"public.utf8-plain-text", text.toUtf8()}}), daysAgo * 86400).id;
        if (pinned) store->setPinned(id, true);
        return id;
    }
    // Rows 1 to n in one statement: `values` gives kind, text, last_used_at and pinned of row i (`now` the clock's).
    void insertRows(int n, const QString& values) {
        sql(QString("WITH RECURSIVE n(i, now) AS (SELECT 1, %3 UNION ALL SELECT i + 1, now FROM n WHERE i < %1) "
                    "INSERT INTO clips (kind, text, last_used_at, pinned, hash, created_at, size) "
                    "SELECT %2, 'row' || i, 0, 1 FROM n")
                .arg(QString::number(n), values, QString::number(clock.now(), 'f', 3)));
    }
    // Rows "item 1" to "item n", each a second older than the one before; row 5007 is a link.
    void addItems(int n) { insertRows(n, "iif(i = 5007, 'url', 'text'), 'item ' || i, now - i, 0"); }
    // The file name the store gives a blob of this content hash: keyed with the store's own key.
    QString keyedName(const QString& hash) {
        const QByteArray key = QByteArray::fromHex(textOf("SELECT hex(key) FROM naming_key").toLatin1());
        return QMessageAuthenticationCode::hash(hash.toLatin1(), key, QCryptographicHash::Sha256).toHex() + ".plist";
    }
    QString blobOf(qint64 id) { return store->blobDirectory() + "/" + store->fetch(id)->blob.value_or("?"); }
    QStringList blobFiles() { return QDir(store->blobDirectory()).entryList(QDir::Files); }
    static QList<qint64> idsOf(const QList<ClipItem>& items) {
        QList<qint64> ids;
        for (const ClipItem& item : items) ids << item.id;
        return ids;
    }
    // Fails every DELETE of this row as an I/O error would; `ROLLBACK` loses the whole transaction.
    void failDeletesOf(qint64 id, const char* how = "ABORT") {
        sql(QString("CREATE TEMP TRIGGER refuse_%1 BEFORE DELETE ON main.clips WHEN old.id = %1 "
                    "BEGIN SELECT RAISE(%2, 'disk I/O error'); END;").arg(id).arg(how));
    }
};

struct StoreTest : ::testing::Test, StoreFixture {};

}  // namespace mendrake::test
