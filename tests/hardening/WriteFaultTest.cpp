// The store when it cannot write (page limit, file-size limit, a lock held by another writer, a full
// and a read-only tmpfs in a private mount namespace): every operation fails or succeeds whole,
// leaves no half-written row or stray blob file, reads go on, and recording resumes after the fault.
#include "HardeningSupport.h"

#include <QCoreApplication>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <chrono>
#include <functional>

namespace mendrake::test {
namespace {

bool privateMounts = false;

CapturedClip mixedClip(int n) { return hardeningClip(n, HardeningKind(n % 3)); }

void expectServingAndWhole(HistoryStore& store, const QString& directory, qint64 rows) {
    EXPECT_EQ(store.count(), rows);
    const StoreCheck check = checkStoreDirectory(directory);
    EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
    EXPECT_EQ(check.orphanBlobs, 0) << "a failed operation left a blob file behind";
}

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

// The store, reopened on a small tmpfs over its directory when the case needs one.
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
    for (int n = 0; n < 40; ++n) ids << store->record(mixedClip(n))->id;
    for (int i = 0; i < 5; ++i) store->setPinned(ids[i], true);
    qint64 rows = ids.size();

    GetParam().apply(*store);
    int failures = 0;
    for (int n = 1000; n < 1040; ++n) {
        clock.advance(1);
        const auto started = std::chrono::steady_clock::now();
        auto result = store->record(mixedClip(n));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "a recording hung";
        result.ok() ? ++rows : ++failures;
    }
    EXPECT_GT(failures, 0) << "the fault never reached the store";
    // Each deletion happens whole or not at all, and says which: a row it reports kept keeps its
    // file, and one it reports gone is gone.
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

    expectServingAndWhole(*store, temp.path(), rows);
    for (int n = 2000; n < 2010; ++n, ++rows) ASSERT_TRUE(store->record(mixedClip(n)).ok());
    expectServingAndWhole(*store, temp.path(), rows);
    if (!GetParam().smallFileSystem) return;

    // The file system turns read-only: the history opens for reading (or not at all), and writably again after.
    store.reset();
    ASSERT_EQ(mount("tmpfs", path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=8m"), 0) << strerror(errno);
    if (auto readOnly = HistoryStore::open(clock, temp.path())) {
        EXPECT_EQ(readOnly.value()->count(), rows);
        EXPECT_FALSE(readOnly.value()->record(mixedClip(99)).ok());
    }
    ASSERT_EQ(mount("tmpfs", path.constData(), "tmpfs", MS_REMOUNT, "size=8m"), 0) << strerror(errno);
    store = open();
    ASSERT_TRUE(store && store->record(mixedClip(100)).ok());
    expectServingAndWhole(*store, temp.path(), rows + 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault, ::testing::ValuesIn(faults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mendrake::test

// The tests enter a private mount namespace first, so that they can mount small and read-only file
// systems that no other process sees. Without the privilege those tests skip.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    mendrake::test::privateMounts =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
