#include "capture/AppIcon.h"

#include "platform/Workspace.h"

namespace mendrake {

std::optional<QImage> AppIcons::appIcon(const std::optional<QString>& appId) {
    if (!appId) return std::nullopt;
    if (auto hit = cache_.find(*appId); hit != cache_.end()) {
        if (hit->second.isNull()) return std::nullopt;
        return hit->second;
    }

    const std::optional<QString> location = workspace_.applicationLocation(*appId);
    if (!location) return std::nullopt;

    QImage icon = workspace_.iconForFile(*location, iconSize);
    if (!icon.isNull() && icon.size() != QSize(iconSize, iconSize))
        icon = icon.scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // An application without a drawable icon is remembered too, so that lists redrawing many
    // rows do not search the icon theme again and again.
    cache_[*appId] = icon;
    if (icon.isNull()) return std::nullopt;
    return icon;
}

}  // namespace mendrake
