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

// Records without end; reports each of its first 200 recordings with one byte on `progress`.
[[noreturn]] void recordForever(const QString& directory, int round, int progress) {
    ::signal(SIGPIPE, SIG_IGN);  // the parent stops listening long before the kill
    FakeClock clock;
    auto opened = HistoryStore::open(clock, directory);
    if (!opened) _exit(2);
    HistoryStore& store = *opened.value();
    for (int i = 0;; ++i) {
        clock.advance(1);
        const QString text = QString("round %1 clip %2 ").arg(round).arg(i).repeated(1 + i % 40);
        RepresentationMap map;
        if (i % 3 == 0) map = {{"public.utf8-plain-text", text.toUtf8()}, {"public.html", "<p>" + text.toUtf8()}};
        const bool recorded = bool(store.record(textClip(text, map, map.empty() ? ClipKind::text : ClipKind::richText)));
        if (recorded && progress >= 0 && (i >= 200 || ::write(progress, "r", 1) != 1)) progress = -1;
        if (i % 7 == 0) store.touch(i / 2 + 1);
    }
}

TEST(Crash, KilledMidBurstLeavesConsistentDatabaseAndBlobs) {
    QTemporaryDir temp;
    qint64 previousCount = 0;
    for (int round = 0; round < 5; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            recordForever(temp.path(), round, pipeEnds[1]);
        }
        ::close(pipeEnds[1]);
        // Wait (with a time-out) until the child is well into its burst, then kill it a little
        // later at a moment that differs from round to round.
        const int wanted = 5 + 31 * round;
        int seen = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char buffer[256];
        while (seen < wanted && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            seen += int(n);
        }
        ::close(pipeEnds[0]);
        ASSERT_GE(seen, wanted) << "the child did not record in time";
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * round));
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
