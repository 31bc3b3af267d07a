#include "app/Updater.h"

namespace mendrake {

Updater::Updater(const QString& publicKey, std::function<void(const QUrl&)> openUrl)
    : started_(shouldStart(publicKey)), openUrl_(std::move(openUrl)) {}

bool Updater::shouldStart(const QString& publicKey) {
    return !publicKey.isEmpty() && !publicKey.startsWith(QLatin1String("REPLACE"));
}

QUrl Updater::releasesPage() { return QUrl(QStringLiteral("https://mendrake.app/releases")); }

void Updater::checkForUpdates() {
    if (openUrl_) openUrl_(releasesPage());
}

}  // namespace mendrake
