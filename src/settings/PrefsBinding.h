#pragma once
// A switch bound to one Boolean preference: it shows the stored value, follows later changes, and
// writes the preference when the user flips it (only then, so showing a value never re-runs the
// preference's side effects).

#include "prefs/Preferences.h"
#include "settings/ToggleSwitch.h"

namespace mendrake {

template <typename Getter, typename Setter, typename Signal>
ToggleSwitch* boundSwitch(Preferences& prefs, Getter get, Setter set, Signal changed) {
    auto* toggle = new ToggleSwitch;
    toggle->setChecked((prefs.*get)());
    QObject::connect(toggle, &QAbstractButton::clicked, &prefs,
                     [&prefs, set](bool on) { (prefs.*set)(on); });
    QObject::connect(&prefs, changed, toggle, [toggle, &prefs, get] { toggle->setChecked((prefs.*get)()); });
    return toggle;
}

}  // namespace mendrake
