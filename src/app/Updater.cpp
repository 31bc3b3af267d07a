#include "app/Updater.h"

#include "settings/BuildInfo.h"

namespace mendrake {

bool Updater::shouldStart(const QString& publicKey) {
    return !publicKey.isEmpty() && !publicKey.startsWith(QLatin1String("REPLACE"));
}

QUrl Updater::releasesPage() {
    const QString home = builtSourceAddress();
    return home.isEmpty() ? QUrl() : QUrl(home + QStringLiteral("/releases"));
}

void Updater::checkForUpdates() {
    if (openUrl_ && !releasesPage().isEmpty()) openUrl_(releasesPage());
}

}  // namespace mendrake
