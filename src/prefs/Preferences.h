#pragma once
// Preferences: the user's settings while the process runs. Loaded from the defaults store once at
// construction, written through on every assignment. Each field has a NOTIFY signal that fires only
// when the value actually changes; the shortcut, the tray icon and the history limits also announce
// every assignment, changed or not (`hotKeyAssigned`, `trayIconAssigned`, `historyLimitsAssigned`),
// so that choosing the same shortcut again retries its registration and the same limit trims again.
// Main thread only. The application creates the one instance and hands it to whoever needs it.

#include "hotkey/HotKeyCombo.h"
#include "platform/Clock.h"
#include "platform/DefaultsStore.h"
#include "platform/LoginItems.h"
#include "platform/SystemLog.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <optional>

namespace mendrake {

// A pause as the tray menu and the Privacy page offer it; 0 minutes pauses until resumed.
struct PauseLength {
    const char* label;
    int minutes;
};
inline constexpr std::array<PauseLength, 4> pauseLengths = {
    PauseLength{"For 5 Minutes", 5}, {"For 15 Minutes", 15}, {"For 1 Hour", 60}, {"Until I Resume", 0}};

class Preferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(mendrake::HotKeyCombo hotKey READ hotKey WRITE setHotKey NOTIFY hotKeyChanged)
    Q_PROPERTY(int retentionDays READ retentionDays WRITE setRetentionDays NOTIFY retentionDaysChanged)
    Q_PROPERTY(int maxItems READ maxItems WRITE setMaxItems NOTIFY maxItemsChanged)
    Q_PROPERTY(bool pasteDirectly READ pasteDirectly WRITE setPasteDirectly NOTIFY pasteDirectlyChanged)
    Q_PROPERTY(bool showMenuBarIcon READ showMenuBarIcon WRITE setShowMenuBarIcon NOTIFY showMenuBarIconChanged)
    Q_PROPERTY(bool playSound READ playSound WRITE setPlaySound NOTIFY playSoundChanged)
    Q_PROPERTY(bool keepClipboardOnOwnerQuit READ keepClipboardOnOwnerQuit WRITE setKeepClipboardOnOwnerQuit NOTIFY keepClipboardOnOwnerQuitChanged)
    Q_PROPERTY(QStringList excludedAppIds READ excludedAppIds WRITE setExcludedAppIds NOTIFY excludedAppIdsChanged)
    Q_PROPERTY(std::optional<double> pausedUntil READ pausedUntil WRITE setPausedUntil NOTIFY pausedUntilChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY hasCompletedOnboardingChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)

public:
    // The instant "until I resume" pauses to: 4001-01-01 00:00:00 UTC in seconds since 1970.
    static constexpr double distantFuture = 64092211200.0;
    static constexpr int defaultMaxItems = 10000;
    static QStringList defaultExcludedAppIds();

    Preferences(DefaultsStore& store, LoginItems& loginItems, SystemLog& log, Clock& clock,
                QObject* parent = nullptr);

    HotKeyCombo hotKey() const { return hotKey_; }
    int retentionDays() const { return retentionDays_; }
    int maxItems() const { return maxItems_; }
    bool pasteDirectly() const { return pasteDirectly_; }
    bool showMenuBarIcon() const { return showMenuBarIcon_; }
    bool playSound() const { return playSound_; }
    // Serve the last copy again when the application that copied it quits.
    bool keepClipboardOnOwnerQuit() const { return keepClipboardOnOwnerQuit_; }
    QStringList excludedAppIds() const { return excludedAppIds_; }
    // Seconds since 1970 UTC; nullopt when capture is not paused.
    std::optional<double> pausedUntil() const { return pausedUntil_; }
    bool hasCompletedOnboarding() const { return hasCompletedOnboarding_; }
    bool launchAtLogin() const { return launchAtLogin_; }

    // True exactly when pausedUntil is present and later than now.
    bool isPaused() const;

    void setHotKey(const HotKeyCombo& value);
    void setRetentionDays(int value);
    void setMaxItems(int value);
    void setPasteDirectly(bool value);
    void setShowMenuBarIcon(bool value);
    void setPlaySound(bool value);
    void setKeepClipboardOnOwnerQuit(bool value);
    void setExcludedAppIds(const QStringList& value);
    void setPausedUntil(std::optional<double> value);
    void setHasCompletedOnboarding(bool value);
    void setLaunchAtLogin(bool value);

    // Pause and resume as the tray menu and the Privacy page offer them; 0 minutes or less pauses
    // until resumed.
    void pauseFor(int minutes);
    void pauseUntilResumed() { pauseFor(0); }
    void resume();

signals:
    void hotKeyChanged();
    void retentionDaysChanged();
    void maxItemsChanged();
    void pasteDirectlyChanged();
    void showMenuBarIconChanged();
    void playSoundChanged();
    void keepClipboardOnOwnerQuitChanged();
    void excludedAppIdsChanged();
    void pausedUntilChanged();
    void hasCompletedOnboardingChanged();
    void launchAtLoginChanged();

    // Every assignment, changed or not.
    void hotKeyAssigned();
    void trayIconAssigned();
    void historyLimitsAssigned();

private:
    // Sets `field`, emits `changed` when the value differs, and writes the value through.
    template <typename T>
    void assign(T& field, T value, const QString& key, void (Preferences::*changed)());

    DefaultsStore& store_;
    LoginItems& loginItems_;
    SystemLog& log_;
    Clock& clock_;

    HotKeyCombo hotKey_ = HotKeyCombo::defaultCombo();
    int retentionDays_ = 0;
    int maxItems_ = defaultMaxItems;
    bool pasteDirectly_ = true;
    bool showMenuBarIcon_ = true;
    bool playSound_ = false;
    bool keepClipboardOnOwnerQuit_ = true;
    QStringList excludedAppIds_;
    std::optional<double> pausedUntil_;
    bool hasCompletedOnboarding_ = false;
    bool launchAtLogin_ = false;
};

}  // namespace mendrake
