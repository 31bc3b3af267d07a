// The program entry: one Mendrake per user, no window of its own, the platform's Linux
// implementations for this session (X11 or Wayland) wired into the AppDelegate. Reads no arguments.

#include "app/AppDelegate.h"
#include "app/SessionPlatform.h"
#include "app/SingleInstance.h"
#include "platform/x11/CanberraSoundPlayer.h"
#include "platform/x11/IniDefaultsStore.h"
#include "platform/x11/MessageBoxAlertPresenter.h"
#include "platform/x11/SymbolIcons.h"
#include "platform/x11/SyslogSystemLog.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/ThreadTaskRunner.h"
#include "platform/x11/XdgAutostartLoginItems.h"
#include "prefs/Preferences.h"
#include "store/HistoryStore.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace mendrake;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mendrake"));
    QApplication::setApplicationDisplayName(QStringLiteral("Mendrake"));
    QApplication::setDesktopFileName(QStringLiteral("mendrake"));
    // The app lives in the tray: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (instance.notifyRunningInstance()) return 0;

    SystemClock clock;
    SyslogSystemLog log;
    IniDefaultsStore defaults;
    XdgAutostartLoginItems loginItems(QApplication::applicationFilePath());
    NotificationCenter notifications;
    // X11 or Wayland adapters, by the session; the reads below end before the clipboard goes.
    SessionPlatform platform;
    ThreadTaskRunner captureReads;
    CanberraSoundPlayer sound;
    MessageBoxAlertPresenter alerts;
    Preferences prefs(defaults, loginItems, log, notifications, clock);

    AppServices services{
        .clock = clock,
        .pasteboard = platform.pasteboard(),
        .workspace = platform.workspace(),
        .keys = platform.keys(),
        .keyboardLayout = platform.keyboardLayout(),
        .hotKeys = platform.hotKeys(),
        .sound = sound,
        .log = log,
        .alerts = alerts,
        .notifications = notifications,
        .captureReads = captureReads,
        // Queued, so that a request made before the event loop runs still ends it.
        .terminate = [](int status) { QTimer::singleShot(0, [status] { QCoreApplication::exit(status); }); },
        .openStore = [&clock] { return HistoryStore::open(clock); },
        .symbolIcon = [](const QString& name) { return symbolIcon(name); },
        .trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
        .updatePublicKey = QStringLiteral(MENDRAKE_UPDATE_PUBLIC_KEY),
        .desktopShortcutLine = platform.desktopShortcutLine(),
    };

    AppDelegate delegate(prefs, std::move(services));
    // Listen before launching, so that a second start during a slow launch finds this process.
    bool launched = false;
    instance.listen([&] {
        if (launched) delegate.applicationShouldHandleReopen();
    });
    QTimer::singleShot(0, [&] {
        launched = delegate.applicationDidFinishLaunching();
        if (launched && platform.isWayland() && !platform.seesOtherCopies()) {
            // GNOME and others keep the clipboard from clipboard managers: say so rather than
            // record nothing in silence.
            log.write(QStringLiteral("Mendrake: this Wayland compositor offers no data-control protocol, so copies "
                                     "made in other apps are not recorded"));
            alerts.showAlert(QStringLiteral("Mendrake can't record copies on this desktop"),
                             QStringLiteral("Recording needs an X11 session or a Wayland compositor with the "
                                            "data-control protocol (sway and other wlroots compositors, KDE "
                                            "Plasma). Your history, search and pasting still work."));
        }
    });
    return application.exec();
}
