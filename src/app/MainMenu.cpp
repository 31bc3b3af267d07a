#include "app/MainMenu.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace mendrake {

MainMenu::MainMenu(std::function<void()> quit, QObject* parent) : QObject(parent), quit_(std::move(quit)) {}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::ShiftModifier |
                                          Qt::AltModifier);
    if (mods != Qt::ControlModifier) return false;
    if (key->key() == Qt::Key_Q) {
        if (quit_) quit_();
        return true;
    }
    if (key->key() == Qt::Key_W) {
        if (QWidget* window = QApplication::activeWindow()) window->close();
        return true;
    }
    return false;
}

}  // namespace mendrake
