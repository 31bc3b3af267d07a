#!/usr/bin/env bash
# Another client holds Shift+Super+V when mendrake starts: one log line, no alert, and the panel
# stays reachable from the tray menu and by running mendrake again.
. "$(dirname "$0")/lib.sh"

"$X11_KEY" grab >"$WORK/grab.out" &
BG_PIDS+=($!)
wait_for 5 grep -q grabbed "$WORK/grab.out" || fail "could not grab the key"
trayer --edge top --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
BG_PIDS+=($!)
wait_for 5 xdotool search --name '^panel$' || fail "no tray"

prefs hasCompletedOnboarding true
start_mendrake
wait_for 5 grep -q "Mendrake: could not register hotkey Shift+Super+V" "$WORK/mendrake.log" || fail "no log line: $(cat "$WORK/mendrake.log")"
[ "$(grep -c "Mendrake: " "$WORK/mendrake.log")" = 1 ] || fail "more than one log line: $(cat "$WORK/mendrake.log")"
sleep 0.5
panel_visible && fail "a window titled Mendrake (an alert?) is showing"

# The shortcut goes to the other client, not to us.
xdotool key super+shift+v
sleep 0.5
panel_visible && fail "panel opened although another client holds the shortcut"

# The tray menu's "Open Mendrake" entry opens the panel.
tray=$(xdotool search --name '^panel$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
for _ in 1 2 3; do
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  sleep 1
  xdotool key Down Return
  wait_for 3 panel_visible && break
  xdotool key Escape
done
panel_visible || fail "tray menu did not open the panel"
xdotool key Escape
wait_for 5 panel_hidden || fail "panel did not hide"

"$MENDRAKE" || fail "second launch failed"
wait_for 5 panel_visible || fail "second launch did not show the panel"
echo PASS
