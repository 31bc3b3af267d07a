#pragma once
// The global shortcut's recorder, bound to the hotKey preference, and the panel's fixed keys.

#include "settings/FormWidgets.h"

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

private:
    HotKeyRecorder* recorder_;
};

}  // namespace mendrake
