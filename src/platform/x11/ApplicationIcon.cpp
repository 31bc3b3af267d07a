#include "platform/x11/ApplicationIcon.h"

#include "platform/AppIdentity.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace mendrake {

namespace {
QIcon tinted(const QIcon& shape, const QColor& color) {
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = shape.pixmap(size, size);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), color);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}
}  // namespace

QIcon applicationIcon(IconVariant variant) {
    const bool symbolic = variant == IconVariant::symbolic;
    const QString name = applicationId() + (symbolic ? QStringLiteral("-symbolic") : QString());
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    const QIcon builtIn(QStringLiteral(":/mendrake/icons/") + name + QStringLiteral(".svg"));
    return symbolic ? tinted(builtIn, QGuiApplication::palette().color(QPalette::WindowText)) : builtIn;
}

}  // namespace mendrake
