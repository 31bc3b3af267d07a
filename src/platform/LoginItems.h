#pragma once
// LoginItems: whether the application starts when the user logs in.
//
// Contract: `isEnabled` reads the registration as it is now (no cache). `enable` registers the
// application to start at login, `disable` removes that registration; each answers nullopt on
// success or a description of the failure (e.g. the directory cannot be written). Disabling when
// nothing is registered succeeds. Main thread only. Owns the registration it writes.

#include <QString>

#include <optional>

namespace mendrake {

class LoginItems {
public:
    virtual ~LoginItems() = default;

    virtual bool isEnabled() const = 0;
    virtual std::optional<QString> enable() = 0;
    virtual std::optional<QString> disable() = 0;
};

}  // namespace mendrake
