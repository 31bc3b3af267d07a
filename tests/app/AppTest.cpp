#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "settings/BuildInfo.h"

#include "FakeAlertPresenter.h"
#include "FakeHotKeyService.h"
#include "FakePanelWindowSystem.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"
#include "capture/Classification.h"
#include "capture/ClipboardMonitor.h"
#include "menubar/StatusItemController.h"
#include "onboarding/OnboardingWindowController.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "store/HistoryStore.h"
#include "store/BlobFile.h"
#include "Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>

namespace mendrake {
namespace {

using Clipboard = std::map<QString, QByteArray>;
using Kind = InstanceRequest::Kind;

const HotKeyCombo kDefault = HotKeyCombo::defaultCombo();  // Shift+Super+V
const HotKeyCombo kCtrlAltC{54, Qt::ControlModifier | Qt::AltModifier};
const HotKeyCombo kCtrlAltX{53, Qt::ControlModifier | Qt::AltModifier};

struct AppTest : ::testing::Test, test::PreferencesFixture {
    AppTest() { prefs.setHasCompletedOnboarding(true); }

    void launch() {
        AppServices services{
            .clock = clock, .pasteboard = pasteboard, .workspace = workspace, .keys = keys,
            .keyboardLayout = layout, .hotKeys = hotKeys, .panelWindows = panelWindows, .sound = sound, .log = log,
            .alerts = alerts, .captureReads = reads, .maintenance = maintenance, .searches = searches,
            .previews = previews,
            .terminate = [this](int status) { exits.push_back(status); },
            .openStore = [this] { return HistoryStore::open(clock, dir.path()); },
            .symbolIcon = [](const QString&) { return QIcon(); },
            .trayAvailable = [this] { return trayAvailable; },
            .updatePublicKey = updateKey,
        };
        app = std::make_unique<AppDelegate>(prefs, std::move(services));
        EXPECT_TRUE(app->start());
    }
    // Every write of the app's connection fails, as on a read-only disk (trims use a connection of their own).
    void writesFail(bool fail) {
        ASSERT_FALSE(connectionOf(*app->store()).exec(fail ? "PRAGMA query_only = 1" : "PRAGMA query_only = 0"));
    }
    void copyElsewhere(const QString& text) {
        pasteboard.copyText(text);
        clock.advance(ClipboardMonitor::pollInterval + 0.01);
    }
    qint64 rows() { return app->store()->count(); }
    QString onClipboard() { return pasteboard.items().at(0).at(0).second; }
    Clipboard clipboard() const {
        const auto& items = pasteboard.items();
        return items.size() == 1 ? Clipboard(items[0].begin(), items[0].end()) : Clipboard();
    }

    QTemporaryDir dir;
    test::FakePasteboard pasteboard;
    test::FakeTaskRunner reads, maintenance, searches, previews;
    test::FakeWorkspace workspace;
    test::FakeKeySynthesiser keys;
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeHotKeyService hotKeys;
    test::FakePanelWindowSystem panelWindows;
    test::FakeSoundPlayer sound;
    test::FakeAlertPresenter alerts;
    std::unique_ptr<AppDelegate> app;
    bool trayAvailable = true;
    QString updateKey;
    std::vector<int> exits;
};

TEST_F(AppTest, FailuresAreShownOnceAndKeepWhatWorked) {
    hotKeys.taken = {{kDefault.keycode, kDefault.modifiers.toInt()}, {kCtrlAltX.keycode, kCtrlAltX.modifiers.toInt()}};
    launch();
    EXPECT_EQ(log.lines, QStringList{"Mendrake: could not register hotkey Shift+Super+V"});
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_FALSE(app->registeredCombo());
    prefs.setHotKey(kCtrlAltC);
    ASSERT_EQ(app->registeredCombo(), kCtrlAltC);
    const size_t attempts = hotKeys.attempts.size();
    prefs.setHotKey(kCtrlAltX);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].message, "Ctrl+Alt+X is already in use");
    EXPECT_EQ(alerts.alerts[0].informativeText, "Another app uses this shortcut, so Mendrake kept Ctrl+Alt+C.");
    EXPECT_EQ(prefs.hotKey(), kCtrlAltC);
    EXPECT_EQ(hotKeys.attempts.size(), attempts + 1) << "putting the old one back re-registers nothing";
    EXPECT_TRUE(hotKeys.unregistered.empty());
    EXPECT_TRUE(hotKeys.press(kCtrlAltC.keycode, kCtrlAltC.modifiers));
    copyElsewhere("first copy");
    prefs.setPlaySound(true);
    writesFail(true);
    copyElsewhere("lost to a failed write");
    EXPECT_EQ(app->panelModel()->items().size(), 1);
    EXPECT_TRUE(sound.played.empty() && alerts.alerts.size() == 1);
    EXPECT_EQ(log.lines.size(), 3) << "two shortcuts and the store's own line: the delegate adds none";
    EXPECT_TRUE(app->statusItem()->recordingProblem());
    app->panel()->show();
    app->panelModel()->deleteSelected();
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(alerts.alerts[1].informativeText, "SQLite: attempt to write a readonly database");
    EXPECT_FALSE(app->panel()->isVisible());

    writesFail(false);
    copyElsewhere("writable again");
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(sound.played, std::vector<std::string>{"Tink"});
    EXPECT_FALSE(app->statusItem()->recordingProblem());
}

TEST_F(AppTest, ChosenAndOrphanedCopiesAreServedNotRecorded) {
    launch();
    copyElsewhere("older");
    copyElsewhere("newer");
    using M = KeySynthesiser::Mechanism;
    const std::tuple<const char*, UseMode, bool, bool, M, size_t, bool> cases[] = {
        {"paste into the previous app", UseMode::paste, true, true, M::xtest, 1, false},
        {"copy only", UseMode::copyOnly, true, true, M::xtest, 0, false},
        {"direct pasting off", UseMode::paste, false, true, M::xtest, 0, false},
        {"no virtual keyboard: nothing to allow", UseMode::paste, true, false, M::virtualKeyboard, 0, false},
        {"without XTEST the guide opens on its permissions page", UseMode::paste, true, false, M::xtest, 0, true},
    };
    for (const auto& [why, mode, pasteDirectly, trusted, through, typed, guide] : cases) {
        SCOPED_TRACE(why);
        prefs.setPasteDirectly(pasteDirectly);
        keys.trusted = trusted;
        keys.through = through;
        keys.presses.clear();
        const ClipItem item = app->panelModel()->items().back();
        workspace.frontmost = RunningApplication{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Editor"), 5};
        app->panel()->show();
        workspace.frontmost = std::nullopt;  // the panel has the focus now
        clock.advance(10);
        app->activate(item, mode, true);
        EXPECT_FALSE(app->panel()->isVisible());
        EXPECT_EQ(onClipboard(), item.text);
        EXPECT_EQ(app->panelModel()->items().front().id, item.id);
        EXPECT_GT(app->store()->fetch(item.id)->lastUsedAt, item.lastUsedAt);
        clock.advance(PasteEngine::pasteDelay + 0.01);
        EXPECT_EQ(keys.presses.size(), typed);
        ASSERT_EQ(app->onboardingWindow() != nullptr, guide);
    }
    EXPECT_EQ(app->onboardingWindow()->view()->page(), OnboardingView::Page::permissions);
    clock.advance(1);
    EXPECT_EQ(rows(), 2) << "the app's own writes are not recorded again";
    // The last copy is served again when the app that copied it quits.
    const std::tuple<bool, bool, bool> quits[] = {{true, false, true}, {false, false, false}, {true, true, false}};
    for (auto [keep, recordFails, served] : quits) {
        prefs.setKeepClipboardOnOwnerQuit(keep);
        copyElsewhere("older");
        writesFail(recordFails);
        copyElsewhere("copied, then its app quit");
        writesFail(false);
        const int writes = pasteboard.writes();
        const ClipItem front = app->panelModel()->items().front();
        pasteboard.ownerQuits();
        clock.advance(1);
        EXPECT_EQ(pasteboard.writes() > writes ? onClipboard() : "", served ? "copied, then its app quit" : "");
        EXPECT_EQ(app->panelModel()->items().front().id, front.id) << "not moved";
        EXPECT_EQ(app->store()->fetch(front.id)->lastUsedAt, front.lastUsedAt) << "not touched";
    }
    EXPECT_EQ(rows(), 3) << "serving the last copy again is no new copy";
}

TEST_F(AppTest, RequestsShortcutTrayAndCtrlQReachTheApp) {
    trayAvailable = false;
    launch();
    EXPECT_FALSE(app->hasTray());
    for (bool shown : {true, false}) {
        EXPECT_TRUE(hotKeys.press(kDefault.keycode, kDefault.modifiers));
        clock.advance(0.01);
        EXPECT_EQ(app->panel()->isVisible(), shown) << "the shortcut toggles the panel";
    }
    // A request (none: only time passes), the wait after it, the answer, panel shown, capture paused.
    const std::tuple<std::optional<InstanceRequest>, double, const char*, bool, bool> rows[] = {
        {InstanceRequest{Kind::reopen}, 0, "", true, false},
        {InstanceRequest{Kind::toggle}, 0, "Panel hidden.", false, false},
        {InstanceRequest{Kind::toggle}, 0, "Panel shown.", true, false},
        {InstanceRequest{Kind::show}, 0, "Panel shown.", true, false},
        {InstanceRequest{Kind::pause, 5}, 299, "Capture paused for 5 minutes.", true, true},
        {std::nullopt, 2, "", true, false},
        {InstanceRequest{Kind::pause, 0}, 86400, "Capture paused until resumed.", true, true},
        {InstanceRequest{Kind::resume}, 0, "Capture resumed.", true, false},
    };
    for (const auto& [request, wait, answer, shown, paused] : rows) {
        EXPECT_EQ(request ? app->handleRequest(*request).text : QString(), answer);
        clock.advance(wait);
        EXPECT_TRUE(app->panel()->isVisible() == shown && prefs.isPaused() == paused) << answer;
    }
    app->showOnboarding(false);
    EXPECT_FALSE(app->panel()->isVisible()) << "the guide is not covered by the panel";
    trayAvailable = true;
    clock.advance(AppDelegate::trayCheckInterval + 1);
    EXPECT_TRUE(app->hasTray()) << "a tray started later is noticed";
    QLineEdit field;
    field.show();
    QApplication::setActiveWindow(&field);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    QTest::keyClick(&field, Qt::Key_Q, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Q);
    EXPECT_EQ(field.text(), "q") << "Ctrl+Shift+Q is not ours; a plain q still types";
    EXPECT_TRUE(exits.empty());
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(exits, std::vector<int>{0});
    QTest::keyClick(&field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(field.isVisible());
}

TEST_F(AppTest, OnlyARealSigningKeyOffersUpdates) {
    for (auto [key, offered] : {std::pair{"", false}, {"REPLACE_WITH_YOUR_KEY", false}, {" REPLACE", true}}) {
        updateKey = key;
        launch();
        emit app->statusItem()->menu()->aboutToShow();
        const QList<QAction*> actions = app->statusItem()->menu()->actions();
        auto check = std::ranges::find_if(actions, [](QAction* a) { return a->text().startsWith("Check for"); });
        ASSERT_EQ(check != actions.end(), offered) << key;
        if (offered) (*check)->trigger();
        app.reset();
    }
    EXPECT_EQ(workspace.opened, builtSourceAddress().isEmpty() ? std::vector<QUrl>{}
                                                               : std::vector<QUrl>{Updater::releasesPage()});
}

TEST_F(AppTest, RetentionTrimsWhenLimitsChangeAndHourly) {
    launch();
    for (int i = 0; i < 5; ++i) copyElsewhere(QStringLiteral("copy %1").arg(i));
    // The trim runs on the maintenance thread; the panel follows once it is done.
    maintenance.hold = true;
    prefs.setMaxItems(3);
    EXPECT_EQ(app->panelModel()->items().size(), 5);
    copyElsewhere("copied during the trim");
    EXPECT_EQ(app->panelModel()->items().size(), 5) << "a copy waits for the maintenance's write lock to go";
    maintenance.runAll();
    maintenance.hold = false;
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(app->panelModel()->items().size(), 4) << "three kept, then the copy that waited";
    EXPECT_EQ(app->panelModel()->items().front().text, "copied during the trim");
    prefs.setRetentionDays(1);
    clock.advance(23 * 3600.0);
    copyElsewhere("recent copy");
    clock.advance(2 * 3600.0);
    EXPECT_EQ(app->panelModel()->items().size(), 1);
    EXPECT_EQ(rows(), 1);
}

TEST_F(AppTest, DeletedWordsLeaveFilesCallbacksDieWithTheApp) {
    launch();
    for (int i = 0; i < 20; ++i) copyElsewhere(QStringLiteral("neighbour %1 ").arg(i).repeated(30));
    copyElsewhere("zqxmarker one");
    copyElsewhere("zqxmarker two");
    maintenance.hold = true;
    PanelViewModel& panel = *app->panelModel();
    app->panel()->show();
    panel.setQuery("zqxmarker");
    panel.deleteSelected();
    EXPECT_EQ(maintenance.pending(), 0u) << "the merge would hold up the next delete in the open panel";
    app->panel()->hide();
    panel.setQuery("zqxmarker");
    panel.deleteSelected();
    EXPECT_EQ(maintenance.pending(), 1u) << "deletions waiting for one erasure share it";
    maintenance.runAll();
    for (const QString& name : QDir(dir.path()).entryList({"history.sqlite*"}, QDir::Files)) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("zqxmarker")) << name.toStdString();
    }
    // Callbacks firing after the delegate is gone do nothing.
    copyElsewhere("something");
    app->activate(app->panelModel()->items().front(), UseMode::paste, false);  // its keystroke is still pending
    app.reset();
    EXPECT_FALSE(hotKeys.press(kDefault.keycode, kDefault.modifiers));
    prefs.setHotKey(kCtrlAltC);
    prefs.setMaxItems(1);
    prefs.setShowMenuBarIcon(false);
    clock.advance(2 * 3600.0);
    EXPECT_TRUE(keys.presses.empty());
    EXPECT_TRUE(hotKeys.attempts.size() == 1 && maintenance.pending() == 0);
}

TEST_F(AppTest, PasteWritesWhatWasCopiedOrTheWholeText) {
    std::unique_ptr<HistoryStore> history = HistoryStore::open(clock, dir.path()).value();
    PasteEngine engine{pasteboard, keys, layout, workspace, clock};
    // Recorded with the hash the classification makes from the content a paste checks.
    auto record = [&](ClipKind kind, const QString& text, RepresentationMap reps) {
        const QString hash = kind == ClipKind::file    ? contentHash("file", reps[filePathsType])
                             : kind == ClipKind::image ? contentHash("image", reps["public.png"])
                                                       : contentHash("text", text.toUtf8());
        return history->record({.kind = kind, .text = text, .hash = hash, .representations = reps}).value();
    };
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0');
    const RepresentationMap rich{{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}};
    const RepresentationMap files{{filePathsType, "/tmp/a.txt\n\n/tmp/b.txt\n/tmp/c d.txt\n"},
                                  {"public.file-url", "file:///tmp/a.txt"}};
    const Clipboard urls{{"public.file-url", "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c%20d.txt\r\n"}};
    const RepresentationMap notUtf8{{filePathsType, QByteArray("/tmp/\xff\xfe", 7)}, {"public.utf8-plain-text", "broken"}};
    const QString full = QString(2500, 'y');  // whole texts past the preview
    const auto stored = [](const QString& text) {
        return RepresentationMap{{"public.html", "<i>y</i>"}, {"public.utf8-plain-text", text.toUtf8()}};
    };
    const auto whole = [](const QString& text) { return Clipboard{{"public.utf8-plain-text", text.toUtf8()}}; };
    const struct {
        const char* why;
        ClipKind kind;
        QString text;
        RepresentationMap reps;
        bool plain;
        Clipboard expected;
        std::function<void(const QString& blobPath)> damage = {};
    } rows[] = {
        {"rich text as copied", ClipKind::richText, "Bold words", rich, false, Clipboard(rich.begin(), rich.end())},
        {"rich text as plain", ClipKind::richText, "Bold words", rich, true, {{"public.utf8-plain-text", "Bold words"}}},
        {"an image keeps its form as plain text", ClipKind::image, "Image 1×1", {{"public.png", png}}, true,
         {{"public.png", png}}},
        {"the preview is cut at 2000", ClipKind::text, full + "2", whole(full + "2"), true, whole(full + "2")},
        {"files as copied", ClipKind::file, "a.txt, b.txt, c d.txt", files, false, urls},
        {"files as plain", ClipKind::file, "a.txt, b.txt, c d.txt", files, true, urls},
        {"paths not UTF-8", ClipKind::file, "broken", notUtf8, false, Clipboard(notUtf8.begin(), notUtf8.end())},
        {"nothing left still clears the clipboard", ClipKind::file, "nothing", {{filePathsType, "\n\n"}}, false, {}},
        {"missing blob", ClipKind::richText, full + "1", stored(full + "1"), false, whole(full + "1"),
         [](const QString& path) { ASSERT_TRUE(QFile::remove(path)); }},
        {"blob of other content", ClipKind::richText, full + "3", stored(full + "3"), false, whole(full + "3"),
         [](const QString& path) { ASSERT_FALSE(writeBlobFile(path, {{"public.utf8-plain-text", "other text"}})); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const ClipItem item = record(row.kind, row.text, row.reps);
        if (row.damage) row.damage(QDir(history->blobDirectory()).filePath(item.blob.value()));
        pasteboard.copyText("someone else's copy");
        const qint64 count = engine.writeToPasteboard(item, *history, row.plain);
        EXPECT_EQ(count, pasteboard.changeCount());
        EXPECT_EQ(clipboard(), row.expected);
    }
}

TEST_F(AppTest, PasteTypesCtrlVOnlyIntoTheFocusedTarget) {
    test::FakeKeyboardLayout dvorak, none;  // "v" on the US "." position (X keycode 60); no "v": the US V position
    dvorak.keys = {{60, "v"}, {55, "k"}};
    for (auto* each : {&layout, &dvorak, &none})
        PasteEngine(pasteboard, keys, *each, workspace, clock).postPasteChord();
    using Press = test::FakeKeySynthesiser::Press;
    EXPECT_EQ(keys.presses,
              (std::vector<Press>{{55, Qt::ControlModifier}, {60, Qt::ControlModifier}, {55, Qt::ControlModifier}}));
    PasteEngine engine{pasteboard, keys, layout, workspace, clock};
    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 42};
    const RunningApplication terminal{QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"), 7};
    const RunningApplication otherEditorWindow{editor.appId, editor.localizedName, 43};
    using App = std::optional<RunningApplication>;
    const std::tuple<const char*, App, App, bool, bool, bool, bool> cases[] = {
        {"target behind", editor, terminal, false, false, true, true},
        {"target in front", editor, editor, false, false, false, true},
        {"target window gone", editor, terminal, true, false, true, false},
        {"focus taken before the keystroke", editor, terminal, false, true, true, false},
        {"same app, other window in front", editor, otherEditorWindow, true, false, true, false},
        {"no target", std::nullopt, terminal, false, false, false, false},
    };
    int refused = 0;
    engine.onPasteRefused = [&] { ++refused; };
    for (const auto& [name, target, front, activationFails, focusStolen, activates, types] : cases) {
        SCOPED_TRACE(name);
        workspace.frontmost = front;
        workspace.activated.clear();
        workspace.activationFails = activationFails;
        workspace.focusElsewhere = false;
        keys.presses.clear();
        refused = 0;
        engine.pasteInto(target);
        EXPECT_EQ(workspace.activated.size(), activates ? 1u : 0u);
        workspace.focusElsewhere = focusStolen;
        clock.advance(PasteEngine::pasteDelay - 0.01);
        EXPECT_TRUE(keys.presses.empty());
        clock.advance(0.02);
        EXPECT_EQ(keys.presses.size(), types ? 1u : 0u);
        EXPECT_EQ(refused, types ? 0 : 1);
    }
}

struct SingleInstanceTest : ::testing::Test {
    // Runs a later launch on its own thread (it blocks) while this thread serves events.
    SingleInstance::Outcome launch(const QByteArray& request, InstanceReply* reply) {
        std::atomic<int> outcome{-1};
        std::thread thread([&] { outcome = int(SingleInstance(lock, socket).claimOrSend(request, reply, 2000)); });
        QElapsedTimer timer;
        timer.start();
        while (outcome < 0 && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        thread.join();
        return SingleInstance::Outcome(outcome.load());
    }

    QTemporaryDir dir;
    QString lock = dir.filePath("store/instance.lock");
    QString socket = dir.filePath("mendrake.socket");
};

// A socket file left by a crashed process is replaced: the lock decides. A holder not listening yet is
// not taken over; long lines, silence and junk never reach the handler.
TEST_F(SingleInstanceTest, LockHolderAloneServesWellFormedRequests) {
    QFile(socket).open(QIODevice::WriteOnly);
    SingleInstance running(lock, socket);
    ASSERT_EQ(running.claimOrSend("reopen", nullptr, 200), SingleInstance::Outcome::holdsLock);
    SingleInstance later(lock, socket);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(later.claimOrSend("show", nullptr, 300), SingleInstance::Outcome::noAnswer);
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_FALSE(later.holdsLock());
    QList<QByteArray> received;
    ASSERT_TRUE(running.listen([&](const QByteArray& line) {
        received << line;
        return InstanceReply{line != "quit", QStringLiteral("answer to ") + QString::fromLatin1(line)};
    }));
    for (const QByteArray& bytes : {QByteArray(SingleInstance::maxRequestBytes * 4, 'x') + '\n', QByteArray("show"),
                                    QByteArray()}) {
        QLocalSocket client;
        client.connectToServer(socket);
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(bytes);
        client.flush();
        timer.restart();
        while (client.state() == QLocalSocket::ConnectedState && timer.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(client.state() != QLocalSocket::ConnectedState && timer.elapsed() < SingleInstance::idleTimeoutMs + 1000)
            << bytes.left(8).constData() << " kept open";
    }
    InstanceReply reply;
    EXPECT_EQ(launch("pause 15", &reply), SingleInstance::Outcome::answered);
    EXPECT_TRUE(reply.ok && reply.text == "answer to pause 15");
    EXPECT_EQ(launch("quit", &reply), SingleInstance::Outcome::answered);
    EXPECT_FALSE(reply.ok) << "a refusal reaches the sender";
    EXPECT_EQ(received, (QList<QByteArray>{"pause 15", "quit"}));
    EXPECT_FALSE(SingleInstance(lock, socket).tryLock());
    running.releaseLock();
    EXPECT_TRUE(SingleInstance(lock, socket).tryLock()) << "the lock is free once its holder is gone";
}

TEST_F(SingleInstanceTest, SocketPathFollowsTheRuntimeDirectory) {
    const QString fallback = QDir::tempPath() + QStringLiteral("/mendrake-%1.socket").arg(getuid());
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") ? std::optional(qgetenv("XDG_RUNTIME_DIR")) : std::nullopt;
    for (auto [runtime, expected] : {std::pair{QString(), fallback}, {dir.filePath("gone"), fallback},
                                     {dir.path(), dir.filePath("mendrake.socket")}}) {
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        EXPECT_EQ(SingleInstance::defaultSocketPath(), expected) << runtime.toStdString();
    }
    saved ? qputenv("XDG_RUNTIME_DIR", *saved) : qunsetenv("XDG_RUNTIME_DIR");
}

TEST(CommandLine, OptionsBecomeRequestsMistakesUsageErrors) {
    using Action = CommandLine::Action;
    const struct {
        QStringList args;
        Action action;
        InstanceRequest request;
    } cases[] = {
        {{}, Action::start, {}},                         {{"--show"}, Action::request, {Kind::show}},
        {{"--toggle"}, Action::request, {Kind::toggle}}, {{"--settings"}, Action::request, {Kind::settings}},
        {{"--pause"}, Action::request, {Kind::pause, 0}}, {{"--pause=30"}, Action::request, {Kind::pause, 30}},
        {{"--pause=10080"}, Action::request, {Kind::pause, 10080}},
        {{"--resume"}, Action::request, {Kind::resume}}, {{"--quit"}, Action::request, {Kind::quit}},
        {{"--version"}, Action::version, {}},            {{"--help"}, Action::help, {}},
        {{"--pause=0"}, Action::usageError, {}},         {{"--pause=10081"}, Action::usageError, {}},
        {{"--pause=ten"}, Action::usageError, {}},       {{"--pause", "5"}, Action::usageError, {}},
        {{"--show", "--quit"}, Action::usageError, {}},  {{"--frobnicate"}, Action::usageError, {}},
    };
    for (const auto& [args, action, request] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CommandLine parsed = parseCommandLine(QStringList{"mendrake"} + args);
        EXPECT_EQ(parsed.action, action);
        if (action == Action::request) {
            EXPECT_EQ(parsed.request, request);
            EXPECT_EQ(InstanceRequest::decode(request.encode()), request);
        }
        EXPECT_EQ(parsed.text.isEmpty(), action == Action::start || action == Action::request);
    }
    EXPECT_EQ(InstanceRequest::decode(InstanceRequest{Kind::reopen}.encode()), InstanceRequest{Kind::reopen});
    for (const char* junk : {"", "Show", "show ", "show 5", "pause 0", "pause -5", "pause 015", "pause 5 5",
                             "pause 99999999", "pause x", "quit\r"})
        EXPECT_EQ(InstanceRequest::decode(junk), std::nullopt) << junk;
}

}  // namespace
}  // namespace mendrake
