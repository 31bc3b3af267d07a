#include "platform/x11/X11ClipboardOffer.h"

#include "platform/x11/X11Pasteboard.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace mendrake {

namespace {

namespace pt = pasteboard_type;
using SteadyClock = std::chrono::steady_clock;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The list of targets is tiny; an owner answering megabytes of it is broken.
constexpr qint64 maxTargetsBytes = 64 * 1024;

}  // namespace

struct X11ClipboardOffer::X {
    quint32 expectedOwner = 0;
    quint32 timestamp = 0;
    double deadlineSeconds = 2;
    SteadyClock::time_point deadline;

    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t clipboard = 0, targets = 0, incr = 0;
    quint8 xfixesNotify = 0;
    int conversions = 0;

    bool opened = false;
    bool failed = false;     // timed out, lost the owner or the connection
    bool taken = false;      // someone took the selection since the change
    bool ownerGone = false;  // the owner went away since the change

    ~X() {
        if (c) xcb_disconnect(c);
    }

    xcb_atom_t atom(const QByteArray& name) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.constData()), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    void note(const xcb_generic_event_t* event) {
        if (!xfixesNotify || (event->response_type & 0x7f) != xfixesNotify) return;
        auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) taken = true;
        else ownerGone = true;
    }

    // The next event that `wanted` accepts, or none once the deadline passed (the offer then fails).
    Reply<xcb_generic_event_t> waitFor(const std::function<bool(const xcb_generic_event_t*)>& wanted) {
        while (!failed) {
            while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
                Reply<xcb_generic_event_t> event(raw);
                note(event.get());
                if (wanted(event.get())) return event;
            }
            // An owner that went away mid-transfer will never answer.
            if (ownerGone || xcb_connection_has_error(c)) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0) break;
            pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&fd, 1, int(left.count()));
        }
        failed = true;
        return nullptr;
    }

    // Asks the owner to convert the selection into `target` on a fresh property of our window;
    // the property, or none when the owner refused or did not answer.
    xcb_atom_t convert(xcb_atom_t target) {
        // A property of its own per conversion: an owner whose incremental transfer was abandoned
        // keeps waiting on its property and must not write into a later one.
        const xcb_atom_t property = atom("MENDRAKE_SELECTION_" + QByteArray::number(conversions++));
        xcb_convert_selection(c, window, clipboard, target, property, timestamp ? timestamp : XCB_CURRENT_TIME);
        xcb_flush(c);
        Reply<xcb_generic_event_t> event = waitFor([&](const xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
            auto* n = reinterpret_cast<const xcb_selection_notify_event_t*>(e);
            return n->requestor == window && n->selection == clipboard && n->target == target;
        });
        if (!event) return XCB_ATOM_NONE;
        return reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property;
    }

    Reply<xcb_get_property_reply_t> property(xcb_atom_t name, bool remove, uint32_t words) {
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
            c, xcb_get_property(c, remove, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, words), nullptr));
    }

    // The property's bytes, deleting it; none when it is missing or longer than `maxBytes`.
    std::optional<QByteArray> take(xcb_atom_t name, qint64 maxBytes) {
        Reply<xcb_get_property_reply_t> head = property(name, false, 0);
        if (!head || head->type == XCB_ATOM_NONE) return std::nullopt;
        if (head->type == incr) return takeIncrementally(name, maxBytes);
        if (qint64(head->bytes_after) > maxBytes) {
            xcb_delete_property(c, window, name);
            xcb_flush(c);
            return std::nullopt;
        }
        Reply<xcb_get_property_reply_t> whole = property(name, true, (head->bytes_after + 3) / 4);
        if (!whole) return std::nullopt;
        const int length = xcb_get_property_value_length(whole.get());
        return QByteArray(static_cast<const char*>(xcb_get_property_value(whole.get())), length);
    }

    // ICCCM INCR: deleting the property asks for the next chunk; an empty chunk ends the transfer.
    std::optional<QByteArray> takeIncrementally(xcb_atom_t name, qint64 maxBytes) {
        QByteArray bytes;
        xcb_delete_property(c, window, name);
        xcb_flush(c);
        while (true) {
            Reply<xcb_generic_event_t> event = waitFor([&](const xcb_generic_event_t* e) {
                if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
                auto* n = reinterpret_cast<const xcb_property_notify_event_t*>(e);
                return n->window == window && n->atom == name && n->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!event) return std::nullopt;
            Reply<xcb_get_property_reply_t> head = property(name, false, 0);
            if (!head) return std::nullopt;
            if (qint64(bytes.size()) + qint64(head->bytes_after) > maxBytes) {
                // Abandoned: the owner waits for a deletion that never comes, and the property
                // is never used again.
                return std::nullopt;
            }
            Reply<xcb_get_property_reply_t> chunk = property(name, true, (head->bytes_after + 3) / 4);
            if (!chunk) return std::nullopt;
            const int length = xcb_get_property_value_length(chunk.get());
            if (length == 0) return bytes;
            bytes.append(static_cast<const char*>(xcb_get_property_value(chunk.get())), length);
            xcb_flush(c);
        }
    }

    // True when the server says the selection still has the expected owner (or none, after the
    // expected owner went away).
    bool ownerIsExpected() {
        Reply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
        if (!reply) return false;
        // Events sent before the reply are queued by now.
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            note(raw);
            std::free(raw);
        }
        if (!expectedOwner) return true;
        return reply->owner == expectedOwner || (reply->owner == XCB_NONE && ownerGone);
    }
};

X11ClipboardOffer::X11ClipboardOffer(quint32 owner, quint32 timestamp, double deadlineSeconds)
    : x_(std::make_unique<X>()) {
    x_->expectedOwner = owner;
    x_->timestamp = timestamp;
    x_->deadlineSeconds = deadlineSeconds;
}

X11ClipboardOffer::~X11ClipboardOffer() = default;

bool X11ClipboardOffer::open() {
    if (x_->opened) return !x_->failed;
    x_->opened = true;
    x_->deadline = SteadyClock::now() +
                   std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(x_->deadlineSeconds));
    X& x = *x_;
    x.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x.c)) return !(x.failed = true);

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x.c)).data;
    x.window = xcb_generate_id(x.c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x.c, XCB_COPY_FROM_PARENT, x.window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    x.clipboard = x.atom("CLIPBOARD");
    x.targets = x.atom("TARGETS");
    x.incr = x.atom("INCR");

    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(x.c, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            x.c, xcb_xfixes_query_version(x.c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
        if (version) {
            x.xfixesNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            xcb_xfixes_select_selection_input(x.c, x.window, x.clipboard,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    // Watching starts now; a change between the one being read and this point shows as another owner.
    if (!x.ownerIsExpected()) x.taken = true;
    return true;
}

const QStringList& X11ClipboardOffer::formats() {
    if (formats_) return *formats_;
    formats_.emplace();
    if (!open()) return *formats_;
    const xcb_atom_t property = x_->convert(x_->targets);
    if (property == XCB_ATOM_NONE) return *formats_;
    std::optional<QByteArray> list = x_->take(property, maxTargetsBytes);
    if (!list) return *formats_;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(list->constData());
    const int n = int(list->size() / sizeof(xcb_atom_t));
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    for (int i = 0; i < n; ++i) cookies.push_back(xcb_get_atom_name(x_->c, atoms[i]));
    for (auto cookie : cookies) {
        Reply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(x_->c, cookie, nullptr));
        if (!name) continue;
        const QString mime = QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                                 xcb_get_atom_name_name_length(name.get()));
        if (!formats_->contains(mime)) formats_->append(mime);
    }
    return *formats_;
}

std::optional<QByteArray> X11ClipboardOffer::fetch(const QString& mime, qint64 maxBytes) {
    if (!formats().contains(mime) || x_->failed) return std::nullopt;
    if (auto it = fetched_.find(mime); it != fetched_.end()) {
        if (it->second.size() > maxBytes) return std::nullopt;
        return it->second;
    }
    const xcb_atom_t property = x_->convert(x_->atom(mime.toLatin1()));
    if (property == XCB_ATOM_NONE) return std::nullopt;
    std::optional<QByteArray> bytes = x_->take(property, maxBytes);
    if (!bytes || bytes->isEmpty()) return std::nullopt;
    fetched_[mime] = *bytes;
    return bytes;
}

int X11ClipboardOffer::itemCount() {
    for (const QString& format : formats())
        if (!X11Pasteboard::identifierForMime(format).isEmpty()) return 1;
    return 0;
}

QStringList X11ClipboardOffer::types(int item) {
    QStringList out;
    if (item != 0) return out;
    for (const QString& format : formats()) {
        const QString identifier = X11Pasteboard::identifierForMime(format);
        if (!identifier.isEmpty() && !out.contains(identifier)) out << identifier;
    }
    return out;
}

std::optional<QByteArray> X11ClipboardOffer::data(int item, const QString& type, qint64 maxBytes) {
    if (item != 0) return std::nullopt;
    // The first offered MIME type under this identifier, in our order of preference for text.
    const QStringList& offered = formats();
    const QStringList candidates = type == pt::string ? X11Pasteboard::plainTextMimeTypes() : offered;
    for (const QString& format : candidates)
        if (offered.contains(format) && X11Pasteboard::identifierForMime(format) == type)
            return fetch(format, maxBytes);
    return std::nullopt;
}

QList<QUrl> X11ClipboardOffer::fileURLs() {
    std::optional<QByteArray> list = data(0, pt::fileURL, 16 * 1024 * 1024);
    return list ? X11Pasteboard::localFileURLs(*list) : QList<QUrl>{};
}

bool X11ClipboardOffer::transferFailed() { return x_->failed; }

bool X11ClipboardOffer::unchanged() {
    if (!x_->opened || !x_->c || xcb_connection_has_error(x_->c)) return false;
    return x_->ownerIsExpected() && !x_->taken;
}

}  // namespace mendrake
