// A clipboard owner for the X11 tests: offers several types at once, as one copy of a real
// application would, and can misbehave on purpose.
//   clip_owner [--hang TYPE] [--die-mid TYPE] [--slow TYPE MS] [--quit-after TYPE] [--class NAME]
//              [--chunk BYTES] TYPE=FILE...
// --hang TYPE        never answers a request for TYPE (a frozen owner)
// --die-mid TYPE     starts an incremental transfer of TYPE, sends one chunk and exits
// --slow TYPE MS     answers a request for TYPE after MS milliseconds
// --quit-after TYPE  exits once it has answered a request for TYPE (an application closed after copying)
// --class NAME       its window carries WM_CLASS NAME, as an application's window would
// --leader NAME      its window names none, but its client leader (another window) carries WM_CLASS NAME
// --pid NAME         its window names none, but a managed window of its process (_NET_WM_PID) carries WM_CLASS NAME
// Prints "owned" once it holds the CLIPBOARD selection; exits when another client takes it.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

xcb_connection_t* conn;

xcb_atom_t atom(const std::string& name) {
    auto reply = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, name.size(), name.c_str()), nullptr);
    xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

struct Transfer {  // an incremental transfer in progress
    xcb_window_t requestor;
    xcb_atom_t property, type;
    const std::string* data;
    size_t offset;
    bool dieAfterFirst;
};

void notify(const xcb_selection_request_event_t* req, xcb_atom_t property) {
    xcb_selection_notify_event_t ev{};
    ev.response_type = XCB_SELECTION_NOTIFY;
    ev.time = req->time;
    ev.requestor = req->requestor;
    ev.selection = req->selection;
    ev.target = req->target;
    ev.property = property;
    xcb_send_event(conn, 0, req->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
}

// Exits as a program closing its display does: after a round trip, so that the server has handled
// everything sent (an answer written just before a bare exit can be lost with the connection).
int quit() {
    free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    xcb_disconnect(conn);
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    std::string hang, dieMid, slow, quitAfter, windowClass, leaderClass, pidClass;
    int slowMs = 0;
    size_t chunk = 64 * 1024;
    std::vector<std::pair<std::string, std::string>> offers;  // type, bytes
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--hang" && i + 1 < argc) hang = argv[++i];
        else if (arg == "--die-mid" && i + 1 < argc) dieMid = argv[++i];
        else if (arg == "--chunk" && i + 1 < argc) chunk = std::stoul(argv[++i]);
        else if (arg == "--slow" && i + 2 < argc) slow = argv[++i], slowMs = std::stoi(argv[++i]);
        else if (arg == "--quit-after" && i + 1 < argc) quitAfter = argv[++i];
        else if (arg == "--class" && i + 1 < argc) windowClass = argv[++i];
        else if (arg == "--leader" && i + 1 < argc) leaderClass = argv[++i];
        else if (arg == "--pid" && i + 1 < argc) pidClass = argv[++i];
        else {
            auto eq = arg.rfind('=');
            if (eq == std::string::npos) { fprintf(stderr, "bad argument %s\n", arg.c_str()); return 2; }
            std::ifstream in(arg.substr(eq + 1), std::ios::binary);
            if (!in) { fprintf(stderr, "cannot read %s\n", arg.c_str()); return 2; }
            std::stringstream buffer;
            buffer << in.rdbuf();
            offers.emplace_back(arg.substr(0, eq), buffer.str());
        }
    }

    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    xcb_window_t win = xcb_generate_id(conn);
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, win, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &mask);

    auto setClass = [](xcb_window_t window, const std::string& name) {
        const std::string value = name + '\0' + name + '\0';
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, value.size(),
                            value.data());
    };
    if (!windowClass.empty()) setClass(win, windowClass);
    if (!leaderClass.empty()) {
        xcb_window_t leader = xcb_generate_id(conn);
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, leader, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        setClass(leader, leaderClass);
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, atom("WM_CLIENT_LEADER"), XCB_ATOM_WINDOW, 32, 1, &leader);
    }
    if (!pidClass.empty()) {
        const uint32_t pid = getpid(), neverFocused = 0;
        xcb_window_t client = xcb_generate_id(conn);
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, client, screen->root, 0, 0, 40, 40, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        setClass(client, pidClass);
        // Mapped without taking the focus, which stays with the test's window.
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, client, atom("_NET_WM_USER_TIME"), XCB_ATOM_CARDINAL, 32, 1,
                            &neverFocused);
        for (xcb_window_t w : {win, client})
            xcb_change_property(conn, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_map_window(conn, client);
        const xcb_atom_t clientList = atom("_NET_CLIENT_LIST");
        for (bool listed = false; !listed; usleep(20000)) {  // until the window manager manages it
            auto reply = xcb_get_property_reply(
                conn, xcb_get_property(conn, 0, screen->root, clientList, XCB_ATOM_WINDOW, 0, 1024), nullptr);
            const auto* ids = reply ? static_cast<const xcb_window_t*>(xcb_get_property_value(reply)) : nullptr;
            const int n = reply ? xcb_get_property_value_length(reply) / 4 : 0;
            listed = std::find(ids, ids + n, client) != ids + n;
            free(reply);
        }
    }
    const xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), incr = atom("INCR");
    std::map<xcb_atom_t, std::string> byAtom;
    std::vector<xcb_atom_t> offered{targets};
    for (auto& [type, bytes] : offers) {
        xcb_atom_t a = atom(type);
        byAtom[a] = bytes;
        offered.push_back(a);
    }
    const xcb_atom_t hangAtom = hang.empty() ? xcb_atom_t(XCB_ATOM_NONE) : atom(hang);
    const xcb_atom_t dieAtom = dieMid.empty() ? xcb_atom_t(XCB_ATOM_NONE) : atom(dieMid);
    const xcb_atom_t slowAtom = slow.empty() ? xcb_atom_t(XCB_ATOM_NONE) : atom(slow);
    const xcb_atom_t quitAtom = quitAfter.empty() ? xcb_atom_t(XCB_ATOM_NONE) : atom(quitAfter);

    xcb_set_selection_owner(conn, win, clipboard, XCB_CURRENT_TIME);
    auto owner = xcb_get_selection_owner_reply(conn, xcb_get_selection_owner(conn, clipboard), nullptr);
    if (!owner || owner->owner != win) return 1;
    free(owner);
    printf("owned\n");
    fflush(stdout);

    std::vector<Transfer> transfers;
    while (xcb_generic_event_t* event = xcb_wait_for_event(conn)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) return quit();
        if (type == XCB_SELECTION_REQUEST) {
            auto* req = reinterpret_cast<xcb_selection_request_event_t*>(event);
            xcb_atom_t property = req->property ? req->property : req->target;
            if (req->target == slowAtom) usleep(slowMs * 1000);
            if (req->target == hangAtom) {
                // A frozen owner: the request is never answered.
            } else if (req->target == targets) {
                xcb_change_property(conn, XCB_PROP_MODE_REPLACE, req->requestor, property, XCB_ATOM_ATOM,
                                    32, offered.size(), offered.data());
                notify(req, property);
            } else if (auto it = byAtom.find(req->target); it != byAtom.end()) {
                const std::string& data = it->second;
                if (data.size() <= chunk && req->target != dieAtom) {
                    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, req->requestor, property, req->target,
                                        8, data.size(), data.data());
                } else {
                    uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(conn, req->requestor, XCB_CW_EVENT_MASK, &events);
                    uint32_t size = data.size();
                    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, req->requestor, property, incr, 32, 1, &size);
                    transfers.push_back({req->requestor, property, req->target, &data, 0, req->target == dieAtom});
                }
                notify(req, property);
                if (req->target == quitAtom) return quit();
            } else {
                notify(req, XCB_ATOM_NONE);
            }
        } else if (type == XCB_PROPERTY_NOTIFY) {
            auto* ev = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (ev->state == XCB_PROPERTY_DELETE) {
                for (auto it = transfers.begin(); it != transfers.end(); ++it) {
                    if (it->requestor != ev->window || it->property != ev->atom) continue;
                    const size_t n = std::min(chunk, it->data->size() - it->offset);
                    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, it->requestor, it->property, it->type, 8, n,
                                        it->data->data() + it->offset);
                    it->offset += n;
                    if (it->dieAfterFirst) { xcb_flush(conn); _exit(0); }
                    if (n == 0) transfers.erase(it);
                    break;
                }
            }
        }
        free(event);
        xcb_flush(conn);
    }
    return 0;
}
