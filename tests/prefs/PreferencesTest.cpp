#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
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

TEST_F(PreferencesTest, AFreshUserGetsTheDefaults) {
    auto prefs = load();
    EXPECT_EQ(prefs->hotKey(), HotKeyCombo::defaultCombo());
    EXPECT_EQ(prefs->retentionDays(), 0);
    EXPECT_EQ(prefs->maxItems(), 10000);
    EXPECT_TRUE(prefs->pasteDirectly());
    EXPECT_TRUE(prefs->showMenuBarIcon());
    EXPECT_FALSE(prefs->playSound());
    EXPECT_FALSE(prefs->pausedUntil());
    EXPECT_FALSE(prefs->isPaused());
    EXPECT_FALSE(prefs->hasCompletedOnboarding());
    EXPECT_FALSE(prefs->launchAtLogin());
    const QStringList ids = prefs->excludedBundleIDs();
    ASSERT_EQ(ids.size(), 14);
    EXPECT_EQ(ids.first(), "com.apple.keychainaccess");
    EXPECT_EQ(ids[7], "in.sinew.Enpass-Desktop");
    EXPECT_EQ(ids[8], "org.keepassxc.KeePassXC");
    EXPECT_EQ(ids.last(), "Enpass");
    // Loading writes nothing and announces nothing.
    EXPECT_EQ(store.writes, 0);
    EXPECT_TRUE(posted.empty());
}

TEST_F(PreferencesTest, NotificationsFollowEveryAssignmentOfTheirFields) {
    auto prefs = load();
    const struct {
        std::function<void()> assign;
        std::vector<QString> expected;
    } cases[] = {
        // Assigning the current value still announces it.
        {[&] { prefs->setHotKey(HotKeyCombo::defaultCombo()); }, {hotKeyChangedNotification}},
        {[&] { prefs->setHotKey({1, 0}); }, {hotKeyChangedNotification}},
        {[&] { prefs->setMaxItems(10000); }, {historyLimitsChangedNotification}},
        {[&] { prefs->setRetentionDays(7); }, {historyLimitsChangedNotification}},
        {[&] { prefs->setShowMenuBarIcon(true); }, {menuBarIconChangedNotification}},
        {[&] { prefs->setPasteDirectly(false); }, {}},
        {[&] { prefs->setPlaySound(true); }, {}},
        {[&] { prefs->setExcludedBundleIDs({}); }, {}},
        {[&] { prefs->pauseForMinutes(5); }, {}},
        {[&] { prefs->setHasCompletedOnboarding(true); }, {}},
        {[&] { prefs->setLaunchAtLogin(true); }, {}},
    };
    int i = 0;
    for (const auto& c : cases) {
        posted.clear();
        c.assign();
        EXPECT_EQ(posted, c.expected) << "case " << i++;
    }
}

TEST_F(PreferencesTest, ObserversOfAFieldHearOnlyRealChangesOfThatField) {
    auto prefs = load();
    QSignalSpy playSound(prefs.get(), &Preferences::playSoundChanged);
    QSignalSpy maxItems(prefs.get(), &Preferences::maxItemsChanged);
    QSignalSpy hotKey(prefs.get(), &Preferences::hotKeyChanged);
    QSignalSpy paused(prefs.get(), &Preferences::pausedUntilChanged);
    QSignalSpy excluded(prefs.get(), &Preferences::excludedBundleIDsChanged);

    prefs->setPlaySound(false);
    prefs->setMaxItems(10000);
    prefs->setHotKey(HotKeyCombo::defaultCombo());
    prefs->resume();
    prefs->setExcludedBundleIDs(Preferences::defaultExcludedBundleIDs());
    EXPECT_EQ(playSound.count() + maxItems.count() + hotKey.count() + paused.count() + excluded.count(), 0);

    prefs->setPlaySound(true);
    prefs->setPlaySound(true);
    EXPECT_EQ(playSound.count(), 1);
    EXPECT_EQ(maxItems.count() + hotKey.count() + paused.count() + excluded.count(), 0);

    prefs->setMaxItems(200);
    prefs->setHotKey({9, HotKeyCombo::command});
    prefs->pauseUntilResumed();
    prefs->setExcludedBundleIDs({"x"});
    EXPECT_EQ(maxItems.count(), 1);
    EXPECT_EQ(hotKey.count(), 1);
    EXPECT_EQ(paused.count(), 1);
    EXPECT_EQ(excluded.count(), 1);
    // The property system sees the same values.
    EXPECT_EQ(prefs->property("maxItems").toInt(), 200);
    EXPECT_EQ(prefs->property("hotKey").value<HotKeyCombo>(), (HotKeyCombo{9, HotKeyCombo::command}));
}

TEST_F(PreferencesTest, StoredValuesOfTheWrongKindGiveDefaultsAndStayStored) {
    const QVariant nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* key;
        QVariant stored;
        std::function<bool(const Preferences&)> check;
    } cases[] = {
        {"hotKey", "not json", [](auto& p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", R"({"keyCode":9})", [](auto& p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", R"({"keyCode":-3,"modifiers":768})", [](auto& p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", 42, [](auto& p) { return p.hotKey() == HotKeyCombo::defaultCombo(); }},
        {"hotKey", QByteArray(R"({"keyCode":1,"modifiers":4096})"), [](auto& p) { return p.hotKey() == HotKeyCombo{1, 0x1000}; }},
        {"retentionDays", "abc", [](auto& p) { return p.retentionDays() == 0; }},
        {"maxItems", "99999999999", [](auto& p) { return p.maxItems() == 10000; }},
        {"maxItems", " 25 ", [](auto& p) { return p.maxItems() == 25; }},
        {"pasteDirectly", "maybe", [](auto& p) { return p.pasteDirectly(); }},
        {"playSound", 3.5, [](auto& p) { return !p.playSound(); }},
        {"excludedBundleIDs", 42, [](auto& p) { return p.excludedBundleIDs() == Preferences::defaultExcludedBundleIDs(); }},
        {"excludedBundleIDs", QVariantList{"a", 2}, [](auto& p) { return p.excludedBundleIDs() == Preferences::defaultExcludedBundleIDs(); }},
        {"excludedBundleIDs", QVariantList{"a", "b"}, [](auto& p) { return p.excludedBundleIDs() == QStringList{"a", "b"}; }},
        // How a text settings file keeps a one-item list and an empty one.
        {"excludedBundleIDs", "only.one", [](auto& p) { return p.excludedBundleIDs() == QStringList{"only.one"}; }},
        {"excludedBundleIDs", QVariant(), [](auto& p) { return p.excludedBundleIDs().isEmpty(); }},
        {"pausedUntil", "soon", [](auto& p) { return !p.pausedUntil(); }},
        {"pausedUntil", "inf", [](auto& p) { return !p.pausedUntil(); }},
        {"pausedUntil", nan, [](auto& p) { return !p.pausedUntil(); }},
        {"pausedUntil", true, [](auto& p) { return !p.pausedUntil(); }},
        {"pausedUntil", "1700000500.5", [](auto& p) { return p.pausedUntil() == 1'700'000'500.5; }},
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
    EXPECT_TRUE(prefs->isPaused());
    clock.advance(900);
    EXPECT_FALSE(prefs->isPaused()) << "a pause ends at its instant";

    prefs->pauseUntilResumed();
    EXPECT_EQ(prefs->pausedUntil(), Preferences::distantFuture);
    clock.advance(10 * 365 * 86400.0);
    EXPECT_TRUE(prefs->isPaused());
    EXPECT_TRUE(load()->isPaused()) << "a pause survives a restart";

    prefs->resume();
    EXPECT_FALSE(prefs->isPaused());
    EXPECT_FALSE(store.values.contains("pausedUntil"));
}

TEST_F(PreferencesTest, LaunchAtLoginRegistersOnlyOnChangeAndLogsFailures) {
    auto prefs = load();
    QSignalSpy changed(prefs.get(), &Preferences::launchAtLoginChanged);
    prefs->setLaunchAtLogin(true);
    prefs->setLaunchAtLogin(true);
    prefs->setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.enables, 1);
    EXPECT_EQ(loginItems.disables, 1);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(loginItems.enabled);
    EXPECT_TRUE(log.lines.isEmpty());

    loginItems.failWith = QStringLiteral("could not write /x");
    prefs->setLaunchAtLogin(true);
    EXPECT_TRUE(prefs->launchAtLogin()) << "the switch keeps the user's choice";
    EXPECT_FALSE(loginItems.enabled);
    EXPECT_EQ(log.lines, QStringList{"Mendrake: launch at login change failed: could not write /x"});
    // The next start reads the real state.
    EXPECT_FALSE(load()->launchAtLogin());
}

TEST_F(PreferencesTest, AStoreThatCannotWriteLeavesTheValuesInMemory) {
    auto prefs = load();
    store.failWrites = true;
    prefs->setMaxItems(3);
    prefs->setExcludedBundleIDs({"z"});
    prefs->pauseForMinutes(60);
    EXPECT_EQ(prefs->maxItems(), 3);
    EXPECT_EQ(prefs->excludedBundleIDs(), QStringList{"z"});
    EXPECT_TRUE(prefs->isPaused());
    EXPECT_TRUE(store.values.empty());
}

}  // namespace
}  // namespace mendrake
