#!/usr/bin/env bash
# Takes the documentation screenshots of the tray menu and of the panel over another window:
#   tests/support/with-x11 env MENDRAKE=... PASTE_TARGET=... CLIP_OFFER=... SEND_KEY=... \
#     bash tests/e2e/screenshots.sh docs/screenshots
. "$(dirname "$0")/lib.sh"
out=$(readlink -f "$1")

trayer --edge top --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
BG_PIDS+=($!)
wait_for 5 xdotool search --class trayer || fail "no tray"
prefs hasCompletedOnboarding true
start_target
start_mendrake
for text in "Quarterly report draft — final numbers" "https://example.org/docs/getting-started" \
            "#3478F6" "git commit -m \"Fix the flaky login test on CI runners that are slow\"" \
            "Meet at 10:30 in room 4B"; do
  copy_text "$text"
  sleep 0.5
done

# The tray icon is the child window that trayer embedded; click it to open the menu.
tray=$(xdotool search --name '^panel$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
sleep 0.3
xdotool click 1
sleep 1
import -window root -crop 600x500+1000+0 "$out/tray-menu.png"
xdotool key Escape
sleep 0.5

focus_target
xdotool type --delay 10 "Some text I was writing when I needed that link: "
xdotool key super+shift+v
wait_for 5 panel_focused || fail "panel did not show"
xdotool type --delay 30 "exa"
sleep 0.8
import -window root "$out/panel-over-window.png"
echo done
