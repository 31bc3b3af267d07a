#!/usr/bin/env bash
# No core files; quitting on a signal closes the store; a "maxItems" of 0 in the settings file keeps every row; choosing a lower "Maximum items" in the
# settings trims the history at once.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true
# No core file can hold the history: the running process's core size limit is 0.
start_mendrake
grep -Eq '^Max core file size +0 +0 ' "/proc/$MENDRAKE_PID/limits" || fail "core dumps left on: $(grep core /proc/$MENDRAKE_PID/limits)"
kill -TERM "$MENDRAKE_PID"; wait "$MENDRAKE_PID"; MENDRAKE_PID=
rm -f "$XDG_RUNTIME_DIR/mendrake.socket"

# A logout's SIGTERM (and SIGINT, SIGHUP) quits cleanly: status 0, the store closed, its log
# checkpointed and removed.
for signal in TERM INT HUP; do
  start_mendrake
  kill -$signal "$MENDRAKE_PID"
  wait "$MENDRAKE_PID" || fail "SIG$signal: exit status $?"
  MENDRAKE_PID=
  [ -e "$(db)-wal" ] && fail "SIG$signal: write-ahead log left behind"
  rm -f "$XDG_RUNTIME_DIR/mendrake.socket"
done
sqlite3 "$(db)" <<'SQL'
WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < 600)
INSERT INTO clips (kind, text, hash, created_at, last_used_at, pinned, size)
SELECT 'text', 'row ' || i, printf('%064x', i), 1700000000 + i, 1700000000 + i, i = 1, 6 FROM seq;
SQL
prefs hasCompletedOnboarding true maxItems 0
start_mendrake
rows_are 600 || fail "seeded rows trimmed at launch with maxItems=0: $(rows)"

# Settings from the panel (Ctrl+,), the History page through the sidebar search, then the
# "Maximum items" picker, whose first choice is 500.
open_panel
xdotool key ctrl+comma
wait_for 5 sh -c 'xdotool getactivewindow getwindowname | grep -q "— Mendrake"' || fail "no settings window"
xdotool type --delay 20 history
xdotool key Return
wait_for 5 sh -c 'xdotool getactivewindow getwindowname | grep -q "^History — Mendrake"' || fail "no History page"
eval "$(xdotool getactivewindow getwindowgeometry --shell)"
# A loaded machine may open the picker's list late: choose again until the choice lands.
for _ in 1 2 3; do
  xdotool mousemove $((X + 670)) $((Y + 52)) click 1
  sleep 1
  xdotool key Home Return
  wait_for 3 rows_are 501 && break
done
# 500 newest unpinned rows stay, and the pinned oldest one.
rows_are 501 || fail "not trimmed to 500 + 1 pinned: $(rows)"
[ "$(sql "SELECT count(*) FROM clips WHERE text = 'row 1'")" = 1 ] || fail "pinned row trimmed"
[ "$(sql "SELECT count(*) FROM clips WHERE text = 'row 100'")" = 0 ] || fail "old row kept"
echo PASS
