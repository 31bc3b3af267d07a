#pragma once
// Ctrl+W closes and Ctrl+Q quits in the app's own windows.

#include <QWidget>

#include <functional>

namespace mendrake {

void installWindowShortcuts(QWidget* window, std::function<void()> quit);

}  // namespace mendrake
