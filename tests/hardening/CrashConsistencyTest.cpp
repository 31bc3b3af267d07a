// A recorder killed at random moments (opening, creating the schema, writing a blob, merging,
// deleting) leaves a whole store, which opens, erases the files no row names and records again.
#include "HardeningSupport.h"

#include <QProcess>
#include <QThread>

#include <random>

namespace mendrake::test {
namespace {

TEST(CrashConsistency, FiftyRandomKillsLeaveAWholeStore) {
    QTemporaryDir temp;
    const QString directory = temp.path() + "/Mendrake";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    qint64 maxBlobRows = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QProcess recorder;
        recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        recorder.start(MENDRAKE_RECORDER, {directory, QString::number(round)});
        // One kill in five lands during start-up (open, schema, mode repair); the rest mid-burst.
        ASSERT_TRUE(round % 5 == 0 || (recorder.waitForReadyRead(60000) && recorder.readAll() == "ready\n"))
            << "the recorder never opened the store";
        QThread::usleep(std::uniform_int_distribution<int>(round % 5 ? 1000 : 0, round % 5 ? 250000 : 30000)(random));
        recorder.kill();
        recorder.waitForFinished();
        ASSERT_EQ(recorder.exitStatus(), QProcess::CrashExit) << "the recorder stopped by itself";
        const StoreCheck check = checkStoreDirectory(directory);
        EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'\n').toStdString();
        maxBlobRows = std::max(maxBlobRows, check.blobRows);
    }
    EXPECT_GT(maxBlobRows, 0) << "no blob row was ever written: the kills came too early to test anything";

    // The store opens on what the kills left, removes the files left without a row, and records again.
    FakeClock clock(1'800'000'000.0);
    auto opened = HistoryStore::open(clock, directory);
    ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
    auto recorded = opened.value()->record(hardeningClip(999999, HardeningKind::image));
    ASSERT_TRUE(recorded.ok()) << recorded.error().description().toStdString();
    EXPECT_FALSE(opened.value()->image(*recorded).isNull());
    opened.value().reset();
    const StoreCheck final = checkStoreDirectory(directory);
    EXPECT_TRUE(final.faults.isEmpty() && final.orphanBlobs == 0) << final.faults.join(u'\n').toStdString();
}

}  // namespace
}  // namespace mendrake::test
