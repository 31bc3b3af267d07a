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
    app.appId = entry ? entry->id : appId;
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
    // Only the remembered window: another window of the same application may be another document
    // or conversation, where a paste is not what the user meant.
    return app.window && toplevels_.activate(app.window);
}

bool WaylandWorkspace::holdsKeyboardFocus(const RunningApplication& app) {
    // The compositor marks the toplevel with the keyboard focus as activated.
    const auto active = toplevels_.activated();
    return app.window && active && active->id == app.window;
}

std::optional<QString> WaylandWorkspace::applicationLocation(const QString& appId) {
    return desktop_.applicationLocation(appId);
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
