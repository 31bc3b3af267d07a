// A recording process for the crash-consistency test: opens the store in the directory given and
// records a never-ending burst of captures of every kind (plain and rich text, images of up to a
// few hundred KiB, file lists), with repeats that refresh or upgrade a row, deletions and trims, until
// it is killed. Every clip is built the way the classification builds it, so the test can check
// each row against its own hash. Prints "ready" once the store is open.
#include "HardeningSupport.h"

#include "FakeClock.h"

#include <cstdio>
#include <cstdlib>

using namespace mendrake;

int main(int argc, char** argv) {
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

    // Each line is printed once the operation returned: "R id hash" after a recording, "D id"
    // before a deletion, "T" before a trim. What was printed before the kill had been committed.
    auto record = [&](const CapturedClip& clip) {
        if (auto item = store.record(clip)) std::printf("R %lld %s\n", item->id, qPrintable(item->hash));
        std::fflush(stdout);
    };
    for (int i = 0;; ++i) {
        clock.advance(1);
        const int n = round * 100000 + i;
        switch (i % 5) {
        case 0: record(test::hardeningTextClip(n, false)); break;
        case 1: record(test::hardeningTextClip(n, true)); break;
        case 2: record(test::hardeningImageClip(n)); break;
        case 3: record(test::hardeningFileClip(n)); break;
        case 4:
            // A repeat of an earlier plain text as rich text: refreshes and upgrades that row.
            record(test::hardeningTextClip(n - 4, true));
            break;
        }
        if (i % 11 == 10) {
            std::printf("D %d\n", i / 3 + 1);
            std::fflush(stdout);
            store.deleteItem(i / 3 + 1);
        }
        if (i % 50 == 49) {
            std::printf("T\n");
            std::fflush(stdout);
            (void)store.trim(0, 400);
        }
    }
}
