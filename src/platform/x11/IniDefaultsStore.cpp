#include "platform/x11/IniDefaultsStore.h"

#include <QStandardPaths>

namespace mendrake {

IniDefaultsStore::IniDefaultsStore(const QString& filePath)
    : settings_(filePath, QSettings::IniFormat) {}

QString IniDefaultsStore::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Mendrake/Mendrake.conf");
}

std::optional<QVariant> IniDefaultsStore::value(const QString& key) const {
    if (!settings_.contains(key)) return std::nullopt;
    return settings_.value(key);
}

void IniDefaultsStore::setValue(const QString& key, const QVariant& value) {
    settings_.setValue(key, value);
    settings_.sync();
}

void IniDefaultsStore::remove(const QString& key) {
    settings_.remove(key);
    settings_.sync();
}

}  // namespace mendrake
