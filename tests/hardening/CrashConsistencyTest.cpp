// A recording process killed with SIGKILL at random moments (while opening, creating the schema,
// writing a blob file, inserting, merging, deleting or trimming) must leave a store that opens,
// passes the integrity checks, has no half-written row, keeps every row committed before the kill,
// and records again.
#include "HardeningSupport.h"

#include "FakeClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace mendrake::test {
namespace {

struct Child {
    pid_t pid = -1;
    int output = -1;  // read end of the child's stdout
};

Child startRecorder(const QString& directory, int round, const char* deletion = nullptr) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    const QByteArray dir = QFile::encodeName(directory);
    const std::string roundText = std::to_string(round);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        execl(MENDRAKE_RECORDER, MENDRAKE_RECORDER, dir.constData(), roundText.c_str(), deletion, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

// Reads what the child prints until `until` says stop or `timeout` passes, so that the child never
// blocks on a full pipe. Answers whether `until` was satisfied.
template <class Until>
bool drain(const Child& child, std::string& output, std::chrono::microseconds timeout, Until until) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (!until()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{child.output, POLLIN, 0};
        if (poll(&fd, 1, int(left.count())) != 1) continue;
        const ssize_t n = read(child.output, buffer, sizeof buffer);
        if (n <= 0) return until();
        output.append(buffer, size_t(n));
    }
    return true;
}

// The last recording the child reported whose row nothing reported later may have removed: its
// row was committed before the kill and must still be there.
std::optional<std::pair<qint64, std::string>> lastSurvivingRecord(const std::string& output) {
    std::optional<std::pair<qint64, std::string>> last;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (lines.eof()) break;  // a line cut by the kill
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        if (tag == "R") {
            qint64 id;
            std::string hash;
            words >> id >> hash;
            last = {id, hash};
        } else if (tag == "T") {
            last.reset();
        } else if (tag == "D") {
            qint64 id;
            words >> id;
            if (last && last->first == id) last.reset();
        }
    }
    return last;
}

TEST(CrashConsistency, FiftyRandomKillsLeaveAWholeStore) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    FakeClock clock(1'800'000'000.0);

    qint64 previousRows = 0;
    qint64 maxBlobRows = 0;
    int checkedSurvivors = 0;
    int orphans = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Child child = startRecorder(temp.path(), round);
        ASSERT_GT(child.pid, 0);
        // One kill in five lands during start-up (open, schema, mode repair); the rest mid-burst.
        const bool early = round % 5 == 0;
        std::string output;
        if (early) {
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(random)));
        } else {
            ASSERT_TRUE(drain(child, output, std::chrono::seconds(60),
                              [&] { return output.find("ready\n") != std::string::npos; }))
                << "the recorder never opened the store";
            const std::chrono::microseconds burst(std::uniform_int_distribution<int>(1000, 250000)(random));
            drain(child, output, burst, [] { return false; });
        }
        ASSERT_EQ(kill(child.pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
        char rest[4096];
        for (ssize_t n; (n = read(child.output, rest, sizeof rest)) > 0;) output.append(rest, size_t(n));
        close(child.output);
        if (WIFEXITED(status)) FAIL() << "the recorder stopped by itself with status " << WEXITSTATUS(status);

        const StoreCheck check = checkStoreDirectory(temp.path());
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        if (const auto last = lastSurvivingRecord(output)) {
            auto store = HistoryStore::open(clock, temp.path());
            ASSERT_TRUE(store.ok());
            const auto row = store.value()->fetch(last->first);
            EXPECT_TRUE(row && row->hash.toStdString() == last->second) << "row " << last->first << " was committed before the kill and is gone";
            ++checkedSurvivors;
        }
        // Rows are deleted and trimmed as the burst goes on, but never below what a trim keeps.
        if (previousRows >= 400) {
            EXPECT_GE(check.rows, 400);
        }
        previousRows = check.rows;
        maxBlobRows = std::max(maxBlobRows, check.blobRows);
        orphans = check.orphanBlobs;
    }
    EXPECT_GT(maxBlobRows, 0) << "no blob row was ever written: the kills came too early to test anything";
    std::printf("50 kills: %lld rows at the end, up to %lld with blobs, %d last recordings found again, "
                "%d blob files left without a row\n",
                previousRows, maxBlobRows, checkedSurvivors, orphans);
    EXPECT_GT(checkedSurvivors, 10) << "too few rounds reported a committed recording before the kill";

    // The store opens on what the kills left and records again.
    auto opened = HistoryStore::open(clock, temp.path());
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    auto recorded = opened.value()->record(hardeningClip(999999, HardeningKind::image));
    ASSERT_TRUE(recorded.ok()) << recorded.error().description().toStdString();
    EXPECT_EQ(opened.value()->image(*recorded).isNull(), false);
    opened.value().reset();
    const StoreCheck final = checkStoreDirectory(temp.path());
    EXPECT_TRUE(final.faults.isEmpty());
    EXPECT_EQ(final.orphanBlobs, 0) << "files the kills left without a row are removed at open";
}

TEST(CrashConsistency, KillAfterDeletionCommitLeavesNoFileAfterOpen) {
    for (const char* deletion : {"delete", "trim", "clear"}) {
        SCOPED_TRACE(deletion);
        QTemporaryDir temp;
        Child child = startRecorder(temp.path(), 1, deletion);
        ASSERT_GT(child.pid, 0);
        int status = 0;
        ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
        close(child.output);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the recorder was not killed at the commit";
        ASSERT_GT(checkStoreDirectory(temp.path()).orphanBlobs, 0) << "the kill came after the files were removed";

        FakeClock clock(1'800'000'000.0);
        ASSERT_TRUE(HistoryStore::open(clock, temp.path()).ok());
        const StoreCheck check = checkStoreDirectory(temp.path());
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        EXPECT_EQ(check.orphanBlobs, 0);
    }
}

}  // namespace
}  // namespace mendrake::test
