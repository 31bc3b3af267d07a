#include "prefs/Preferences.h"

#include <QMetaType>

#include <algorithm>
#include <cmath>
#include <limits>

namespace mendrake {

namespace {

const QString kHotKey = QStringLiteral("hotKey");
const QString kRetentionDays = QStringLiteral("retentionDays");
const QString kMaxItems = QStringLiteral("maxItems");
const QString kPasteDirectly = QStringLiteral("pasteDirectly");
const QString kShowMenuBarIcon = QStringLiteral("showMenuBarIcon");
const QString kPlaySound = QStringLiteral("playSound");
const QString kKeepClipboard = QStringLiteral("keepClipboardOnOwnerQuit");
const QString kExcludedAppIds = QStringLiteral("excludedBundleIDs");
const QString kPausedUntil = QStringLiteral("pausedUntil");
const QString kHasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding");

bool isStringType(const QVariant& v) {
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// A text settings file gives numbers back as strings, so both forms are read; anything that is not
// a whole number from `minimum` to the int range falls back to the default. A hand-edited
// "maxItems=0" must not read as "keep nothing" and empty the history.
int readInt(const std::optional<QVariant>& stored, int fallback, int minimum) {
    if (!stored) return fallback;
    bool ok = false;
    qlonglong number = 0;
    switch (stored->typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
        number = stored->toLongLong(&ok);
        break;
    case QMetaType::QString: case QMetaType::QByteArray:
        number = stored->toString().trimmed().toLongLong(&ok);
        break;
    default:
        break;
    }
    if (!ok || number < minimum || number > std::numeric_limits<int>::max()) return fallback;
    return static_cast<int>(number);
}

bool readBool(const std::optional<QVariant>& stored, bool fallback) {
    if (!stored) return fallback;
    if (stored->typeId() == QMetaType::Bool) return stored->toBool();
    if (isStringType(*stored)) {
        const QString text = stored->toString().trimmed().toLower();
        if (text == u"true" || text == u"1") return true;
        if (text == u"false" || text == u"0") return false;
    }
    return fallback;
}

// The INI file writes an empty list as an invalid value and reads a one-item list back as a plain
// string; both are lists of strings. Any other type is not.
std::optional<QStringList> readStringList(const std::optional<QVariant>& stored) {
    if (!stored) return std::nullopt;
    if (!stored->isValid()) return QStringList{};
    if (stored->typeId() == QMetaType::QStringList) return stored->toStringList();
    if (stored->typeId() == QMetaType::QString) return QStringList{stored->toString()};
    if (stored->typeId() == QMetaType::QVariantList) {
        QStringList list;
        for (const QVariant& item : stored->toList()) {
            if (item.typeId() != QMetaType::QString) return std::nullopt;
            list << item.toString();
        }
        return list;
    }
    return std::nullopt;
}

std::optional<double> readInstant(const std::optional<QVariant>& stored) {
    if (!stored) return std::nullopt;
    bool ok = false;
    double seconds = 0;
    switch (stored->typeId()) {
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Int: case QMetaType::LongLong:
        seconds = stored->toDouble(&ok);
        break;
    case QMetaType::QString: case QMetaType::QByteArray:
        seconds = stored->toString().trimmed().toDouble(&ok);
        break;
    default:
        break;
    }
    if (!ok || !std::isfinite(seconds)) return std::nullopt;
    return seconds;
}

// How each kind of value is kept in the defaults store; none removes the key.
QVariant storedForm(const HotKeyCombo& combo) { return QString::fromUtf8(combo.toJson()); }
QVariant storedForm(const std::optional<double>& instant) { return instant ? QVariant(*instant) : QVariant(); }
template <typename T>
QVariant storedForm(const T& value) { return QVariant::fromValue(value); }

}  // namespace

QStringList Preferences::defaultExcludedAppIds() {
    // Password managers and keyrings by their desktop-entry id or window class. A list stored by
    // an older version (with macOS bundle ids) is read as it stands.
    return {
        QStringLiteral("org.keepassxc.KeePassXC"),
        QStringLiteral("KeePassXC"),
        QStringLiteral("Bitwarden"),
        QStringLiteral("1Password"),
        QStringLiteral("org.gnome.seahorse.Application"),
        QStringLiteral("Enpass"),
    };
}

Preferences::Preferences(DefaultsStore& store, LoginItems& loginItems, SystemLog& log, Clock& clock,
                         QObject* parent)
    : QObject(parent), store_(store), loginItems_(loginItems), log_(log), clock_(clock) {
    // An undecodable shortcut falls back to the default but is not written back, so the stored
    // text stays as it was until the user picks a shortcut.
    if (auto stored = store_.value(kHotKey); stored && isStringType(*stored)) {
        const QByteArray json = stored->typeId() == QMetaType::QByteArray ? stored->toByteArray()
                                                                          : stored->toString().toUtf8();
        hotKey_ = HotKeyCombo::fromJson(json).value_or(HotKeyCombo::defaultCombo());
    }
    retentionDays_ = readInt(store_.value(kRetentionDays), 0, 0);
    maxItems_ = readInt(store_.value(kMaxItems), defaultMaxItems, 1);
    pasteDirectly_ = readBool(store_.value(kPasteDirectly), true);
    showMenuBarIcon_ = readBool(store_.value(kShowMenuBarIcon), true);
    playSound_ = readBool(store_.value(kPlaySound), false);
    keepClipboardOnOwnerQuit_ = readBool(store_.value(kKeepClipboard), true);
    excludedAppIds_ =
        readStringList(store_.value(kExcludedAppIds)).value_or(defaultExcludedAppIds());
    pausedUntil_ = readInstant(store_.value(kPausedUntil));
    hasCompletedOnboarding_ = readBool(store_.value(kHasCompletedOnboarding), false);
    launchAtLogin_ = loginItems_.isEnabled();
}

bool Preferences::isPaused() const { return pausedUntil_ && *pausedUntil_ > clock_.now(); }

template <typename T>
void Preferences::assign(T& field, T value, const QString& key, void (Preferences::*changed)()) {
    const bool differs = field != value;
    field = std::move(value);
    if (differs) emit(this->*changed)();
    if (const QVariant stored = storedForm(field); stored.isValid())
        store_.setValue(key, stored);
    else
        store_.remove(key);
}

void Preferences::setHotKey(const HotKeyCombo& value) {
    assign(hotKey_, value, kHotKey, &Preferences::hotKeyChanged);
    emit hotKeyAssigned();
}

void Preferences::setRetentionDays(int value) {
    assign(retentionDays_, std::max(value, 0), kRetentionDays, &Preferences::retentionDaysChanged);
    emit historyLimitsAssigned();
}

void Preferences::setMaxItems(int value) {
    assign(maxItems_, value < 1 ? defaultMaxItems : value, kMaxItems, &Preferences::maxItemsChanged);
    emit historyLimitsAssigned();
}

void Preferences::setShowMenuBarIcon(bool value) {
    assign(showMenuBarIcon_, value, kShowMenuBarIcon, &Preferences::showMenuBarIconChanged);
    emit trayIconAssigned();
}

void Preferences::setPasteDirectly(bool value) {
    assign(pasteDirectly_, value, kPasteDirectly, &Preferences::pasteDirectlyChanged);
}

void Preferences::setPlaySound(bool value) { assign(playSound_, value, kPlaySound, &Preferences::playSoundChanged); }

void Preferences::setKeepClipboardOnOwnerQuit(bool value) {
    assign(keepClipboardOnOwnerQuit_, value, kKeepClipboard, &Preferences::keepClipboardOnOwnerQuitChanged);
}

void Preferences::setExcludedAppIds(const QStringList& value) {
    assign(excludedAppIds_, value, kExcludedAppIds, &Preferences::excludedAppIdsChanged);
}

void Preferences::setPausedUntil(std::optional<double> value) {
    assign(pausedUntil_, value, kPausedUntil, &Preferences::pausedUntilChanged);
}

void Preferences::setHasCompletedOnboarding(bool value) {
    assign(hasCompletedOnboarding_, value, kHasCompletedOnboarding, &Preferences::hasCompletedOnboardingChanged);
}

void Preferences::setLaunchAtLogin(bool value) {
    if (launchAtLogin_ == value) return;
    launchAtLogin_ = value;
    emit launchAtLoginChanged();
    // On failure the switch keeps the user's choice; the next start reads the real state.
    if (auto error = value ? loginItems_.enable() : loginItems_.disable())
        log_.write(QStringLiteral("Mendrake: launch at login change failed: ") + *error);
}

void Preferences::pauseFor(int minutes) {
    setPausedUntil(minutes > 0 ? clock_.now() + minutes * 60.0 : distantFuture);
}

void Preferences::resume() { setPausedUntil(std::nullopt); }

}  // namespace mendrake
