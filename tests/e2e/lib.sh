# Helpers shared by the end-to-end scripts. Each script runs inside tests/support/with-x11 (a private
# Xvfb + openbox session with fresh XDG directories) and gets the mendrake binary as $MENDRAKE.
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }

# wait_for SECONDS COMMAND...: polls every 0.05 s until the command succeeds.
wait_for() {
  local limit=$1; shift
  local end=$(( $(date +%s%N) + limit * 1000000000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -gt "$end" ] && return 1
    sleep 0.05
  done
}

db() { echo "$XDG_DATA_HOME/Mendrake/history.sqlite"; }
sql() { sqlite3 -readonly "$(db)" "$1" 2>/dev/null; }
rows() { sql "SELECT count(*) FROM clips"; }
rows_are() { [ "$(rows)" = "$1" ]; }

# Preferences written before the app starts: pref KEY VALUE ...
prefs() {
  mkdir -p "$XDG_CONFIG_HOME/Mendrake"
  { echo "[General]"; while [ $# -ge 2 ]; do echo "$1=$2"; shift 2; done; } >"$XDG_CONFIG_HOME/Mendrake/Mendrake.conf"
}

start_mendrake() {
  "$MENDRAKE" >"$WORK/mendrake.log" 2>&1 &
  MENDRAKE_PID=$!
  wait_for 10 test -S "$XDG_RUNTIME_DIR/mendrake.socket" || fail "mendrake did not start: $(cat "$WORK/mendrake.log")"
  wait_for 10 sqlite3 -readonly "$(db)" "SELECT count(*) FROM clips" || fail "no database"
}

stop_mendrake() {
  [ -n "${MENDRAKE_PID:-}" ] && kill "$MENDRAKE_PID" 2>/dev/null && wait "$MENDRAKE_PID" 2>/dev/null
  MENDRAKE_PID=
  # A killed process leaves its socket behind; the next start replaces it, and waits for its own.
  rm -f "$XDG_RUNTIME_DIR/mendrake.socket"
}

# Copies from another X client: copy MIME-TYPE FILE. xclip serves the selection until replaced.
copy() {
  xclip -selection clipboard -t "$1" -i "$2" &
  BG_PIDS+=($!)
  sleep 0.1
}
# Copies several types at once, as applications do: copy_many MIME=FILE [MIME=FILE ...]
copy_many() {
  "$CLIP_OWNER" "$@" >/dev/null &
  BG_PIDS+=($!)
  sleep 0.2
}
copy_text() { printf '%s' "$1" >"$WORK/copy.txt"; copy text/plain "$WORK/copy.txt"; }

BG_PIDS=()
cleanup() {
  stop_mendrake
  for pid in "${BG_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$WORK"
}
WORK=$(mktemp -d /tmp/mendrake-e2e.XXXXXX)
trap cleanup EXIT

# The search panel: the visible window titled exactly "Mendrake".
panel_window() { xdotool search --onlyvisible --name '^Mendrake$' 2>/dev/null | head -1; }
panel_visible() { [ -n "$(panel_window)" ]; }
# Focused: the window manager made it active and the X input focus is on it, so a key typed now
# reaches the panel.
panel_focused() {
  local w; w=$(panel_window)
  [ -n "$w" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ]
}
panel_hidden() { ! panel_visible; }

# The paste target: a window that logs every paste it receives to $WORK/pasted.log.
start_target() {
  : >"$WORK/pasted.log"
  "$PASTE_TARGET" "$WORK/pasted.log" &
  BG_PIDS+=($!)
  wait_for 10 xdotool search --onlyvisible --name '^Paste Target$' || fail "paste target did not show"
  TARGET_WINDOW=$(xdotool search --onlyvisible --name '^Paste Target$' | head -1)
}
focus_target() {
  xdotool windowactivate --sync "$TARGET_WINDOW" 2>/dev/null
  wait_for 5 target_focused || fail "paste target not focused"
}
target_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$TARGET_WINDOW" ]; }
pastes() { wc -l <"$WORK/pasted.log"; }
pastes_are() { [ "$(pastes)" = "$1" ]; }
last_paste() { tail -n 1 "$WORK/pasted.log"; }
clipboard_text() { xclip -selection clipboard -o 2>/dev/null; }
clipboard_is() { [ "$(clipboard_text)" = "$1" ]; }

# Opens the panel with the global shortcut. Right after a start the shortcut may not be grabbed
# yet (the launch runs once the event loop does), so a press that shows nothing is repeated.
open_panel() {
  for _ in 1 2 3 4 5; do
    xdotool key super+shift+v
    wait_for 1 panel_visible && break
  done
  wait_for 5 panel_focused || fail "panel did not show focused"
}

# Opens the panel over the focused window and searches for QUERY.
open_panel_and_search() {
  open_panel
  xdotool type --delay 20 "$1"
  sleep 0.3
}
