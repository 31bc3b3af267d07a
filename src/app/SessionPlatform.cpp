#include "app/SessionPlatform.h"

#include "platform/wayland/FakeInputKeySynthesiser.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/PortalHotKeyService.h"
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
        keys_ = std::make_unique<XTestKeySynthesiser>();
        keyboardLayout_ = std::make_unique<XkbKeyboardLayout>();
        hotKeys_ = std::make_unique<X11HotKeyService>();
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

    // KWin offers its own fake input instead of the virtual keyboard; with neither, the virtual
    // keyboard stays untrusted and a paste copies only.
    if (!connection.globals().virtualKeyboard && connection.globals().fakeInput)
        keys_ = std::make_unique<FakeInputKeySynthesiser>(connection);
    else
        keys_ = std::make_unique<VirtualKeyboardKeySynthesiser>(connection);
    keyboardLayout_ = std::make_unique<WaylandKeyboardLayout>(connection);
    if (PortalHotKeyService::isOffered()) {
        // The portal's triggers name letters and digits by themselves ("v"); other keys are refused.
        hotKeys_ = std::make_unique<PortalHotKeyService>([layout = keyboardLayout_.get()](std::uint32_t keycode) {
            const std::optional<QString> text = layout->characters({keycode}).at(0);
            const bool plain = text && text->size() == 1 && text->at(0).isLetterOrNumber() && text->at(0).unicode() < 0x80;
            return plain ? text->toLower() : QString();
        });
    } else {
        // The desktop runs `mendrake --toggle`; the role is filled all the same.
        hotKeys_ = std::make_unique<X11HotKeyService>();
        desktopShortcutLine_ = shortcutLineForDesktop();
    }
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
