#include "settings/WindowShortcuts.h"

#include <QShortcut>

namespace mendrake {

void installWindowShortcuts(QWidget* window, std::function<void()> quit) {
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    QObject::connect(close, &QShortcut::activated, window, [window] { window->close(); });
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), window);
    QObject::connect(quitKey, &QShortcut::activated, window, [quit] {
        if (quit) quit();
    });
}

}  // namespace mendrake
