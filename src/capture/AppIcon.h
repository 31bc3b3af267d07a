#pragma once
// Application icons by identifier, 32 by 32, asked of the workspace once and cached for the life of
// the cache. An identifier with no installed application is not cached, so a later call asks again
// (the application may have been installed meanwhile).

#include <QImage>
#include <QString>

#include <map>
#include <optional>

namespace mendrake {

class Workspace;

class AppIcons {
public:
    static constexpr int iconSize = 32;

    explicit AppIcons(Workspace& workspace) : workspace_(workspace) {}

    std::optional<QImage> appIcon(const std::optional<QString>& appId);

private:
    Workspace& workspace_;
    std::map<QString, QImage> cache_;
};

}  // namespace mendrake
