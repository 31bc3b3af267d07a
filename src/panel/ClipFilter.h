#pragma once
// The panel's kind filter. The raw value is also the title of the filter's chip.

#include "capture/ClipModel.h"

#include <QString>

#include <array>
#include <optional>

namespace mendrake {

enum class ClipFilter { all, pinned, text, links, images, files, colors };

// "All", "Pinned", "Text", "Links", "Images", "Files", "Colors".
QString rawValue(ClipFilter filter);
// The filter whose raw value is exactly `raw`, or none.
std::optional<ClipFilter> clipFilterFromRaw(const QString& raw);
// Every filter in chip order; the order Tab walks through.
const std::array<ClipFilter, 7>& allClipFilters();

// Whether the filter lets the item through.
bool admits(ClipFilter filter, const ClipItem& item);

}  // namespace mendrake
