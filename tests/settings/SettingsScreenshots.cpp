// Opens every settings page on a real display with sample data and saves each as a PNG:
// settings_screenshots OUTPUT_DIR. Run under tests/support/with-x11, so that every page is seen to
// render on a real display. Exits non-zero when a picture could not be written.

#include "settings/SettingsDetail.h"

#include "SettingsTestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace mendrake;

namespace {

// Lets the window system map and paint the window (polling, not a fixed sleep), then saves it.
bool save(QWidget* window, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000 && !window->isVisible()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    for (timer.restart(); timer.elapsed() < 300;) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    test::SettingsTestEnvironment env;
    env.prefs.setExcludedAppIds({"org.keepassxc.KeePassXC", "org.gnome.TextEditor", "Bitwarden"});
    env.prefs.setMaxItems(5000);
    env.prefs.setRetentionDays(30);
    env.keys.trusted = false;

    QTemporaryDir dir;
    std::unique_ptr<HistoryStore> store = env.history(dir.path(), 1234);
    bool ok = true;
    SettingsWindowController settings(env.services(store.get()));
    for (SettingsPage page : allSettingsPages) {
        settings.show(page);
        ok &= save(settings.window(), out + "/settings-" + rawValue(page) + ".png");
    }
    settings.show(SettingsPage::privacy);
    env.prefs.setPausedUntil(env.clock.now() + 900);
    ok &= save(settings.window(), out + "/settings-privacy-paused.png");
    return ok ? 0 : 1;
}
