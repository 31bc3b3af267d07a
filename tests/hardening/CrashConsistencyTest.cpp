// A recording process killed with SIGKILL at random moments (while opening, creating the schema,
// writing a blob file, inserting, merging, deleting or trimming) must leave a store that opens,
// passes the integrity checks, has no half-written row, keeps every row committed before the kill,
// and records again.
#include "FakeClock.h"
#include "HardeningSupport.h"

#include <QFileInfo>
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
    QProcess process;
    QString output;

    Recorder(const QString& directory, int round, const QString& deletion = {})
        : output(QFileInfo(directory).path() + "/recorder.out") {
        process.setStandardOutputFile(output);
        process.start(QStringLiteral(MENDRAKE_RECORDER),
                      QStringList{directory, QString::number(round)} + (deletion.isEmpty() ? QStringList() : QStringList{deletion}));
        process.waitForStarted();
    }
    std::string printed() const {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    bool waitFor(const char* text, int ms) {
        for (int waited = 0; printed().find(text) == std::string::npos; waited += 5) {
            if (waited > ms) return false;
            QThread::msleep(5);
        }
        return true;
    }
};

// The last recording the child reported ("R id hash") that nothing reported later ("D id": a
// deletion of it, "T": a trim) may have removed: its row was committed before the kill.
std::optional<std::pair<qint64, std::string>> lastSurvivingRecord(const std::string& output) {
    std::optional<std::pair<qint64, std::string>> last;
    std::istringstream lines(output);
    std::string line, tag, hash;
    qint64 id = 0;
    while (std::getline(lines, line) && !lines.eof()) {  // the last line may have been cut by the kill
        std::istringstream words(line);
        words >> tag >> id >> hash;
        if (tag == "R") last = {id, hash};
        if (tag == "T" || (tag == "D" && last && last->first == id)) last.reset();
    }
    return last;
}

TEST(CrashConsistency, FiftyRandomKillsLeaveAWholeStore) {
    QTemporaryDir temp;
    const QString directory = temp.path() + "/Mendrake";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    FakeClock clock(1'800'000'000.0);
    qint64 previousRows = 0, maxBlobRows = 0;
    int checkedSurvivors = 0, orphans = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Recorder recorder(directory, round);
        // One kill in five lands during start-up (open, schema, mode repair); the rest mid-burst.
        if (round % 5 == 0) {
            QThread::usleep(std::uniform_int_distribution<int>(0, 30000)(random));
        } else {
            ASSERT_TRUE(recorder.waitFor("ready\n", 60000)) << "the recorder never opened the store";
            QThread::usleep(std::uniform_int_distribution<int>(1000, 250000)(random));
        }
        recorder.process.kill();
        recorder.process.waitForFinished();
        ASSERT_EQ(recorder.process.exitStatus(), QProcess::CrashExit) << "the recorder stopped by itself";

        const StoreCheck check = checkStoreDirectory(directory);
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        if (const auto last = lastSurvivingRecord(recorder.printed())) {
            auto store = HistoryStore::open(clock, directory);
            ASSERT_TRUE(store.ok());
            const auto row = store.value()->fetch(last->first);
            EXPECT_TRUE(row && row->hash.toStdString() == last->second) << "row " << last->first << " was committed before the kill and is gone";
            ++checkedSurvivors;
        }
        // Rows are deleted and trimmed as the burst goes on, but never below what a trim keeps.
        if (previousRows >= 400) EXPECT_GE(check.rows, 400);
        previousRows = check.rows;
        maxBlobRows = std::max(maxBlobRows, check.blobRows);
        orphans = check.orphanBlobs;
    }
    EXPECT_GT(maxBlobRows, 0) << "no blob row was ever written: the kills came too early to test anything";
    std::printf("50 kills: %lld rows at the end, up to %lld with blobs, %d last recordings found again, "
                "%d blob files left without a row\n", previousRows, maxBlobRows, checkedSurvivors, orphans);
    EXPECT_GT(checkedSurvivors, 10) << "too few rounds reported a committed recording before the kill";

    // The store opens on what the kills left and records again.
    auto opened = HistoryStore::open(clock, directory);
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    auto recorded = opened.value()->record(hardeningClip(999999, HardeningKind::image));
    ASSERT_TRUE(recorded.ok()) << recorded.error().description().toStdString();
    EXPECT_FALSE(opened.value()->image(*recorded).isNull());
    opened.value().reset();
    const StoreCheck final = checkStoreDirectory(directory);
    EXPECT_TRUE(final.faults.isEmpty());
    EXPECT_EQ(final.orphanBlobs, 0) << "files the kills left without a row are removed at open";
}

TEST(CrashConsistency, KillAfterDeletionCommitLeavesNoFileAfterOpen) {
    for (const char* deletion : {"delete", "trim", "clear"}) {
        SCOPED_TRACE(deletion);
        QTemporaryDir temp;
        const QString directory = temp.path() + "/Mendrake";
        Recorder recorder(directory, 1, deletion);
        ASSERT_TRUE(recorder.process.waitForFinished(60000));
        ASSERT_EQ(recorder.process.exitStatus(), QProcess::CrashExit) << "the recorder was not killed at the commit";
        ASSERT_GT(checkStoreDirectory(directory).orphanBlobs, 0) << "the kill came after the files were removed";
        FakeClock clock(1'800'000'000.0);
        ASSERT_TRUE(HistoryStore::open(clock, directory).ok());
        const StoreCheck check = checkStoreDirectory(directory);
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        EXPECT_EQ(check.orphanBlobs, 0);
    }
}

}  // namespace
}  // namespace mendrake::test
