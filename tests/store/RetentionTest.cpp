#include "StoreTestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

namespace mendrake::test {
namespace {

using Retention = StoreTest;
constexpr qint64 kNoLimit = HistoryStore::noCountLimit;

TEST_F(Retention, TrimAppliesAgeAndCountLimitsToUnpinnedRowsOnly) {
    QList<qint64> ids;  // newest first: 1, 2, ... 6 days, then 30 days old
    for (double days : {1, 2, 3, 4, 5, 6, 30}) ids << add(QString("row %1").arg(days), days);
    const qint64 pinnedOld = add("pinned old", 365, true), pinnedNew = add("pinned new", 0.5, true);
    const QString oldestBlob = blobOf(ids[6]);

    // No limit: a day count below 1, a count of noCountLimit or below 1 (never "keep nothing").
    for (auto [days, count] : {std::pair<qint64, qint64>{0, kNoLimit}, {-3, kNoLimit}, {0, 0}, {0, -1}})
        EXPECT_TRUE(store->trim(days, count).isEmpty()) << days << " days, " << count << " items";
    EXPECT_EQ(store->trim(7, 5), (QSet<qint64>{ids[5], ids[6]}));  // the 30-day row is caught by both, listed once
    EXPECT_FALSE(QFile::exists(oldestBlob));
    EXPECT_EQ(store->trim(3, kNoLimit), (QSet<qint64>{ids[3], ids[4]}));
    EXPECT_EQ(store->trim(0, 1), (QSet<qint64>{ids[1], ids[2]}));
    EXPECT_EQ(idsOf(store->recent(10)), (QList<qint64>{pinnedNew, ids[0], pinnedOld}));
    EXPECT_EQ(blobFiles().size(), 3);
    EXPECT_EQ(store->trim(1, kNoLimit), QSet<qint64>{add("a day and a half", 1.5)}) << "one day is a limit";
}

TEST_F(Retention, FailedDeletionsKeepTheirRowsAndFiles) {
    const qint64 stubborn = add("stubborn", 20), goes = add("goes", 21), kept = add("kept");
    const QString stubbornBlob = blobOf(stubborn), goneBlob = blobOf(goes);
    failDeletesOf(stubborn);
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{goes});
    EXPECT_TRUE(store->fetch(stubborn) && QFile::exists(stubbornBlob) && !QFile::exists(goneBlob));

    EXPECT_TRUE(store->clearHistory(false));  // one DELETE that fails as a whole
    EXPECT_EQ(log.lines, (QStringList{"Mendrake: could not trim an item (database): disk I/O error",
                                      "Mendrake: could not clear the history (database): disk I/O error"}));
    EXPECT_TRUE(store->fetch(stubborn) && store->fetch(kept));
    EXPECT_EQ(blobFiles().size(), 2);

    // A failure that rolls the whole transaction back: nothing deleted, reported or erased, even
    // though the other rows could be deleted one at a time.
    const qint64 old1 = add("old one", 30), old2 = add("old two", 31);
    failDeletesOf(old1, "ROLLBACK");
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{});
    for (qint64 id : {stubborn, old1, old2}) EXPECT_TRUE(store->fetch(id) && QFile::exists(blobOf(id))) << id;
    EXPECT_EQ(blobFiles().size(), 4);
}

// Forces secure delete off in every connection, as a SQLite built without it would have it, so
// that the store is seen to turn it on itself.
int secureDeleteOff(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_exec(db, "PRAGMA secure_delete = OFF", nullptr, nullptr, nullptr);
}

TEST_F(Retention, DeletedTextLeavesNoTraceInAnyFile) {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff));
    const auto restore = qScopeGuard([] { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff)); });
    store = open();
    for (const char* way : {"delete", "trim", "clear"}) {
        SCOPED_TRACE(way);
        const QByteArray marker = QByteArray("zqxsecret") + way + "token";
        for (int i = 0; i < 30; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        const qint64 secret = add(QString::fromLatin1(marker + " in a password " + marker), 1);
        for (int i = 30; i < 60; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        if (way == std::string("delete")) EXPECT_EQ(store->deleteItem(secret), std::nullopt);
        if (way == std::string("trim")) EXPECT_EQ(store->trim(0, 60), QSet<qint64>{secret});
        if (way == std::string("clear")) EXPECT_EQ(store->clearHistory(false), std::nullopt);
        store.reset();
        QDirIterator files(temp.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_FALSE(file.readAll().contains(marker)) << file.fileName().toStdString();
        }
        store = open();
    }
}

TEST_F(Retention, ClearRemovesRowsFilesAndTheWriteAheadLog) {
    const qint64 pinned = add("pinned", 1, true);
    for (int i = 0; i < 40; ++i) add(QString("row %1").arg(i), i);
    writeFile(store->blobDirectory() + "/orphan.plist", "");  // named by no row: goes with the history
    const QString pinnedBlob = QFileInfo(blobOf(pinned)).fileName();

    EXPECT_EQ(store->clearHistory(true), std::nullopt);
    EXPECT_EQ(idsOf(store->recent(100)), QList<qint64>{pinned});
    EXPECT_EQ(blobFiles(), QStringList{pinnedBlob});
    EXPECT_EQ(store->clearHistory(false), std::nullopt);
    EXPECT_TRUE(store->count() == 0 && blobFiles().isEmpty() && store->search("row", 10).isEmpty());
    EXPECT_EQ(QFileInfo(store->databasePath() + "-wal").size(), 0);
}

TEST_F(Retention, DiskUsageCountsAllocatedBlocksOfEveryFile) {
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
