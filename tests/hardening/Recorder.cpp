// A recording process for the crash-consistency test: opens the store in the directory given and
// records a never-ending burst of captures of every kind, with repeats that refresh or upgrade a
// row, deletions and trims, until it is killed. Every clip is built the way the classification
// builds it, so the test can check each row against its own hash. Prints "ready" once the store is open.
//
// With a third argument ("delete", "trim" or "clear") it records twenty clips with blob files, runs
// that deletion and kills itself as soon as its transaction commits: the moment between a
// deletion's commit and the removal of its files.
#include "FakeClock.h"
#include "HardeningSupport.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

using namespace mendrake;

namespace {

bool dieAtNextCommit = false;

// The write-ahead-log hook runs once a commit is in the log. Opening a connection sets its own
// hook after the automatic extensions ran, so this one is installed as the first commit begins.
int watchCommits(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_commit_hook(db, [](void* db) {
        sqlite3_wal_hook(static_cast<sqlite3*>(db), [](void*, sqlite3*, const char*, int) {
            if (dieAtNextCommit) ::raise(SIGKILL);
            return SQLITE_OK;
        }, nullptr);
        return 0;
    }, db);
    return SQLITE_OK;
}

// Prints a line once the step before it returned: what was printed before the kill was committed.
void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const char* deletion = argc > 3 ? argv[3] : nullptr;
    if (deletion) sqlite3_auto_extension(reinterpret_cast<void (*)()>(watchCommits));
    const int round = std::atoi(argv[2]);
    test::FakeClock clock(1'700'000'000.0 + round * 100000.0);
    auto opened = HistoryStore::open(clock, QString::fromLocal8Bit(argv[1]));
    if (!opened) return std::fprintf(stderr, "recorder: %s\n", qPrintable(opened.error().description())), 3;
    HistoryStore& store = *opened.value();
    say("ready");

    if (deletion) {
        for (int i = 0; i < 20; ++i, clock.advance(1)) (void)store.record(test::hardeningClip(round * 100000 + i, test::HardeningKind::image));
        dieAtNextCommit = true;
        if (!std::strcmp(deletion, "delete")) (void)store.deleteItem(store.recent(1).front().id);
        if (!std::strcmp(deletion, "trim")) (void)store.trim(0, 5);
        if (!std::strcmp(deletion, "clear")) (void)store.clearHistory(false);
        return 4;  // still alive: the deletion never committed
    }
    for (int i = 0;; ++i) {
        clock.advance(1);
        const int n = round * 100000 + i;
        // Every fifth is a repeat of an earlier plain text as rich text: refreshes and upgrades that row.
        const auto clip = i % 5 == 4 ? test::hardeningClip(n - 4, test::HardeningKind::richText)
                                     : test::hardeningClip(n, test::HardeningKind(i % 5));
        if (auto item = store.record(clip)) say(QStringLiteral("R %1 %2").arg(item->id).arg(item->hash));
        if (i % 11 == 10) say(QStringLiteral("D %1").arg(i / 3 + 1)), (void)store.deleteItem(i / 3 + 1);
        if (i % 50 == 49) say("T"), (void)store.trim(0, 400);
    }
}
