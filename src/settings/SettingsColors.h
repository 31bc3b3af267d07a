#pragma once
// The named tints of the settings window and the guide (the desktop's system colours).

#include <QColor>

namespace mendrake {

inline QColor tintGray() { return QColor(0x8e, 0x8e, 0x93); }
inline QColor tintBlue() { return QColor(0x0a, 0x84, 0xff); }
inline QColor tintIndigo() { return QColor(0x5e, 0x5c, 0xe6); }
inline QColor tintOrange() { return QColor(0xff, 0x9f, 0x0a); }
inline QColor tintGreen() { return QColor(0x30, 0xd1, 0x58); }
inline QColor tintRed() { return QColor(0xff, 0x45, 0x3a); }

}  // namespace mendrake
