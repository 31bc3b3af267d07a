// The Linux services behind Preferences, on real files in a temporary directory.

#include "platform/x11/IniDefaultsStore.h"
#include "platform/x11/XdgAutostartLoginItems.h"
#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeSystemLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakeClock;
using test::FakeSystemLog;

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

struct LinuxStoresTest : ::testing::Test {
    QTemporaryDir dir;
    QString conf = dir.path() + "/Mendrake/Mendrake.conf";
    FakeSystemLog log;
    NotificationCenter notifications;
    FakeClock clock;
    XdgAutostartLoginItems autostart{"/usr/bin/mendrake", dir.path() + "/autostart"};

    std::unique_ptr<Preferences> load(DefaultsStore& store) {
        return std::make_unique<Preferences>(store, autostart, log, notifications, clock);
    }
};

TEST_F(LinuxStoresTest, TheSettingsFileRoundTripsEveryFieldAndEveryListLength) {
    for (const QStringList& ids : {QStringList{}, QStringList{"one"}, QStringList{"a", "b, c", "d"}}) {
        {
            IniDefaultsStore store(conf);
            auto prefs = load(store);
            prefs->setHotKey({38, Qt::ControlModifier});
            prefs->setRetentionDays(30);
            prefs->setMaxItems(250);
            prefs->setPasteDirectly(false);
            prefs->setPlaySound(true);
            prefs->setExcludedBundleIDs(ids);
            prefs->setPausedUntil(1'700'000'123.5);
            prefs->setHasCompletedOnboarding(true);
            EXPECT_TRUE(store.lastWriteSucceeded());
        }
        IniDefaultsStore store(conf);
        auto prefs = load(store);
        EXPECT_EQ(prefs->hotKey(), (HotKeyCombo{38, Qt::ControlModifier}));
        EXPECT_EQ(prefs->retentionDays(), 30);
        EXPECT_EQ(prefs->maxItems(), 250);
        EXPECT_FALSE(prefs->pasteDirectly());
        EXPECT_TRUE(prefs->showMenuBarIcon() && prefs->playSound() && prefs->hasCompletedOnboarding());
        EXPECT_EQ(prefs->excludedBundleIDs(), ids);
        EXPECT_EQ(prefs->pausedUntil(), 1'700'000'123.5);
    }
    const QByteArray text = readFile(conf);
    EXPECT_TRUE(text.contains(R"(hotKey="{\"keyCode\":0,\"modifiers\":4096}")")) << text.constData();
}

TEST_F(LinuxStoresTest, AHandEditedFileWithJunkGivesDefaultsAndKeepsTheShortcutText) {
    writeFile(conf,
              "[General]\n"
              "hotKey=\"{\\\"keyCode\\\":9}\"\n"
              "maxItems=lots\n"
              "excludedBundleIDs=@Rect(1 2 3 4)\n"
              "pausedUntil=tomorrow\n");
    IniDefaultsStore store(conf);
    auto prefs = load(store);
    EXPECT_EQ(prefs->hotKey(), HotKeyCombo::defaultCombo());
    EXPECT_EQ(prefs->maxItems(), 10000);
    EXPECT_EQ(prefs->excludedBundleIDs(), Preferences::defaultExcludedBundleIDs());
    EXPECT_FALSE(prefs->pausedUntil());
    prefs->setPlaySound(true);
    EXPECT_EQ(IniDefaultsStore(conf).value("hotKey"), QVariant(R"({"keyCode":9})"));
}

TEST_F(LinuxStoresTest, AnUnwritableSettingsLocationKeepsTheAppRunning) {
    // A regular file where the Mendrake directory should be: no one, root included, can write.
    writeFile(dir.path() + "/blocked", "x");
    IniDefaultsStore store(dir.path() + "/blocked/Mendrake.conf");
    auto prefs = load(store);
    prefs->setMaxItems(7);
    prefs->pauseUntilResumed();
    EXPECT_FALSE(store.lastWriteSucceeded());
    EXPECT_EQ(prefs->maxItems(), 7);
    EXPECT_TRUE(prefs->isPaused());
}

TEST_F(LinuxStoresTest, AutostartEntryIsWrittenHiddenAwareAndRemoved) {
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.disable(), std::nullopt) << "nothing to remove is not a failure";

    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    const QByteArray entry = readFile(dir.path() + "/autostart/mendrake.desktop");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nExec=/usr/bin/mendrake\n"))
        << entry.constData();

    // A desktop's own switch turns an entry off with Hidden=true; enabling again replaces it.
    writeFile(autostart.entryPath(), "[Desktop Entry]\nType=Application\nExec=mendrake\nHidden = true\n");
    EXPECT_FALSE(autostart.isEnabled());
    writeFile(autostart.entryPath(), "[Desktop Entry]\nExec=mendrake\n[Other]\nHidden=true\n");
    EXPECT_TRUE(autostart.isEnabled()) << "only the main group counts";
    writeFile(autostart.entryPath(), "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());

    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));

    writeFile(dir.path() + "/notadir", "x");
    XdgAutostartLoginItems blocked("/usr/bin/mendrake", dir.path() + "/notadir/autostart");
    EXPECT_TRUE(blocked.enable().value_or("").startsWith("could not create ")) << "a failure names its cause";
}

TEST(DesktopEntryExec, QuotesAndEscapesWhatTheFormatReserves) {
    const struct {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/usr/bin/mendrake", "/usr/bin/mendrake"},
        {"/opt/My Apps/mendrake", "\"/opt/My Apps/mendrake\""},
        {"/opt/a$b/mendrake", "\"/opt/a\\\\$b/mendrake\""},
        {"/opt/100%/mendrake", "/opt/100%%/mendrake"},
    };
    for (const auto& c : cases) EXPECT_EQ(desktopEntryExec(c.program), c.exec) << c.program;
}

}  // namespace
}  // namespace mendrake
