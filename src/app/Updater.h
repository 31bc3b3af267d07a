#pragma once
// Update checking. The updater may start its scheduled checks only in a build that carries a real
// update signing key; a user-initiated check opens the project's releases page, where the
// packages and their notes live. One instance, owned by the AppDelegate, alive for the process.

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
    static QUrl releasesPage();

    bool isStarted() const { return started_; }
    void checkForUpdates();

private:
    bool started_;
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace mendrake
