#include "settings/BuildInfo.h"

namespace mendrake {

QString builtVersion() { return QStringLiteral(MENDRAKE_VERSION); }
QString builtBuildNumber() { return QStringLiteral(MENDRAKE_BUILD_NUMBER); }
QString builtSourceAddress() { return QStringLiteral(MENDRAKE_SOURCE_URL); }

QString versionText(const QString& version, const QString& build) {
    const QString shown = version.trimmed().isEmpty() ? QStringLiteral("dev") : version.trimmed();
    const QString number = build.trimmed().isEmpty() ? QStringLiteral("0") : build.trimmed();
    return shown + " (" + number + ")";
}

}  // namespace mendrake
