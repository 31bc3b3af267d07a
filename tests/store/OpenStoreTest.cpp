#include "StoreTestSupport.h"

#include <QFileInfo>

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

using OpenStore = StoreTest;

TEST_F(OpenStore, KeepsEverythingPrivateAndRepairsModesOnReopen) {
    const QString blob = blobOf(add("secret"));
    for (auto [pragma, value] : {std::pair{"user_version", "1"}, {"journal_mode", "wal"}, {"secure_delete", "1"}, {"mmap_size", "0"}})
        EXPECT_EQ(textOf(QString("PRAGMA ") + pragma), value) << pragma;
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
    const QString blob = blobOf(add("kept")), blobs = store->blobDirectory();
    store.reset();
    for (const char* name : {".partial-Ab3xQz", ".partial-", "notes.partial-Ab3xQz", "0123.plist"})
        writeFile(blobs + "/" + name, "clipboard content nothing names");
    writeFile(temp.path() + "/outside", "not in Blobs");
    symlinkTo(temp.path() + "/outside", blobs + "/link.plist");
    store = open();
    EXPECT_EQ(QDir(blobs).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QFileInfo(blob).fileName()});
    EXPECT_EQ(store->representations(*store->fetch(1)).at("public.utf8-plain-text"), "kept");
    QFile outside(temp.path() + "/outside");
    ASSERT_TRUE(outside.open(QIODevice::ReadOnly));
    EXPECT_EQ(outside.readAll(), "not in Blobs") << "a link is removed, never written through";
}

TEST_F(OpenStore, SchemaScriptRunsOnlyWhileTheVersionIsZero) {
    const QString triggers = "SELECT count(*) FROM sqlite_master WHERE name = 'clips_ai'";
    sql("DROP TRIGGER clips_ai");
    store = open();
    EXPECT_EQ(textOf(triggers), "0");
    sql("PRAGMA user_version = 0");
    store = open();
    EXPECT_EQ(textOf(triggers) + textOf("PRAGMA user_version"), "11");
}

TEST_F(OpenStore, FailuresReportTheCauseAndOverwriteNothing) {
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
    for (auto [path, content] : {std::pair{dir + "/junk/history.sqlite", junk}, {dir + "/occupied", "a file where a directory should be"},
                                 {dir + "/real/history.sqlite", ""}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), content) << path.toStdString();
    }
}

TEST_F(OpenStore, RowsMapToItemsCountingCharactersNotBytes) {
    const QString emoji = QString::fromUtf16(u"\U0001F600"), quoted = "it's \"quoted\"\nover 'lines'";
    for (const auto& [kind, text, source] : {std::tuple<QString, QString, Value>{"bogus", quoted, nullptr},
                                             {"url", emoji.repeated(2500), QString("Browser")}})
        ASSERT_EQ(connectionOf(*store).prepare("INSERT INTO clips (kind, text, hash, source_name, created_at, last_used_at, pinned, "
                                               "blob, size) VALUES (?, ?, ?, ?, 10.5, 20.25, 1, 'b.plist', 7)",
                                               {kind, text, text.left(5) + kind, source})->step(), 101);
    EXPECT_EQ(store->fetch(1), (ClipItem{1, ClipKind::text, quoted, 26, quoted.left(5) + "bogus", std::nullopt, std::nullopt,
                                         10.5, 20.25, true, QString("b.plist"), 7, quoted.toLower() + " "}));
    const auto second = store->fetch(2);
    ASSERT_TRUE(second);
    EXPECT_EQ(std::tie(second->kind, second->text, second->fullLength, second->searchKey),
              std::make_tuple(ClipKind::url, emoji.repeated(2000), 2500, emoji.repeated(2000) + " browser"));
    EXPECT_EQ(store->fullText(2), emoji.repeated(2500));
    EXPECT_EQ(store->fullText(3), std::nullopt);
}

}  // namespace
}  // namespace mendrake::test
