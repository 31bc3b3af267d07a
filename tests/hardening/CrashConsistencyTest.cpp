// A recording process killed with SIGKILL at random moments (while opening, creating the schema,
// writing a blob file, inserting, merging, deleting or trimming) must leave a store that opens,
// passes the integrity checks, has no half-written row, keeps every row committed before the kill,
// and records again, with the files a deletion left behind erased at that open.
#include "FakeClock.h"
#include "HardeningSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace mendrake::test {
namespace {

// The recorder, its output going to a file: a pipe would need draining while it runs.
struct Recorder {
    QTemporaryDir temp;
    QString directory = temp.path() + "/Mendrake", output = temp.path() + "/recorder.out";
    QProcess process;

    void start(int round) {
        process.setStandardOutputFile(output);
        process.start(MENDRAKE_RECORDER, {directory, QString::number(round)});
        process.waitForStarted();
    }
    std::string printed() const {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    bool waitForReady() {
        for (int waited = 0; printed().find("ready\n") == std::string::npos; waited += 5, QThread::msleep(5))
            if (waited > 60000) return false;
        return true;
    }
    // The last recording reported ("R id hash") that nothing reported later ("D id": its deletion,
    // "T": a trim) may have removed: its row was committed before the kill.
    std::optional<std::pair<qint64, std::string>> lastSurvivingRecord() const {
        std::optional<std::pair<qint64, std::string>> last;
        std::istringstream lines(printed());
        std::string line, tag, hash;
        qint64 id = 0;
        while (std::getline(lines, line) && !lines.eof()) {  // the last line may have been cut by the kill
            std::istringstream(line) >> tag >> id >> hash;
            if (tag == "R") last = {id, hash};
            if (tag == "T" || (tag == "D" && last && last->first == id)) last.reset();
        }
        return last;
    }
};

TEST(CrashConsistency, FiftyRandomKillsLeaveAWholeStore) {
    Recorder recorder;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    FakeClock clock(1'800'000'000.0);
    qint64 previousRows = 0, maxBlobRows = 0;
    int checkedSurvivors = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        recorder.start(round);
        // One kill in five lands during start-up (open, schema, mode repair); the rest mid-burst.
        ASSERT_TRUE(round % 5 == 0 || recorder.waitForReady()) << "the recorder never opened the store";
        QThread::usleep(std::uniform_int_distribution<int>(round % 5 ? 1000 : 0, round % 5 ? 250000 : 30000)(random));
        recorder.process.kill();
        recorder.process.waitForFinished();
        ASSERT_EQ(recorder.process.exitStatus(), QProcess::CrashExit) << "the recorder stopped by itself";

        const StoreCheck check = checkStoreDirectory(recorder.directory);
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        if (const auto last = recorder.lastSurvivingRecord()) {
            auto store = HistoryStore::open(clock, recorder.directory);
            ASSERT_TRUE(store.ok());
            const auto row = store.value()->fetch(last->first);
            EXPECT_TRUE(row && row->hash.toStdString() == last->second) << "committed row " << last->first << " is gone";
            ++checkedSurvivors;
        }
        // Rows are deleted and trimmed as the burst goes on, but never below what a trim keeps.
        EXPECT_TRUE(previousRows < 400 || check.rows >= 400) << check.rows;
        previousRows = check.rows;
        maxBlobRows = std::max(maxBlobRows, check.blobRows);
    }
    std::printf("50 kills: %lld rows, up to %lld with blobs, %d last recordings found again\n", previousRows, maxBlobRows,
                checkedSurvivors);
    EXPECT_GT(maxBlobRows, 0) << "no blob row was ever written: the kills came too early to test anything";
    EXPECT_GT(checkedSurvivors, 10) << "too few rounds reported a committed recording before the kill";

    // The store opens on what the kills left, removes the files left without a row, and records again.
    auto opened = HistoryStore::open(clock, recorder.directory);
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    auto recorded = opened.value()->record(hardeningClip(999999, HardeningKind::image));
    ASSERT_TRUE(recorded.ok()) << recorded.error().description().toStdString();
    EXPECT_FALSE(opened.value()->image(*recorded).isNull());
    opened.value().reset();
    const StoreCheck final = checkStoreDirectory(recorder.directory);
    EXPECT_TRUE(final.faults.isEmpty() && final.orphanBlobs == 0) << final.faults.join(u'\n').toStdString();
}

}  // namespace
}  // namespace mendrake::test
