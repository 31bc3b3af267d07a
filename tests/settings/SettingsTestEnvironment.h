#pragma once
// Everything the settings pages use, in memory: the shared preferences fixture, a US keyboard
// layout, a desktop with two installed apps and a switchable paste permission.

#include "settings/SettingsWindowController.h"
#include "store/HistoryStore.h"

#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"

#include <QImage>

#include <ostream>

// Readable QString values in test failure messages.
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

    // A history in `directory` with `count` text copies a second apart, every 500th pinned.
    std::unique_ptr<HistoryStore> history(const QString& directory, int count) {
        std::unique_ptr<HistoryStore> store = HistoryStore::open(clock, directory).value();
        for (int i = 0; i < count; ++i) {
            const QString text = QStringLiteral("Sample clip number %1").arg(i);
            auto item = store->record({.text = text, .hash = contentHash("text", text.toUtf8()),
                                       .representations = {{"public.utf8-plain-text", text.toUtf8()}},
                                       .byteSize = text.size()});
            if (i % 500 == 0) store->setPinned(item->id, true);
            clock.advance(1);
        }
        return store;
    }

    FakeKeyboardLayout layout = FakeKeyboardLayout::usQwerty();
    FakeWorkspace workspace;
    FakeKeySynthesiser keys;
    int historyClears = 0, updateChecks = 0, quits = 0;
};

}  // namespace mendrake::test
