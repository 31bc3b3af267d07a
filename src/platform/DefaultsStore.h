#pragma once
// DefaultsStore: the persistent per-user key-value store behind the preferences.
//
// Contract: `value` answers what is stored under a key, or nullopt when the key was never written
// (or was removed). A stored value comes back as the store's file format keeps it: a store backed by
// a text file may answer numbers and Booleans as strings, a one-item list as a string and an empty
// list as an invalid QVariant, so readers convert and validate. `setValue` and `remove` write
// through; a store that cannot write (read-only directory, full disk) keeps going silently, and the
// caller's in-memory values stay the truth. Main thread only. Owns its file handle.

#include <QString>
#include <QVariant>

#include <optional>

namespace mendrake {

class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    virtual std::optional<QVariant> value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
};

}  // namespace mendrake
