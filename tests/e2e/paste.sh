#!/usr/bin/env bash
# The global shortcut opens the panel over the focused window; choosing an item pastes it there
# (Return as copied, Alt-Return as plain text), Ctrl-Return only copies, Ctrl+2 pastes the second
# result; the app's own clipboard writes are never recorded as new rows.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true
start_target
start_mendrake

copy_text "alpha one"; wait_for 5 rows_are 1 || fail "alpha not recorded"
copy_text "beta two"; wait_for 5 rows_are 2 || fail "beta not recorded"
printf '<p><b>gamma</b> three</p>' >"$WORK/gamma.html"
printf 'gamma three' >"$WORK/gamma.txt"
copy_many text/html="$WORK/gamma.html" text/plain="$WORK/gamma.txt"; wait_for 5 rows_are 3 || fail "gamma not recorded"
copy_text "unrelated last copy"; wait_for 5 rows_are 4 || fail "last copy not recorded"

# Return pastes the match as copied.
focus_target
open_panel_and_search "alpha"
xdotool key Return
wait_for 5 pastes_are 1 || fail "Return pasted nothing"
last_paste | grep -q "text=alpha one$" || fail "pasted: $(last_paste)"
wait_for 5 panel_hidden || fail "panel still visible after Return"
clipboard_is "alpha one" || fail "clipboard holds: $(clipboard_text)"
sleep 1
rows_are 4 || fail "own write recorded as a new row"
[ "$(sql "SELECT text FROM clips ORDER BY last_used_at DESC LIMIT 1")" = "alpha one" ] || fail "alpha not moved to front"

# Return on rich text offers HTML; Alt-Return offers plain text only.
focus_target
open_panel_and_search "gamma"
xdotool key Return
wait_for 5 pastes_are 2 || fail "rich Return pasted nothing"
last_paste | grep -q "formats=.*text/html" || fail "rich paste lacked html: $(last_paste)"
focus_target
open_panel_and_search "gamma"
xdotool key alt+Return
wait_for 5 pastes_are 3 || fail "Alt-Return pasted nothing"
last_paste | grep -q "text/html" && fail "plain paste offered html: $(last_paste)"
last_paste | grep -q "text=gamma three" || fail "plain paste text: $(last_paste)"

# Ctrl-Return copies without pasting.
focus_target
open_panel_and_search "beta"
xdotool key ctrl+Return
wait_for 5 clipboard_is "beta two" || fail "Ctrl-Return did not copy: $(clipboard_text)"
sleep 0.5
pastes_are 3 || fail "Ctrl-Return pasted"

# Ctrl+2 pastes the second result of an empty query.
focus_target
open_panel
second=$(sql "SELECT text FROM clips ORDER BY last_used_at DESC LIMIT 1 OFFSET 1")
xdotool key ctrl+2
wait_for 5 pastes_are 4 || fail "Ctrl+2 pasted nothing"
last_paste | grep -qF "text=$second" || fail "Ctrl+2 pasted $(last_paste), expected $second"
sleep 1
rows_are 4 || fail "rows changed by pasting"
echo PASS
