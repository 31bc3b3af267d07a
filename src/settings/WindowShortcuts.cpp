#include "settings/WindowShortcuts.h"

#include <QShortcut>

namespace mendrake {

void installWindowShortcuts(QWidget* window, std::function<void()> quit) {
    for (auto modifier : {Qt::ControlModifier, Qt::MetaModifier}) {
        auto* close = new QShortcut(QKeySequence(modifier | Qt::Key_W), window);
        QObject::connect(close, &QShortcut::activated, window, [window] { window->close(); });
        auto* quitKey = new QShortcut(QKeySequence(modifier | Qt::Key_Q), window);
        QObject::connect(quitKey, &QShortcut::activated, window, [quit] {
            if (quit) quit();
        });
    }
}

}  // namespace mendrake
