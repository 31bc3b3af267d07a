#pragma once
// Update checking. The updater may start its scheduled checks only in a build that carries a real
// update signing key, and only such a build offers "Check for Updates…", which opens the releases
// page of the project's own source address (nothing without one). Every other build is updated by
// the system's package manager. One instance, owned by the AppDelegate, alive for the process.

#include <QString>
#include <QUrl>

#include <functional>

namespace mendrake {

class Updater {
public:
    // `publicKey` is the build's update signing key; `openUrl` hands a page to the desktop.
    Updater(const QString& publicKey, std::function<void(const QUrl&)> openUrl);

    // True exactly for a key that is present, not empty and not a "REPLACE..." placeholder.
    static bool shouldStart(const QString& publicKey);
    static QUrl releasesPage();  // empty when the build has no source address

    bool isStarted() const { return started_; }
    void checkForUpdates();

private:
    bool started_;
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace mendrake
