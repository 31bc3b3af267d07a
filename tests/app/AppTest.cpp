#include "app/AppDelegate.h"
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

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using Clipboard = std::map<QString, QByteArray>;

// A history store that forwards to a real one and can be told to fail recording and deleting, as a
// full disk or a read-only database would. Trims and clearing run on a connection of their own.
class FlakyStore final : public HistoryStore {
public:
    FlakyStore(Clock& clock, std::unique_ptr<HistoryStore> real)
        : HistoryStore(clock, real->directory()), real_(std::move(real)) {}

    bool failWrites = false;
    static StoreError full() { return StoreError::sqlite(QStringLiteral("database or disk is full")); }

    StoreResult<ClipItem> record(const CapturedClip& clip) override {
        return failWrites ? StoreResult<ClipItem>(full()) : real_->record(clip);
    }
    void touch(qint64 id) override { real_->touch(id); }
    std::optional<ClipItem> fetch(qint64 id) override { return real_->fetch(id); }
    QList<ClipItem> recent(qint64 limit) override { return real_->recent(limit); }
    QList<ClipItem> search(const QString& q, qint64 limit) override { return real_->search(q, limit); }
    std::optional<QString> fullText(qint64 id) override { return real_->fullText(id); }
    RepresentationMap representations(const ClipItem& item) override { return real_->representations(item); }
    std::function<QImage()> imageReader(const ClipItem& item) override { return real_->imageReader(item); }
    void setPinned(qint64 id, bool pinned) override { real_->setPinned(id, pinned); }
    std::optional<StoreError> deleteItem(qint64 id) override { return failWrites ? full() : real_->deleteItem(id); }
    qint64 count() override { return real_->count(); }

private:
    std::unique_ptr<HistoryStore> real_;
};

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
            .openStore = [this]() -> StoreResult<std::unique_ptr<HistoryStore>> {
                auto flaky = std::make_unique<FlakyStore>(clock, HistoryStore::open(clock, dir.path()).value());
                store = flaky.get();
                return std::unique_ptr<HistoryStore>(std::move(flaky));
            },
            .symbolIcon = [](const QString&) { return QIcon(); },
            .trayAvailable = [this] { return trayAvailable; },
            .updatePublicKey = updateKey,
        };
        app = std::make_unique<AppDelegate>(prefs, std::move(services));
        EXPECT_TRUE(app->start());
    }
    // Another application copies text; the monitor's next tick sees it.
    void copyElsewhere(const QString& text) {
        pasteboard.copyText(text);
        clock.advance(ClipboardMonitor::pollInterval + 0.01);
    }
    qint64 rows() { return app->store()->count(); }
    QString onClipboard() { return pasteboard.items().at(0).at(0).second; }
    // The one item on the clipboard as a type → bytes table.
    Clipboard clipboard() const {
        if (pasteboard.items().size() != 1) return {};
        return Clipboard(pasteboard.items()[0].begin(), pasteboard.items()[0].end());
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
    FlakyStore* store = nullptr;
    std::unique_ptr<AppDelegate> app;
    bool trayAvailable = true;
    QString updateKey;
    std::vector<int> exits;
};

TEST_F(AppTest, StoreFailuresAreShownNotLoggedTwice) {
    launch();
    copyElsewhere("first copy");
    prefs.setPlaySound(true);
    store->failWrites = true;
    copyElsewhere("lost to a full disk");
    EXPECT_EQ(app->panelModel()->items().size(), 1);
    EXPECT_TRUE(sound.played.empty() && alerts.alerts.empty());
    EXPECT_TRUE(log.lines.isEmpty()) << "the store logs its own failures, the delegate adds nothing";
    EXPECT_TRUE(app->statusItem()->recordingProblem());
    app->panel()->show();
    app->panelModel()->deleteSelected();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].informativeText, "SQLite: database or disk is full");
    EXPECT_FALSE(app->panel()->isVisible());

    store->failWrites = false;
    copyElsewhere("disk has room again");
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(sound.played, std::vector<std::string>{"Tink"});
    EXPECT_FALSE(app->statusItem()->recordingProblem());
}

TEST_F(AppTest, AChosenItemIsWrittenMovedAndTypedOnlyWhereItCanBe) {
    launch();
    copyElsewhere("older");
    copyElsewhere("newer");
    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 5};
    using M = KeySynthesiser::Mechanism;
    const struct {
        const char* why;
        UseMode mode;
        bool pasteDirectly, trusted;
        M through;
        size_t typed;
        bool guide;
    } cases[] = {
        {"paste into the previous app", UseMode::paste, true, true, M::xtest, 1, false},
        {"copy only", UseMode::copyOnly, true, true, M::xtest, 0, false},
        {"direct pasting off", UseMode::paste, false, true, M::xtest, 0, false},
        {"a compositor without a virtual keyboard: nothing to allow", UseMode::paste, true, false, M::virtualKeyboard,
         0, false},
        {"without XTEST the guide opens on its permissions page", UseMode::paste, true, false, M::xtest, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        prefs.setPasteDirectly(c.pasteDirectly);
        keys.trusted = c.trusted;
        keys.through = c.through;
        keys.presses.clear();
        const ClipItem item = app->panelModel()->items().back();
        workspace.frontmost = editor;
        app->panel()->show();
        workspace.frontmost = std::nullopt;  // the panel has the focus now
        clock.advance(10);
        app->activate(item, c.mode, true);
        EXPECT_FALSE(app->panel()->isVisible());
        EXPECT_EQ(onClipboard(), item.text);
        EXPECT_EQ(app->panelModel()->items().front().id, item.id);
        EXPECT_GT(app->store()->fetch(item.id)->lastUsedAt, item.lastUsedAt);
        clock.advance(PasteEngine::pasteDelay + 0.01);
        EXPECT_EQ(keys.presses.size(), c.typed);
        ASSERT_EQ(app->onboardingWindow() != nullptr, c.guide);
    }
    EXPECT_EQ(app->onboardingWindow()->view()->page(), OnboardingView::Page::permissions);
    clock.advance(1);
    EXPECT_EQ(rows(), 2) << "the app's own writes are not recorded again";
}

TEST_F(AppTest, TheLastCopyIsServedAgainWhenItsOwnerQuits) {
    launch();
    const std::tuple<bool, bool, bool> cases[] = {{true, false, true}, {false, false, false}, {true, true, false}};
    for (auto [keep, recordFails, served] : cases) {
        prefs.setKeepClipboardOnOwnerQuit(keep);
        copyElsewhere("older");
        store->failWrites = recordFails;
        copyElsewhere("copied, then its app quit");
        store->failWrites = false;
        const int writes = pasteboard.writes();
        const ClipItem front = app->panelModel()->items().front();
        pasteboard.ownerQuits();
        clock.advance(1);
        EXPECT_EQ(pasteboard.writes() > writes, served);
        if (served) {
            EXPECT_EQ(onClipboard(), "copied, then its app quit");
        }
        EXPECT_EQ(app->panelModel()->items().front().id, front.id) << "not moved";
        EXPECT_EQ(app->store()->fetch(front.id)->lastUsedAt, front.lastUsedAt) << "not touched";
    }
    EXPECT_EQ(rows(), 2) << "serving it again is no new copy";
}

TEST_F(AppTest, TakenShortcutKeepsThePreviousOne) {
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
}

TEST_F(AppTest, ShortcutRequestsAndTrayActOnTheRunningInstance) {
    trayAvailable = false;
    launch();
    EXPECT_FALSE(app->hasTray());
    for (bool shown : {true, false}) {
        EXPECT_TRUE(hotKeys.press(kDefault.keycode, kDefault.modifiers));
        clock.advance(0.01);
        EXPECT_EQ(app->panel()->isVisible(), shown) << "the shortcut toggles the panel";
    }
    using Kind = InstanceRequest::Kind;
    const struct {
        std::optional<InstanceRequest> request;  // none: only time passes
        double wait;
        const char* answer;
        bool shown, paused;
    } rows[] = {
        {InstanceRequest{Kind::reopen}, 0, "", true, false},
        {InstanceRequest{Kind::toggle}, 0, "Panel hidden.", false, false},
        {InstanceRequest{Kind::toggle}, 0, "Panel shown.", true, false},
        {InstanceRequest{Kind::show}, 0, "Panel shown.", true, false},
        {InstanceRequest{Kind::pause, 5}, 299, "Capture paused for 5 minutes.", true, true},
        {std::nullopt, 2, "", true, false},
        {InstanceRequest{Kind::pause, 0}, 86400, "Capture paused until resumed.", true, true},
        {InstanceRequest{Kind::resume}, 0, "Capture resumed.", true, false},
    };
    for (const auto& row : rows) {
        const QString answer = row.request ? app->handleRequest(*row.request).text : QString();
        clock.advance(row.wait);
        EXPECT_EQ(answer, row.answer);
        EXPECT_TRUE(app->panel()->isVisible() == row.shown && prefs.isPaused() == row.paused) << row.answer;
    }
    app->showOnboarding(false);
    EXPECT_FALSE(app->panel()->isVisible()) << "the guide is not covered by the panel";
    trayAvailable = true;
    clock.advance(AppDelegate::trayCheckInterval + 1);
    EXPECT_TRUE(app->hasTray()) << "a tray started later is noticed";
}

// Only a build with a real signing key offers update checks; they open the project's releases page.
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

TEST_F(AppTest, CtrlQQuitsCtrlWClosesOtherChordsType) {
    launch();
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

TEST_F(AppTest, DeletedWordsLeaveTheIndexOnceThePanelHides) {
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
}

TEST_F(AppTest, CallbacksFiringAfterTheDelegateIsGoneDoNothing) {
    launch();
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
    const QString longText = QString(3000, 'x') + "END";
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0');
    const RepresentationMap rich{{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}};
    const RepresentationMap files{{filePathsType, "/tmp/a.txt\n\n/tmp/b.txt\n/tmp/c d.txt\n"},
                                  {"public.file-url", "file:///tmp/a.txt"}};
    const Clipboard urls{{"public.file-url", "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c%20d.txt\r\n"}};
    const RepresentationMap notUtf8{{filePathsType, QByteArray("/tmp/\xff\xfe", 7)}, {"public.utf8-plain-text", "broken"}};
    const QString full = QString(2500, 'y');  // whole texts past the preview, each with a damaged blob
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
        {"the preview is cut at 2000 characters", ClipKind::text, longText,
         {{"public.utf8-plain-text", longText.toUtf8()}}, true, {{"public.utf8-plain-text", longText.toUtf8()}}},
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

TEST_F(AppTest, PasteChordIsControlAndTheKeyThatTypesV) {
    PasteEngine(pasteboard, keys, layout, workspace, clock).postPasteChord();
    test::FakeKeyboardLayout dvorak;  // "v" on the US "." position (X keycode 60)
    dvorak.keys = {{60, "v"}, {55, "k"}};
    PasteEngine(pasteboard, keys, dvorak, workspace, clock).postPasteChord();
    test::FakeKeyboardLayout none;  // no "v" at all: the US V position
    PasteEngine(pasteboard, keys, none, workspace, clock).postPasteChord();
    using Press = test::FakeKeySynthesiser::Press;
    EXPECT_EQ(keys.presses,
              (std::vector<Press>{{55, Qt::ControlModifier}, {60, Qt::ControlModifier}, {55, Qt::ControlModifier}}));
}

TEST_F(AppTest, PasteTypesOnlyIntoTheTargetHoldingFocus) {
    PasteEngine engine{pasteboard, keys, layout, workspace, clock};
    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 42};
    const RunningApplication terminal{QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"), 7};
    const RunningApplication otherEditorWindow{editor.appId, editor.localizedName, 43};
    const struct {
        const char* name;
        std::optional<RunningApplication> target, front;
        bool activationFails, focusStolen, activates, types;
    } cases[] = {
        {"target behind", editor, terminal, false, false, true, true},
        {"target in front", editor, editor, false, false, false, true},
        {"target window gone", editor, terminal, true, false, true, false},
        {"focus taken before the keystroke", editor, terminal, false, true, true, false},
        {"same app, other window in front", editor, otherEditorWindow, true, false, true, false},
        {"no target", std::nullopt, terminal, false, false, false, false},
    };
    int refused = 0;
    engine.onPasteRefused = [&] { ++refused; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workspace.frontmost = c.front;
        workspace.activated.clear();
        workspace.activationFails = c.activationFails;
        workspace.focusElsewhere = false;
        keys.presses.clear();
        refused = 0;
        engine.pasteInto(c.target);
        EXPECT_EQ(workspace.activated.size(), c.activates ? 1u : 0u);
        workspace.focusElsewhere = c.focusStolen;
        clock.advance(PasteEngine::pasteDelay - 0.01);
        EXPECT_TRUE(keys.presses.empty());
        clock.advance(0.02);
        EXPECT_EQ(keys.presses.size(), c.types ? 1u : 0u);
        EXPECT_EQ(refused, c.types ? 0 : 1);
    }
}

}  // namespace
}  // namespace mendrake
