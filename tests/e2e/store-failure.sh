#!/usr/bin/env bash
# A history file that is not a database: the alert names the failure, and once it is dismissed the
# process ends with a non-zero status, leaving the file as it was.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true
mkdir -p "$XDG_DATA_HOME/Mendrake"
head -c 65536 /dev/urandom >"$XDG_DATA_HOME/Mendrake/history.sqlite"
before=$(sha256sum <"$XDG_DATA_HOME/Mendrake/history.sqlite")

"$MENDRAKE" >"$WORK/mendrake.log" 2>&1 &
pid=$!
wait_for 10 xdotool search --onlyvisible --name '^Mendrake$' || fail "no alert"
alert=$(xdotool search --onlyvisible --name '^Mendrake$' | head -1)
xdotool windowactivate --sync "$alert" 2>/dev/null
xdotool key Return
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "still running after the alert"
wait "$pid"
status=$?
[ "$status" -ne 0 ] || fail "exited with status 0"
[ "$(sha256sum <"$XDG_DATA_HOME/Mendrake/history.sqlite")" = "$before" ] || fail "history file changed"
ls "$XDG_DATA_HOME/Mendrake" | grep -q -- '-wal\|-shm\|-journal' && fail "SQLite companions left behind"
echo PASS
