#pragma once
// The global shortcut's recorder, bound to the hotKey preference (or, where the desktop binds the
// shortcut, the line to add to its configuration), and the panel's fixed keys.

#include "settings/FormWidgets.h"

#include <QLabel>
#include <QStringList>
#include <vector>

namespace mendrake {

class HotKeyRecorder;
struct SettingsServices;

struct PanelKeyRow {
    QString label;
    QStringList caps;
};
// The keys of the search panel, in display order.
const std::vector<PanelKeyRow>& panelKeyRows();

class ShortcutsPage : public FormPage {
public:
    explicit ShortcutsPage(SettingsServices& services, QWidget* parent = nullptr);
    HotKeyRecorder* recorder() const { return recorder_; }
    // The line to bind, where the desktop binds the shortcut; null otherwise.
    QLabel* desktopLine() const { return desktopLine_; }

private:
    HotKeyRecorder* recorder_;
    QLabel* desktopLine_ = nullptr;
};

}  // namespace mendrake
