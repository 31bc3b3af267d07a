// What a test needs from a Wayland compositor beyond wl-copy and wl-paste (KWin has no command line
// of its own), through its window list, key injection and data-control clipboard:
//   wayland-session active              prints the app_id of the focused window (nothing when none is)
//   wayland-session key CODE            presses the key at X keycode CODE through KDE's fake input
//   wayland-session offer MIME FILE...  offers the clipboard in several MIME types at once, as
//                                       applications do (wl-copy offers one), until someone else copies
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/FakeInputKeySynthesiser.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/WaylandConnection.h"

#include <QFile>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    using namespace mendrake;
    const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    WaylandConnection connection;
    if (!connection.isConnected()) return 1;
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "active" && argc == 2) {
        ForeignToplevels toplevels(connection);
        if (!toplevels.isAvailable()) return 1;
        // The window list arrives in a few round trips after binding.
        for (int i = 0; i < 20 && toplevels.toplevels().empty(); ++i) pause(50);
        pause(100);
        if (const auto window = toplevels.activated()) std::puts(window->appId.toUtf8().constData());
        return 0;
    }
    if (command == "key" && argc == 3) {
        FakeInputKeySynthesiser keys(connection);
        if (!keys.isTrusted()) return 1;
        keys.postKeyPress(std::uint32_t(std::stoul(argv[2])), {});
        return 0;
    }
    if (command != "offer" || argc < 4 || argc % 2 != 0) return 2;
    std::vector<std::pair<QString, QByteArray>> values;
    for (int i = 2; i + 1 < argc; i += 2) {
        QFile file(QString::fromLocal8Bit(argv[i + 1]));
        if (!file.open(QIODevice::ReadOnly)) return 2;
        values.emplace_back(QString::fromLocal8Bit(argv[i]), file.readAll());
    }
    DataControlClipboard clipboard(connection, {});
    const quint64 id = clipboard.setSelection(values);
    if (id == 0) return 1;
    // Served until the clipboard, once ours, is someone else's.
    for (bool shown = false; connection.isConnected(); pause(50)) {
        const bool ours = clipboard.current().ownWrite == id;
        if (shown && !ours) return 0;
        shown = shown || ours;
    }
    return 0;
}
