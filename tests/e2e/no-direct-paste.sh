#!/usr/bin/env bash
# With direct pasting off, choosing an item only puts it on the clipboard.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true pasteDirectly false
start_target
start_mendrake
copy_text "stays on the clipboard"; wait_for 5 rows_are 1 || fail "copy not recorded"
copy_text "something else"; wait_for 5 rows_are 2 || fail "copy not recorded"

focus_target
open_panel_and_search "stays"
xdotool key Return
wait_for 5 clipboard_is "stays on the clipboard" || fail "clipboard holds: $(clipboard_text)"
sleep 1
pastes_are 0 || fail "pasted although direct pasting is off"
echo PASS
