#pragma once
// The workspace on a Wayland desktop: the frontmost application and activation come from the
// foreign-toplevel protocol (the activated window's app_id, named through the desktop entries);
// icons, installed applications, URLs and files are the desktop's business and are handed to
// `desktop`, which answers them the same way on every session. `RunningApplication::window` holds
// the toplevel id. Mendrake's own windows (the panel, settings) never count as the frontmost
// application: while one is active, the application active before it is in front. Main thread only.

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntries.h"

#include <QStringList>

namespace mendrake {

class ForeignToplevels;

class WaylandWorkspace final : public Workspace {
public:
    // `ownAppIds`: the app_ids this process's windows carry.
    WaylandWorkspace(ForeignToplevels& toplevels, Workspace& desktop, QStringList ownAppIds = {},
                     QStringList dataDirs = DesktopEntries::standardDataDirs());

    std::optional<RunningApplication> frontmostApplication() override;
    // Wayland tells no client which window owns the clipboard: none, so the focused one counts.
    std::optional<RunningApplication> applicationOfWindow(quint64) override { return std::nullopt; }
    bool activate(const RunningApplication& app) override;
    bool holdsKeyboardFocus(const RunningApplication& app) override;
    std::optional<QString> applicationLocation(const QString& appId) override;
    QImage iconForFile(const QString& path, int pixelSize) override;
    std::vector<InstalledApplication> installedApplications() override;
    bool openURL(const QUrl& url) override;
    bool revealFile(const QString& path) override;

private:
    bool isOwn(const QString& appId) const;
    RunningApplication named(quint64 id, const QString& appId);

    ForeignToplevels& toplevels_;
    Workspace& desktop_;
    QStringList ownAppIds_;
    DesktopEntries entries_;
};

}  // namespace mendrake
