#include "app/SessionPlatform.h"

#include "hotkey/KeyCodes.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/VirtualKeyboardKeySynthesiser.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboardLayout.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynthesiser.h"
#include "platform/x11/XkbKeyboardLayout.h"

#include <QGuiApplication>

namespace mendrake {

namespace {

bool isWaylandSession() {
    return QGuiApplication::platformName() == u"wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

QString shortcutLineForDesktop() {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (qEnvironmentVariableIsSet("SWAYSOCK") || desktop.contains(u"sway", Qt::CaseInsensitive))
        return QStringLiteral("bindsym $mod+Shift+v exec mendrake --toggle");
    if (qEnvironmentVariableIsSet("HYPRLAND_INSTANCE_SIGNATURE"))
        return QStringLiteral("bind = SUPER SHIFT, V, exec, mendrake --toggle");
    return QStringLiteral("mendrake --toggle");
}

unsigned evdevCodeFor(std::uint32_t keyCode) { return evdevCodeForKeyCode(keyCode).value_or(0); }

}  // namespace

struct SessionPlatform::Wayland {
    WaylandConnection connection;
    std::unique_ptr<ForeignToplevels> toplevels;
};

SessionPlatform::SessionPlatform() : desktop_(std::make_unique<X11Workspace>()) {
    if (isWaylandSession()) {
        auto wayland = std::make_unique<Wayland>();
        if (wayland->connection.isConnected()) wayland_ = std::move(wayland);
    }
    if (!wayland_) {
        pasteboard_ = std::make_unique<X11Pasteboard>();
        keys_ = std::make_unique<XTestKeySynthesiser>(&x11KeycodeForKeyCode);
        keyboardLayout_ = std::make_unique<XkbKeyboardLayout>(&x11KeycodeForKeyCode);
        hotKeys_ = std::make_unique<X11HotKeyService>(&x11KeycodeForKeyCode);
        return;
    }

    WaylandConnection& connection = wayland_->connection;
    auto pasteboard = std::make_unique<WaylandPasteboard>(connection);
    if (pasteboard->isAvailable()) {
        pasteboard_ = std::move(pasteboard);
    } else {
        // Qt's own clipboard still writes ours while one of our windows has the keyboard.
        seesOtherCopies_ = false;
        pasteboard_ = std::make_unique<X11Pasteboard>();
    }

    wayland_->toplevels = std::make_unique<ForeignToplevels>(connection);
    if (wayland_->toplevels->isAvailable()) {
        const QStringList own{QGuiApplication::desktopFileName(), QGuiApplication::applicationName()};
        workspace_ = std::make_unique<WaylandWorkspace>(*wayland_->toplevels, *desktop_, own);
    }

    keys_ = std::make_unique<VirtualKeyboardKeySynthesiser>(connection, &evdevCodeFor);
    keyboardLayout_ = std::make_unique<WaylandKeyboardLayout>(connection, &evdevCodeFor);
    hotKeys_ = std::make_unique<X11HotKeyService>(&x11KeycodeForKeyCode);
    desktopShortcutLine_ = shortcutLineForDesktop();
}

SessionPlatform::~SessionPlatform() {
    // The adapters go before the connection they use.
    hotKeys_.reset();
    keyboardLayout_.reset();
    keys_.reset();
    workspace_.reset();
    pasteboard_.reset();
    if (wayland_) wayland_->toplevels.reset();
}

}  // namespace mendrake
