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
    LinuxStoresTest() {
        writeFile(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    std::unique_ptr<Preferences> load(DefaultsStore& store) {
        return std::make_unique<Preferences>(store, autostart, log, clock);
    }

    QTemporaryDir dir;
    QString conf = dir.path() + "/Mendrake/Mendrake.conf";
    test::FakeSystemLog log;
    test::FakeClock clock;
    QString program = dir.path() + "/bin/mendrake";
    XdgAutostartLoginItems autostart{program, dir.path() + "/autostart"};
};

TEST_F(LinuxStoresTest, SettingsFileRoundTripsEveryFieldAndList) {
    for (const QStringList& ids : {QStringList{}, QStringList{"one"}, QStringList{"a", "b, c", "d"}}) {
        {
            IniDefaultsStore store(conf);
            auto prefs = load(store);
            prefs->setHotKey({38, Qt::ControlModifier});
            prefs->setRetentionDays(30);
            prefs->setMaxItems(250);
            prefs->setPasteDirectly(false);
            prefs->setPlaySound(true);
            prefs->setExcludedAppIds(ids);
            prefs->setPausedUntil(1'700'000'123.5);
            prefs->setHasCompletedOnboarding(true);
            EXPECT_TRUE(store.lastWriteSucceeded());
        }
        IniDefaultsStore store(conf);
        auto prefs = load(store);
        EXPECT_EQ(prefs->hotKey(), (HotKeyCombo{38, Qt::ControlModifier}));
        EXPECT_TRUE(prefs->retentionDays() == 30 && prefs->maxItems() == 250 && !prefs->pasteDirectly());
        EXPECT_TRUE(prefs->showMenuBarIcon() && prefs->playSound() && prefs->hasCompletedOnboarding());
        EXPECT_EQ(prefs->excludedAppIds(), ids);
        EXPECT_EQ(prefs->pausedUntil(), 1'700'000'123.5);
    }
    EXPECT_TRUE(readFile(conf).contains(R"(hotKey="{\"keyCode\":0,\"modifiers\":4096}")")) << readFile(conf).data();

    // A hand-edited file with junk gives defaults and keeps the shortcut's text until one is chosen.
    writeFile(conf, "[General]\nhotKey=\"{\\\"keyCode\\\":9}\"\nmaxItems=lots\nexcludedBundleIDs=@Rect(1 2 3 4)\n");
    IniDefaultsStore store(conf);
    auto prefs = load(store);
    EXPECT_TRUE(prefs->hotKey() == HotKeyCombo::defaultCombo() && prefs->maxItems() == 10000);
    EXPECT_EQ(prefs->excludedAppIds(), Preferences::defaultExcludedAppIds());
    prefs->setPlaySound(true);
    EXPECT_EQ(IniDefaultsStore(conf).value("hotKey"), QVariant(R"({"keyCode":9})"));

    // A regular file where the Mendrake directory should be: no one, root included, can write.
    IniDefaultsStore blocked(conf + "/Mendrake.conf");
    auto kept = load(blocked);
    kept->setMaxItems(7);
    kept->pauseUntilResumed();
    EXPECT_FALSE(blocked.lastWriteSucceeded());
    EXPECT_TRUE(kept->maxItems() == 7 && kept->isPaused()) << "the app keeps running on what it was told";
}

TEST_F(LinuxStoresTest, AutostartEntryIsWrittenReadSwitchAwareAndRemoved) {
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.disable(), std::nullopt) << "nothing to remove is not a failure";
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_TRUE(autostart.entryPath().endsWith("/autostart/io.github.mendrake.Mendrake.desktop"));
    const QByteArray entry = readFile(autostart.entryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nExec=" + program.toUtf8() + "\n") &&
                entry.contains("\nIcon=io.github.mendrake.Mendrake\n"))
        << entry.constData();
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
}

// At start, an entry that is on but names a program that has gone is written again for the running
// binary; one switched off, or one that still runs, is left alone; the older file name moves.
TEST_F(LinuxStoresTest, StaleAutostartEntriesAreRewrittenAtStart) {
    const QString legacy = dir.path() + "/autostart/mendrake.desktop";
    const struct {
        bool legacy;
        const char* entry;
        bool rewritten, enabled;
    } rows[] = {
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\n", true, true},
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\nHidden=true\n", false, false},
        {false, "[Desktop Entry]\nExec=/moved/away/mendrake\nX-GNOME-Autostart-enabled=false\n", false, false},
        {false, "[Desktop Entry]\nExec=sh\n", false, true},
        {true, "[Desktop Entry]\nExec=/moved/away/mendrake\n", true, true},
    };
    for (const auto& row : rows) {
        QFile::remove(autostart.entryPath());
        writeFile(row.legacy ? legacy : autostart.entryPath(), row.entry);
        EXPECT_EQ(autostart.repairStaleEntry(), std::nullopt) << row.entry;
        EXPECT_EQ(readFile(autostart.entryPath()).contains("\nExec=" + program.toUtf8() + "\n"), row.rewritten);
        EXPECT_EQ(autostart.isEnabled(), row.enabled) << row.entry;
        EXPECT_FALSE(QFile::exists(legacy));
    }
    EXPECT_EQ(autostartProgram(program, program), program);
    EXPECT_EQ(autostartProgram(program, "/usr/bin/mendrake"), program) << "not the installed binary";
}

// The real clock's one-shot tasks: a dropped handle cancels, a kept one fires once, and a task may
// drop its own handle; a delay longer than QTimer can count is waited out, never wrapped.
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
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(selfDropped, 1);
    EXPECT_EQ(self, nullptr);
}

TEST(DesktopEntryExec, QuotesAndEscapesWhatTheFormatReserves) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/mendrake", "/usr/bin/mendrake"},
        {"/opt/My Apps/mendrake", "\"/opt/My Apps/mendrake\""},
        {"/opt/a$b/mendrake", "\"/opt/a\\\\$b/mendrake\""},
        {"/opt/100%/mendrake", "/opt/100%%/mendrake"},
    };
    for (auto [program, exec] : cases) {
        EXPECT_EQ(desktopEntryExec(program), exec) << program;
        EXPECT_EQ(desktopEntryProgram(desktopEntryExec(program)), program) << "read back: " << program;
    }
    EXPECT_EQ(desktopEntryProgram("mendrake --show"), "mendrake");
}

}  // namespace
}  // namespace mendrake
