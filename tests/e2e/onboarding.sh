#!/usr/bin/env bash
# First launch opens the first-run guide; Return walks it to its end and closes it; the next launch
# does not open it again. Closing the guide with Ctrl+W on its first page completes it as well.
. "$(dirname "$0")/lib.sh"

guide_window() { xdotool search --onlyvisible --name '^Welcome to Mendrake$' 2>/dev/null | head -1; }
guide_visible() { [ -n "$(guide_window)" ]; }
guide_hidden() { ! guide_visible; }
completed() { grep -q '^hasCompletedOnboarding=true' "$XDG_CONFIG_HOME/Mendrake/Mendrake.conf" 2>/dev/null; }
focus_guide() {
  xdotool windowactivate --sync "$(guide_window)" 2>/dev/null
  wait_for 5 guide_focused || fail "guide not focused"
}
guide_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(guide_window)" ]; }

start_mendrake
wait_for 10 guide_visible || fail "first launch did not open the guide"
completed && fail "completed before the guide was closed"
focus_guide
for _ in 1 2 3; do
  guide_visible || break
  xdotool key Return
  sleep 0.2
done
wait_for 5 guide_hidden || fail "Return on the last page did not close the guide"
wait_for 5 completed || fail "closing the guide did not mark it completed"
stop_mendrake

start_mendrake
# Give a guide that should not come every chance to appear before deciding it did not.
wait_for 3 guide_visible && fail "the guide opened again after it was completed"
stop_mendrake

# A fresh user who closes the guide at once with Ctrl+W.
rm -f "$XDG_CONFIG_HOME/Mendrake/Mendrake.conf"
start_mendrake
wait_for 10 guide_visible || fail "guide did not open for a fresh user"
focus_guide
xdotool key ctrl+w
wait_for 5 guide_hidden || fail "Ctrl+W did not close the guide"
wait_for 5 completed || fail "Ctrl+W did not mark the guide completed"
echo "ok"
