#include "platform/wayland/WaylandWorkspace.h"

#include "platform/wayland/ForeignToplevels.h"

namespace mendrake {

WaylandWorkspace::WaylandWorkspace(ForeignToplevels& toplevels, Workspace& desktop, QStringList ownAppIds,
                                   QStringList dataDirs)
    : toplevels_(toplevels), desktop_(desktop), ownAppIds_(std::move(ownAppIds)), entries_(std::move(dataDirs)) {}

bool WaylandWorkspace::isOwn(const QString& appId) const {
    return !appId.isEmpty() && ownAppIds_.contains(appId, Qt::CaseInsensitive);
}

RunningApplication WaylandWorkspace::named(quint64 id, const QString& appId) {
    RunningApplication app;
    app.window = id;
    if (appId.isEmpty()) return app;
    // An app_id is meant to be the desktop-entry id; older toolkits send a window class instead.
    std::optional<DesktopEntry> entry = entries_.byId(appId);
    if (!entry) entry = entries_.forWindowClass(appId, appId);
    app.bundleID = entry ? entry->id : appId;
    app.localizedName = entry && !entry->name.isEmpty() ? entry->name : appId;
    app.windowClass = appId;
    return app;
}

std::optional<RunningApplication> WaylandWorkspace::frontmostApplication() {
    const std::vector<ForeignToplevels::Toplevel> windows = toplevels_.byActivation();
    if (windows.empty() || !windows.front().activated) return std::nullopt;
    // Our panel in front stands for the application it was opened over.
    for (const ForeignToplevels::Toplevel& t : windows)
        if (!isOwn(t.appId)) return named(t.id, t.appId);
    return std::nullopt;
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
