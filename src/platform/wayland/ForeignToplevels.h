#pragma once
// The compositor's toplevel windows through zwlr-foreign-toplevel-management-unstable-v1, or KDE's
// org_kde_plasma_window_management where only that is offered: each one's application id, title
// and whether it is the activated (focused) window, and a request to activate one.
//
// Contract: a toplevel is known by an id of this object's own (never 0, never reused), valid until
// the window closes. The list reflects the compositor's last complete update (its `done` event);
// `onChange`, when given, is called on the connection's thread after each update. `activate` asks
// the compositor to focus the window on the seat: it answers false when the window is gone or the
// protocol is missing, and does not wait for the focus to move. Without either manager (or, for
// wlroots' protocol, a seat), `isAvailable` is false and the list is empty. Any thread; must be
// destroyed before the connection.

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mendrake {

class WaylandConnection;
class ToplevelTracker;

class ForeignToplevels {
public:
    struct Toplevel {
        quint64 id = 0;
        QString appId;
        QString title;
        bool activated = false;

        bool operator==(const Toplevel&) const = default;
    };

    explicit ForeignToplevels(WaylandConnection& connection, std::function<void()> onChange = {});
    ~ForeignToplevels();

    ForeignToplevels(const ForeignToplevels&) = delete;
    ForeignToplevels& operator=(const ForeignToplevels&) = delete;

    bool isAvailable() const;
    // In the order the windows appeared.
    std::vector<Toplevel> toplevels() const;
    // The activated window once the compositor has answered every request sent before (an
    // `activate` included), so it is never older than the caller's own last request.
    std::optional<Toplevel> activated() const;
    // Every toplevel, the most recently activated first; those never activated last.
    std::vector<Toplevel> byActivation() const;
    // The toplevel with this application id that was activated most recently, else the newest one.
    std::optional<Toplevel> mostRecent(const QString& appId) const;
    bool activate(quint64 id);

private:
    WaylandConnection& connection_;
    std::unique_ptr<ToplevelTracker> tracker_;
};

}  // namespace mendrake
