#include "panel/FloatingPanel.h"

#include "panel/PanelStyle.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QWindow>

namespace mendrake {
namespace {

QPainterPath roundedShape(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, FloatingPanel::cornerRadius, FloatingPanel::cornerRadius);
    return path;
}

}  // namespace

FloatingPanel::FloatingPanel(QWidget* content, PanelWindowSystem& windows)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), windows_(windows) {
    setObjectName(QStringLiteral("MendrakePanel"));
    setWindowTitle(QStringLiteral("Mendrake"));
    translucent_ = windows_.compositorRunning();
    if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(contentWidth, contentHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
}

void FloatingPanel::showAndTakeKeyboard() {
    wantsKeyboard_ = true;
    show();
    raise();
    activateWindow();
    if (windowHandle() && windowHandle()->isExposed()) {
        wantsKeyboard_ = false;
        takeKeyboard();
    }
}

void FloatingPanel::takeKeyboard() {
    windows_.setFloatingHints(windowHandle());
    windows_.takeInputFocus(windowHandle());
    // Shown again right after hiding, the window may still be Qt's focus window from before, so the
    // focus event that follows changes nothing and the widgets would stay inactive.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
    // Window managers may turn down an activation request that comes without a fresh user event
    // (focus-stealing prevention); the panel was summoned by the user, so it takes the keyboard
    // itself once the window is mapped.
    if (watched == windowHandle() && event->type() == QEvent::Expose && wantsKeyboard_ &&
        windowHandle()->isExposed()) {
        wantsKeyboard_ = false;
        takeKeyboard();
    }
    // The window sees a key press before the focused widget does: the key commands go first and the
    // rest is typed into the search field.
    if (watched == windowHandle() && event->type() == QEvent::KeyPress && keyHandler &&
        keyHandler(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void FloatingPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible() || isActiveWindow() || !onFocusLost) return;
    // Shown again right after hiding, the window can receive Qt's late deactivation for the focus it
    // lost when it was hidden, after it has taken the keyboard back; the server still gives it the
    // keyboard then, and its own focus-in follows, so that deactivation is not the user leaving.
    if (windows_.holdsInputFocus(windowHandle())) return;
    onFocusLost();
}

void FloatingPanel::showEvent(QShowEvent* event) {
    if (!filterInstalled_ && windowHandle()) {
        windowHandle()->installEventFilter(this);
        filterInstalled_ = true;
    }
    // Before mapping: the window manager reads these when the window appears.
    windows_.setFloatingHints(windowHandle());
    QWidget::showEvent(event);
}

void FloatingPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor background = palette().color(QPalette::Window);
    if (translucent_) background.setAlphaF(0.94f);
    p.fillPath(roundedShape(r), background);
    p.setPen(QPen(panelstyle::withAlpha(panelstyle::primary(), 0.15), 1));
    p.drawPath(roundedShape(r));
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask();
}

void FloatingPanel::updateMask() {
    // Without a compositor the corners outside the rounded shape would show as opaque squares.
    if (translucent_) return;
    setMask(QRegion(roundedShape(QRectF(rect())).toFillPolygon().toPolygon()));
}

}  // namespace mendrake
