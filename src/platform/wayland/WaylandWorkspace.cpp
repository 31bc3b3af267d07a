#include "platform/wayland/WaylandWorkspace.h"

#include "platform/wayland/ForeignToplevels.h"

namespace mendrake {

WaylandWorkspace::WaylandWorkspace(ForeignToplevels& toplevels, Workspace& desktop, QStringList dataDirs)
    : toplevels_(toplevels), desktop_(desktop), entries_(std::move(dataDirs)) {}

std::optional<RunningApplication> WaylandWorkspace::frontmostApplication() {
    const auto active = toplevels_.activated();
    if (!active) return std::nullopt;
    RunningApplication app;
    app.window = active->id;
    if (active->appId.isEmpty()) return app;
    // An app_id is meant to be the desktop-entry id; older toolkits send a window class instead.
    std::optional<DesktopEntry> entry = entries_.byId(active->appId);
    if (!entry) entry = entries_.forWindowClass(active->appId, active->appId);
    app.bundleID = entry ? entry->id : active->appId;
    app.localizedName = entry && !entry->name.isEmpty() ? entry->name : active->appId;
    return app;
}

bool WaylandWorkspace::activate(const RunningApplication& app) {
    if (app.window && toplevels_.activate(app.window)) return true;
    if (!app.bundleID) return false;
    // The remembered window closed: the application's most recently used one.
    if (auto window = toplevels_.mostRecent(*app.bundleID)) return toplevels_.activate(window->id);
    for (const ForeignToplevels::Toplevel& t : toplevels_.toplevels()) {
        auto entry = entries_.forWindowClass(t.appId, t.appId);
        if (entry && entry->id == *app.bundleID) return toplevels_.activate(t.id);
    }
    return false;
}

std::optional<QString> WaylandWorkspace::applicationLocation(const QString& bundleID) {
    return desktop_.applicationLocation(bundleID);
}

QImage WaylandWorkspace::iconForFile(const QString& path, int pixelSize) {
    return desktop_.iconForFile(path, pixelSize);
}

std::vector<InstalledApplication> WaylandWorkspace::installedApplications() {
    return desktop_.installedApplications();
}

bool WaylandWorkspace::openURL(const QUrl& url) { return desktop_.openURL(url); }

bool WaylandWorkspace::revealFile(const QString& path) { return desktop_.revealFile(path); }

}  // namespace mendrake
