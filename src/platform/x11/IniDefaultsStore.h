#pragma once
// The defaults store on Linux: a QSettings INI file, by default
// $XDG_CONFIG_HOME/Mendrake/Mendrake.conf, one key per preference field. Every write is flushed to
// disk at once; a file that cannot be written leaves the values in QSettings' memory and the
// process running.

#include "platform/DefaultsStore.h"

#include <QSettings>

namespace mendrake {

class IniDefaultsStore final : public DefaultsStore {
public:
    explicit IniDefaultsStore(const QString& filePath = defaultFilePath());

    // $XDG_CONFIG_HOME/Mendrake/Mendrake.conf (~/.config when the variable is unset).
    static QString defaultFilePath();

    std::optional<QVariant> value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

    // Whether the last write reached the disk.
    bool lastWriteSucceeded() const { return settings_.status() == QSettings::NoError; }

private:
    mutable QSettings settings_;
};

}  // namespace mendrake
