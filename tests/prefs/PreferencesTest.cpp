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

TEST_F(PreferencesTest, EveryFieldSurvivesARestart) {
    loginItems.enabled = true;
    {
        auto prefs = load();
        EXPECT_TRUE(prefs->launchAtLogin());
        prefs->setHotKey({49, HotKeyCombo::control | HotKeyCombo::option});
        prefs->setRetentionDays(30);
        prefs->setMaxItems(500);
        prefs->setPasteDirectly(false);
        prefs->setShowMenuBarIcon(false);
        prefs->setPlaySound(true);
        prefs->setExcludedBundleIDs({"a.b", "c"});
        prefs->setPausedUntil(1'800'000'000.25);
        prefs->setHasCompletedOnboarding(true);
    }
    EXPECT_EQ(store.values["hotKey"].toString(), R"({"keyCode":49,"modifiers":6144})");
    auto prefs = load();
    EXPECT_EQ(prefs->hotKey(), (HotKeyCombo{49, 0x1800}));
    EXPECT_EQ(prefs->retentionDays(), 30);
    EXPECT_EQ(prefs->maxItems(), 500);
    EXPECT_FALSE(prefs->pasteDirectly());
    EXPECT_FALSE(prefs->showMenuBarIcon());
    EXPECT_TRUE(prefs->playSound());
    EXPECT_EQ(prefs->excludedBundleIDs(), QStringList({"a.b", "c"}));
    EXPECT_EQ(prefs->pausedUntil(), 1'800'000'000.25);
    EXPECT_TRUE(prefs->hasCompletedOnboarding());
    EXPECT_TRUE(prefs->launchAtLogin());
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

TEST_F(PreferencesTest, AnUndecodableShortcutGivesTheDefaultAndStaysStored) {
    const QVariant bad[] = {
        QStringLiteral("not json"),
        QStringLiteral(R"({"keyCode":9})"),
        QStringLiteral(R"({"keyCode":-3,"modifiers":768})"),
        QStringLiteral(R"({"keyCode":9,"modifiers":4294967296})"),
        QStringLiteral(R"({"keyCode":"9","modifiers":768})"),
        QVariant(42),
        QVariant(QStringList{"a", "b"}),
        QVariant(),
    };
    for (const QVariant& stored : bad) {
        store.values["hotKey"] = stored;
        auto prefs = load();
        EXPECT_EQ(prefs->hotKey(), HotKeyCombo::defaultCombo()) << stored.toString().toStdString();
        EXPECT_EQ(store.values["hotKey"], stored);
    }
    store.values["hotKey"] = QByteArray(R"({"keyCode":1,"modifiers":4096})");
    EXPECT_EQ(load()->hotKey(), (HotKeyCombo{1, 0x1000}));
}

TEST_F(PreferencesTest, StoredValuesOfTheWrongKindFallBackToDefaults) {
    store.values = {
        {"retentionDays", "abc"},
        {"maxItems", "99999999999"},
        {"pasteDirectly", "maybe"},
        {"showMenuBarIcon", QVariant(QStringList{"x"})},
        {"playSound", 3.5},
        {"hasCompletedOnboarding", QVariant()},
        {"excludedBundleIDs", 42},
        {"pausedUntil", "soon"},
    };
    auto prefs = load();
    EXPECT_EQ(prefs->retentionDays(), 0);
    EXPECT_EQ(prefs->maxItems(), 10000);
    EXPECT_TRUE(prefs->pasteDirectly());
    EXPECT_TRUE(prefs->showMenuBarIcon());
    EXPECT_FALSE(prefs->playSound());
    EXPECT_FALSE(prefs->hasCompletedOnboarding());
    EXPECT_EQ(prefs->excludedBundleIDs(), Preferences::defaultExcludedBundleIDs());
    EXPECT_FALSE(prefs->pausedUntil());
}

TEST_F(PreferencesTest, ExcludedBundleIDsAcceptOnlyListsOfStrings) {
    const struct {
        QVariant stored;
        std::optional<QStringList> expected;  // nullopt: the default list
    } cases[] = {
        {QVariant(QStringList{"a", "b"}), QStringList{"a", "b"}},
        {QVariant(QVariantList{"a", "b"}), QStringList{"a", "b"}},
        {QVariant(QVariantList{"a", 2}), std::nullopt},
        {QVariant(QVariantMap{{"a", "b"}}), std::nullopt},
        {QVariant(true), std::nullopt},
        // How a text settings file keeps a one-item list and an empty one.
        {QVariant(QStringLiteral("only.one")), QStringList{"only.one"}},
        {QVariant(), QStringList{}},
    };
    for (const auto& c : cases) {
        store.values["excludedBundleIDs"] = c.stored;
        EXPECT_EQ(load()->excludedBundleIDs(), c.expected.value_or(Preferences::defaultExcludedBundleIDs()))
            << c.stored.typeName();
    }
}

TEST_F(PreferencesTest, PausedUntilMustBeAFiniteTime) {
    const struct {
        QVariant stored;
        std::optional<double> expected;
    } cases[] = {
        {1'700'000'500.5, 1'700'000'500.5},
        {QStringLiteral("1700000500.5"), 1'700'000'500.5},
        {QStringLiteral("64092211200"), Preferences::distantFuture},
        {QStringLiteral("nan"), std::nullopt},
        {QStringLiteral("inf"), std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        {QStringLiteral(""), std::nullopt},
        {QVariant(QStringList{"1", "2"}), std::nullopt},
        {QVariant(true), std::nullopt},
    };
    for (const auto& c : cases) {
        store.values["pausedUntil"] = c.stored;
        EXPECT_EQ(load()->pausedUntil(), c.expected) << c.stored.toString().toStdString();
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
