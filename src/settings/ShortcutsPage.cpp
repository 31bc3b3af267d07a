#include "settings/ShortcutsPage.h"

#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"
#include "prefs/Preferences.h"
#include "settings/DesktopTexts.h"
#include "settings/SettingsWindowController.h"

#include <QFontDatabase>
#include <QLabel>

namespace mendrake {

const std::vector<PanelKeyRow>& panelKeyRows() {
    static const std::vector<PanelKeyRow> rows = {
        {"Paste the selected item", {QString::fromUtf8("↩")}},
        {"Paste as plain text", {QString::fromUtf8("⌥"), QString::fromUtf8("↩")}},
        {"Paste one of the first nine", {QString::fromUtf8("⌘"), QString::fromUtf8("1–9")}},
        {"Copy without pasting", {QString::fromUtf8("⌘"), "C"}},
        {"Pin or unpin", {QString::fromUtf8("⌘"), "P"}},
        {"Delete the item", {QString::fromUtf8("⌘"), QString::fromUtf8("⌫")}},
        {"Next or previous filter", {QString::fromUtf8("⇥")}},
        {"Open Settings", {QString::fromUtf8("⌘"), ","}},
        {"Clear search, then close", {"esc"}},
    };
    return rows;
}

ShortcutsPage::ShortcutsPage(SettingsServices& services, QWidget* parent) : FormPage(parent) {
    Preferences& prefs = services.prefs;
    recorder_ = new HotKeyRecorder(prefs.hotKey(), services.keyboardLayout);
    connect(recorder_, &HotKeyRecorder::comboRecorded, &prefs,
            [&prefs](const HotKeyCombo& combo) { prefs.setHotKey(combo); });
    // The shell may put the previous shortcut back when the desktop refuses the new one.
    connect(&prefs, &Preferences::hotKeyChanged, recorder_,
            [this, &prefs] { recorder_->setCombo(prefs.hotKey()); });

    if (services.desktopShortcutLine.isEmpty()) {
        auto* shortcut = new FormGroup({}, "Click the shortcut, then press a new one. Esc cancels.");
        shortcut->addRow(formRow("Open Mendrake", "Works in every app.", recorder_));
        addGroup(shortcut);
    } else {
        auto* shortcut = new FormGroup({}, desktopTexts::desktopBindsShortcut());
        desktopLine_ = new QLabel(services.desktopShortcutLine);
        desktopLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        desktopLine_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        shortcut->addRow(formRow("Open Mendrake", {}, desktopLine_));
        addGroup(shortcut);
        recorder_->hide();
    }

    auto* panel = new FormGroup("In the Panel");
    for (const PanelKeyRow& row : panelKeyRows()) panel->addRow(formRow(row.label, {}, new KeyCaps(row.caps)));
    addGroup(panel);
    addStretch();
}

}  // namespace mendrake
