#pragma once
// The application's icon from the icon theme (installed under its application id), or the same
// drawing built into the binary when it is not installed. The symbolic variant is the monochrome
// tray icon: a theme icon keeps its name, so a StatusNotifier host recolours it for its panel; the
// built-in one is painted in the palette's text colour. GUI thread only.

#include <QIcon>

namespace mendrake {

enum class IconVariant { full, symbolic };

QIcon applicationIcon(IconVariant variant = IconVariant::full);

}  // namespace mendrake
