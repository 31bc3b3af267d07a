// A recording process killed at a random moment must leave a sound database whose rows all have
// their blob files: the file is written before the row that names it.
#include "FakeClock.h"
#include "StoreTestSupport.h"

#include <QFile>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace mendrake::test {
namespace {

[[noreturn]] void recordForever(const QString& directory, int round) {
    FakeClock clock;
    auto opened = HistoryStore::open(clock, directory);
    if (!opened) _exit(2);
    HistoryStore& store = *opened.value();
    for (int i = 0;; ++i) {
        clock.advance(1);
        const QString text = QString("round %1 clip %2 ").arg(round).arg(i).repeated(1 + i % 40);
        RepresentationMap map;
        if (i % 3 == 0) map = {{"public.utf8-plain-text", text.toUtf8()}, {"public.html", "<p>" + text.toUtf8()}};
        (void)store.record(textClip(text, map, map.empty() ? ClipKind::text : ClipKind::richText));
        if (i % 7 == 0) store.touch(i / 2 + 1);
    }
}

TEST(Crash, KilledMidBurstLeavesConsistentDatabaseAndBlobs) {
    QTemporaryDir temp;
    qint64 previousCount = 0;
    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) recordForever(temp.path(), round);

        std::this_thread::sleep_for(std::chrono::milliseconds(60 + 47 * round));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped on its own with status " << status;

        FakeClock clock;
        auto store = openStore(clock, temp.path());
        ASSERT_TRUE(store);
        EXPECT_EQ(textOf(*store, "PRAGMA integrity_check"), "ok");
        EXPECT_FALSE(store->exec("INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)"))
            << "the full-text index must match the table";
        auto blobs = store->prepare("SELECT blob FROM clips WHERE blob IS NOT NULL");
        ASSERT_TRUE(blobs);
        int withBlob = 0;
        while (blobs->step() == 100) {
            ++withBlob;
            EXPECT_TRUE(QFile::exists(store->blobDirectory() + "/" + blobs->textAt(0))) << blobs->textAt(0).toStdString();
        }
        const qint64 count = store->count();
        EXPECT_GT(count, previousCount) << "round " << round << " recorded nothing before the kill";
        EXPECT_GT(withBlob, 0);
        previousCount = count;
    }
}

}  // namespace
}  // namespace mendrake::test
