#include "platform/x11/X11Workspace.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeDatabase>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace mendrake {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

}  // namespace

struct X11Workspace::X {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;

    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, name, type, 0, 4096), nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE) return {};
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    std::vector<xcb_window_t> windows(xcb_window_t window, const char* name) {
        const QByteArray bytes = property(window, atom(name), XCB_ATOM_WINDOW);
        std::vector<xcb_window_t> out(bytes.size() / sizeof(xcb_window_t));
        // memcpy from or to a null pointer is undefined even for zero bytes, and an empty vector's
        // data() may be null.
        if (!out.empty()) std::memcpy(out.data(), bytes.constData(), out.size() * sizeof(xcb_window_t));
        return out;
    }
};

X11Workspace::X11Workspace(QStringList dataDirs) : x_(new X), entries_(std::move(dataDirs)) {
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        x_->connection = x11->connection();
        x_->root = xcb_setup_roots_iterator(xcb_get_setup(x_->connection)).data->root;
    }
}

X11Workspace::~X11Workspace() { delete x_; }

std::optional<RunningApplication> X11Workspace::applicationOfWindow(quint64 window) {
    if (!x_->connection || window == 0) return std::nullopt;
    if (auto app = namedApplication(xcb_window_t(window))) return app;
    // The hidden window that owns a selection rarely names its application itself: its client
    // leader usually does, else a managed window of the same process does.
    const std::vector<xcb_window_t> leader = x_->windows(xcb_window_t(window), "WM_CLIENT_LEADER");
    if (!leader.empty() && leader.front() != 0 && leader.front() != window)
        if (auto app = namedApplication(leader.front())) return app;
    const auto pidOf = [this](xcb_window_t w) -> quint32 {
        const QByteArray pid = x_->property(w, x_->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
        return pid.size() == 4 ? *reinterpret_cast<const quint32*>(pid.constData()) : 0;
    };
    quint32 pid = pidOf(xcb_window_t(window));
    if (!pid && !leader.empty() && leader.front() != 0) pid = pidOf(leader.front());
    if (!pid) return std::nullopt;
    for (xcb_window_t client : x_->windows(x_->root, "_NET_CLIENT_LIST"))
        if (pidOf(client) == pid)
            if (auto app = namedApplication(client)) return app;
    return std::nullopt;
}

std::optional<RunningApplication> X11Workspace::namedApplication(quint32 window) {
    RunningApplication app;
    app.window = window;

    const QByteArray wmClass = x_->property(window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY);
    const QList<QByteArray> parts = wmClass.split('\0');
    const QString instance = parts.size() > 0 ? QString::fromLocal8Bit(parts[0]) : QString();
    const QString windowClass = parts.size() > 1 ? QString::fromLocal8Bit(parts[1]) : QString();

    const QByteArray gtkId = x_->property(window, x_->atom("_GTK_APPLICATION_ID"), XCB_GET_PROPERTY_TYPE_ANY);
    std::optional<DesktopEntry> entry;
    if (!gtkId.isEmpty()) {
        app.appId = QString::fromUtf8(gtkId);
        entry = entries_.byId(*app.appId);
    } else {
        entry = entries_.forWindowClass(windowClass, instance);
        if (entry) app.appId = entry->id;
        else if (!windowClass.isEmpty()) app.appId = windowClass;
    }
    if (!windowClass.isEmpty()) app.windowClass = windowClass;
    if (entry && !entry->name.isEmpty()) app.localizedName = entry->name;
    else if (!windowClass.isEmpty()) app.localizedName = windowClass;
    if (!app.appId && !app.localizedName) return std::nullopt;
    return app;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    if (!x_->connection) return std::nullopt;
    const std::vector<xcb_window_t> active = x_->windows(x_->root, "_NET_ACTIVE_WINDOW");
    if (active.empty() || active.front() == 0) return std::nullopt;
    if (auto app = namedApplication(active.front())) return app;
    return RunningApplication{std::nullopt, std::nullopt, active.front()};
}

bool X11Workspace::activate(const RunningApplication& app) {
    if (!x_->connection) return false;
    // Only the remembered window: another window of the same application may be another document
    // or conversation, where a paste is not what the user meant.
    const std::vector<xcb_window_t> clients = x_->windows(x_->root, "_NET_CLIENT_LIST_STACKING");
    if (!app.window || std::find(clients.begin(), clients.end(), app.window) == clients.end()) return false;
    const xcb_window_t target = xcb_window_t(app.window);

    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = target;
    event.type = x_->atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;  // source indication: a pager, which window managers obey
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x_->connection, 0, x_->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(x_->connection);
    return true;
}

bool X11Workspace::holdsKeyboardFocus(const RunningApplication& app) {
    if (!x_->connection || !app.window) return false;
    const std::vector<xcb_window_t> active = x_->windows(x_->root, "_NET_ACTIVE_WINDOW");
    if (active.empty() || active.front() != app.window) return false;
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
        xcb_get_input_focus_reply(x_->connection, xcb_get_input_focus(x_->connection), nullptr), &std::free);
    if (!focus) return false;
    // The focus may sit on a child of the client window (a toolkit's focus proxy); walk up to the root.
    for (xcb_window_t window = focus->focus; window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT;) {
        if (window == app.window) return true;
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(x_->connection, xcb_query_tree(x_->connection, window), nullptr), &std::free);
        if (!tree || tree->parent == tree->root || window == tree->root) return false;
        window = tree->parent;
    }
    return false;
}

std::optional<QString> X11Workspace::applicationLocation(const QString& appId) {
    if (auto entry = entries_.byId(appId)) return entry->path;
    return std::nullopt;
}

namespace {

// The start of a regular file, or nothing: a path named by a clip may be a FIFO, a device or a
// link to one, and opening or reading those can block for ever.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 cap) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace(qMin<qint64>(info.st_size, cap), Qt::Uninitialized);
        const ssize_t n = ::read(fd, bytes->data(), size_t(bytes->size()));
        if (n < 0) bytes.reset();
        else bytes->truncate(n);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

QImage X11Workspace::iconForFile(const QString& path, int pixelSize) {
    QIcon icon;
    if (path.endsWith(QStringLiteral(".desktop"))) {
        std::optional<DesktopEntry> entry = entries_.byPath(path);
        if (!entry)
            if (auto bytes = readRegularFile(path, 1 << 20)) entry = DesktopEntries::parse(*bytes, QString());
        if (entry && QFileInfo(entry->icon).isAbsolute()) icon = QIcon(entry->icon);
        else if (entry && !entry->icon.isEmpty()) icon = QIcon::fromTheme(entry->icon);
        if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    } else {
        // By name and file type only: the content is never read for an icon.
        const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(QFileInfo(path).isDir() ? QStringLiteral("folder") : QStringLiteral("text-x-generic"));
    }
    if (icon.isNull()) return {};
    return icon.pixmap(pixelSize, pixelSize).toImage().scaled(pixelSize, pixelSize, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation);
}

std::vector<InstalledApplication> X11Workspace::installedApplications() {
    std::vector<InstalledApplication> apps;
    for (const DesktopEntry& entry : entries_.all())
        if (entry.visible) apps.push_back({entry.id, entry.name, entry.path});
    std::sort(apps.begin(), apps.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return apps;
}

bool X11Workspace::openURL(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool X11Workspace::revealFile(const QString& path) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    bool available = bus.isConnected() && bus.interface() &&
                     (bus.interface()->isServiceRegistered(service).value() ||
                      bus.interface()->activatableServiceNames().value().contains(service));
    if (!available) return QDesktopServices::openUrl(folder);

    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       service, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* w) {
        if (w->isError()) QDesktopServices::openUrl(folder);
        w->deleteLater();
    });
    return true;
}

}  // namespace mendrake
