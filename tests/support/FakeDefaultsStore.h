#pragma once
// A defaults store in memory. `values` is the stored state (tests may seed it with any type);
// `writes` counts the writes.

#include "platform/DefaultsStore.h"

#include <map>

namespace mendrake::test {

class FakeDefaultsStore final : public DefaultsStore {
public:
    std::optional<QVariant> value(const QString& key) const override {
        return values.count(key) ? std::optional(values.at(key)) : std::nullopt;
    }
    void setValue(const QString& key, const QVariant& value) override {
        ++writes;
        values[key] = value;
    }
    void remove(const QString& key) override {
        ++writes;
        values.erase(key);
    }

    std::map<QString, QVariant> values;
    int writes = 0;
};

}  // namespace mendrake::test
