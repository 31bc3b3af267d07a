#pragma once
// Everything the settings pages use, in memory: preferences over an in-memory defaults store,
// a US keyboard layout, a desktop with two installed apps, a switchable accessibility permission
// and a clock that moves only when told.

#include "prefs/Preferences.h"
#include "settings/SettingsWindowController.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"
#include "FakeWorkspace.h"

#include <QImage>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace mendrake::test {

struct SettingsTestEnvironment {
    SettingsTestEnvironment()
        : layout(FakeKeyboardLayout::usQwerty()),
          prefs(defaults, loginItems, log, notifications, clock) {
        QImage red(64, 64, QImage::Format_ARGB32);
        red.fill(Qt::red);
        workspace.installed = {
            {"org.gnome.TextEditor", "Text Editor", "/usr/share/applications/org.gnome.TextEditor.desktop"},
            {"org.keepassxc.KeePassXC", "KeePassXC", "/usr/share/applications/org.keepassxc.KeePassXC.desktop"},
        };
        workspace.iconsByLocation[workspace.installed[0].location] = red;
        workspace.iconsByLocation[workspace.installed[1].location] = red;
    }

    SettingsServices services(HistoryStore* store = nullptr) {
        return SettingsServices{
            .prefs = prefs,
            .keyboardLayout = layout,
            .workspace = workspace,
            .keySynthesiser = keys,
            .clock = clock,
            .store = store,
            .onHistoryCleared = [this] { ++historyClears; },
            .checkForUpdates = [this] { ++updateChecks; },
            .canCheckForUpdates = true,
            .sourceAddress = "https://example.org/mendrake",
            .version = "1.2",
            .build = "45",
            .quit = [this] { ++quits; },
        };
    }

    FakeClock clock;
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    NotificationCenter notifications;
    FakeKeyboardLayout layout;
    FakeWorkspace workspace;
    FakeKeySynthesiser keys;
    Preferences prefs;
    int historyClears = 0;
    int updateChecks = 0;
    int quits = 0;
};

}  // namespace mendrake::test
