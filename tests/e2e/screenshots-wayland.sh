#!/usr/bin/env bash
# Takes the documentation screenshots under sway: the panel floating over another window, and the
# General and Shortcuts settings pages as a Wayland session shows them:
#   tests/support/with-sway env MENDRAKE=... PASTE_TARGET=... bash tests/e2e/screenshots-wayland.sh docs/screenshots
. "$(dirname "$0")/lib.sh"
out=$(readlink -f "$1")

# Windows by their app_id in sway's tree; the panel by its title.
window() { swaymsg -t get_tree | jq -e --arg id "$1" '[recurse(.nodes[]?, .floating_nodes[]?) | select(.app_id == $id)] | first' 2>/dev/null; }
panel() { swaymsg -t get_tree | jq -e '[recurse(.nodes[]?, .floating_nodes[]?) | select(.name == "Mendrake" and .pid != null)] | first' 2>/dev/null; }
focused_is() { window "$1" | jq -e '.focused' >/dev/null; }
panel_focused() { panel | jq -e '.focused' >/dev/null; }

prefs hasCompletedOnboarding true
start_mendrake
"$PASTE_TARGET" /dev/null org.example.Editor & BG_PIDS+=($!)
wait_for 10 focused_is org.example.Editor || fail "editor did not show"
for text in "Quarterly report draft — final numbers" "https://example.org/docs/getting-started" \
            "#3478F6" "git commit -m \"Fix the flaky login test on CI runners that are slow\"" \
            "Meet at 10:30 in room 4B"; do
  printf '%s' "$text" | wl-copy
  sleep 0.4
done
"$MENDRAKE" --toggle
wait_for 5 panel_focused || fail "panel did not show focused"
sleep 0.5
grim "$out/panel-wayland.png"
wtype "report"
sleep 0.5
grim "$out/panel-wayland-search.png"
wtype -k Escape -k Escape
"$MENDRAKE" --settings >/dev/null
sleep 1.5
grim "$out/settings-general-wayland.png"
# The sidebar's search field takes Ctrl+F; Enter opens the first match.
wtype -M ctrl f -m ctrl; sleep 0.3; wtype "shortcut"; sleep 0.3; wtype -k Return; sleep 0.8
grim "$out/settings-shortcuts-wayland.png"
echo "saved to $out"
