// The Linux services behind Preferences, on real files in a temporary directory.

#include "platform/x11/IniDefaultsStore.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/XdgAutostartLoginItems.h"
#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeSystemLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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
    QString program = dir.path() + "/bin/mendrake";
    XdgAutostartLoginItems autostart{program, dir.path() + "/autostart"};

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

TEST_F(LinuxStoresTest, AutostartEntryIsWrittenSwitchAwareAndRemoved) {
    writeFile(program, "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.disable(), std::nullopt) << "nothing to remove is not a failure";

    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(autostart.entryPath().endsWith("/autostart/io.github.mendrake.Mendrake.desktop"));
    const QByteArray entry = readFile(autostart.entryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nExec=" + program.toUtf8() + "\n") &&
                entry.contains("\nIcon=io.github.mendrake.Mendrake\n"))
        << entry.constData();

    // Desktops switch an entry off with Hidden=true (GNOME also with its own key); an entry whose
    // program is gone would do nothing at login, so it is off too.
    const struct {
        const char* entry;
        bool enabled;
    } rows[] = {
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
    for (const auto& row : rows) {
        writeFile(autostart.entryPath(), row.entry);
        EXPECT_EQ(autostart.isEnabled(), row.enabled) << row.entry;
    }
    writeFile(autostart.entryPath(), "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());

    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));

    writeFile(dir.path() + "/notadir", "x");
    XdgAutostartLoginItems blocked("/usr/bin/mendrake", dir.path() + "/notadir/autostart");
    EXPECT_TRUE(blocked.enable().value_or("").startsWith("could not create ")) << "a failure names its cause";
}

// At start, an entry that is on but names a program that has gone is written again for the running
// binary; an entry switched off, or one that still runs, is left as the user or desktop wrote it;
// the older file name moves to the current one.
TEST_F(LinuxStoresTest, StaleAutostartEntriesAreRewrittenAtStart) {
    writeFile(program, "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString legacy = dir.path() + "/autostart/mendrake.desktop";
    const struct {
        const char* path;  // "legacy" or "current"
        const char* entry;
        bool rewritten;
    } rows[] = {
        {"current", "[Desktop Entry]\nExec=/moved/away/mendrake\n", true},
        {"current", "[Desktop Entry]\nExec=/moved/away/mendrake\nHidden=true\n", false},
        {"current", "[Desktop Entry]\nExec=/moved/away/mendrake\nX-GNOME-Autostart-enabled=false\n", false},
        {"current", "[Desktop Entry]\nExec=sh\n", false},
        {"legacy", "[Desktop Entry]\nExec=/moved/away/mendrake\n", true},
    };
    for (const auto& row : rows) {
        QFile::remove(autostart.entryPath());
        const bool isLegacy = QByteArray(row.path) == "legacy";
        writeFile(isLegacy ? legacy : autostart.entryPath(), row.entry);
        EXPECT_EQ(autostart.repairStaleEntry(), std::nullopt) << row.entry;
        const QByteArray now = readFile(autostart.entryPath());
        EXPECT_EQ(now.contains("\nExec=" + program.toUtf8() + "\n"), row.rewritten) << row.entry;
        EXPECT_EQ(autostart.isEnabled(), row.rewritten || QByteArray(row.entry).contains("Exec=sh")) << row.entry;
        EXPECT_FALSE(QFile::exists(legacy));
    }
    EXPECT_EQ(autostartProgram(program, program), program);
    EXPECT_EQ(autostartProgram(program, "/usr/bin/mendrake"), program) << "not the installed binary";
}

// The real clock's one-shot tasks: a dropped handle cancels, a kept one fires once, and a task may
// drop its own handle.
TEST(SystemClockAfter, RunsOnlyWhileItsHandleLives) {
    SystemClock clock;
    int cancelled = 0, kept = 0, selfDropped = 0;
    clock.after(0, [&] { ++cancelled; }).reset();
    auto keep = clock.after(0, [&] { ++kept; });
    std::unique_ptr<Clock::Timer> self;
    self = clock.after(0.01, [&] { ++selfDropped; self.reset(); });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(selfDropped, 1);
    EXPECT_EQ(self, nullptr);
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
    for (const auto& c : cases) {
        EXPECT_EQ(desktopEntryExec(c.program), c.exec) << c.program;
        EXPECT_EQ(desktopEntryProgram(desktopEntryExec(c.program)), c.program) << "read back: " << c.program;
    }
    EXPECT_EQ(desktopEntryProgram("mendrake --show"), "mendrake");
}

}  // namespace
}  // namespace mendrake
