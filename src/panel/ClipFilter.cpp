#include "panel/ClipFilter.h"

namespace mendrake {

QString rawValue(ClipFilter filter) {
    switch (filter) {
    case ClipFilter::all: return QStringLiteral("All");
    case ClipFilter::pinned: return QStringLiteral("Pinned");
    case ClipFilter::text: return QStringLiteral("Text");
    case ClipFilter::links: return QStringLiteral("Links");
    case ClipFilter::images: return QStringLiteral("Images");
    case ClipFilter::files: return QStringLiteral("Files");
    case ClipFilter::colors: return QStringLiteral("Colors");
    }
    return {};
}

std::optional<ClipFilter> clipFilterFromRaw(const QString& raw) {
    for (ClipFilter f : allClipFilters())
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

const std::array<ClipFilter, 7>& allClipFilters() {
    static constexpr std::array<ClipFilter, 7> filters = {
        ClipFilter::all,    ClipFilter::pinned, ClipFilter::text,  ClipFilter::links,
        ClipFilter::images, ClipFilter::files,  ClipFilter::colors};
    return filters;
}

bool admits(ClipFilter filter, const ClipItem& item) {
    switch (filter) {
    case ClipFilter::all: return true;
    case ClipFilter::pinned: return item.pinned;
    case ClipFilter::text: return item.kind == ClipKind::text || item.kind == ClipKind::richText;
    case ClipFilter::links: return item.kind == ClipKind::url;
    case ClipFilter::images: return item.kind == ClipKind::image;
    case ClipFilter::files: return item.kind == ClipKind::file;
    case ClipFilter::colors: return item.kind == ClipKind::color;
    }
    return false;
}

}  // namespace mendrake
