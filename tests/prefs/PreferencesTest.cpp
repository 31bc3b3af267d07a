#include "platform/x11/IniDefaultsStore.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/XdgAutostartLoginItems.h"
#include "prefs/Preferences.h"

#include "PreferencesFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace mendrake {
namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// `prefs` over the shared fakes; `load` on a real settings file and autostart entry.
struct PreferencesTest : ::testing::Test, test::PreferencesFixture {
    PreferencesTest() {
        writeFile(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (auto signal : {&Preferences::hotKeyAssigned, &Preferences::trayIconAssigned,
                            &Preferences::historyLimitsAssigned, &Preferences::hotKeyChanged,
                            &Preferences::maxItemsChanged, &Preferences::retentionDaysChanged,
                            &Preferences::excludedAppIdsChanged, &Preferences::pasteDirectlyChanged,
                            &Preferences::pausedUntilChanged})
            QObject::connect(&prefs, signal,
                             [this, signal] { heard_.push_back(QMetaMethod::fromSignal(signal).name()); });
    }
    std::unique_ptr<Preferences> load(DefaultsStore& store) {
        return std::make_unique<Preferences>(store, autostart, log, clock);
    }
    std::vector<QString> heard() { return std::exchange(heard_, {}); }

    std::vector<QString> heard_;
    QTemporaryDir dir;
    QString conf = dir.path() + "/Mendrake/Mendrake.conf";
    QString program = dir.path() + "/bin/mendrake";
    XdgAutostartLoginItems autostart{program, dir.path() + "/autostart"};
};

TEST_F(PreferencesTest, SettingsFileRoundTripsEveryKindAndList) {
    IniDefaultsStore fresh(conf);
    EXPECT_EQ(load(fresh)->excludedAppIds(), Preferences::defaultExcludedAppIds()) << "a new file: the defaults";
    for (const QStringList& ids : {QStringList{}, QStringList{"one"}, QStringList{"a", "b, c", "d"}}) {
        IniDefaultsStore written(conf);
        auto assigned = load(written);
        assigned->setHotKey({38, Qt::ControlModifier});
        assigned->setMaxItems(250);
        assigned->setPasteDirectly(false);
        assigned->setExcludedAppIds(ids);
        assigned->setPausedUntil(1'700'000'123.5);
        EXPECT_TRUE(written.lastWriteSucceeded());
        IniDefaultsStore read(conf);
        auto prefs = load(read);
        EXPECT_EQ(prefs->hotKey(), (HotKeyCombo{38, Qt::ControlModifier}));
        EXPECT_TRUE(prefs->maxItems() == 250 && !prefs->pasteDirectly() && prefs->showMenuBarIcon());
        EXPECT_EQ(prefs->excludedAppIds(), ids);
        EXPECT_EQ(prefs->pausedUntil(), 1'700'000'123.5);
    }
    EXPECT_TRUE(readFile(conf).contains(R"(hotKey="{\"keyCode\":0,\"modifiers\":4096}")")) << readFile(conf).data();

    // A regular file where the Mendrake directory should be: no one, root included, can write.
    IniDefaultsStore blocked(conf + "/Mendrake.conf");
    auto kept = load(blocked);
    kept->setMaxItems(7);
    kept->pauseUntilResumed();
    EXPECT_FALSE(blocked.lastWriteSucceeded());
    EXPECT_TRUE(kept->maxItems() == 7 && kept->isPaused()) << "the app keeps running on what it was told";
}

TEST_F(PreferencesTest, AutostartEntryIsWrittenReadSwitchAwareAndRemoved) {
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.disable(), std::nullopt) << "nothing to remove is not a failure";
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    // Desktops switch an entry off with Hidden=true (GNOME also with its own key); an entry whose
    // program is gone would do nothing at login, so it is off too.
    const std::pair<const char*, bool> rows[] = {
        {"[Desktop Entry]\nType=Application\nExec=sh\nHidden = true\n", false},
        {"[Desktop Entry]\nExec=sh\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=sh\nX-GNOME-Autostart-enabled=true\n", true},
        {"[Desktop Entry]\nExec=sh\n[Other]\nHidden=true\n", true},
        {"[Desktop Entry]\nExec=/nonexistent/mendrake\n", false},
        {"[Desktop Entry]\nExec=/tmp\n", false},
        {"[Desktop Entry]\nExec=\"/bin/sh\" --show\n", true},
        {"[Desktop Entry]\nExec=\"/bin/sh\n", false},
        {"[Desktop Entry]\nType=Application\n", false},
    };
    for (auto [text, enabled] : rows) {
        writeFile(autostart.entryPath(), text);
        EXPECT_EQ(autostart.isEnabled(), enabled) << text;
    }
    writeFile(autostart.entryPath(), "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled()) << "enabling rewrites an entry switched off";
    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    writeFile(dir.path() + "/notadir", "x");
    XdgAutostartLoginItems blocked("/usr/bin/mendrake", dir.path() + "/notadir/autostart");
    EXPECT_TRUE(blocked.enable().value_or("").startsWith("could not create ")) << "a failure names its cause";
    // Exec quotes and escapes what the desktop entry format reserves, and reads back the same.
    for (auto [path, exec] : {std::pair{"/usr/bin/mendrake", "/usr/bin/mendrake"},
                              {"/opt/My Apps/mendrake", "\"/opt/My Apps/mendrake\""},
                              {"/opt/a$b/mendrake", "\"/opt/a\\\\$b/mendrake\""},
                              {"/opt/100%/mendrake", "/opt/100%%/mendrake"}}) {
        EXPECT_EQ(desktopEntryExec(path), exec) << path;
        EXPECT_EQ(desktopEntryProgram(desktopEntryExec(path)), path) << "read back: " << path;
    }
    EXPECT_EQ(desktopEntryProgram("mendrake --show"), "mendrake");
}

// Only an entry that is on and names a vanished program is rewritten; the older file name moves.
TEST_F(PreferencesTest, StaleAutostartEntriesAreRewrittenAtStart) {
    const QString legacy = dir.path() + "/autostart/mendrake.desktop";
    const std::tuple<bool, const char*, bool, bool> rows[] = {
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\n", true, true},
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\nHidden=true\n", false, false},
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\nX-GNOME-Autostart-enabled=false\n", false, false},
        {false, "[Desktop Entry]\nExec=sh\n", false, true},
        {true, "[Desktop Entry]\nExec=/moved/away/mendrake\n", true, true},
    };
    for (const auto& [isLegacy, entry, rewritten, enabled] : rows) {
        QFile::remove(autostart.entryPath());
        writeFile(isLegacy ? legacy : autostart.entryPath(), entry);
        EXPECT_EQ(autostart.repairStaleEntry(), std::nullopt) << entry;
        EXPECT_EQ(readFile(autostart.entryPath()).contains("\nExec=" + program.toUtf8() + "\n"), rewritten);
        EXPECT_EQ(autostart.isEnabled(), enabled) << entry;
        EXPECT_FALSE(QFile::exists(legacy));
    }
    EXPECT_EQ(autostartProgram(program, program), program);
    EXPECT_EQ(autostartProgram(program, "/usr/bin/mendrake"), program) << "not the installed binary";
}

TEST(SystemClockAfter, RunsOnlyWhileItsHandleLives) {
    SystemClock clock;
    int cancelled = 0, kept = 0, selfDropped = 0;
    clock.after(0, [&] { ++cancelled; }).reset();
    auto keep = clock.after(0, [&] { ++kept; });
    std::unique_ptr<Clock::Timer> self;
    self = clock.after(0.01, [&] { ++selfDropped; self.reset(); });
    // 2^32 ms and a little: a delay that wraps to a few milliseconds when counted in an int.
    auto farOff = clock.after(4'294'967.3, [&] { ++cancelled; });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(std::tuple(cancelled, kept, selfDropped, self == nullptr), std::tuple(0, 1, 1, true));
}

TEST_F(PreferencesTest, AssignmentsAnnounceAlwaysAndSignalRealChanges) {
    EXPECT_EQ(prefs.excludedAppIds(), (QStringList{"org.keepassxc.KeePassXC", "KeePassXC", "Bitwarden", "1Password",
                                                      "org.gnome.seahorse.Application", "Enpass"}))
        << "fresh defaults name Linux applications only";
    const std::tuple<const char*, std::function<void()>, std::vector<QString>, const char*, QVariant> rows[] = {
        {"same shortcut", [&] { prefs.setHotKey(HotKeyCombo::defaultCombo()); }, {"hotKeyAssigned"}, "hotKey",
         QString::fromUtf8(HotKeyCombo::defaultCombo().toJson())},
        {"new shortcut", [&] { prefs.setHotKey({38, Qt::ControlModifier}); }, {"hotKeyChanged", "hotKeyAssigned"},
         "hotKey", QString::fromUtf8(HotKeyCombo{38, Qt::ControlModifier}.toJson())},
        {"same limit", [&] { prefs.setMaxItems(10000); }, {"historyLimitsAssigned"}, "maxItems", 10000},
        {"no limit means the default", [&] { prefs.setMaxItems(0); }, {"historyLimitsAssigned"}, "maxItems", 10000},
        {"new limit", [&] { prefs.setMaxItems(200); }, {"maxItemsChanged", "historyLimitsAssigned"}, "maxItems", 200},
        {"smallest limit", [&] { prefs.setMaxItems(1); }, {"maxItemsChanged", "historyLimitsAssigned"}, "maxItems", 1},
        {"negative age", [&] { prefs.setRetentionDays(-3); }, {"historyLimitsAssigned"}, "retentionDays", 0},
        {"new age", [&] { prefs.setRetentionDays(7); }, {"retentionDaysChanged", "historyLimitsAssigned"},
         "retentionDays", 7},
        {"same icon", [&] { prefs.setShowMenuBarIcon(true); }, {"trayIconAssigned"}, "showMenuBarIcon", true},
        {"sound", [&] { prefs.setPlaySound(true); }, {}, "playSound", true},
        {"guide done", [&] { prefs.setHasCompletedOnboarding(true); }, {}, "hasCompletedOnboarding", true},
        {"same list", [&] { prefs.setExcludedAppIds(Preferences::defaultExcludedAppIds()); }, {},
         "excludedBundleIDs", Preferences::defaultExcludedAppIds()},
        {"new list", [&] { prefs.setExcludedAppIds({"x"}); }, {"excludedAppIdsChanged"}, "excludedBundleIDs",
         QStringList{"x"}},
        {"paste", [&] { prefs.setPasteDirectly(false); }, {"pasteDirectlyChanged"}, "pasteDirectly", false},
        {"timed pause", [&] { prefs.pauseFor(5); }, {"pausedUntilChanged"}, "pausedUntil", clock.now() + 300},
        {"resume", [&] { prefs.resume(); }, {"pausedUntilChanged"}, "pausedUntil", QVariant()},
    };
    for (const auto& [why, assign, announced, key, stored] : rows) {
        SCOPED_TRACE(why);
        assign();
        EXPECT_EQ(heard(), announced);
        const auto found = defaults.values.find(key);
        EXPECT_EQ(found == defaults.values.end() ? QVariant() : found->second, stored);
    }
}

TEST_F(PreferencesTest, WrongKindsReadAsDefaultsAndStayStored) {
    using P = const Preferences&;
    const QStringList older{"com.apple.keychainaccess", "com.bitwarden.desktop", "KeePassXC"};
    const std::tuple<const char*, QVariant, std::function<bool(P)>> cases[] = {
        {"hotKey", "not json", [](P p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", 42, [](P p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", QByteArray(R"({"keyCode":1,"modifiers":4096})"),
         [](P p) { return p.hotKey() == HotKeyCombo{39, Qt::ControlModifier}; }},
        {"retentionDays", "abc", [](P p) { return p.retentionDays() == 0; }},
        {"maxItems", "99999999999", [](P p) { return p.maxItems() == 10000; }},
        {"maxItems", " 25 ", [](P p) { return p.maxItems() == 25; }},
        // Out of range reads as the default, never as "keep nothing".
        {"maxItems", "0", [](P p) { return p.maxItems() == 10000; }},
        {"maxItems", -5, [](P p) { return p.maxItems() == 10000; }},
        {"retentionDays", "-1", [](P p) { return p.retentionDays() == 0; }},
        {"pasteDirectly", "maybe", [](P p) { return p.pasteDirectly(); }},
        {"pasteDirectly", " FALSE", [](P p) { return !p.pasteDirectly(); }},
        {"playSound", "1", [](P p) { return p.playSound(); }},
        {"playSound", 3.5, [](P p) { return !p.playSound(); }},
        {"excludedBundleIDs", QVariantList{"a", 2},
         [](P p) { return p.excludedAppIds() == Preferences::defaultExcludedAppIds(); }},
        {"excludedBundleIDs", QRect(1, 2, 3, 4),  // what a hand-edited "@Rect(1 2 3 4)" reads as
         [](P p) { return p.excludedAppIds() == Preferences::defaultExcludedAppIds(); }},
        {"excludedBundleIDs", QVariantList{"a", "b"}, [](P p) { return p.excludedAppIds() == QStringList{"a", "b"}; }},
        // A list written by an older version, with macOS bundle ids, reads as it stands.
        {"excludedBundleIDs", older, [&](P p) { return p.excludedAppIds() == older; }},
        {"pausedUntil", "inf", [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", "tomorrow", [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", std::numeric_limits<double>::quiet_NaN(), [](P p) { return !p.pausedUntil(); }},
        {"hasCompletedOnboarding", true, [](P p) { return p.hasCompletedOnboarding(); }},
    };
    for (const auto& [key, stored, check] : cases) {
        defaults.values = {{key, stored}};
        EXPECT_TRUE(check(*reload())) << key << " = " << stored.toString().toStdString();
        EXPECT_EQ(defaults.writes, 0) << "loading rewrites nothing";
    }
}

TEST_F(PreferencesTest, PausesAndLoginChangesSurviveARestart) {
    prefs.setPausedUntil(clock.now() - 60);
    EXPECT_FALSE(prefs.isPaused()) << "a stale pause is none";
    prefs.pauseFor(15);
    EXPECT_TRUE(prefs.isPaused());
    clock.advance(900);
    EXPECT_FALSE(prefs.isPaused()) << "a pause ends at its instant";
    prefs.pauseUntilResumed();
    clock.advance(10 * 365 * 86400.0);
    EXPECT_TRUE(reload()->isPaused()) << "until resumed, across a restart";
    prefs.setLaunchAtLogin(true);
    prefs.setLaunchAtLogin(true);
    prefs.setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.enables, 1);
    EXPECT_EQ(loginItems.disables, 1);
    loginItems.failWith = QStringLiteral("could not write /x");
    prefs.setLaunchAtLogin(true);
    EXPECT_TRUE(prefs.launchAtLogin()) << "the switch keeps the user's choice";
    EXPECT_EQ(log.lines, QStringList{"Mendrake: launch at login change failed: could not write /x"});
    EXPECT_FALSE(reload()->launchAtLogin()) << "the next start reads the real state";
}

}  // namespace
}  // namespace mendrake
