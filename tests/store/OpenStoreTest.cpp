#include "StoreTestSupport.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace mendrake::test {
namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : mode_t(-1);
}

using OpenStore = StoreTest;

TEST_F(OpenStore, KeepsEverythingPrivateAndRepairsModesOnReopen) {
    const QString blob = blobOf(add("secret"));
    EXPECT_EQ(textOf("PRAGMA user_version"), "1");
    EXPECT_EQ(textOf("PRAGMA journal_mode"), "wal");
    auto check = [&] {
        for (const QString& dir : {temp.path(), store->blobDirectory()}) EXPECT_EQ(modeOf(dir), 0700u);
        for (const QString& file : {store->databasePath(), store->databasePath() + "-wal", store->databasePath() + "-shm", blob})
            EXPECT_EQ(modeOf(file), 0600u) << file.toStdString();
    };
    check();
    store.reset();
    for (const QString& path : {temp.path(), temp.path() + "/Blobs", temp.path() + "/history.sqlite", blob})
        ::chmod(QFile::encodeName(path).constData(), 0755);
    store = open();
    EXPECT_EQ(store->count(), 1);
    check();
}

TEST_F(OpenStore, RemovesEveryFileInBlobsThatNoRowNames) {
    const QString blob = blobOf(add("kept"));
    const QString blobs = store->blobDirectory();
    store.reset();
    for (const char* name : {".partial-Ab3xQz", ".partial-", "notes.partial-Ab3xQz", "0123.plist"})
        writeFile(blobs + "/" + name, "clipboard content nothing names");
    writeFile(temp.path() + "/outside", "not in Blobs");
    ASSERT_EQ(::symlink(QFile::encodeName(temp.path() + "/outside").constData(),
                        QFile::encodeName(blobs + "/link.plist").constData()), 0);
    store = open();
    EXPECT_EQ(QDir(blobs).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
              QStringList{QFileInfo(blob).fileName()});
    EXPECT_EQ(store->representations(*store->fetch(1)).at("public.utf8-plain-text"), "kept");
    QFile outside(temp.path() + "/outside");
    ASSERT_TRUE(outside.open(QIODevice::ReadOnly));
    EXPECT_EQ(outside.readAll(), "not in Blobs") << "a link is removed, never written through";
}

TEST_F(OpenStore, RefusesLinkedPartsAndTurnsSecureDeleteOn) {
    EXPECT_EQ(textOf("PRAGMA secure_delete"), "1");
    EXPECT_EQ(textOf("PRAGMA mmap_size"), "0");
    store.reset();
    QDir(temp.path()).mkpath("real/Blobs");
    const struct {
        const char* link;    // made a symbolic link to temp/real/<target>
        const char* target;
        const char* opened;  // the store folder opened
    } cases[] = {
        {"linked", "", "linked"},
        {"db/Blobs", "Blobs", "db"},
        {"file/history.sqlite", "history.sqlite", "file"},
    };
    writeFile(temp.path() + "/real/history.sqlite", "");
    for (const auto& c : cases) {
        const QString link = temp.path() + "/" + c.link;
        QDir().mkpath(QFileInfo(link).path());
        ASSERT_EQ(::symlink(QFile::encodeName(temp.path() + "/real/" + c.target).constData(),
                            QFile::encodeName(link).constData()), 0);
        auto opened = HistoryStore::open(clock, temp.path() + "/" + c.opened);
        ASSERT_FALSE(opened) << c.link;
        EXPECT_TRUE(opened.error().description().contains("symbolic link")) << opened.error().description().toStdString();
    }
    EXPECT_EQ(QFileInfo(temp.path() + "/real/history.sqlite").size(), 0);
}

TEST_F(OpenStore, SchemaScriptRunsOnlyWhileTheVersionIsZero) {
    const QString triggers = "SELECT count(*) FROM sqlite_master WHERE name = 'clips_ai'";
    sql("DROP TRIGGER clips_ai");
    store = open();
    EXPECT_EQ(textOf(triggers), "0");
    sql("PRAGMA user_version = 0");
    store = open();
    EXPECT_EQ(textOf(triggers), "1");
    EXPECT_EQ(textOf("PRAGMA user_version"), "1");
}

TEST_F(OpenStore, FailuresReportTheCauseAndOverwriteNothing) {
    const QByteArray junk = QByteArray("not SQLite, a file someone left here\n").repeated(200);
    QDir(temp.path()).mkpath("junk");
    writeFile(temp.path() + "/junk/history.sqlite", junk);
    writeFile(temp.path() + "/occupied", "a file where a directory should be");
    const struct {
        QString directory;
        StoreError::Kind kind;
        QString description;
    } cases[] = {
        {temp.path() + "/junk", StoreError::Kind::sqlite, "SQLite: file is not a database"},
        {temp.path() + "/occupied/Mendrake", StoreError::Kind::fileSystem, temp.path() + "/occupied/Mendrake"},
        {"", StoreError::Kind::fileSystem, "No folder"},
    };
    for (const auto& c : cases) {
        auto opened = HistoryStore::open(clock, c.directory);
        ASSERT_FALSE(opened) << c.directory.toStdString();
        EXPECT_EQ(opened.error().kind, c.kind);
        EXPECT_TRUE(opened.error().description().contains(c.description)) << opened.error().description().toStdString();
    }
    QFile db(temp.path() + "/junk/history.sqlite"), blocker(temp.path() + "/occupied");
    ASSERT_TRUE(db.open(QIODevice::ReadOnly) && blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(db.readAll(), junk);
    EXPECT_EQ(blocker.readAll(), "a file where a directory should be");
}

TEST_F(OpenStore, RowsMapToItemsCountingCharactersNotBytes) {
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    const QString quoted = "it's \"quoted\"\nover 'lines'";
    auto insert = [&](const QString& kind, const QString& text, const Value& sourceName) {
        auto statement = connectionOf(*store).prepare("INSERT INTO clips (kind, text, hash, source_name, created_at, last_used_at, "
                                        "pinned, blob, size) VALUES (?, ?, ?, ?, 10.5, 20.25, 1, 'b.plist', 7)",
                                        {kind, text, text.left(5) + kind, sourceName});
        ASSERT_EQ(statement->step(), 101);
    };
    insert("bogus", quoted, nullptr);
    insert("url", emoji.repeated(2500), QString("Browser"));
    const auto first = store->fetch(1), second = store->fetch(2);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, (ClipItem{1, ClipKind::text, quoted, 26, quoted.left(5) + "bogus", std::nullopt, std::nullopt,
                                10.5, 20.25, true, QString("b.plist"), 7, quoted.toLower() + " "}));
    EXPECT_EQ(second->kind, ClipKind::url);
    EXPECT_EQ(second->text, emoji.repeated(2000));
    EXPECT_EQ(second->fullLength, 2500);
    EXPECT_EQ(second->searchKey, emoji.repeated(2000) + " browser");
    EXPECT_EQ(store->fullText(2), emoji.repeated(2500));
    EXPECT_EQ(store->fullText(3), std::nullopt);
}

}  // namespace
}  // namespace mendrake::test
