#include "platform/wayland/PortalHotKeyService.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace mendrake {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One entry of BindShortcuts' a(sa{sv}): an id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& s) {
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

QString shortcutId(std::uint32_t id) { return QStringLiteral("mendrake-%1").arg(id); }

}  // namespace

}  // namespace mendrake

Q_DECLARE_METATYPE(mendrake::PortalShortcut)

namespace mendrake {

PortalHotKeyService::PortalHotKeyService(std::function<QString(std::uint32_t)> keyName)
    : keyName_(std::move(keyName)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                SLOT(activated(QDBusMessage)));

    const auto [path, token] = nextRequest();
    // Listening before the call: the answer may come before the call returns.
    bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                SLOT(sessionCreated(uint, QVariantMap)));
    QDBusMessage create = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                         QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token},
                          {QStringLiteral("session_handle_token"), QStringLiteral("mendrake")}};
    bus.send(create);
}

bool PortalHotKeyService::isOffered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::BlockWithGui, 1000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::pair<QString, QString> PortalHotKeyService::nextRequest() {
    const QString token = QStringLiteral("mendrake%1").arg(nextToken_++);
    // The portal names a request after the caller's unique name, ":1.42" as "1_42".
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return {QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token), token};
}

QString PortalHotKeyService::trigger(Qt::KeyboardModifiers modifiers, const QString& key) {
    QStringList parts;
    if (modifiers & Qt::ControlModifier) parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier) parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier) parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier) parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(u'+');
}

std::optional<HotKeyService::Handle> PortalHotKeyService::registerHotKey(std::uint32_t keycode,
                                                                         Qt::KeyboardModifiers modifiers,
                                                                         std::uint32_t id) {
    const QString key = keyName_ ? keyName_(keycode) : QString();
    if (key.isEmpty()) return std::nullopt;
    const Handle handle = nextHandle_++;
    bindings_[handle] = {id, trigger(modifiers, key)};
    bind();
    return handle;
}

void PortalHotKeyService::unregisterHotKey(Handle handle) {
    // The portal keeps what a session bound until it is bound again or closed.
    if (bindings_.erase(handle) > 0) bind();
}

void PortalHotKeyService::sessionCreated(uint response, const QVariantMap& results) {
    if (response != 0) return;  // refused or cancelled: no shortcut on this desktop
    // A string by the interface's description; some portals send an object path.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.canConvert<QDBusObjectPath>() && handle.userType() == qMetaTypeId<QDBusObjectPath>()
                   ? handle.value<QDBusObjectPath>().path()
                   : handle.toString();
    bind();
}

void PortalHotKeyService::bind() {
    if (session_.isEmpty()) return;  // bound once the session exists
    QList<PortalShortcut> shortcuts;
    for (const auto& [handle, binding] : bindings_) {
        shortcuts << PortalShortcut{shortcutId(binding.id),
                                    {{QStringLiteral("description"), QStringLiteral("Show or hide Mendrake")},
                                     {QStringLiteral("preferred_trigger"), binding.trigger}}};
    }
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), nextRequest().second}};
    QDBusConnection::sessionBus().send(call);
}

void PortalHotKeyService::activated(const QDBusMessage& signal) {
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> args = signal.arguments();
    if (args.size() < 2 || !handler_) return;
    if (args.at(0).value<QDBusObjectPath>().path() != session_) return;
    const QString shortcut = args.at(1).toString();
    for (const auto& [handle, binding] : bindings_)
        if (shortcutId(binding.id) == shortcut) return handler_(binding.id);
}

}  // namespace mendrake
