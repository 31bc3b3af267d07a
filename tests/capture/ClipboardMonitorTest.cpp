#include "capture/AppIcon.h"
#include "capture/ClipboardMonitor.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeLoginItems.h"
#include "FakePasteboard.h"
#include "FakeSystemLog.h"
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
    NotificationCenter notifications;
    Preferences prefs{defaults, loginItems, log, notifications, clock};
    FakePasteboard board;
    FakeWorkspace workspace;
    std::vector<CapturedClip> captured;

    std::unique_ptr<ClipboardMonitor> startMonitor() {
        auto monitor = std::make_unique<ClipboardMonitor>(board, workspace, prefs, clock);
        monitor->onCapture = [this](const CapturedClip& clip) { captured.push_back(clip); };
        monitor->start();
        return monitor;
    }
    void tick() { clock.advance(ClipboardMonitor::pollInterval); }
};

TEST_F(ClipboardMonitorTest, EachChangeIsReadOnceWhateverTheOutcome) {
    board.copyText("there before the monitor");
    auto monitor = startMonitor();
    tick();
    EXPECT_EQ(board.dataReads(), 0);

    board.copy({{{pasteboard_type::string, "pw"}, {pasteboard_type::concealed, "secret"}}});
    tick();
    board.copyText("once");
    tick();
    const int reads = board.dataReads();
    clock.advance(60);
    EXPECT_EQ(board.dataReads(), reads);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, "once");
}

TEST_F(ClipboardMonitorTest, OwnWriteIsSkippedOnceThenUserCopiesAreRecorded) {
    auto monitor = startMonitor();
    monitor->ignoredChangeCounts.insert(board.writeString("pasted by us"));
    tick();
    EXPECT_TRUE(captured.empty());
    EXPECT_TRUE(monitor->ignoredChangeCounts.empty());
    board.copyText("user copy");
    tick();
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, "user copy");
}

TEST_F(ClipboardMonitorTest, CopiesDuringAPauseAreDroppedNotDeferred) {
    auto monitor = startMonitor();
    prefs.setPausedUntil(clock.now() + 3600);
    board.copyText("during pause");
    tick();
    clock.advance(3600);
    EXPECT_TRUE(captured.empty());
    board.copyText("after pause");
    tick();
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, "after pause");
}

TEST_F(ClipboardMonitorTest, ExcludedFrontmostApplicationMatchesExactly) {
    auto monitor = startMonitor();
    prefs.setExcludedBundleIDs({"org.keepassxc.KeePassXC"});
    workspace.setFrontmost("org.keepassxc.KeePassXC", "KeePassXC");
    board.copyText("secret");
    tick();
    EXPECT_TRUE(captured.empty());

    workspace.setFrontmost("org.keepassxc.keepassxc", "Other");
    board.copyText("not excluded");
    tick();
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].sourceBundleID, "org.keepassxc.keepassxc");
    EXPECT_EQ(captured[0].sourceAppName, "Other");
}

TEST_F(ClipboardMonitorTest, SourceIsTheFrontmostApplicationOrNone) {
    auto monitor = startMonitor();
    workspace.frontmost.reset();
    board.copyText("no app");
    tick();
    workspace.frontmost = RunningApplication{std::nullopt, QString("Nameless"), 7};
    board.copyText("nameless app");
    tick();
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_FALSE(captured[0].sourceBundleID);
    EXPECT_FALSE(captured[0].sourceAppName);
    EXPECT_FALSE(captured[1].sourceBundleID);
    EXPECT_EQ(captured[1].sourceAppName, "Nameless");
}

TEST_F(ClipboardMonitorTest, PollingEndsWithTheMonitorAndRestartKeepsOneTimer) {
    auto monitor = startMonitor();
    monitor->start();
    EXPECT_EQ(clock.liveTimers(), 1u);
    monitor.reset();
    board.copyText("nobody listens");
    tick();
    EXPECT_EQ(clock.liveTimers(), 0u);
    EXPECT_TRUE(captured.empty());
}

TEST(AppIcons, CachesFoundIconsAndAsksAgainForUnknownApplications) {
    FakeWorkspace workspace;
    workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"}};
    QImage big(128, 128, QImage::Format_ARGB32);
    big.fill(Qt::green);
    workspace.iconsByLocation["/apps/editor.desktop"] = big;
    AppIcons icons(workspace);

    EXPECT_FALSE(icons.appIcon(std::nullopt));
    EXPECT_EQ(workspace.locationLookups, 0);

    auto icon = icons.appIcon(QString("org.example.Editor"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->size(), QSize(32, 32));
    icons.appIcon(QString("org.example.Editor"));
    EXPECT_EQ(workspace.locationLookups, 1);

    EXPECT_FALSE(icons.appIcon(QString("org.example.Later")));
    workspace.installed.push_back({"org.example.Later", "Later", "/apps/later.desktop"});
    workspace.iconsByLocation["/apps/later.desktop"] = big;
    EXPECT_TRUE(icons.appIcon(QString("org.example.Later")));
}

}  // namespace
}  // namespace mendrake
