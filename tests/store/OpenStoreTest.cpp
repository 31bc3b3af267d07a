#include "FakeClock.h"
#include "StoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace mendrake::test {
namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : mode_t(-1);
}

class OpenStore : public ::testing::Test {
protected:
    QTemporaryDir temp;
    FakeClock clock;
    QString root() const { return temp.path() + "/data/Mendrake"; }
};

TEST_F(OpenStore, FreshDirectoryGetsSchemaAndPrivateModes) {
    auto store = openStore(clock, root());
    ASSERT_TRUE(store);
    EXPECT_TRUE(QFileInfo(root() + "/Blobs").isDir());
    EXPECT_TRUE(QFileInfo(root() + "/history.sqlite").isFile());
    EXPECT_EQ(intOf(*store, "PRAGMA user_version"), 1);
    EXPECT_EQ(textOf(*store, "PRAGMA journal_mode"), "wal");
    ASSERT_TRUE(store->record(textClip("secret", {{"public.utf8-plain-text", "secret"}})));
    EXPECT_EQ(modeOf(root()), 0700u);
    EXPECT_EQ(modeOf(root() + "/Blobs"), 0700u);
    for (const char* file : {"/history.sqlite", "/history.sqlite-wal", "/history.sqlite-shm"})
        EXPECT_EQ(modeOf(root() + file), 0600u) << file;
    EXPECT_EQ(modeOf(store->blobDirectory() + "/" + *store->fetch(1)->blob), 0600u);
}

TEST_F(OpenStore, ReopeningRepairsModesAndKeepsRows) {
    QString blob;
    {
        auto store = openStore(clock, root());
        blob = store->blobDirectory() + "/" + *store->record(textClip("x", {{"a", "b"}}))->blob;
    }
    for (const QString& path : {root(), root() + "/Blobs"}) ::chmod(QFile::encodeName(path).constData(), 0755);
    for (const QString& path : {root() + "/history.sqlite", blob}) ::chmod(QFile::encodeName(path).constData(), 0644);
    auto store = openStore(clock, root());
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(modeOf(root()), 0700u);
    EXPECT_EQ(modeOf(root() + "/Blobs"), 0700u);
    EXPECT_EQ(modeOf(root() + "/history.sqlite"), 0600u);
    EXPECT_EQ(modeOf(blob), 0600u);
}

TEST_F(OpenStore, SchemaRunsOnlyWhileTheVersionIsZero) {
    const QString triggerCount = "SELECT count(*) FROM sqlite_master WHERE name = 'clips_ai'";
    {
        auto store = openStore(clock, root());
        ASSERT_FALSE(store->exec("DROP TRIGGER clips_ai"));
    }
    {
        auto store = openStore(clock, root());
        EXPECT_EQ(intOf(*store, triggerCount), 0) << "version 1: the schema script must not run again";
        ASSERT_FALSE(store->exec("PRAGMA user_version = 0"));
    }
    auto store = openStore(clock, root());
    ASSERT_TRUE(store);
    EXPECT_EQ(intOf(*store, triggerCount), 1);
    EXPECT_EQ(intOf(*store, "PRAGMA user_version"), 1);
}

TEST_F(OpenStore, FileThatIsNotADatabaseFailsAndIsLeftAlone) {
    QDir().mkpath(root());
    const QByteArray junk = QByteArray("this is not SQLite, just some text a user left here\n").repeated(200);
    QFile file(root() + "/history.sqlite");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(junk);
    file.close();

    auto opened = HistoryStore::open(clock, root());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().kind, StoreError::Kind::sqlite);
    EXPECT_EQ(opened.error().description(), "SQLite: file is not a database");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), junk);
    EXPECT_FALSE(QFile::exists(root() + "/history.sqlite-wal"));
}

TEST_F(OpenStore, DirectoryThatCannotBeCreatedFailsWithItsPath) {
    QFile blocker(temp.path() + "/occupied");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("a file where a directory should be");
    blocker.close();
    for (const QString& directory : {temp.path() + "/occupied", temp.path() + "/occupied/Mendrake"}) {
        auto opened = HistoryStore::open(clock, directory);
        ASSERT_FALSE(opened) << directory.toStdString();
        EXPECT_EQ(opened.error().kind, StoreError::Kind::fileSystem);
        EXPECT_TRUE(opened.error().description().contains(directory)) << opened.error().description().toStdString();
        EXPECT_FALSE(opened.error().description().startsWith("SQLite: "));
    }
    QFile check(temp.path() + "/occupied");
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "a file where a directory should be");
}

TEST_F(OpenStore, DefaultDirectoryFollowsXdgDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(HistoryStore::defaultDirectory(), "/srv/data/Mendrake");
    qputenv("XDG_DATA_HOME", "relative/path");  // ignored, as relative paths must be
    EXPECT_EQ(HistoryStore::defaultDirectory(), QDir::homePath() + "/.local/share/Mendrake");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(HistoryStore::defaultDirectory(), QDir::homePath() + "/.local/share/Mendrake");
    if (!saved.isNull()) qputenv("XDG_DATA_HOME", saved);
}

TEST_F(OpenStore, StatementErrorsCarryTheConnectionMessage) {
    auto store = openStore(clock, root());
    const auto failed = store->exec("SELECT * FROM no_such_table");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->description(), "SQLite: no such table: no_such_table");
    const auto prepared = store->prepare("SELEC 1");
    ASSERT_FALSE(prepared);
    EXPECT_TRUE(prepared.error().description().startsWith("SQLite: near \"SELEC\""));
    EXPECT_FALSE(store->queryInt("SELECT abs(-9223372036854775807 - 1)")) << "a step error must be reported";
}

TEST_F(OpenStore, RowMappingFillsEveryField) {
    auto store = openStore(clock, root());
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    const struct {
        QString kind, text;
        const char* sourceName;
        ClipKind expectedKind;
        qint64 fullLength;
        QString preview;
    } rows[] = {
        {"bogus", "plain", nullptr, ClipKind::text, 5, "plain"},
        {"url", QString(2500, u'x'), "Browser", ClipKind::url, 2500, QString(2000, u'x')},
        {"color", emoji.repeated(2500), "Paint", ClipKind::color, 2500, emoji.repeated(2000)},
        {"text", "it's \"quoted\"\nand 'broken'\r\nover lines", nullptr, ClipKind::text, 38,
         "it's \"quoted\"\nand 'broken'\r\nover lines"},
    };
    qint64 n = 0;
    for (const auto& row : rows) {
        ++n;
        auto insert = store->prepare("INSERT INTO clips (kind, text, hash, source_bundle, source_name, created_at, "
                                     "last_used_at, pinned, blob, size) VALUES (?, ?, ?, NULL, ?, ?, ?, ?, ?, ?)",
                                     {row.kind, QString(row.text), QString("h%1").arg(n),
                                      row.sourceName ? Value(QString(row.sourceName)) : Value(nullptr), 10.5 * n,
                                      20.25 * n, qint64(n % 2), n == 2 ? Value(QString("b.plist")) : Value(nullptr),
                                      qint64(100 + n)});
        ASSERT_TRUE(insert);
        ASSERT_EQ(insert->step(), 101);
    }
    n = 0;
    for (const auto& row : rows) {
        ++n;
        const auto item = store->fetch(n);
        ASSERT_TRUE(item);
        ClipItem expected;
        expected.id = n;
        expected.kind = row.expectedKind;
        expected.text = row.preview;
        expected.fullLength = row.text.toUcs4().size();
        expected.hash = QString("h%1").arg(n);
        expected.sourceAppName = row.sourceName ? std::optional<QString>(row.sourceName) : std::nullopt;
        expected.createdAt = 10.5 * n;
        expected.lastUsedAt = 20.25 * n;
        expected.pinned = n % 2;
        expected.blob = n == 2 ? std::optional<QString>("b.plist") : std::nullopt;
        expected.byteSize = 100 + n;
        expected.searchKey = makeSearchKey(row.preview, expected.sourceAppName);
        EXPECT_EQ(*item, expected) << "row " << n;
        EXPECT_EQ(store->fullText(n), row.text);
    }
    EXPECT_TRUE(store->fetch(1)->searchKey.endsWith("plain "));
}

// Other subsystems' tests derive fakes from the store without opening anything.
class NoDatabaseStore : public HistoryStore {
public:
    explicit NoDatabaseStore(Clock& clock) : HistoryStore(clock, "/nonexistent") {}
};

TEST_F(OpenStore, StoreWithoutDatabaseAnswersEmpty) {
    NoDatabaseStore store(clock);
    EXPECT_FALSE(store.record(textClip("x")));
    EXPECT_TRUE(store.recent(10).isEmpty());
    EXPECT_TRUE(store.search("x", 10).isEmpty());
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(store.trim(1, 1).isEmpty());
    store.clearHistory(false);
    store.deleteItem(1);
    store.touch(1);
}

}  // namespace
}  // namespace mendrake::test
