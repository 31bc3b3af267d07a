#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>

namespace mendrake {
namespace {

using namespace test;

struct PreferencesTest : ::testing::Test {
    FakeDefaultsStore store;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    NotificationCenter notifications;
    FakeClock clock;
    std::vector<QString> posted;

    PreferencesTest() {
        for (const QString& name : {hotKeyChangedNotification, menuBarIconChangedNotification,
                                    historyLimitsChangedNotification})
            notifications.addObserver(name, [this, name] { posted.push_back(name); });
    }

    std::unique_ptr<Preferences> load() {
        return std::make_unique<Preferences>(store, loginItems, log, notifications, clock);
    }
};

TEST_F(PreferencesTest, NotificationsFollowEveryAssignmentOfTheirFieldsAndSignalsOnlyRealChanges) {
    auto prefs = load();
    EXPECT_TRUE(store.writes == 0 && posted.empty()) << "loading writes and announces nothing";
    EXPECT_EQ(prefs->excludedBundleIDs(),
              (QStringList{"org.keepassxc.KeePassXC", "KeePassXC", "Bitwarden", "1Password",
                           "org.gnome.seahorse.Application", "Enpass"}))
        << "fresh defaults name Linux applications only";
    const struct {
        std::function<void()> assign;
        std::vector<QString> expected;
    } cases[] = {
        // Assigning the current value still announces it.
        {[&] { prefs->setHotKey(HotKeyCombo::defaultCombo()); }, {hotKeyChangedNotification}},
        {[&] { prefs->setMaxItems(10000); }, {historyLimitsChangedNotification}},
        {[&] { prefs->setRetentionDays(7); }, {historyLimitsChangedNotification}},
        {[&] { prefs->setShowMenuBarIcon(true); }, {menuBarIconChangedNotification}},
        {[&] { prefs->setPasteDirectly(false); }, {}},
        {[&] { prefs->pauseForMinutes(5); }, {}},
    };
    int i = 0;
    for (const auto& c : cases) {
        posted.clear();
        c.assign();
        EXPECT_EQ(posted, c.expected) << "case " << i++;
    }

    QSignalSpy maxItems(prefs.get(), &Preferences::maxItemsChanged);
    QSignalSpy hotKey(prefs.get(), &Preferences::hotKeyChanged);
    QSignalSpy excluded(prefs.get(), &Preferences::excludedBundleIDsChanged);
    prefs->setMaxItems(10000);
    prefs->setHotKey(HotKeyCombo::defaultCombo());
    prefs->setExcludedBundleIDs(Preferences::defaultExcludedBundleIDs());
    EXPECT_EQ(maxItems.count() + hotKey.count() + excluded.count(), 0);
    prefs->setMaxItems(200);
    prefs->setMaxItems(200);
    prefs->setExcludedBundleIDs({"x"});
    EXPECT_EQ(maxItems.count(), 1);
    EXPECT_EQ(hotKey.count(), 0);
    EXPECT_EQ(excluded.count(), 1);
    EXPECT_EQ(prefs->property("maxItems").toInt(), 200);
}

TEST_F(PreferencesTest, StoredValuesOfTheWrongKindGiveDefaultsAndStayStored) {
    using P = const Preferences&;
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
        {"maxItems", "99999999999", [](P p) { return p.maxItems() == 10000; }},
        {"maxItems", " 25 ", [](P p) { return p.maxItems() == 25; }},
        // Out of range reads as the default, never as "keep nothing".
        {"maxItems", "0", [](P p) { return p.maxItems() == 10000; }},
        {"maxItems", -5, [](P p) { return p.maxItems() == 10000; }},
        {"retentionDays", "-1", [](P p) { return p.retentionDays() == 0; }},
        {"pasteDirectly", "maybe", [](P p) { return p.pasteDirectly(); }},
        {"playSound", 3.5, [](P p) { return !p.playSound(); }},
        {"excludedBundleIDs", QVariantList{"a", 2},
         [](P p) { return p.excludedBundleIDs() == Preferences::defaultExcludedBundleIDs(); }},
        // How a text settings file keeps a one-item list and an empty one.
        {"excludedBundleIDs", "only.one", [](P p) { return p.excludedBundleIDs() == QStringList{"only.one"}; }},
        {"excludedBundleIDs", QVariant(), [](P p) { return p.excludedBundleIDs().isEmpty(); }},
        // A list written by an older version, with macOS bundle ids, reads as it stands.
        {"excludedBundleIDs", QStringList{"com.apple.keychainaccess", "com.bitwarden.desktop", "KeePassXC"},
         [](P p) {
             return p.excludedBundleIDs() ==
                    QStringList{"com.apple.keychainaccess", "com.bitwarden.desktop", "KeePassXC"};
         }},
        {"pausedUntil", "inf", [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", std::numeric_limits<double>::quiet_NaN(), [](P p) { return !p.pausedUntil(); }},
        {"pausedUntil", "1700000500.5", [](P p) { return p.pausedUntil() == 1'700'000'500.5; }},
    };
    for (const auto& c : cases) {
        store.values = {{c.key, c.stored}};
        EXPECT_TRUE(c.check(*load())) << c.key << " = " << c.stored.toString().toStdString();
        EXPECT_EQ(store.writes, 0) << "loading rewrites nothing";
    }
}

TEST_F(PreferencesTest, PauseAndResume) {
    auto prefs = load();
    prefs->setPausedUntil(clock.now() - 60);
    EXPECT_FALSE(prefs->isPaused());
    EXPECT_TRUE(store.values.contains("pausedUntil")) << "a stale pause stays stored";

    prefs->pauseForMinutes(15);
    EXPECT_EQ(prefs->pausedUntil(), clock.now() + 900);
    clock.advance(900);
    EXPECT_FALSE(prefs->isPaused()) << "a pause ends at its instant";

    prefs->pauseUntilResumed();
    clock.advance(10 * 365 * 86400.0);
    EXPECT_TRUE(prefs->isPaused());
    EXPECT_TRUE(load()->isPaused()) << "a pause survives a restart";

    prefs->resume();
    EXPECT_FALSE(prefs->isPaused());
    EXPECT_FALSE(store.values.contains("pausedUntil"));
}

TEST_F(PreferencesTest, LaunchAtLoginRegistersOnlyOnChangeAndLogsFailures) {
    auto prefs = load();
    prefs->setLaunchAtLogin(true);
    prefs->setLaunchAtLogin(true);
    prefs->setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.enables, 1);
    EXPECT_EQ(loginItems.disables, 1);
    EXPECT_TRUE(log.lines.isEmpty());

    loginItems.failWith = QStringLiteral("could not write /x");
    prefs->setLaunchAtLogin(true);
    EXPECT_TRUE(prefs->launchAtLogin()) << "the switch keeps the user's choice";
    EXPECT_EQ(log.lines, QStringList{"Mendrake: launch at login change failed: could not write /x"});
    EXPECT_FALSE(load()->launchAtLogin()) << "the next start reads the real state";
}

}  // namespace
}  // namespace mendrake
