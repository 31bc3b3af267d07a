// Offers the clipboard of a Wayland session in several MIME types at once, as applications do
// (wl-copy offers one), through the data-control protocol, and serves it until someone else
// copies. Usage: wayland-offer MIME FILE [MIME FILE ...]
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QFile>

#include <chrono>
#include <thread>

int main(int argc, char** argv) {
    using namespace mendrake;
    if (argc < 3 || argc % 2 == 0) return 2;
    std::vector<std::pair<QString, QByteArray>> values;
    for (int i = 1; i + 1 < argc; i += 2) {
        QFile file(QString::fromLocal8Bit(argv[i + 1]));
        if (!file.open(QIODevice::ReadOnly)) return 2;
        values.emplace_back(QString::fromLocal8Bit(argv[i]), file.readAll());
    }
    WaylandConnection connection;
    DataControlClipboard clipboard(connection, {});
    if (!clipboard.isAvailable()) return 1;
    const quint64 id = clipboard.setSelection(values);
    bool shown = false;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!connection.isConnected()) return 0;
        const bool ours = clipboard.current().ownWrite == id;
        if (shown && !ours) return 0;
        shown = shown || ours;
    }
}
