#include "capture/AppIcon.h"
#include "capture/ClipboardMonitor.h"

#include "FakePasteboard.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace test;

class ClipboardMonitorTest : public ::testing::Test, protected PreferencesFixture {
protected:
    FakePasteboard board;
    FakeTaskRunner reads;
    FakeWorkspace workspace;
    std::vector<CapturedClip> captured;
    std::unique_ptr<ClipboardMonitor> monitor;

    // Every test starts with a copy made before the monitor, which is never read.
    void SetUp() override {
        board.copyText("there before the monitor");
        monitor = std::make_unique<ClipboardMonitor>(board, workspace, prefs, clock, reads, log);
        monitor->onCapture = [this](const CapturedClip& clip) { captured.push_back(clip); };
        monitor->start();
    }
    // Another application copies; the monitor's next tick sees it. Answers the texts captured so far.
    QStringList copy(const QString& text) {
        board.copyText(text);
        clock.advance(ClipboardMonitor::pollInterval);
        QStringList texts;
        for (const CapturedClip& clip : captured) texts << clip.text;
        return texts;
    }
};

// Paused, ignored and our own changes are dropped before anything is read (a password copied from
// an ignored manager never enters this process), a copy not read whole is dropped, and none is
// recorded later; only a captured copy is served again when its owner quits.
TEST_F(ClipboardMonitorTest, DroppedChangesNeverReadNorRecordedLater) {
    int quits = 0;
    monitor->onOwnerQuit = [&] { ++quits; };
    prefs.setExcludedAppIds({"Keeper"});
    workspace.windows[5] = RunningApplication{QString("Keeper"), QString("Keeper"), 5, {}};
    clock.advance(ClipboardMonitor::pollInterval);
    EXPECT_EQ(board.dataReads(), 0) << "a copy made before the monitor";
    const struct {
        const char* why;
        std::function<void()> copy;
        bool recorded, read;
    } rows[] = {
        {"kept", [&] { board.copyText("kept"); }, true, true},
        {"concealed", [&] { board.copy({{{pasteboard_type::string, "pw"}, {pasteboard_type::concealed, "1"}}}); }, false, false},
        {"ignored window", [&] { board.copy({{{pasteboard_type::string, "ignored"}}}, 5); }, false, false},
        {"paused", [&] { prefs.setPausedUntil(clock.now() + 10); board.copyText("paused"); }, false, false},
        {"our paste of a recorded copy", [&] { monitor->ignoredChangeCounts.insert(board.writeString("kept")); }, false, false},
        {"after a pause ends", [&] { prefs.setPausedUntil(clock.now() + 1); clock.advance(2); board.copyText("resumed"); }, true, true},
        {"hung owner", [&] { board.copyText("hung"); board.ownerHangs = true; }, false, false},
        {"a copy made during the read", [&] { board.copyText("raced"); board.takenDuringRead = true; }, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        quits = 0;
        prefs.resume();
        const size_t before = captured.size();
        const int readsBefore = board.dataReads();
        row.copy();
        clock.advance(ClipboardMonitor::pollInterval);  // our own write raises no change event
        EXPECT_EQ(captured.size() > before, row.recorded);
        EXPECT_EQ(board.dataReads() > readsBefore, row.read);
        board.ownerQuits();
        clock.advance(0);
        EXPECT_EQ(quits, row.recorded ? 1 : 0);
    }
    EXPECT_TRUE(monitor->ignoredChangeCounts.empty()) << "our own change is skipped once, then forgotten";
    EXPECT_TRUE(log.lines.size() == 1 && !log.lines.back().contains("hung")) << "a failed read is logged without its content";
    const int readsSoFar = board.dataReads();
    clock.advance(3600);
    EXPECT_EQ(captured.size(), 2u) << "a dropped change is not deferred";
    EXPECT_EQ(board.dataReads(), readsSoFar) << "nor read again";

    // A copy replaced before its read is never read; the owner of the newest quits while it is read:
    // the capture, then the report.
    reads.hold = true;
    quits = 0;
    board.copyText("replaced before it was read");
    clock.advance(0);
    board.copyText("read slowly");
    clock.advance(0);
    board.ownerQuits();
    clock.advance(0);
    EXPECT_EQ(quits, 0);
    reads.runAll();
    EXPECT_EQ(board.dataReads() - readsSoFar, 1) << "the replaced copy is never read";
    EXPECT_TRUE(captured.back().text == "read slowly" && quits == 1);
}

TEST_F(ClipboardMonitorTest, SourceIsTheOwnersAppElseTheFocusedOne) {
    // The password managers ignored out of the box, plus one the user added.
    prefs.setExcludedAppIds(prefs.excludedAppIds() << "secretkeeper");
    auto app = [](const char* id, const char* windowClass) {
        return RunningApplication{QString(id), QString(id), 1, windowClass ? std::optional(QString(windowClass)) : std::nullopt};
    };
    workspace.windows = {{10, app("org.example.Notes", "Notes")}, {11, app("org.KeePassXC.keepassxc", nullptr)},
                         {12, app("SecretKeeper", "SecretKeeper")}, {13, app("org.example.Vault", "SECRETKEEPER")},
                         {14, app("com.bitwarden.desktop", "Bitwarden")}, {15, app("1password", nullptr)},
                         {16, app("org.gnome.seahorse.Application", nullptr)}, {17, app("enpass", "Enpass")}};
    const RunningApplication editor = app("Editor", nullptr), keeper = app("SecretKeeper", "SecretKeeper");
    const struct {
        quint64 owner;  // 0 or a window of no application: a command-line tool
        std::optional<RunningApplication> focused;
        std::optional<QString> source;  // none: not recorded
    } rows[] = {
        {10, keeper, QString("org.example.Notes")},  // the owner copied, whatever has the focus
        {11, editor, {}},                            // ignored desktop id, any case
        {12, editor, {}},                            // ignored WM_CLASS with no desktop entry
        {13, editor, {}},                            // ignored by its class under another id
        {14, editor, {}}, {15, editor, {}}, {16, editor, {}}, {17, editor, {}},  // ignored by default
        {99, editor, QString("Editor")},             // a tool's window: the focused application
        {0, keeper, {}},                             // ... which may be ignored
        {0, std::nullopt, QString()},                // no application at all
    };
    for (const auto& row : rows) {
        const size_t before = captured.size();
        const int readsBefore = board.dataReads();
        workspace.frontmost = row.focused;
        board.copy({{{pasteboard_type::string, "copied"}}}, row.owner);
        clock.advance(0);
        ASSERT_EQ(captured.size() > before, row.source.has_value()) << row.owner;
        EXPECT_EQ(board.dataReads() > readsBefore, row.source.has_value()) << row.owner;
        if (row.source) EXPECT_EQ(captured.back().sourceAppName.value_or(QString()), *row.source) << row.owner;
    }
}

TEST_F(ClipboardMonitorTest, PollingEndsWithTheMonitorAndRestartKeepsOneTimer) {
    monitor->start();
    EXPECT_EQ(clock.liveTimers(), 1u);
    monitor.reset();
    EXPECT_TRUE(copy("nobody listens").empty());
    EXPECT_EQ(clock.liveTimers(), 0u);
}

TEST(AppIcons, CachesFoundIconsAndAsksAgainForUnknownOnes) {
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
