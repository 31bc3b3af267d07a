#!/usr/bin/env bash
# The real binary in a Wayland session (tests/support/with-sway, Qt on its wayland platform):
# copies made with wl-copy become rows of their kinds, marked and ignored copies are skipped, the
# clipboard found at start is not recorded, `mendrake --toggle` shows the panel focused, which
# filters and pastes into the window it was opened over, and a copy outlives the client that made it.
. "$(dirname "$0")/lib.sh"

# A copy served until replaced: copy MIME-TYPE FILE, or several types at once with wayland-session.
copy() { wl-copy --type "$1" <"$2"; sleep 0.1; }
copy_many() { "$WAYLAND_SESSION" offer "$@" & BG_PIDS+=($!); sleep 0.2; }
copy_text() { printf '%s' "$1" | wl-copy; sleep 0.1; }
clipboard_text() { wl-paste --no-newline 2>/dev/null; }

# Windows by their app_id in sway's tree; the panel by its title.
window() { swaymsg -t get_tree | jq -e --arg id "$1" '[recurse(.nodes[]?, .floating_nodes[]?) | select(.app_id == $id)] | first' 2>/dev/null; }
panel() { swaymsg -t get_tree | jq -e '[recurse(.nodes[]?, .floating_nodes[]?) | select(.name == "Mendrake" and .pid != null)] | first' 2>/dev/null; }
panel_visible() { panel >/dev/null; }
panel_hidden() { ! panel_visible; }
panel_focused() { panel | jq -e '.focused' >/dev/null; }
focused_is() { window "$1" | jq -e '.focused' >/dev/null; }
start_target() {  # start_target APP_ID LOG
  "$PASTE_TARGET" "$2" "$1" & BG_PIDS+=($!)
  wait_for 10 focused_is "$1" || fail "window $1 did not show focused"
}
focus() { swaymsg "[app_id=\"$1\"] focus" >/dev/null; wait_for 5 focused_is "$1" || fail "$1 not focused"; }
open_panel() {
  "$MENDRAKE" --toggle || fail "mendrake --toggle failed"
  wait_for 5 panel_focused || fail "panel did not show focused"
}

copy_text "on the clipboard at launch"
prefs hasCompletedOnboarding true excludedBundleIDs "org.example.Ignored, KeePassXC"
start_mendrake
sleep 0.5
rows_are 0 || fail "the clipboard at launch was recorded"
grep -q 'bindsym $mod+Shift+v exec mendrake --toggle' "$WORK/mendrake.log" || fail "no binding line: $(cat "$WORK/mendrake.log")"

start_target org.example.Ignored /dev/null
copy_text "typed in an ignored app"
start_target org.example.Target "$WORK/pasted.log"
copy_text "hello from wl-copy"
wait_for 5 rows_are 1 || fail "text copy not recorded"
[ "$(sql "SELECT source_bundle FROM clips")" = org.example.Target ] || fail "source: $(sql "SELECT source_bundle FROM clips")"

printf '<b>bold</b> words' >"$WORK/copy.html"
printf 'bold words' >"$WORK/copy.plain"
copy_many text/html "$WORK/copy.html" text/plain "$WORK/copy.plain"
wait_for 5 rows_are 2 || fail "html copy not recorded"

base64 -d >"$WORK/copy.png" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEklEQVR4nGP4z8DAwMDAwMAAAA0AAf9tB2oAAAAASUVORK5CYII=
PNG
copy image/png "$WORK/copy.png"
wait_for 5 rows_are 3 || fail "png copy not recorded"

mkdir -p "$WORK/files"; touch "$WORK/files/one.txt" "$WORK/files/two.txt"
printf 'file://%s\r\nfile://%s\r\n' "$WORK/files/one.txt" "$WORK/files/two.txt" >"$WORK/copy.uris"
copy text/uri-list "$WORK/copy.uris"
wait_for 5 rows_are 4 || fail "file copy not recorded"

copy_text "#ff8800"
wait_for 5 rows_are 5 || fail "colour copy not recorded"

printf 'secret' >"$WORK/secret"
copy_many text/plain "$WORK/secret" x-kde-passwordManagerHint "$WORK/secret"
sleep 0.5
rows_are 5 || fail "a concealed copy was recorded"

kinds=$(sql "SELECT group_concat(kind, ' ') FROM (SELECT kind FROM clips ORDER BY id)")
[ "$kinds" = "text richText image file color" ] || fail "kinds recorded: $kinds"

# The panel floats centred on the output and hides when another window takes the keyboard.
open_panel
[ "$(panel | jq -c '[.type, .rect.x + .rect.width / 2, .rect.y + .rect.height / 2]')" = '["floating_con",800,500]' ] ||
  fail "panel not floating in the middle: $(panel | jq -c '{type, rect}')"
# Its rounded corners let the window below show through: the corner pixel is the target's white.
corner=$(grim -g "$(panel | jq -r '"\(.rect.x),\(.rect.y) 1x1"')" -t ppm - | convert - -format '%[hex:p{0,0}]' info:)
[ "$corner" = FFFFFF ] || fail "panel corner is $corner, not see-through"
focus org.example.Target
wait_for 5 panel_hidden || fail "panel stayed open when it lost the keyboard"

# The panel over the target: typing filters, Enter pastes the one match there.
open_panel
wtype "wl-copy"
sleep 0.3
wtype -k Return
wait_for 5 panel_hidden || fail "panel stayed open"
wait_for 5 pastes_are 1 || fail "nothing pasted: $(cat "$WORK/mendrake.log")"
case "$(last_paste)" in *"text=hello from wl-copy") ;; *) fail "pasted: $(last_paste)" ;; esac
rows_are 5 || fail "the paste was recorded as a copy"

# The copy of a client that exits stays on the clipboard.
printf 'from a client that quits' | wl-copy --foreground & owner=$!
wait_for 5 rows_are 6 || fail "copy of the quitting client not recorded"
kill "$owner"; wait "$owner" 2>/dev/null
wait_for 5 clipboard_is "from a client that quits" || fail "clipboard after its owner quit: '$(clipboard_text)'"
sleep 0.3
rows_are 6 || fail "the restored copy was recorded again"
echo PASS
