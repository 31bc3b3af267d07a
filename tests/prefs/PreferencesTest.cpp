#include "prefs/Preferences.h"

#include "PreferencesFixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace mendrake {
namespace {

struct PreferencesTest : ::testing::Test, test::PreferencesFixture {
    // The names of the signals emitted since the last call.
    std::vector<QString> heard() { return std::exchange(heard_, {}); }

    PreferencesTest() {
        const std::pair<const char*, void (Preferences::*)()> announced[] = {
            {"hotKeyAssigned", &Preferences::hotKeyAssigned},
            {"trayIconAssigned", &Preferences::trayIconAssigned},
            {"historyLimitsAssigned", &Preferences::historyLimitsAssigned},
            {"hotKeyChanged", &Preferences::hotKeyChanged},
            {"maxItemsChanged", &Preferences::maxItemsChanged},
            {"retentionDaysChanged", &Preferences::retentionDaysChanged},
            {"excludedAppIdsChanged", &Preferences::excludedAppIdsChanged},
            {"pasteDirectlyChanged", &Preferences::pasteDirectlyChanged},
            {"pausedUntilChanged", &Preferences::pausedUntilChanged},
        };
        for (auto [name, signal] : announced)
            QObject::connect(&prefs, signal, [this, name = QString(name)] { heard_.push_back(name); });
    }
    std::vector<QString> heard_;
};

TEST_F(PreferencesTest, AssignmentsAnnounceAlwaysAndSignalRealChanges) {
    EXPECT_EQ(defaults.writes, 0) << "loading writes nothing";
    EXPECT_EQ(prefs.excludedAppIds(), (QStringList{"org.keepassxc.KeePassXC", "KeePassXC", "Bitwarden", "1Password",
                                                      "org.gnome.seahorse.Application", "Enpass"}))
        << "fresh defaults name Linux applications only";
    const struct {
        const char* why;
        std::function<void()> assign;
        std::vector<QString> heard;
        const char* key;
        QVariant stored;
    } rows[] = {
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
        {"same list", [&] { prefs.setExcludedAppIds(Preferences::defaultExcludedAppIds()); }, {},
         "excludedBundleIDs", Preferences::defaultExcludedAppIds()},
        {"new list", [&] { prefs.setExcludedAppIds({"x"}); }, {"excludedAppIdsChanged"}, "excludedBundleIDs",
         QStringList{"x"}},
        {"paste", [&] { prefs.setPasteDirectly(false); }, {"pasteDirectlyChanged"}, "pasteDirectly", false},
        {"timed pause", [&] { prefs.pauseFor(5); }, {"pausedUntilChanged"}, "pausedUntil", clock.now() + 300},
        {"resume", [&] { prefs.resume(); }, {"pausedUntilChanged"}, "pausedUntil", QVariant()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        row.assign();
        EXPECT_EQ(heard(), row.heard);
        const auto stored = defaults.values.find(row.key);
        EXPECT_EQ(stored == defaults.values.end() ? QVariant() : stored->second, row.stored);
    }
}

TEST_F(PreferencesTest, WrongKindsReadAsDefaultsAndStayStored) {
    using P = const Preferences&;
    const QStringList older{"com.apple.keychainaccess", "com.bitwarden.desktop", "KeePassXC"};
    const struct {
        const char* key;
        QVariant stored;
        std::function<bool(P)> check;
    } cases[] = {
        {"hotKey", "not json", [](P p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", 42, [](P p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", QByteArray(R"({"keyCode":1,"modifiers":4096})"),
         [](P p) { return p.hotKey() == HotKeyCombo{39, Qt::ControlModifier}; }},
        {"retentionDays", "abc", [](P p) { return p.retentionDays() == 0; }},
        {"retentionDays", 3, [](P p) { return p.retentionDays() == 3; }},
        {"maxItems", "99999999999", [](P p) { return p.maxItems() == 10000; }},
        {"maxItems", " 25 ", [](P p) { return p.maxItems() == 25; }},
        {"maxItems", 1, [](P p) { return p.maxItems() == 1; }},
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
        {"excludedBundleIDs", QVariantList{"a", "b"}, [](P p) { return p.excludedAppIds() == QStringList{"a", "b"}; }},
        // How a text settings file keeps a one-item list and an empty one.
        {"excludedBundleIDs", "only.one", [](P p) { return p.excludedAppIds() == QStringList{"only.one"}; }},
        {"excludedBundleIDs", QVariant(), [](P p) { return p.excludedAppIds().isEmpty(); }},
        // A list written by an older version, with macOS bundle ids, reads as it stands.
        {"excludedBundleIDs", older, [&](P p) { return p.excludedAppIds() == older; }},
        {"pausedUntil", "inf", [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", "tomorrow", [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", std::numeric_limits<double>::quiet_NaN(), [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", "1700000500.5", [](P p) { return p.pausedUntil() == 1'700'000'500.5; }},
        {"hasCompletedOnboarding", true, [](P p) { return p.hasCompletedOnboarding(); }},
    };
    for (const auto& c : cases) {
        defaults.values = {{c.key, c.stored}};
        EXPECT_TRUE(c.check(*reload())) << c.key << " = " << c.stored.toString().toStdString();
        EXPECT_EQ(defaults.writes, 0) << "loading rewrites nothing";
    }
}

TEST_F(PreferencesTest, PausesEndAtTheirInstantAndSurviveARestart) {
    prefs.setPausedUntil(clock.now() - 60);
    EXPECT_FALSE(prefs.isPaused()) << "a stale pause is none";
    prefs.pauseFor(15);
    EXPECT_TRUE(prefs.isPaused());
    clock.advance(900);
    EXPECT_FALSE(prefs.isPaused()) << "a pause ends at its instant";
    prefs.pauseUntilResumed();
    clock.advance(10 * 365 * 86400.0);
    EXPECT_TRUE(reload()->isPaused()) << "until resumed, across a restart";
}

TEST_F(PreferencesTest, LaunchAtLoginRegistersOnlyOnChangeAndLogsFailures) {
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
