// The store under a recorder killed at random moments and under write faults: every operation fails or
// succeeds whole, leaves no half-written row or stray blob file, and recording resumes after the fault.
#include "StoreFixture.h"
#include "capture/Classification.h"
#include "store/BlobFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <sched.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <random>

namespace mendrake::test {
namespace {

enum class HardeningKind { text, richText, image };

// Clip n of a kind; images grow with n up to a few hundred KiB (noise does not compress).
CapturedClip hardeningClip(int n, HardeningKind kind) {
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

// Checks the store through a plain connection (which replays the write-ahead log as a next start
// would), so that nothing the store does at open hides a fault. A kill may leave blob files no row
// names; a failed operation must not. Returns the number of blob files rows name.
qint64 expectWholeStore(const QString& directory, bool killed = false) {
    // Killed before the database file was created: nothing was written, nothing to check.
    if (!QFile::exists(directory + "/history.sqlite")) return 0;
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(directory + "/history.sqlite").constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    Database db;
    db.adopt(handle);
    auto eachRow = [&](const QString& sql, auto&& onRow) {
        auto statement = db.prepare(sql);
        int rc = statement ? statement->step() : 0;
        for (; rc == SQLITE_ROW; rc = statement->step()) onRow(*statement);
        EXPECT_EQ(rc, SQLITE_DONE) << sql.toStdString() << ": " << db.lastError().description().toStdString();
    };
    eachRow("PRAGMA integrity_check", [&](Statement& s) { EXPECT_EQ(s.textAt(0), "ok"); });
    // A database whose schema was never finished (killed while creating it) has no rows to check.
    if (!db.queryInt("SELECT count(*) FROM sqlite_master WHERE name = 'clips'").value().value_or(0)) return 0;
    const auto ftsError = db.exec("INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)");
    EXPECT_FALSE(ftsError) << "full-text index: " << ftsError->description().toStdString();
    QSet<QString> named;
    eachRow("SELECT id, kind, text, hash, blob FROM clips", [&](Statement& s) {
        RepresentationMap map;
        if (!s.isNullAt(4)) {
            named.insert(s.textAt(4));
            QFile file(directory + "/Blobs/" + s.textAt(4));
            map = (file.open(QIODevice::ReadOnly) ? decodeRepresentations(file.readAll()) : std::nullopt).value_or(map);
            EXPECT_FALSE(map.empty()) << "row " << s.int64At(0) << ": blob missing or unreadable";
        }
        // A row whose text or blob does not give back its hash was half-written (or names another's file).
        const bool image = s.textAt(1) == "image";
        EXPECT_EQ(contentHash(image ? "image" : "text", image ? map["public.png"] : s.textAt(2).toUtf8()), s.textAt(3))
            << "row " << s.int64At(0);
    });
    for (const QString& name : QDir(directory + "/Blobs").entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(killed || named.contains(name)) << "a failed operation left " << name.toStdString();
    return named.size();
}

// The crash test's victim (this executable with --record): records, upgrades, deletes and trims until killed.
[[noreturn]] void recordUntilKilled(const QString& directory, int round) {
    FakeClock clock(1'700'000'000.0 + round * 100000.0);
    auto opened = HistoryStore::open(clock, directory);
    if (!opened) std::exit(3);
    HistoryStore& store = *opened.value();
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0;; ++i) {
        clock.advance(1);
        const int n = round * 100000 + i;
        // Every fifth is a repeat of an earlier plain text as rich text: refreshes and upgrades that row.
        (void)store.record(i % 5 == 4 ? hardeningClip(n - 4, HardeningKind::richText)
                                      : hardeningClip(n, HardeningKind(i % 5 % 3)));
        if (i % 11 == 10) (void)store.deleteItem(i / 3 + 1);
        if (i % 50 == 49) (void)store.trim(0, 400);
    }
}

TEST(CrashConsistency, FiftyRandomKillsLeaveAWholeStore) {
    QTemporaryDir temp;
    const QString directory = temp.path() + "/Mendrake";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    qint64 maxBlobRows = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QProcess recorder;
        recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        recorder.start(QCoreApplication::applicationFilePath(), {"--record", directory, QString::number(round)});
        // One kill in five lands during start-up (open, schema, mode repair); the rest mid-burst.
        ASSERT_TRUE(round % 5 == 0 || (recorder.waitForReadyRead(60000) && recorder.readAll() == "ready\n"))
            << "the recorder never opened the store";
        QThread::usleep(std::uniform_int_distribution<int>(round % 5 ? 1000 : 0, round % 5 ? 250000 : 30000)(random));
        recorder.kill();
        recorder.waitForFinished();
        ASSERT_EQ(recorder.exitStatus(), QProcess::CrashExit) << "the recorder stopped by itself";
        maxBlobRows = std::max(maxBlobRows, expectWholeStore(directory, true));
    }
    EXPECT_GT(maxBlobRows, 0) << "no blob row was ever written: the kills came too early to test anything";

    FakeClock clock(1'800'000'000.0);
    auto opened = HistoryStore::open(clock, directory);
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    auto recorded = opened.value()->record(hardeningClip(999999, HardeningKind::image));
    ASSERT_TRUE(recorded.ok()) << recorded.error().description().toStdString();
    opened.value().reset();
    expectWholeStore(directory);
}


bool privateMounts = false;

void setFileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes ? bytes : limit.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

sqlite3* lockHolder = nullptr;

struct Fault {
    const char* name;
    std::function<void(HistoryStore&)> apply, lift;
    bool deletionsFail;  // the fault certainly stops deletions too
    bool smallFileSystem = false;
};
const Fault faults[] = {
    {"PageLimit",
     [](HistoryStore& store) { ASSERT_FALSE(connectionOf(store).exec("PRAGMA max_page_count = 1")); },  // the pages it has
     [](HistoryStore& store) { ASSERT_FALSE(connectionOf(store).exec("PRAGMA max_page_count = 1073741823")); }, false},
    {"FileSizeLimit", [](HistoryStore&) { setFileSizeLimit(16 * 1024); }, [](HistoryStore&) { setFileSizeLimit(0); }, false},
    {"AnotherWriterHoldsTheLock",
     [](HistoryStore& store) {
         ASSERT_EQ(sqlite3_open(QFile::encodeName(store.databasePath()).constData(), &lockHolder), SQLITE_OK);
         ASSERT_EQ(sqlite3_exec(lockHolder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
         ASSERT_FALSE(connectionOf(store).exec("PRAGMA busy_timeout = 100"));  // each write waits this long
     },
     [](HistoryStore&) { ASSERT_EQ(sqlite3_close_v2(lockHolder), SQLITE_OK); }, true},
    {"FullFileSystem",
     [](HistoryStore& store) {
         QFile filler(store.databasePath() + ".filler");
         ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
         while (filler.write(QByteArray(64 * 1024, 'x')) > 0 && filler.flush()) continue;
     },
     [](HistoryStore& store) { ASSERT_TRUE(QFile::remove(store.databasePath() + ".filler")); }, false, true},
};

class WriteFault : public StoreTest, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override {
        if (!GetParam().smallFileSystem) return;
        if (!privateMounts) GTEST_SKIP() << "no private mount namespace (needs CAP_SYS_ADMIN)";
        store.reset();
        ASSERT_EQ(mount("tmpfs", path.constData(), "tmpfs", 0, "size=8m,mode=0700"), 0) << strerror(errno);
        store = open();
    }
    void TearDown() override {
        store.reset();
        umount2(path.constData(), MNT_DETACH);
    }
    QByteArray path = QFile::encodeName(temp.path());
};

TEST_P(WriteFault, FailsCleanlyKeepsServingAndResumes) {
    QList<qint64> ids;
    for (int n = 0; n < 40; ++n) ids << store->record(hardeningClip(n, HardeningKind(n % 3)))->id;
    for (int i = 0; i < 5; ++i) store->setPinned(ids[i], true);
    qint64 rows = ids.size();

    GetParam().apply(*store);
    int failures = 0;
    for (int n = 1000; n < 1040; ++n) store->record(hardeningClip(n, HardeningKind(n % 3))).ok() ? ++rows : ++failures;
    EXPECT_GT(failures, 0) << "the fault never reached the store";
    // Each deletion happens whole or not at all, and says which.
    const QString victimFile = blobOf(ids[7]);
    const bool deleted = !store->deleteItem(ids[7]);
    EXPECT_EQ(std::pair(store->fetch(ids[7]).has_value(), QFile::exists(victimFile)), std::pair(!deleted, !deleted));
    rows -= deleted;
    const QSet<qint64> trimmed = store->trim(0, 20);
    for (qint64 id : ids) EXPECT_EQ(store->fetch(id).has_value(), !trimmed.contains(id) && (id != ids[7] || !deleted)) << id;
    rows -= trimmed.size();
    const bool cleared = !store->clearHistory(true);
    rows = cleared ? 5 : rows;
    EXPECT_FALSE(GetParam().deletionsFail && (deleted || !trimmed.isEmpty() || cleared)) << "reported as done";
    // Reads while the fault lasts (a lock holder still lets readers in under the write-ahead log).
    EXPECT_FALSE(store->search(QStringLiteral("clip"), 10).isEmpty());
    GetParam().lift(*store);

    EXPECT_EQ(store->count(), rows);
    expectWholeStore(temp.path());
    for (int n = 2000; n < 2010; ++n, ++rows)
        ASSERT_TRUE(store->record(hardeningClip(n, HardeningKind(n % 3))).ok()) << "recording resumes";
    if (!GetParam().smallFileSystem) return;

    // The file system turns read-only: the history opens for reading (or not at all), and writably again after.
    store.reset();
    ASSERT_EQ(mount("tmpfs", path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=8m"), 0) << strerror(errno);
    if (auto readOnly = HistoryStore::open(clock, temp.path())) {
        EXPECT_EQ(readOnly.value()->count(), rows);
        EXPECT_FALSE(readOnly.value()->record(hardeningClip(99, HardeningKind::text)).ok());
    }
    ASSERT_EQ(mount("tmpfs", path.constData(), "tmpfs", MS_REMOUNT, "size=8m"), 0) << strerror(errno);
    store = open();
    ASSERT_TRUE(store && store->record(hardeningClip(100, HardeningKind::richText)).ok());
    EXPECT_EQ(store->count(), rows + 1);
    expectWholeStore(temp.path());
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault, ::testing::ValuesIn(faults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mendrake::test

// A private mount namespace lets the tests mount small and read-only file systems; without the privilege they skip.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--record") mendrake::test::recordUntilKilled(argv[2], std::atoi(argv[3]));
    mendrake::test::privateMounts =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
