// Recording when the store cannot write: the database at its page limit, a process file-size limit
// (what a full disk looks like to write()), another writer holding the database lock, a real full
// file system and a real read-only one (a tmpfs in a private mount namespace). In every case a
// recording fails with an error instead of crashing or hanging, leaves no half-written row and no
// stray blob file, the history keeps being read (the panel keeps working), and recording works
// again once the fault is gone.
#include "HardeningSupport.h"

#include "FakeClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <chrono>
#include <functional>

namespace mendrake::test {

// Set by main() when the process could enter its own mount namespace (needs CAP_SYS_ADMIN).
extern bool privateMounts;

namespace {

CapturedClip mixedClip(int n) {
    switch (n % 4) {
    case 0: return hardeningTextClip(n, false);
    case 1: return hardeningTextClip(n, true);
    case 2: return hardeningImageClip(n);
    default: return hardeningFileClip(n);
    }
}

// What every fault must leave: the rows recorded before it, readable and searchable, and a store
// directory without faults or files no row names.
void expectServingAndWhole(HistoryStore& store, const QString& directory, qint64 rows) {
    EXPECT_EQ(store.count(), rows);
    EXPECT_EQ(store.recent(100000).size(), rows);
    EXPECT_FALSE(store.search(QStringLiteral("clip"), 10).isEmpty());
    const StoreCheck check = checkStoreDirectory(directory);
    EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
    EXPECT_EQ(check.orphanBlobs, 0) << "a failed recording left its blob file behind";
}

struct Fault {
    const char* name;
    std::function<void(HistoryStore&)> apply;
    std::function<void(HistoryStore&)> lift;
};

sqlite3* lockHolder = nullptr;

const Fault faults[] = {
    {"PageLimit",
     [](HistoryStore& store) {
         const qint64 pages = *store.queryInt(QStringLiteral("PRAGMA page_count")).value();
         ASSERT_FALSE(store.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages)));
     },
     [](HistoryStore& store) { ASSERT_FALSE(store.exec(QStringLiteral("PRAGMA max_page_count = 1073741823"))); }},
    {"FileSizeLimit",
     [](HistoryStore&) {
         signal(SIGXFSZ, SIG_IGN);
         rlimit limit{};
         getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = 16 * 1024;
         ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
     },
     [](HistoryStore&) {
         rlimit limit{};
         getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = limit.rlim_max;
         ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
     }},
    {"AnotherWriterHoldsTheLock",
     [](HistoryStore& store) {
         ASSERT_EQ(sqlite3_open(QFile::encodeName(store.databasePath()).constData(), &lockHolder), SQLITE_OK);
         ASSERT_EQ(sqlite3_exec(lockHolder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
     },
     [](HistoryStore&) {
         ASSERT_EQ(sqlite3_exec(lockHolder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
         sqlite3_close(lockHolder);
         lockHolder = nullptr;
     }},
};

class WriteFault : public ::testing::TestWithParam<Fault> {};

TEST_P(WriteFault, RecordingFailsCleanlyKeepsServingAndResumes) {
    QTemporaryDir temp;
    FakeClock clock;
    auto opened = HistoryStore::open(clock, temp.path());
    ASSERT_TRUE(opened.ok());
    HistoryStore& store = *opened.value();
    qint64 rows = 0;
    for (int n = 0; n < 40; ++n, ++rows) ASSERT_TRUE(store.record(mixedClip(n)).ok());

    GetParam().apply(store);
    int failures = 0;
    for (int n = 1000; n < 1040; ++n) {
        clock.advance(1);
        const auto started = std::chrono::steady_clock::now();
        auto result = store.record(mixedClip(n));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "a recording hung";
        if (result.ok()) ++rows;
        else {
            ++failures;
            EXPECT_FALSE(result.error().description().isEmpty());
        }
    }
    // Reads while the fault lasts (a lock holder still lets readers in under the write-ahead log).
    EXPECT_GT(failures, 0) << "the fault never reached the store";
    EXPECT_EQ(store.count(), rows);
    EXPECT_FALSE(store.search(QStringLiteral("clip"), 10).isEmpty());
    GetParam().lift(store);

    expectServingAndWhole(store, temp.path(), rows);
    for (int n = 2000; n < 2010; ++n, ++rows) {
        auto result = store.record(mixedClip(n));
        ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    }
    expectServingAndWhole(store, temp.path(), rows);
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault, ::testing::ValuesIn(faults),
                         [](const auto& info) { return std::string(info.param.name); });

// A tmpfs of a chosen size mounted over a temporary directory, visible to this process only.
class SmallFileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        if (!privateMounts) GTEST_SKIP() << "no private mount namespace (needs CAP_SYS_ADMIN)";
        ASSERT_TRUE(temp_.isValid());
        ASSERT_EQ(mount("tmpfs", path(), "tmpfs", 0, "size=1m,mode=0700"), 0) << strerror(errno);
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) umount2(path(), MNT_DETACH);
    }
    const char* path() const { return pathBytes_.constData(); }
    void remount(const char* options, unsigned long flags = 0) {
        ASSERT_EQ(mount("tmpfs", path(), "tmpfs", MS_REMOUNT | flags, options), 0) << strerror(errno);
    }
    QString directory() const { return temp_.path() + QStringLiteral("/Mendrake"); }

    QTemporaryDir temp_;
    QByteArray pathBytes_ = QFile::encodeName(temp_.path());
    bool mounted_ = false;
};

TEST_F(SmallFileSystem, FullDiskFailsCleanlyKeepsServingAndResumesWhenSpaceReturns) {
    FakeClock clock;
    auto opened = HistoryStore::open(clock, directory());
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    HistoryStore& store = *opened.value();

    qint64 rows = 0;
    int failures = 0;
    for (int n = 0; n < 400 && failures < 25; ++n) {
        clock.advance(1);
        auto result = store.record(mixedClip(n));
        if (result.ok()) ++rows;
        else ++failures;
    }
    ASSERT_GE(failures, 25) << "a 1 MiB file system never filled up";
    ASSERT_GT(rows, 0);
    expectServingAndWhole(store, directory(), rows);

    remount("size=32m");
    for (int n = 1000; n < 1020; ++n, ++rows) {
        clock.advance(1);
        auto result = store.record(mixedClip(n));
        ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    }
    expectServingAndWhole(store, directory(), rows);
}

TEST_F(SmallFileSystem, ReadOnlyFileSystemFailsToOpenCleanlyAndOpensOnceWritable) {
    FakeClock clock;
    {
        auto opened = HistoryStore::open(clock, directory());
        ASSERT_TRUE(opened.ok());
        for (int n = 0; n < 12; ++n) ASSERT_TRUE(opened.value()->record(mixedClip(n)).ok());
    }
    remount("size=1m", MS_RDONLY);
    {
        auto opened = HistoryStore::open(clock, directory());
        if (opened.ok()) {
            // Opened for reading: the history is served, recording fails.
            EXPECT_EQ(opened.value()->count(), 12);
            EXPECT_FALSE(opened.value()->record(mixedClip(99)).ok());
        } else {
            EXPECT_FALSE(opened.error().description().isEmpty());
        }
    }
    remount("size=1m");
    auto opened = HistoryStore::open(clock, directory());
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    EXPECT_EQ(opened.value()->count(), 12);
    ASSERT_TRUE(opened.value()->record(mixedClip(100)).ok());
    expectServingAndWhole(*opened.value(), directory(), 13);
}

}  // namespace
}  // namespace mendrake::test
