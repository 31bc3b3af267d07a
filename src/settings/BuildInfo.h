#pragma once
// The version and build number this binary was built with (CMake PROJECT_VERSION and the cache
// variable MENDRAKE_BUILD), how the About page writes them, and the project's own address.

#include <QString>

namespace mendrake {

QString builtVersion();
QString builtBuildNumber();
// The source repository address configured at build time (MENDRAKE_SOURCE_URL); empty for none.
QString builtSourceAddress();

// "1.2 (45)"; an empty version reads "dev", an empty build number "0".
QString versionText(const QString& version, const QString& build);

}  // namespace mendrake
