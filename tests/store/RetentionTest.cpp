#include "FakeClock.h"
#include "StoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mendrake::test {
namespace {

constexpr double kDay = 86400;

class Retention : public ::testing::Test {
protected:
    QTemporaryDir temp;
    FakeClock clock{100 * kDay};
    std::unique_ptr<HistoryStore> store = openStore(clock, temp.path());

    // A row last used `daysAgo` days before now, with a blob file.
    qint64 rowUsed(double daysAgo, bool pinned = false) {
        const double now = clock.now();
        clock.setNow(now - daysAgo * kDay);
        const QString text = QString("row %1 %2").arg(++serial).arg(daysAgo);
        const auto item = store->record(textClip(text, {{"public.utf8-plain-text", text.toUtf8()}}));
        clock.setNow(now);
        EXPECT_TRUE(item);
        if (pinned) store->setPinned(item->id, true);
        return item ? item->id : -1;
    }
    QString blobOf(qint64 id) { return store->blobDirectory() + "/" + *store->fetch(id)->blob; }
    QStringList blobFiles() const { return QDir(store->blobDirectory()).entryList(QDir::Files); }
    int serial = 0;
};

TEST_F(Retention, NoLimitsDeleteNothing) {
    rowUsed(400);
    EXPECT_TRUE(store->trim(0, HistoryStore::noCountLimit).isEmpty());
    EXPECT_TRUE(store->trim(-5, HistoryStore::noCountLimit).isEmpty());
    EXPECT_EQ(store->count(), 1);
}

TEST_F(Retention, AgeLimitRemovesOldUnpinnedRowsWithTheirFiles) {
    const qint64 old = rowUsed(8), recent = rowUsed(6.9), pinnedOld = rowUsed(365, true);
    const QString oldBlob = blobOf(old);
    EXPECT_EQ(store->trim(7, HistoryStore::noCountLimit), QSet<qint64>{old});
    EXPECT_FALSE(QFile::exists(oldBlob));
    EXPECT_TRUE(store->fetch(recent));
    EXPECT_TRUE(store->fetch(pinnedOld));
    EXPECT_TRUE(QFile::exists(blobOf(pinnedOld)));
}

TEST_F(Retention, CountLimitKeepsTheNewestUnpinnedRowsPlusPinnedOnes) {
    QList<qint64> unpinned;
    for (int i = 5; i >= 1; --i) unpinned << rowUsed(i);  // oldest first
    const qint64 pinnedA = rowUsed(50, true), pinnedB = rowUsed(0.5, true);
    EXPECT_EQ(store->trim(0, 3), (QSet<qint64>{unpinned[0], unpinned[1]}));
    EXPECT_EQ(store->count(), 5);
    EXPECT_TRUE(store->fetch(pinnedA) && store->fetch(pinnedB));
    EXPECT_EQ(blobFiles().size(), 5);
}

TEST_F(Retention, RowCaughtByBothLimitsIsListedOnce) {
    const qint64 ancient = rowUsed(30);
    rowUsed(1);
    const QString file = blobOf(ancient);
    const auto removed = store->trim(7, 1);
    EXPECT_EQ(removed, QSet<qint64>{ancient});
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(store->count(), 1);
}

TEST_F(Retention, FailedDeletionsKeepTheirRowsAndFiles) {
    const qint64 stubborn = rowUsed(20), goes = rowUsed(21);
    const QString stubbornBlob = blobOf(stubborn), goneBlob = blobOf(goes);
    failDeletesOf(*store, stubborn);
    EXPECT_EQ(store->trim(7, HistoryStore::noCountLimit), QSet<qint64>{goes});
    EXPECT_TRUE(store->fetch(stubborn));
    EXPECT_TRUE(QFile::exists(stubbornBlob));
    EXPECT_FALSE(QFile::exists(goneBlob));

    store->clearHistory(false);
    EXPECT_TRUE(store->fetch(stubborn)) << "the single DELETE fails as a whole";
    EXPECT_TRUE(QFile::exists(stubbornBlob));
}

TEST_F(Retention, ClearKeepingPinnedLeavesExactlyThePinnedRowsAndFiles) {
    const qint64 pinned = rowUsed(1, true);
    rowUsed(2);
    rowUsed(3);
    // A file no row names (a recording killed before its insert) is not the store's to judge.
    QFile orphan(store->blobDirectory() + "/orphan.plist");
    ASSERT_TRUE(orphan.open(QIODevice::WriteOnly));
    orphan.close();

    store->clearHistory(true);
    EXPECT_EQ(store->count(), 1);
    EXPECT_TRUE(store->fetch(pinned));
    EXPECT_TRUE(blobFiles().contains(QFileInfo(blobOf(pinned)).fileName()));
    EXPECT_EQ(blobFiles().size(), 2);

    store->clearHistory(false);
    EXPECT_EQ(store->count(), 0);
    EXPECT_EQ(blobFiles(), QStringList{"orphan.plist"});
    EXPECT_TRUE(store->search("row", 10).isEmpty());
}

TEST_F(Retention, ClearTruncatesTheWriteAheadLog) {
    for (int i = 0; i < 50; ++i) rowUsed(i);
    const QString wal = store->databasePath() + "-wal";
    ASSERT_GT(QFileInfo(wal).size(), 0);
    store->clearHistory(false);
    EXPECT_EQ(QFileInfo(wal).size(), 0);
}

TEST_F(Retention, DiskUsageCountsAllocatedBytesOfEveryFile) {
    const qint64 before = store->diskUsage();
    EXPECT_GT(before, 0);
    EXPECT_EQ(before % 512, 0) << "allocated sizes come in blocks";
    QDir(store->blobDirectory()).mkpath("nested");
    QFile deep(store->blobDirectory() + "/nested/deep");
    ASSERT_TRUE(deep.open(QIODevice::WriteOnly));
    deep.write(QByteArray(64 * 1024, 'x'));
    deep.close();
    const qint64 after = store->diskUsage();
    EXPECT_GE(after - before, 64 * 1024);
    EXPECT_LT(after - before, 64 * 1024 + 16 * 1024);
    // A sparse file takes its allocated size, not its length.
    QFile sparse(temp.path() + "/sparse");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    ASSERT_TRUE(sparse.resize(100 * 1024 * 1024));
    sparse.close();
    EXPECT_LT(store->diskUsage() - after, 1024 * 1024);
}

}  // namespace
}  // namespace mendrake::test
