// A recording process for the crash-consistency test: opens the store in the directory given and
// records a never-ending burst of captures of every kind (plain and rich text, images of up to a
// few hundred KiB, file lists), with repeats that refresh or upgrade a row, deletions and trims, until
// it is killed. Every clip is built the way the classification builds it, so the test can check
// each row against its own hash. Prints "ready" once the store is open.
//
// With a third argument ("delete", "trim" or "clear") it records twenty clips with blob files,
// then runs that deletion and kills itself with SIGKILL as soon as its transaction commits: the
// moment between a deletion's commit and the removal of its files.
#include "HardeningSupport.h"

#include "FakeClock.h"

#include <signal.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace mendrake;

namespace {

bool dieAtNextCommit = false;

int killAfterCommit(void*, sqlite3*, const char*, int) {
    if (dieAtNextCommit) ::raise(SIGKILL);
    return SQLITE_OK;
}

// The write-ahead-log hook runs once a commit is in the log. Opening a connection sets its own
// hook after the automatic extensions ran, so this one is installed as the first commit begins.
int installBeforeCommit(void* db) {
    sqlite3_wal_hook(static_cast<sqlite3*>(db), killAfterCommit, nullptr);
    return 0;
}

int watchCommits(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_commit_hook(db, installBeforeCommit, db);
    return SQLITE_OK;
}

}  // namespace

int main(int argc, char** argv) {
    const char* deletion = argc > 3 ? argv[3] : nullptr;
    if (deletion) sqlite3_auto_extension(reinterpret_cast<void (*)()>(watchCommits));
    if (argc < 3) return 2;
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const int round = std::atoi(argv[2]);
    test::FakeClock clock(1'700'000'000.0 + round * 100000.0);
    auto opened = HistoryStore::open(clock, directory);
    if (!opened) {
        std::fprintf(stderr, "recorder: %s\n", qPrintable(opened.error().description()));
        return 3;
    }
    HistoryStore& store = *opened.value();
    std::printf("ready\n");
    std::fflush(stdout);

    if (deletion) {
        for (int i = 0; i < 20; ++i) {
            clock.advance(1);
            (void)store.record(test::hardeningClip(round * 100000 + i, test::HardeningKind::image));
        }
        dieAtNextCommit = true;
        if (!std::strcmp(deletion, "delete")) (void)store.deleteItem(store.recent(1).front().id);
        if (!std::strcmp(deletion, "trim")) (void)store.trim(0, 5);
        if (!std::strcmp(deletion, "clear")) (void)store.clearHistory(false);
        return 4;  // still alive: the deletion never committed
    }

    // Each line is printed once the operation returned: "R id hash" after a recording, "D id"
    // before a deletion, "T" before a trim. What was printed before the kill had been committed.
    auto record = [&](const CapturedClip& clip) {
        if (auto item = store.record(clip)) std::printf("R %lld %s\n", item->id, qPrintable(item->hash));
        std::fflush(stdout);
    };
    for (int i = 0;; ++i) {
        clock.advance(1);
        const int n = round * 100000 + i;
        // Every fifth is a repeat of an earlier plain text as rich text: refreshes and upgrades that row.
        if (i % 5 == 4) record(test::hardeningClip(n - 4, test::HardeningKind::richText));
        else record(test::hardeningClip(n, test::HardeningKind(i % 5)));
        if (i % 11 == 10) {
            std::printf("D %d\n", i / 3 + 1);
            std::fflush(stdout);
            (void)store.deleteItem(i / 3 + 1);
        }
        if (i % 50 == 49) {
            std::printf("T\n");
            std::fflush(stdout);
            (void)store.trim(0, 400);
        }
    }
}
