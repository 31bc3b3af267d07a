// What a test needs from a Wayland compositor that has no command line of its own (KWin):
//   wayland-session active     prints the app_id of the focused window (nothing when none is)
//   wayland-session key CODE   presses the key at X keycode CODE on the compositor's keyboard
// Both go through the compositor's window list and key injection, wlroots' or KDE's.
#include "platform/wayland/FakeInputKeySynthesiser.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/VirtualKeyboardKeySynthesiser.h"
#include "platform/wayland/WaylandConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

int main(int argc, char** argv) {
    using namespace mendrake;
    WaylandConnection connection;
    if (!connection.isConnected()) return 1;
    if (argc == 2 && std::strcmp(argv[1], "active") == 0) {
        ForeignToplevels toplevels(connection);
        if (!toplevels.isAvailable()) return 1;
        // The window list arrives in a few round trips after binding.
        for (int i = 0; i < 20 && toplevels.toplevels().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (const auto window = toplevels.activated()) std::puts(window->appId.toUtf8().constData());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "key") == 0) {
        std::unique_ptr<KeySynthesiser> keys;
        if (connection.globals().fakeInput) keys = std::make_unique<FakeInputKeySynthesiser>(connection);
        else keys = std::make_unique<VirtualKeyboardKeySynthesiser>(connection);
        if (!keys->isTrusted()) return 1;
        keys->postKeyPress(std::uint32_t(std::strtoul(argv[2], nullptr, 10)), {});
        return 0;
    }
    return 2;
}
