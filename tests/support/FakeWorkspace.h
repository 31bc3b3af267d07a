#pragma once
// An in-memory desktop: a settable frontmost application, windows of applications, installed
// applications with icons, and records of what was activated, opened and revealed.

#include "platform/Workspace.h"

#include <map>

namespace mendrake::test {

class FakeWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmost;
    std::map<quint64, RunningApplication> windows;  // windows that belong to an application
    std::vector<InstalledApplication> installed;
    std::map<QString, QImage> iconsByLocation;

    std::vector<RunningApplication> activated;
    std::vector<QUrl> opened;
    std::vector<QString> revealed;
    int locationLookups = 0;  // so that caching can be observed
    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    std::optional<RunningApplication> applicationOfWindow(quint64 window) override {
        return windows.count(window) ? std::optional(windows.at(window)) : std::nullopt;
    }

    // Activation brings the window to the front unless `activationFails`; `focusElsewhere` keeps the
    // keyboard away from whatever is in front, as a focus-stealing dialog would.
    bool activationFails = false, focusElsewhere = false;

    bool activate(const RunningApplication& app) override {
        activated.push_back(app);
        if (activationFails || app.window == 0) return false;
        frontmost = app;
        return true;
    }
    bool holdsKeyboardFocus(const RunningApplication& app) override {
        return !focusElsewhere && app.window != 0 && frontmost && frontmost->window == app.window;
    }

    std::optional<QString> applicationLocation(const QString& appId) override {
        ++locationLookups;
        for (auto& app : installed)
            if (app.appId == appId) return app.location;
        return std::nullopt;
    }

    QImage iconForFile(const QString& path, int pixelSize) override {
        return iconsByLocation.count(path) ? iconsByLocation.at(path).scaled(pixelSize, pixelSize) : QImage();
    }

    std::vector<InstalledApplication> installedApplications() override { return installed; }

    bool openURL(const QUrl& url) override { return opened.push_back(url), true; }
    bool revealFile(const QString& path) override { return revealed.push_back(path), true; }
};

}  // namespace mendrake::test
