#!/usr/bin/env bash
# The real binary under a compositor that offers no data-control protocol (headless weston, as on
# GNOME): Mendrake says once at start that copies made elsewhere are not recorded, and the panel
# still opens on `mendrake --toggle`.
. "$(dirname "$0")/lib.sh"

notice='offers no data-control protocol'
prefs hasCompletedOnboarding true
start_mendrake
wait_for 5 grep -q "$notice" "$WORK/mendrake.log" || fail "no notice: $(cat "$WORK/mendrake.log")"
out=$("$MENDRAKE" --toggle) || fail "mendrake --toggle failed"
[ "$out" = "Panel shown." ] || fail "toggle answered: $out"
out=$("$MENDRAKE" --toggle) || fail "mendrake --toggle failed"
[ "$out" = "Panel hidden." ] || fail "second toggle answered: $out"
[ "$(grep -c "$notice" "$WORK/mendrake.log")" = 1 ] || fail "notice not once: $(cat "$WORK/mendrake.log")"
kill -0 "$MENDRAKE_PID" || fail "mendrake exited"
echo PASS
