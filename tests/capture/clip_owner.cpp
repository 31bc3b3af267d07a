// A clipboard owner for the X11 tests: offers several types at once, as one copy of a real
// application would, and can misbehave on purpose.
//   clip_owner [--hang TYPE] [--die-mid TYPE] [--slow TYPE] [--class|--leader|--pid NAME] TYPE=FILE...
// --hang: never answers TYPE (a frozen owner); --die-mid: sends one chunk of TYPE incrementally and
// exits; --slow: answers TYPE after 700 ms. Its window carries WM_CLASS NAME (--class), or names none
// while its client leader (--leader) or a managed window of its process (_NET_WM_PID, --pid) does.
// Offers above 1 MiB go incrementally. Prints "owned" once it holds the CLIPBOARD selection; exits
// when another client takes it.
#include <xcb/xcb.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <iterator>
#include <string>
#include <vector>

namespace {

xcb_connection_t* conn;
xcb_screen_t* screen;
const size_t chunk = 1 << 20;

xcb_atom_t atom(const std::string& name) {
    if (name.empty()) return XCB_ATOM_NONE;
    auto reply = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, name.size(), name.c_str()), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, size_t n, const void* data) {
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, property, type, format, n, data);
}

xcb_window_t newWindow(uint16_t windowClass, const std::string& wmClass) {
    const xcb_window_t window = xcb_generate_id(conn);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 40, 40, 0, windowClass, screen->root_visual,
                      XCB_CW_EVENT_MASK, &events);
    const std::string value = wmClass + '\0' + wmClass + '\0';
    if (!wmClass.empty()) setProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, value.size(), value.data());
    return window;
}

// Maps a window of this process (_NET_WM_PID) and waits until the window manager manages it.
void mapClientOfThisProcess(xcb_window_t owner, const std::string& wmClass) {
    const uint32_t pid = getpid(), neverFocused = 0;
    const xcb_window_t client = newWindow(XCB_WINDOW_CLASS_INPUT_OUTPUT, wmClass);
    // Mapped without taking the focus, which stays with the test's window.
    setProperty(client, atom("_NET_WM_USER_TIME"), XCB_ATOM_CARDINAL, 32, 1, &neverFocused);
    for (xcb_window_t w : {owner, client}) setProperty(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_map_window(conn, client);
    for (bool listed = false; !listed; usleep(20000)) {
        auto reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, screen->root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024), nullptr);
        const auto* ids = reply ? static_cast<const xcb_window_t*>(xcb_get_property_value(reply)) : nullptr;
        listed = ids && std::count(ids, ids + xcb_get_property_value_length(reply) / 4, client);
        free(reply);
    }
}

struct Transfer {  // an incremental transfer in progress
    xcb_window_t requestor;
    xcb_atom_t property, type;
    const std::string* data;
    size_t offset;
};

}  // namespace

int main(int argc, char** argv) {
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) return 1;
    screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), incr = atom("INCR");
    std::map<std::string, std::string> option;
    std::map<xcb_atom_t, std::string> bytes;  // of each type offered
    std::vector<xcb_atom_t> offered{targets};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::ifstream in(arg.substr(arg.rfind('=') + 1), std::ios::binary);
        if (arg.rfind("--", 0) == 0 && i + 1 < argc)
            option[arg] = argv[++i];
        else if (arg.find('=') == std::string::npos || !in)
            return fprintf(stderr, "bad offer %s\n", arg.c_str()), 2;
        else
            bytes[offered.emplace_back(atom(arg.substr(0, arg.rfind('='))))] = {std::istreambuf_iterator<char>(in), {}};
    }
    const xcb_window_t win = newWindow(XCB_WINDOW_CLASS_INPUT_ONLY, option["--class"]);
    if (!option["--leader"].empty()) {
        const xcb_window_t leader = newWindow(XCB_WINDOW_CLASS_INPUT_ONLY, option["--leader"]);
        setProperty(win, atom("WM_CLIENT_LEADER"), XCB_ATOM_WINDOW, 32, 1, &leader);
    }
    if (!option["--pid"].empty()) mapClientOfThisProcess(win, option["--pid"]);
    const xcb_atom_t hang = atom(option["--hang"]), dieMid = atom(option["--die-mid"]), slow = atom(option["--slow"]);

    xcb_set_selection_owner(conn, win, clipboard, XCB_CURRENT_TIME);
    auto owner = xcb_get_selection_owner_reply(conn, xcb_get_selection_owner(conn, clipboard), nullptr);
    if (!owner || owner->owner != win) return 1;
    printf("owned\n");
    fflush(stdout);

    std::vector<Transfer> transfers;
    while (xcb_generic_event_t* event = xcb_wait_for_event(conn)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) return 0;
        auto* req = reinterpret_cast<xcb_selection_request_event_t*>(event);
        if (type == XCB_SELECTION_REQUEST && req->target != hang) {  // a frozen owner never answers
            xcb_selection_notify_event_t answer{XCB_SELECTION_NOTIFY, 0, 0, req->time, req->requestor, req->selection,
                                                req->target, req->property ? req->property : req->target};
            const auto offer = bytes.find(req->target);
            if (req->target == slow) usleep(700 * 1000);
            if (req->target == targets) {
                setProperty(req->requestor, answer.property, XCB_ATOM_ATOM, 32, offered.size(), offered.data());
            } else if (offer == bytes.end()) {
                answer.property = XCB_ATOM_NONE;
            } else if (offer->second.size() <= chunk && req->target != dieMid) {
                setProperty(req->requestor, answer.property, req->target, 8, offer->second.size(), offer->second.data());
            } else {
                const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE, size = offer->second.size();
                xcb_change_window_attributes(conn, req->requestor, XCB_CW_EVENT_MASK, &events);
                setProperty(req->requestor, answer.property, incr, 32, 1, &size);
                transfers.push_back({req->requestor, answer.property, req->target, &offer->second, 0});
            }
            xcb_send_event(conn, 0, req->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&answer));
        } else if (type == XCB_PROPERTY_NOTIFY) {
            auto* ev = reinterpret_cast<xcb_property_notify_event_t*>(event);
            auto it = std::find_if(transfers.begin(), transfers.end(),
                                   [&](const Transfer& t) { return t.requestor == ev->window && t.property == ev->atom; });
            if (ev->state == XCB_PROPERTY_DELETE && it != transfers.end()) {
                const size_t n = std::min(chunk, it->data->size() - it->offset);
                setProperty(it->requestor, it->property, it->type, 8, n, it->data->data() + it->offset);
                it->offset += n;
                if (it->type == dieMid) xcb_flush(conn), _exit(0);
                if (n == 0) transfers.erase(it);
            }
        }
        free(event);
        xcb_flush(conn);
    }
    return 0;
}
