#pragma once
// A defaults store in memory. `values` is the stored state (tests may seed it with any type);
// `failWrites` makes every write a silent no-op, as a store on a read-only disk behaves.

#include "platform/DefaultsStore.h"

#include <map>

namespace mendrake::test {

class FakeDefaultsStore final : public DefaultsStore {
public:
    std::optional<QVariant> value(const QString& key) const override {
        const auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void setValue(const QString& key, const QVariant& value) override {
        ++writes;
        if (!failWrites) values[key] = value;
    }
    void remove(const QString& key) override {
        ++writes;
        if (!failWrites) values.erase(key);
    }

    std::map<QString, QVariant> values;
    bool failWrites = false;
    int writes = 0;
};

}  // namespace mendrake::test
