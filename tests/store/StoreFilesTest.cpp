#include "StoreTestSupport.h"
#include "store/BlobFile.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

#include <plist/plist.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace mendrake::test {
namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : mode_t(-1);
}

void symlinkTo(const QString& target, const QString& link) {
    QDir().mkpath(QFileInfo(link).path());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

QByteArray binary(plist_t root) {
    char* buffer = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &buffer, &length);
    QByteArray out(buffer, length);
    plist_to_bin_free(buffer);
    plist_free(root);
    return out;
}

using OpenStore = StoreTest;
using BlobFiles = StoreTest;

TEST_F(OpenStore, KeepsFilesPrivateAndRepairsModes) {
    const QString blob = blobOf(add("secret"));
    for (int reopened = 0; reopened < 2; ++reopened) {  // the second time after every mode was widened
        for (const QString& dir : {temp.path(), store->blobDirectory()}) EXPECT_EQ(modeOf(dir), 0700u);
        for (const QString& file : {store->databasePath(), store->databasePath() + "-wal", store->databasePath() + "-shm", blob})
            EXPECT_EQ(modeOf(file), 0600u) << file.toStdString();
        store.reset();
        for (const QString& path : {temp.path(), temp.path() + "/Blobs", temp.path() + "/history.sqlite", blob})
            ::chmod(QFile::encodeName(path).constData(), 0755);
        store = open();
    }
    EXPECT_EQ(store->count(), 1);
}

TEST_F(OpenStore, RemovesEveryFileInBlobsNoRowNames) {
    const QString blob = blobOf(add("kept")), blobs = store->blobDirectory();
    store.reset();
    for (const char* name : {".partial-Ab3xQz", ".partial-", "notes.partial-Ab3xQz", "0123.plist"})
        writeFile(blobs + "/" + name, "clipboard content nothing names");
    writeFile(temp.path() + "/outside", "not in Blobs");
    symlinkTo(temp.path() + "/outside", blobs + "/link.plist");
    store = open();
    EXPECT_EQ(QDir(blobs).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QFileInfo(blob).fileName()});
    EXPECT_EQ(store->representations(*store->fetch(1)).at("public.utf8-plain-text"), "kept");
    EXPECT_EQ(readFile(temp.path() + "/outside"), "not in Blobs") << "a link is removed, never written through";
}

// A start killed while creating the schema leaves version 0: the next open completes it.
TEST_F(OpenStore, HalfCreatedSchemaIsCompleted) {
    sql("DROP TRIGGER clips_ai; PRAGMA user_version = 0");
    store = open();
    EXPECT_EQ(textOf("SELECT count(*) FROM sqlite_master WHERE name = 'clips_ai'") + textOf("PRAGMA user_version"), "11");
}

TEST_F(OpenStore, FailureReportsCauseOverwritesNothing) {
    const QString dir = temp.path();
    const QByteArray junk = QByteArray("not SQLite, a file someone left here\n").repeated(200);
    QDir(dir).mkpath("junk");
    QDir(dir).mkpath("real/Blobs");
    writeFile(dir + "/junk/history.sqlite", junk);
    writeFile(dir + "/occupied", "a file where a directory should be");
    writeFile(dir + "/real/history.sqlite", "");
    symlinkTo(dir + "/real", dir + "/linked");
    symlinkTo(dir + "/real/Blobs", dir + "/db/Blobs");
    symlinkTo(dir + "/real/history.sqlite", dir + "/file/history.sqlite");
    const struct {
        QString directory;
        StoreError::Kind kind;
        QString description;
    } cases[] = {
        {dir + "/junk", StoreError::Kind::sqlite, "SQLite: file is not a database"},
        {dir + "/occupied/Mendrake", StoreError::Kind::fileSystem, dir + "/occupied/Mendrake"},
        {"", StoreError::Kind::fileSystem, "No folder"},
        {dir + "/linked", StoreError::Kind::fileSystem, "symbolic link"},  // the folder, Blobs or the database
        {dir + "/db", StoreError::Kind::fileSystem, "symbolic link"},
        {dir + "/file", StoreError::Kind::fileSystem, "symbolic link"},
    };
    for (const auto& c : cases) {
        auto opened = HistoryStore::open(clock, c.directory);
        ASSERT_FALSE(opened) << c.directory.toStdString();
        EXPECT_EQ(opened.error().kind, c.kind) << c.directory.toStdString();
        EXPECT_TRUE(opened.error().description().contains(c.description)) << opened.error().description().toStdString();
    }
    EXPECT_EQ(readFile(dir + "/junk/history.sqlite"), junk);
    EXPECT_EQ(readFile(dir + "/occupied"), "a file where a directory should be");
    EXPECT_EQ(readFile(dir + "/real/history.sqlite"), "");
}

TEST_F(BlobFiles, HoldBinaryPlistDamagedReadsEmpty) {
    const RepresentationMap map = {{"public.png", encodedImage("PNG", Qt::red)},
                                   {"public.utf8-plain-text", QByteArray("with\0nul", 8)},
                                   {"org.example.empty", QByteArray()},
                                   {QString::fromUtf16(u"x-\u00e9t\u00e9"), "accented key"}};
    const auto item = store->record(textClip("picture", map, ClipKind::image));
    ASSERT_TRUE(item);
    ASSERT_EQ(blobFiles(), QStringList{keyedName(item->hash)});
    const QByteArray bytes = readFile(blobOf(item->id));
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    ASSERT_TRUE(bytes.startsWith("bplist00") && root);
    EXPECT_EQ(decodeRepresentations(binary(root)), map) << "libplist writes what the store reads";
    EXPECT_EQ(store->image(*item).pixelColor(0, 0), QColor(Qt::red));
    const auto tiff = store->record(textClip("tiff", {{"public.tiff", encodedImage("TIFF", Qt::green)}}, ClipKind::image));
    EXPECT_EQ(store->image(*tiff).pixelColor(1, 1), QColor(Qt::green)) << "needs the TIFF image plugin";

    const QString path = blobOf(item->id);
    // Inputs that crash or confuse the decoder itself are the fuzz corpus's: these are what a store meets.
    plist_t mixed = plist_new_dict();
    plist_dict_set_item(mixed, "public.png", plist_new_data("x", 1));  // a good value, then a bad one
    plist_dict_set_item(mixed, "public.tiff", plist_new_string("not data"));
    const std::optional<QByteArray> contents[] = {
        std::nullopt,  // missing
        QByteArray(), bytes.left(bytes.size() / 2), QByteArray("bplist00") + QByteArray(300, '\xff'), binary(mixed),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>public.png</key><data>eA==</data></dict></plist>"),
    };
    for (const auto& content : contents) {
        QFile::remove(path);
        if (content) writeFile(path, *content);
        EXPECT_TRUE(store->representations(*item).empty()) << content.value_or("missing").left(12).toStdString();
        EXPECT_TRUE(store->image(*item).isNull());
    }
}

TEST_F(BlobFiles, UnsafeOrBlockedNameWritesNothing) {
    CapturedClip escaping = textClip("escape", {{"public.utf8-plain-text", "escape"}});
    for (const QString& hash : {QString("../../escaped"), QString(64, u'G'), QString(63, u'0') + u'/'}) {
        escaping.hash = hash;
        EXPECT_FALSE(store->record(escaping)) << hash.toStdString();
    }
    EXPECT_FALSE(QFile::exists(temp.path() + "/../escaped.plist"));
    // A directory in the way of the final name fails the rename (even as root); the temporary goes.
    const CapturedClip blocked = textClip("blocked", {{"public.utf8-plain-text", "blocked"}});
    ASSERT_TRUE(QDir(store->blobDirectory()).mkpath(keyedName(blocked.hash) + "/inside"));
    const auto refused = store->record(blocked);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().description().contains(keyedName(blocked.hash))) << refused.error().description().toStdString();
    EXPECT_EQ(QDir(store->blobDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{keyedName(blocked.hash)});
    // A name read from a tampered row is neither read nor deleted.
    const qint64 tampered = add("tampered");
    writeFile(temp.path() + "/outside.plist", encodeRepresentations({{"public.png", encodedImage("PNG", Qt::red)}}));
    sql(QString("UPDATE clips SET blob = '../outside.plist' WHERE id = %1").arg(tampered));
    EXPECT_TRUE(store->representations(*store->fetch(tampered)).empty() && store->image(*store->fetch(tampered)).isNull());
    sql(QString("UPDATE clips SET blob = '../history.sqlite' WHERE id = %1").arg(tampered));
    store->deleteItem(tampered);
    EXPECT_TRUE(QFile::exists(store->databasePath()) && store->count() == 0);
}

// Forces secure delete off in every connection, as a SQLite built without it would have it, so
// that the store is seen to turn it on itself.
int secureDeleteOff(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_exec(db, "PRAGMA secure_delete = OFF", nullptr, nullptr, nullptr);
}

TEST_F(BlobFiles, DeletedTextLeavesNoTraceInAnyFile) {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff));
    const auto restore = qScopeGuard([] { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff)); });
    store = open();
    const std::pair<const char*, std::function<bool(qint64)>> ways[] = {
        {"delete", [&](qint64 id) { return !store->deleteItem(id); }},
        {"trim", [&](qint64 id) { return store->trim(0, 60) == QSet<qint64>{id}; }},
        {"clear", [&](qint64) { return !store->clearHistory(false); }},
    };
    for (const auto& [way, erase] : ways) {
        SCOPED_TRACE(way);
        const QByteArray marker = QByteArray("zqxsecret") + way + "token";
        for (int i = 0; i < 30; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        const qint64 secret = add(QString::fromLatin1(marker + " in a password " + marker), 1);
        for (int i = 30; i < 60; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        EXPECT_TRUE(erase(secret));
        store.reset();
        const auto everyFile = QDir::Files | QDir::Hidden | QDir::System;
        for (QDirIterator files(temp.path(), everyFile, QDirIterator::Subdirectories); files.hasNext();)
            EXPECT_FALSE(readFile(files.next()).contains(marker)) << files.filePath().toStdString();
        store = open();
    }
}

TEST_F(BlobFiles, DiskUsageCountsAllocatedBlocks) {
    const qint64 before = store->diskUsage();
    EXPECT_GT(before, 0);
    QDir(store->blobDirectory()).mkpath("nested");
    writeFile(store->blobDirectory() + "/nested/deep", QByteArray(64 * 1024, 'x'));
    const qint64 after = store->diskUsage();
    EXPECT_TRUE(after - before >= 64 * 1024 && after - before < 80 * 1024) << after - before;
    QFile sparse(temp.path() + "/sparse");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(100 * 1024 * 1024));
    sparse.close();
    EXPECT_LT(store->diskUsage() - after, 1024 * 1024) << "a sparse file counts what it allocates";
}

}  // namespace
}  // namespace mendrake::test
