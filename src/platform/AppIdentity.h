#pragma once
// The application's reverse-DNS id: the name of its desktop entry, icon, AppStream metainfo and
// autostart entry, and what it tells the desktop its windows belong to. Set once in CMake.

#include <QString>

namespace mendrake {

inline QString applicationId() { return QStringLiteral(MENDRAKE_APP_ID); }

}  // namespace mendrake
