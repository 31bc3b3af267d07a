#include "platform/x11/X11HotKeyService.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

namespace mendrake {

namespace {

constexpr std::uint32_t kNumLock = 0xff7f, kScrollLock = 0xff14;
constexpr std::uint32_t kSuperL = 0xffeb, kSuperR = 0xffec, kAltL = 0xffe9, kAltR = 0xffea;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Which of the eight X modifier bits each keysym sits on, read from the server's current maps.
class ModifierMap {
public:
    explicit ModifierMap(xcb_connection_t* c) {
        const xcb_setup_t* setup = xcb_get_setup(c);
        const auto modCookie = xcb_get_modifier_mapping(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const auto mapCookie = xcb_get_keyboard_mapping(c, setup->min_keycode, count);
        modifiers_.reset(xcb_get_modifier_mapping_reply(c, modCookie, nullptr));
        keyboard_.reset(xcb_get_keyboard_mapping_reply(c, mapCookie, nullptr));
        minKeycode_ = setup->min_keycode;
    }

    std::uint16_t maskFor(std::initializer_list<std::uint32_t> keysyms, std::uint16_t fallback) const {
        if (!modifiers_ || !keyboard_) return fallback;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers_.get());
        const int perModifier = modifiers_->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod)
            for (int i = 0; i < perModifier; ++i)
                if (const xcb_keycode_t code = codes[mod * perModifier + i]; code && hasKeysym(code, keysyms))
                    return static_cast<std::uint16_t>(1u << mod);
        return fallback;
    }

private:
    bool hasKeysym(xcb_keycode_t code, std::initializer_list<std::uint32_t> keysyms) const {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keyboard_.get());
        const int perCode = keyboard_->keysyms_per_keycode;
        const int length = xcb_get_keyboard_mapping_keysyms_length(keyboard_.get());
        const int first = (code - minKeycode_) * perCode;
        for (int i = 0; i < perCode && first + i < length; ++i)
            for (std::uint32_t wanted : keysyms)
                if (syms[first + i] == wanted) return true;
        return false;
    }

    Reply<xcb_get_modifier_mapping_reply_t> modifiers_;
    Reply<xcb_get_keyboard_mapping_reply_t> keyboard_;
    int minKeycode_ = 8;
};

// Every subset of the bits in `mask`, the empty one first.
std::vector<std::uint16_t> subsetsOf(std::uint16_t mask) {
    std::vector<std::uint16_t> subsets{0};
    for (std::uint16_t bit = 1; bit && bit <= 0x80; bit <<= 1) {
        if (!(mask & bit)) continue;
        const std::size_t n = subsets.size();
        for (std::size_t i = 0; i < n; ++i) subsets.push_back(subsets[i] | bit);
    }
    return subsets;
}

}  // namespace

X11HotKeyService::X11HotKeyService() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!app || !app->connection()) return;
    connection_ = app->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyService::~X11HotKeyService() {
    if (!connection_) return;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [handle, grab] : grabs_) ungrab(grab);
    xcb_flush(connection_);
}

void X11HotKeyService::installHandler(std::function<void(std::uint32_t id)> handler) {
    handler_ = std::move(handler);
}

std::optional<HotKeyService::Handle> X11HotKeyService::registerHotKey(std::uint32_t keycode,
                                                                      Qt::KeyboardModifiers modifiers,
                                                                      std::uint32_t id) {
    if (!connection_ || keycode < 8 || keycode > 255) return std::nullopt;

    const ModifierMap map(connection_);
    std::uint16_t xModifiers = 0;
    if (modifiers & Qt::ShiftModifier) xModifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier) xModifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier) xModifiers |= map.maskFor({kAltL, kAltR}, XCB_MOD_MASK_1);
    if (modifiers & Qt::MetaModifier) xModifiers |= map.maskFor({kSuperL, kSuperR}, XCB_MOD_MASK_4);
    const std::uint16_t lockMask = (XCB_MOD_MASK_LOCK | map.maskFor({kNumLock}, 0) |
                                    map.maskFor({kScrollLock}, 0)) & ~xModifiers;

    const Grab grab{static_cast<std::uint8_t>(keycode), xModifiers, lockMask, id};
    for (const auto& [handle, held] : grabs_)
        if (held.keycode == grab.keycode && held.modifiers == grab.modifiers) return std::nullopt;

    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t locks : subsetsOf(lockMask))
        cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, xModifiers | locks, grab.keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (const auto& cookie : cookies) {
        // Collect every reply, so no error is left behind for Qt's handler to print.
        if (Reply<xcb_generic_error_t> error{xcb_request_check(connection_, cookie)}) refused = true;
    }
    if (refused) {
        // Ungrabbing a combination another client holds does not touch that client's grab.
        ungrab(grab);
        xcb_flush(connection_);
        return std::nullopt;
    }
    const Handle handle = nextHandle_++;
    grabs_.emplace(handle, grab);
    return handle;
}

void X11HotKeyService::unregisterHotKey(Handle handle) {
    const auto it = grabs_.find(handle);
    if (it == grabs_.end()) return;
    ungrab(it->second);
    grabs_.erase(it);
    xcb_flush(connection_);
}

void X11HotKeyService::ungrab(const Grab& grab) {
    for (std::uint16_t locks : subsetsOf(grab.lockMask))
        xcb_ungrab_key(connection_, grab.keycode, root_, grab.modifiers | locks);
}

bool X11HotKeyService::isAutoRepeat(std::uint8_t keycode, std::uint32_t time) {
    // Repeats come every few tens of milliseconds; a press long after the last one is a new press
    // even if its release went astray (to a window that grabbed the keyboard meanwhile, say).
    constexpr std::uint32_t repeatGap = 1000;
    KeyHistory& key = keys_[keycode];
    const bool repeat = key.releaseTime == time || (key.down && time - key.pressTime < repeatGap);
    key.down = true;
    key.pressTime = time;
    key.releaseTime.reset();
    return repeat;
}

bool X11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message) return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        // Any window's release of a grabbed key ends its press; only the root's is ours to take.
        auto* release = reinterpret_cast<xcb_key_release_event_t*>(event);
        const auto it = keys_.find(release->detail);
        if (it == keys_.end()) return false;
        it->second.down = false;
        it->second.releaseTime = release->time;
        return false;
    }
    if (type != XCB_KEY_PRESS) return false;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (press->event != root_) return false;
    for (const auto& [handle, grab] : grabs_) {
        const std::uint16_t held = press->state & 0xff & ~grab.lockMask;
        if (press->detail == grab.keycode && held == grab.modifiers) {
            if (!isAutoRepeat(grab.keycode, press->time) && handler_) handler_(grab.id);
            return true;
        }
    }
    return false;
}

}  // namespace mendrake
