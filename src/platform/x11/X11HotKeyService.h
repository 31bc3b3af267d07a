#pragma once
// The X11 hot-key service: passive key grabs on the root window through Qt's own xcb connection.
//
// Each registration grabs the key with its exact modifiers once for every combination of CapsLock,
// NumLock and ScrollLock, so a lit lock key does not hide the shortcut. Grab requests are checked,
// so a BadAccess (another client holds the combination) comes back here as a refused registration
// instead of reaching Qt's error log, and the grabs already made for it are released. A combination
// this service already holds is refused too: a second grab by the same client would silently take
// over the first, and releasing either would then drop both. Presses arrive through a native event
// filter on the main thread. A held key's auto-repeat is swallowed, so one physical press runs the
// handler once, whether the server reports repeats as release-and-press pairs with one timestamp
// or (detectable auto-repeat) as presses alone. Needs a QGuiApplication on the xcb platform; without one every
// registration is refused.

#include "platform/HotKeyService.h"

#include <QAbstractNativeEventFilter>

#include <map>
#include <optional>

struct xcb_connection_t;

namespace mendrake {

class X11HotKeyService final : public HotKeyService, public QAbstractNativeEventFilter {
public:
    X11HotKeyService();
    ~X11HotKeyService() override;
    X11HotKeyService(const X11HotKeyService&) = delete;
    X11HotKeyService& operator=(const X11HotKeyService&) = delete;

    void installHandler(std::function<void(std::uint32_t id)> handler) override;
    std::optional<Handle> registerHotKey(std::uint32_t keycode, Qt::KeyboardModifiers modifiers,
                                         std::uint32_t id) override;
    void unregisterHotKey(Handle handle) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers;  // X modifier bits, locks excluded
        std::uint16_t lockMask;   // the lock bits whose combinations were grabbed
        std::uint32_t id;
    };
    // The last press and release of one grabbed key, to tell auto-repeat from a new press.
    struct KeyHistory {
        bool down = false;
        std::uint32_t pressTime = 0;
        std::optional<std::uint32_t> releaseTime;
    };

    void ungrab(const Grab& grab);
    // True for a press that repeats the held key rather than starting a new press.
    bool isAutoRepeat(std::uint8_t keycode, std::uint32_t time);

    std::function<void(std::uint32_t)> handler_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::map<Handle, Grab> grabs_;
    std::map<std::uint8_t, KeyHistory> keys_;
    Handle nextHandle_ = 1;
};

}  // namespace mendrake
