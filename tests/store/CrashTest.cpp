// A recording process killed at any moment must leave a sound database whose rows all have their
// blob files: the file is written before the row that names it.
#include "StoreTestSupport.h"

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
    for (int i = 0;; ++i) {
        clock.advance(1);
        const QString text = QString("round %1 clip %2 ").arg(round).arg(i).repeated(1 + i % 40);
        RepresentationMap map;
        if (i % 3 == 0) map = {{"public.utf8-plain-text", text.toUtf8()}, {"public.html", "<p>" + text.toUtf8()}};
        const bool recorded = bool(opened.value()->record(textClip(text, map)));
        if (recorded && progress >= 0 && (i >= 200 || ::write(progress, "r", 1) != 1)) progress = -1;
        if (i % 7 == 0) opened.value()->touch(i / 2 + 1);
    }
}

TEST(Crash, KilledMidBurstLeavesConsistentDatabaseAndBlobs) {
    QTemporaryDir temp;
    qint64 previousCount = 0;
    for (int round = 0; round < 5; ++round) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) recordForever(temp.path(), round, ends[1]);
        ::close(ends[1]);
        // Wait (with a time-out) until the child is well into its burst, then kill it at a moment
        // that differs from round to round.
        int seen = 0;
        char buffer[256];
        for (ssize_t n; seen < 5 + 31 * round && (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) seen += int(n);
        ::close(ends[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * round));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && seen >= 5 + 31 * round) << "status " << status << ", " << seen << " recorded";

        FakeClock clock;
        auto store = std::move(HistoryStore::open(clock, temp.path())).value();
        EXPECT_EQ(textOf(*store, "PRAGMA integrity_check"), "ok");
        EXPECT_FALSE(store->exec("INSERT INTO clips_fts(clips_fts, rank) VALUES ('integrity-check', 1)"));
        auto blobs = store->prepare("SELECT blob FROM clips WHERE blob IS NOT NULL");
        while (blobs->step() == 100)
            EXPECT_TRUE(QFile::exists(store->blobDirectory() + "/" + blobs->textAt(0))) << blobs->textAt(0).toStdString();
        // A write the kill interrupted leaves a temporary file; opening removes every such one.
        EXPECT_EQ(QDir(store->blobDirectory()).entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
        EXPECT_GT(store->count(), previousCount);
        previousCount = store->count();
    }
}

}  // namespace
}  // namespace mendrake::test
