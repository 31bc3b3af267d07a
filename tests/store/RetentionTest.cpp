#include "StoreTestSupport.h"

#include <QFileInfo>

namespace mendrake::test {
namespace {

using Retention = StoreTest;
constexpr qint64 kNoLimit = HistoryStore::noCountLimit;

TEST_F(Retention, TrimAppliesAgeAndCountLimitsToUnpinnedRowsOnly) {
    QList<qint64> ids;  // newest first: 1, 2, ... 6 days, then 30 days old
    for (double days : {1, 2, 3, 4, 5, 6, 30}) ids << add(QString("row %1").arg(days), days);
    const qint64 pinnedOld = add("pinned old", 365, true), pinnedNew = add("pinned new", 0.5, true);
    const QString oldestBlob = blobOf(ids[6]);

    EXPECT_TRUE(store->trim(0, kNoLimit).isEmpty());
    EXPECT_TRUE(store->trim(-3, kNoLimit).isEmpty());
    EXPECT_EQ(store->trim(7, 5), (QSet<qint64>{ids[5], ids[6]}));  // the 30-day row is caught by both, listed once
    EXPECT_FALSE(QFile::exists(oldestBlob));
    EXPECT_EQ(store->trim(3, kNoLimit), (QSet<qint64>{ids[3], ids[4]}));
    EXPECT_EQ(store->trim(0, 1), (QSet<qint64>{ids[1], ids[2]}));
    EXPECT_EQ(idsOf(store->recent(10)), (QList<qint64>{pinnedNew, ids[0], pinnedOld}));
    EXPECT_EQ(blobFiles().size(), 3);
}

TEST_F(Retention, FailedDeletionsKeepTheirRowsAndFiles) {
    const qint64 stubborn = add("stubborn", 20), goes = add("goes", 21), kept = add("kept");
    const QString stubbornBlob = blobOf(stubborn), goneBlob = blobOf(goes);
    failDeletesOf(stubborn);
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{goes});
    EXPECT_TRUE(store->fetch(stubborn));
    EXPECT_TRUE(QFile::exists(stubbornBlob));
    EXPECT_FALSE(QFile::exists(goneBlob));

    store->clearHistory(false);  // one DELETE that fails as a whole
    EXPECT_TRUE(store->fetch(stubborn) && store->fetch(kept));
    EXPECT_EQ(blobFiles().size(), 2);
}

TEST_F(Retention, ClearRemovesRowsFilesAndTheWriteAheadLog) {
    const qint64 pinned = add("pinned", 1, true);
    for (int i = 0; i < 40; ++i) add(QString("row %1").arg(i), i);
    writeFile(store->blobDirectory() + "/orphan.plist", "");  // named by no row: not the store's to judge
    const QString pinnedBlob = QFileInfo(blobOf(pinned)).fileName();

    store->clearHistory(true);
    EXPECT_EQ(idsOf(store->recent(100)), QList<qint64>{pinned});
    EXPECT_EQ(blobFiles(), (QStringList{pinnedBlob, "orphan.plist"}));
    store->clearHistory(false);
    EXPECT_EQ(store->count(), 0);
    EXPECT_EQ(blobFiles(), QStringList{"orphan.plist"});
    EXPECT_TRUE(store->search("row", 10).isEmpty());
    EXPECT_EQ(QFileInfo(store->databasePath() + "-wal").size(), 0);
}

TEST_F(Retention, DiskUsageCountsAllocatedBlocksOfEveryFile) {
    const qint64 before = store->diskUsage();
    EXPECT_GT(before, 0);
    QDir(store->blobDirectory()).mkpath("nested");
    writeFile(store->blobDirectory() + "/nested/deep", QByteArray(64 * 1024, 'x'));
    const qint64 after = store->diskUsage();
    EXPECT_GE(after - before, 64 * 1024);
    EXPECT_LT(after - before, 80 * 1024);
    QFile sparse(temp.path() + "/sparse");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(100 * 1024 * 1024));
    sparse.close();
    EXPECT_LT(store->diskUsage() - after, 1024 * 1024) << "a sparse file counts what it allocates";
}

}  // namespace
}  // namespace mendrake::test
