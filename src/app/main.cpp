// The program entry: the command line, one Mendrake per user, no window of its own, the platform's
// Linux implementations for this session (X11 or Wayland) wired into the AppDelegate.

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/CoreDumps.h"
#include "app/QuitSignals.h"
#include "app/SessionPlatform.h"
#include "app/SingleInstance.h"
#include "platform/AppIdentity.h"
#include "platform/x11/ApplicationIcon.h"
#include "platform/x11/CanberraSoundPlayer.h"
#include "platform/x11/IniDefaultsStore.h"
#include "platform/x11/MessageBoxAlertPresenter.h"
#include "ui/SymbolIcons.h"
#include "platform/x11/SyslogSystemLog.h"
#include "platform/x11/X11PanelWindowSystem.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/ThreadTaskRunner.h"
#include "platform/x11/XdgAutostartLoginItems.h"
#include "prefs/Preferences.h"
#include "settings/BuildInfo.h"
#include "store/HistoryStore.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

namespace {
using namespace mendrake;

void print(FILE* stream, const QString& text) {
    if (text.isEmpty()) return;
    std::fputs((text.endsWith(u'\n') ? text : text + u'\n').toLocal8Bit().constData(), stream);
}

// Answers the command line, or takes the instance lock for a plain start. The exit status when
// this process is done, nullopt when it goes on to run Mendrake.
std::optional<int> settleCommandLine(const CommandLine& command, SingleInstance& instance) {
    switch (command.action) {
    case CommandLine::Action::help:
    case CommandLine::Action::version:
        print(stdout, command.text);
        return 0;
    case CommandLine::Action::usageError:
        print(stderr, command.text);
        return 2;
    case CommandLine::Action::start:
    case CommandLine::Action::request:
        break;
    }
    const bool start = command.action == CommandLine::Action::start;
    InstanceReply reply;
    switch (instance.claimOrSend(start ? InstanceRequest{}.encode() : command.request.encode(), &reply)) {
    case SingleInstance::Outcome::answered:
        print(reply.ok ? stdout : stderr, reply.text);
        return reply.ok ? 0 : 1;
    case SingleInstance::Outcome::noAnswer:
        print(stderr, QStringLiteral("Mendrake is running but did not answer within %1 seconds; not starting "
                                     "a second copy.")
                          .arg(SingleInstance::reachTimeoutMs / 1000));
        return 1;
    case SingleInstance::Outcome::noLock:
        // The history folder cannot be written: the store reports that once Mendrake runs.
        if (start) {
            print(stderr, QStringLiteral("Mendrake: cannot take the instance lock ") + instance.lockError());
            return std::nullopt;
        }
        [[fallthrough]];
    case SingleInstance::Outcome::holdsLock:
        if (start) return std::nullopt;
        instance.releaseLock();
        print(stderr, QStringLiteral("Mendrake is not running."));
        return 1;
    }
    return 1;
}

void describeApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Mendrake"));
    QCoreApplication::setApplicationVersion(builtVersion());
}
}  // namespace

int main(int argc, char** argv) {
    // First, before any clipboard content is in memory.
    if (!MENDRAKE_KEEP_CORE_DUMPS) disableCoreDumps();
    SingleInstance instance;
    {
        // The command line is answered without connecting to the display.
        QCoreApplication commandLine(argc, argv);
        describeApplication();
        if (const std::optional<int> status = settleCommandLine(parseCommandLine(commandLine.arguments()), instance))
            return *status;
    }

    QApplication application(argc, argv);
    describeApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Mendrake"));
    QApplication::setDesktopFileName(applicationId());
    QApplication::setWindowIcon(applicationIcon());
    // The app lives in the tray: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    SystemClock clock;
    SyslogSystemLog log;
    IniDefaultsStore defaults;
    XdgAutostartLoginItems loginItems(
        autostartProgram(QApplication::applicationFilePath(), QStringLiteral(MENDRAKE_INSTALLED_BINARY)));
    // An entry naming a binary that has moved or gone would fail silently at the next login.
    if (auto error = loginItems.repairStaleEntry()) log.write(QStringLiteral("Mendrake: ") + *error);
    // X11 or Wayland adapters, by the session; the reads below end before the clipboard goes.
    SessionPlatform platform;
    ThreadTaskRunner captureReads;
    ThreadTaskRunner maintenance;
    ThreadTaskRunner searches;
    ThreadTaskRunner previews;
    CanberraSoundPlayer sound;
    MessageBoxAlertPresenter alerts;
    // Where Qt draws through Wayland it gives no hints (the compositor places the panel itself).
    X11PanelWindowSystem panelWindows;
    Preferences prefs(defaults, loginItems, log, clock);

    AppServices services{
        .clock = clock,
        .pasteboard = platform.pasteboard(),
        .workspace = platform.workspace(),
        .keys = platform.keys(),
        .keyboardLayout = platform.keyboardLayout(),
        .hotKeys = platform.hotKeys(),
        .panelWindows = panelWindows,
        .sound = sound,
        .log = log,
        .alerts = alerts,
        .captureReads = captureReads,
        .maintenance = maintenance,
        .searches = searches,
        .previews = previews,
        // Queued, so that a request made before the event loop runs still ends it.
        .terminate = [](int status) { QTimer::singleShot(0, [status] { QCoreApplication::exit(status); }); },
        .openStore = [&clock] { return HistoryStore::open(clock); },
        .symbolIcon = [](const QString& name) { return symbolIcon(name); },
        .trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
        .updatePublicKey = QStringLiteral(MENDRAKE_UPDATE_PUBLIC_KEY),
        .trayIcon = [] { return applicationIcon(IconVariant::symbolic); },
        .desktopShortcutLine = platform.desktopShortcutLine(),
    };

    AppDelegate delegate(prefs, std::move(services));
    // A logout's SIGTERM ends the loop like Quit, so the delegate and the store close in order.
    QuitSignals quitSignals([] { QCoreApplication::exit(0); });
    // Listen before launching, so that a second start during a slow launch finds this process.
    bool launched = false;
    if (!instance.listen([&](const QByteArray& line) -> InstanceReply {
            const std::optional<InstanceRequest> request = InstanceRequest::decode(line);
            if (!request) return {false, QStringLiteral("Mendrake did not understand the request.")};
            if (launched) return delegate.handleRequest(*request);
            if (request->kind == InstanceRequest::Kind::reopen) return {};
            return {false, QStringLiteral("Mendrake is still starting; try again.")};
        }))
        log.write(QStringLiteral("Mendrake: cannot listen on ") + SingleInstance::defaultSocketPath() +
                  QStringLiteral("; later launches cannot reach this one"));
    QTimer::singleShot(0, [&] {
        launched = delegate.start();
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
