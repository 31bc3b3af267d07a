#pragma once
// The version and build number this binary was built with (CMake PROJECT_VERSION and the cache
// variable MENDRAKE_BUILD), and how the About page writes them.

#include <QString>

namespace mendrake {

QString builtVersion();
QString builtBuildNumber();

// "1.2 (45)"; an empty version reads "dev", an empty build number "0".
QString versionText(const QString& version, const QString& build);

}  // namespace mendrake
