// The crash test's victim: records clips of every kind, repeats that upgrade a row, deletions and
// trims in the store directory given until it is killed. Prints "ready" once the store is open.
#include "HardeningSupport.h"

#include <cstdio>

using namespace mendrake;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int round = std::atoi(argv[2]);
    test::FakeClock clock(1'700'000'000.0 + round * 100000.0);
    auto opened = HistoryStore::open(clock, QString::fromLocal8Bit(argv[1]));
    if (!opened) return 3;
    HistoryStore& store = *opened.value();
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0;; ++i) {
        clock.advance(1);
        const int n = round * 100000 + i;
        // Every fifth is a repeat of an earlier plain text as rich text: refreshes and upgrades that row.
        const auto clip = i % 5 == 4 ? test::hardeningClip(n - 4, test::HardeningKind::richText)
                                     : test::hardeningClip(n, test::HardeningKind(i % 5 % 3));
        (void)store.record(clip);
        if (i % 11 == 10) (void)store.deleteItem(i / 3 + 1);
        if (i % 50 == 49) (void)store.trim(0, 400);
    }
}
