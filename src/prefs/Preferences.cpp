#include "prefs/Preferences.h"

#include <QMetaType>

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
const QString kExcludedBundleIDs = QStringLiteral("excludedBundleIDs");
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

}  // namespace

QStringList Preferences::defaultExcludedBundleIDs() {
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

Preferences::Preferences(DefaultsStore& store, LoginItems& loginItems, SystemLog& log,
                         NotificationCenter& notifications, Clock& clock, QObject* parent)
    : QObject(parent),
      store_(store),
      loginItems_(loginItems),
      log_(log),
      notifications_(notifications),
      clock_(clock) {
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
    excludedBundleIDs_ =
        readStringList(store_.value(kExcludedBundleIDs)).value_or(defaultExcludedBundleIDs());
    pausedUntil_ = readInstant(store_.value(kPausedUntil));
    hasCompletedOnboarding_ = readBool(store_.value(kHasCompletedOnboarding), false);
    launchAtLogin_ = loginItems_.isEnabled();
}

bool Preferences::isPaused() const { return pausedUntil_ && *pausedUntil_ > clock_.now(); }

void Preferences::setHotKey(const HotKeyCombo& value) {
    const bool changed = hotKey_ != value;
    hotKey_ = value;
    if (changed) emit hotKeyChanged();
    store_.setValue(kHotKey, QString::fromUtf8(value.toJson()));
    notifications_.post(hotKeyChangedNotification);
}

void Preferences::setRetentionDays(int value) {
    if (value < 0) value = 0;
    const bool changed = retentionDays_ != value;
    retentionDays_ = value;
    if (changed) emit retentionDaysChanged();
    store_.setValue(kRetentionDays, value);
    notifications_.post(historyLimitsChangedNotification);
}

void Preferences::setMaxItems(int value) {
    if (value < 1) value = defaultMaxItems;
    const bool changed = maxItems_ != value;
    maxItems_ = value;
    if (changed) emit maxItemsChanged();
    store_.setValue(kMaxItems, value);
    notifications_.post(historyLimitsChangedNotification);
}

void Preferences::setPasteDirectly(bool value) {
    const bool changed = pasteDirectly_ != value;
    pasteDirectly_ = value;
    if (changed) emit pasteDirectlyChanged();
    store_.setValue(kPasteDirectly, value);
}

void Preferences::setShowMenuBarIcon(bool value) {
    const bool changed = showMenuBarIcon_ != value;
    showMenuBarIcon_ = value;
    if (changed) emit showMenuBarIconChanged();
    store_.setValue(kShowMenuBarIcon, value);
    notifications_.post(menuBarIconChangedNotification);
}

void Preferences::setKeepClipboardOnOwnerQuit(bool value) {
    const bool changed = keepClipboardOnOwnerQuit_ != value;
    keepClipboardOnOwnerQuit_ = value;
    if (changed) emit keepClipboardOnOwnerQuitChanged();
    store_.setValue(kKeepClipboard, value);
}

void Preferences::setPlaySound(bool value) {
    const bool changed = playSound_ != value;
    playSound_ = value;
    if (changed) emit playSoundChanged();
    store_.setValue(kPlaySound, value);
}

void Preferences::setExcludedBundleIDs(const QStringList& value) {
    const bool changed = excludedBundleIDs_ != value;
    excludedBundleIDs_ = value;
    if (changed) emit excludedBundleIDsChanged();
    store_.setValue(kExcludedBundleIDs, value);
}

void Preferences::setPausedUntil(std::optional<double> value) {
    const bool changed = pausedUntil_ != value;
    pausedUntil_ = value;
    if (changed) emit pausedUntilChanged();
    if (value)
        store_.setValue(kPausedUntil, *value);
    else
        store_.remove(kPausedUntil);
}

void Preferences::setHasCompletedOnboarding(bool value) {
    const bool changed = hasCompletedOnboarding_ != value;
    hasCompletedOnboarding_ = value;
    if (changed) emit hasCompletedOnboardingChanged();
    store_.setValue(kHasCompletedOnboarding, value);
}

void Preferences::setLaunchAtLogin(bool value) {
    if (launchAtLogin_ == value) return;
    launchAtLogin_ = value;
    emit launchAtLoginChanged();
    // On failure the switch keeps the user's choice; the next start reads the real state.
    if (auto error = value ? loginItems_.enable() : loginItems_.disable())
        log_.write(QStringLiteral("Mendrake: launch at login change failed: ") + *error);
}

void Preferences::pauseForMinutes(int minutes) { setPausedUntil(clock_.now() + minutes * 60.0); }

void Preferences::pauseUntilResumed() { setPausedUntil(distantFuture); }

void Preferences::resume() { setPausedUntil(std::nullopt); }

}  // namespace mendrake
