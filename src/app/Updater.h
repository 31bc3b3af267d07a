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
    // Whether a build with this update signing key may check: true exactly for a key that is
    // present, not empty and not a "REPLACE..." placeholder. Other builds make no Updater.
    static bool shouldStart(const QString& publicKey);
    static QUrl releasesPage();  // empty when the build has no source address

    // `openUrl` hands a page to the desktop.
    explicit Updater(std::function<void(const QUrl&)> openUrl) : openUrl_(std::move(openUrl)) {}

    void checkForUpdates();

private:
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace mendrake
