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
    workspace.setFrontmost("org.keepassxc.keepassxc", "Other");  // matched exactly
    EXPECT_EQ(copy("not excluded"), (std::vector<QString>{"after pause", "not excluded"}));
    EXPECT_EQ(captured.back().sourceBundleID, "org.keepassxc.keepassxc");
    EXPECT_EQ(captured.back().sourceAppName, "Other");
}

TEST_F(ClipboardMonitorTest, SourceIsTheFrontmostApplicationOrNone) {
    auto monitor = startMonitor();
    workspace.frontmost.reset();
    copy("no app");
    workspace.frontmost = RunningApplication{std::nullopt, QString("Nameless"), 7};
    copy("nameless app");
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_FALSE(captured[0].sourceBundleID || captured[0].sourceAppName);
    EXPECT_FALSE(captured[1].sourceBundleID);
    EXPECT_EQ(captured[1].sourceAppName, "Nameless");
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
