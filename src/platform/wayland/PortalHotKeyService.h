#pragma once
// The global shortcut through the desktop portal (org.freedesktop.portal.GlobalShortcuts, offered
// by KDE Plasma, GNOME 48 and later and Hyprland's portal) on the session bus, for Wayland sessions
// where no client may grab keys itself.
//
// The portal binds shortcuts to a session of ours: the session is created at construction, and
// every registration binds the whole set again, each with its combination as the preferred trigger
// ("LOGO+SHIFT+v"). The desktop may ask the user to confirm or choose another key, so a
// registration is answered at once with a handle and never refused once the portal is there; the
// portal's Activated signal for a bound id calls the handler on the main thread. `isOffered` asks
// the bus (with a short time-out) whether the portal has the interface. Main thread only.

#include "platform/HotKeyService.h"

#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <map>

namespace mendrake {

class PortalHotKeyService final : public QObject, public HotKeyService {
    Q_OBJECT
public:
    // `keyName` names a key (an X keycode) as a trigger names it: its keysym's text ("v"), or
    // empty when it has none, in which case the key cannot be registered.
    explicit PortalHotKeyService(std::function<QString(std::uint32_t keycode)> keyName);

    static bool isOffered();

    void installHandler(std::function<void(std::uint32_t id)> handler) override { handler_ = std::move(handler); }
    std::optional<Handle> registerHotKey(std::uint32_t keycode, Qt::KeyboardModifiers modifiers,
                                         std::uint32_t id) override;
    void unregisterHotKey(Handle handle) override;

    // The portal's trigger text for a combination, e.g. "CTRL+ALT+k".
    static QString trigger(Qt::KeyboardModifiers modifiers, const QString& key);

private slots:
    void sessionCreated(uint response, const QVariantMap& results);
    void activated(const QDBusMessage& signal);

private:
    struct Binding {
        std::uint32_t id;
        QString trigger;
    };
    // A request path the portal will answer on, with its token for the call's options.
    std::pair<QString, QString> nextRequest();
    void bind();

    std::function<QString(std::uint32_t)> keyName_;
    std::function<void(std::uint32_t)> handler_;
    std::map<Handle, Binding> bindings_;
    Handle nextHandle_ = 1;
    int nextToken_ = 0;
    QString session_;
};

}  // namespace mendrake
