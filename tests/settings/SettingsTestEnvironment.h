#pragma once
// Everything the settings pages use, in memory: the shared preferences fixture, a US keyboard
// layout, a desktop with two installed apps and a switchable paste permission.

#include "settings/SettingsWindowController.h"

#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"

#include <QImage>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace mendrake::test {

struct SettingsTestEnvironment : PreferencesFixture {
    SettingsTestEnvironment() {
        QImage red(64, 64, QImage::Format_ARGB32);
        red.fill(Qt::red);
        workspace.installed = {
            {"org.gnome.TextEditor", "Text Editor", "/usr/share/applications/org.gnome.TextEditor.desktop"},
            {"org.keepassxc.KeePassXC", "KeePassXC", "/usr/share/applications/org.keepassxc.KeePassXC.desktop"},
        };
        for (const auto& app : workspace.installed) workspace.iconsByLocation[app.location] = red;
    }

    SettingsServices services(HistoryStore* store = nullptr) {
        return SettingsServices{
            .prefs = prefs, .keyboardLayout = layout, .workspace = workspace, .keySynthesiser = keys,
            .clock = clock, .store = store,
            .onHistoryCleared = [this] { ++historyClears; },
            .checkForUpdates = [this] { ++updateChecks; },
            .canCheckForUpdates = true,
            .sourceAddress = "https://example.org/mendrake", .version = "1.2", .build = "45",
            .quit = [this] { ++quits; },
        };
    }

    FakeKeyboardLayout layout = FakeKeyboardLayout::usQwerty();
    FakeWorkspace workspace;
    FakeKeySynthesiser keys;
    int historyClears = 0, updateChecks = 0, quits = 0;
};

}  // namespace mendrake::test
