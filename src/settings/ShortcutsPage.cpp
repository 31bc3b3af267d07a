#include "settings/ShortcutsPage.h"

#include "hotkey/HotKeyRecorder.h"
#include "hotkey/KeyCap.h"
#include "hotkey/KeyNames.h"
#include "prefs/Preferences.h"
#include "settings/DesktopTexts.h"
#include "settings/SettingsWindowController.h"

#include <QFontDatabase>
#include <QLabel>

namespace mendrake {

namespace {
// One cap per word: the modifiers, then the key.
QStringList caps(Qt::KeyboardModifiers modifiers, const QString& key) { return modifierNames(modifiers) << key; }
QStringList caps(Qt::KeyboardModifiers modifiers, int key) { return caps(modifiers, qtKeyName(key)); }
}  // namespace

const std::vector<PanelKeyRow>& panelKeyRows() {
    static const std::vector<PanelKeyRow> rows = {
        {"Paste the selected item", caps(Qt::NoModifier, Qt::Key_Return)},
        {"Paste as plain text", caps(Qt::AltModifier, Qt::Key_Return)},
        {"Paste one of the first nine", caps(Qt::ControlModifier, QString::fromUtf8("1–9"))},
        {"Copy without pasting", caps(Qt::ControlModifier, Qt::Key_C)},
        {"Pin or unpin", caps(Qt::ControlModifier, Qt::Key_P)},
        {"Delete the item", caps(Qt::ShiftModifier, Qt::Key_Delete)},
        {"Next or previous filter", caps(Qt::NoModifier, Qt::Key_Tab)},
        {"Open Settings", caps(Qt::ControlModifier, Qt::Key_Comma)},
        {"Clear search, then close", caps(Qt::NoModifier, Qt::Key_Escape)},
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
