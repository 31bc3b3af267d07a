#pragma once
// The workspace on an X11 desktop: the application of the active window (EWMH
// _NET_ACTIVE_WINDOW, named through _GTK_APPLICATION_ID, WM_CLASS and the desktop entries),
// activation through the window manager, icons from the icon theme, URLs through the desktop's
// default handlers and files revealed through the FileManager1 D-Bus service. Uses Qt's own X
// connection; needs a QGuiApplication on the xcb platform. Main thread only.

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntries.h"

#include <QStringList>

namespace mendrake {

class X11Workspace final : public Workspace {
public:
    explicit X11Workspace(QStringList dataDirs = DesktopEntries::standardDataDirs());
    ~X11Workspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(const RunningApplication& app) override;
    bool holdsKeyboardFocus(const RunningApplication& app) override;
    std::optional<QString> applicationLocation(const QString& appId) override;
    QImage iconForFile(const QString& path, int pixelSize) override;
    std::vector<InstalledApplication> installedApplications() override;
    bool openURL(const QUrl& url) override;
    bool revealFile(const QString& path) override;

    // Through the window's own class or id, its client leader's, or a managed window's of the
    // same _NET_WM_PID.
    std::optional<RunningApplication> applicationOfWindow(quint64 window) override;

private:
    // The application a window names itself; none when the window has no class or id.
    std::optional<RunningApplication> namedApplication(quint32 window);

    struct X;
    X* x_;
    DesktopEntries entries_;
};

}  // namespace mendrake
