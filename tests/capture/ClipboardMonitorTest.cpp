#include "capture/AppIcon.h"
#include "capture/ClipboardMonitor.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeLoginItems.h"
#include "FakePasteboard.h"
#include "FakeSystemLog.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "prefs/Preferences.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace test;

class ClipboardMonitorTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    Preferences prefs{defaults, loginItems, log, clock};
    FakePasteboard board;
    FakeTaskRunner reads;
    FakeWorkspace workspace;
    std::vector<CapturedClip> captured;

    std::unique_ptr<ClipboardMonitor> startMonitor() {
        auto monitor = std::make_unique<ClipboardMonitor>(board, workspace, prefs, clock, reads, log);
        monitor->onCapture = [this](const CapturedClip& clip) { captured.push_back(clip); };
        monitor->start();
        return monitor;
    }
    // Another application copies; the monitor's next tick sees it. Answers the texts captured so far.
    std::vector<QString> copy(const QString& text) {
        board.copyText(text);
        clock.advance(ClipboardMonitor::pollInterval);
        std::vector<QString> texts;
        for (const CapturedClip& clip : captured) texts.push_back(clip.text);
        return texts;
    }
};

TEST_F(ClipboardMonitorTest, EachChangeIsReadOnceWhateverTheOutcome) {
    board.copyText("there before the monitor");
    auto monitor = startMonitor();
    clock.advance(ClipboardMonitor::pollInterval);
    EXPECT_EQ(board.dataReads(), 0);

    board.copy({{{pasteboard_type::string, "pw"}, {pasteboard_type::concealed, "secret"}}});
    clock.advance(ClipboardMonitor::pollInterval);
    copy("once");
    const int reads = board.dataReads();
    clock.advance(60);
    EXPECT_EQ(board.dataReads(), reads);
    EXPECT_EQ(copy("twice"), (std::vector<QString>{"once", "twice"}));
}

TEST_F(ClipboardMonitorTest, OwnWritesPausesAndExcludedApplicationsAreDroppedNotDeferred) {
    auto monitor = startMonitor();
    monitor->ignoredChangeCounts.insert(board.writeString("pasted by us"));
    clock.advance(ClipboardMonitor::pollInterval);
    EXPECT_TRUE(monitor->ignoredChangeCounts.empty()) << "skipped once, then forgotten";

    prefs.setPausedUntil(clock.now() + 3600);
    copy("during pause");
    clock.advance(3600);
    EXPECT_EQ(copy("after pause"), std::vector<QString>{"after pause"});

    prefs.setExcludedBundleIDs({"org.keepassxc.KeePassXC"});
    workspace.setFrontmost("org.keepassxc.KeePassXC", "KeePassXC");
    copy("secret");
    workspace.setFrontmost("org.example.Other", "Other");
    EXPECT_EQ(copy("not excluded"), (std::vector<QString>{"after pause", "not excluded"}));
    EXPECT_EQ(captured.back().sourceBundleID, "org.example.Other");
    EXPECT_EQ(captured.back().sourceAppName, "Other");
}

TEST_F(ClipboardMonitorTest, SourceIsTheOwnerWindowsApplicationElseTheFocusedOneAndIgnoreRulesApplyToIt) {
    auto monitor = startMonitor();
    prefs.setExcludedBundleIDs({"org.keepassxc.KeePassXC", "secretkeeper"});
    workspace.windows[10] = RunningApplication{QString("org.example.Notes"), QString("Notes"), 10, QString("Notes")};
    workspace.windows[11] = RunningApplication{QString("org.KeePassXC.keepassxc"), QString("KeePassXC"), 11, {}};
    workspace.windows[12] = RunningApplication{QString("SecretKeeper"), QString("SecretKeeper"), 12, QString("SecretKeeper")};
    workspace.windows[13] = RunningApplication{QString("org.example.Vault"), QString("Vault"), 13, QString("SECRETKEEPER")};
    const RunningApplication editor{QString("org.example.Editor"), QString("Editor"), 1, {}};
    const RunningApplication keeper{QString("SecretKeeper"), QString("SecretKeeper"), 2, QString("SecretKeeper")};
    const struct {
        quint64 owner;  // 0 or a window of no application: a command-line tool
        std::optional<RunningApplication> focused;
        bool recorded;
        std::optional<QString> source;
    } rows[] = {
        {10, keeper, true, QString("Notes")},   // the owner copied, whatever has the focus
        {11, editor, false, {}},                // ignored desktop id, any case
        {12, editor, false, {}},                // ignored WM_CLASS with no desktop entry
        {13, editor, false, {}},                // ignored by its class under another id
        {99, editor, true, QString("Editor")},  // a tool's window: the focused application
        {0, keeper, false, {}},                 // ... which may be ignored
        {0, std::nullopt, true, {}},            // no application at all
    };
    for (const auto& row : rows) {
        const size_t before = captured.size();
        workspace.frontmost = row.focused;
        board.copy({{{pasteboard_type::string, "copied"}}}, row.owner);
        clock.advance(0);
        ASSERT_EQ(captured.size() > before, row.recorded) << row.owner;
        if (row.recorded) EXPECT_EQ(captured.back().sourceAppName, row.source) << row.owner;
    }
}

TEST_F(ClipboardMonitorTest, ReadsThatFailHangOrRaceAnotherCopyAreDroppedAndTheNewestCopyWins) {
    auto monitor = startMonitor();
    board.copyText("hung");
    board.ownerHangs = true;
    clock.advance(0);
    EXPECT_TRUE(captured.empty());
    EXPECT_EQ(log.lines.size(), 1u) << "a dropped capture is logged";
    EXPECT_FALSE(log.lines.back().contains("hung")) << "without its content";

    board.copyText("plain, then a concealed copy during its read");
    board.takenDuringRead = true;
    clock.advance(0);
    EXPECT_TRUE(captured.empty());

    reads.hold = true;
    board.copyText("replaced before it was read");
    clock.advance(0);
    board.copyText("newest");
    clock.advance(0);
    const int readsBefore = board.dataReads();
    reads.runAll();
    EXPECT_EQ(board.dataReads() - readsBefore, 1) << "the replaced copy is never read";
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, "newest");
}

TEST_F(ClipboardMonitorTest, OwnerQuittingIsReportedOnlyForACapturedCopy) {
    auto monitor = startMonitor();
    int quits = 0;
    monitor->onOwnerQuit = [&] { ++quits; };
    prefs.setExcludedBundleIDs({"Keeper"});
    workspace.windows[5] = RunningApplication{QString("Keeper"), QString("Keeper"), 5, {}};
    const struct {
        std::function<void()> copy;
        int quits;
    } rows[] = {
        {[&] { board.copyText("kept"); }, 1},
        {[&] { board.copy({{{pasteboard_type::string, "pw"}, {pasteboard_type::concealed, "1"}}}); }, 0},
        {[&] { board.copy({{{pasteboard_type::string, "ignored"}}}, 5); }, 0},
        {[&] { prefs.setPausedUntil(clock.now() + 10); board.copyText("paused"); }, 0},
        {[&] { monitor->ignoredChangeCounts.insert(board.writeString("our own")); }, 0},
    };
    for (const auto& row : rows) {
        quits = 0;
        prefs.resume();
        row.copy();
        clock.advance(0);
        board.ownerQuits();
        clock.advance(0);
        EXPECT_EQ(quits, row.quits);
    }

    // The owner quits while its copy is still being read: the capture, then the report.
    reads.hold = true;
    quits = 0;
    board.copyText("read slowly");
    clock.advance(0);
    board.ownerQuits();
    clock.advance(0);
    EXPECT_EQ(quits, 0);
    reads.runAll();
    EXPECT_EQ(captured.back().text, "read slowly");
    EXPECT_EQ(quits, 1);
}

TEST_F(ClipboardMonitorTest, PollingEndsWithTheMonitorAndRestartKeepsOneTimer) {
    auto monitor = startMonitor();
    monitor->start();
    EXPECT_EQ(clock.liveTimers(), 1u);
    monitor.reset();
    EXPECT_TRUE(copy("nobody listens").empty());
    EXPECT_EQ(clock.liveTimers(), 0u);
}

TEST(AppIcons, CachesFoundIconsAndAsksAgainForUnknownApplications) {
    FakeWorkspace workspace;
    QImage big(128, 128, QImage::Format_ARGB32);
    big.fill(Qt::green);
    workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"}};
    workspace.iconsByLocation = {{"/apps/editor.desktop", big}, {"/apps/later.desktop", big}};
    AppIcons icons(workspace);

    EXPECT_FALSE(icons.appIcon(std::nullopt));
    EXPECT_EQ(icons.appIcon(QString("org.example.Editor")).value_or(QImage()).size(), QSize(32, 32));
    icons.appIcon(QString("org.example.Editor"));
    EXPECT_EQ(workspace.locationLookups, 1);

    EXPECT_FALSE(icons.appIcon(QString("org.example.Later")));
    workspace.installed.push_back({"org.example.Later", "Later", "/apps/later.desktop"});
    EXPECT_TRUE(icons.appIcon(QString("org.example.Later")));
}

}  // namespace
}  // namespace mendrake
