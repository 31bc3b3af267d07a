#!/usr/bin/env bash
# The command line: every option without a running Mendrake (says so, exits 1, starts nothing) and
# against one (one-line answer, exit 0, and the effect); then one instance for sure: two launches
# started together, and a launch while the running one is stopped for 6 s, leave exactly one
# Mendrake and a whole history.
. "$(dirname "$0")/lib.sh"

options=(--show --toggle --settings --pause --pause=5 --resume --quit)
run() { "$MENDRAKE" "$@" >"$WORK/out" 2>"$WORK/err"; STATUS=$?; }
answered() { [ "$STATUS" = "$1" ] && [ "$(cat "$WORK/out" "$WORK/err")" = "$2" ]; }
alive() { kill -0 "$1" 2>/dev/null; }
history_whole() {
  [ "$(sql "PRAGMA integrity_check")" = ok ] && rows_are "$1"
}

prefs hasCompletedOnboarding true
for option in "${options[@]}"; do
  run "$option"
  answered 1 "Mendrake is not running." || fail "$option without Mendrake: $STATUS $(cat "$WORK/out" "$WORK/err")"
done
[ -e "$XDG_RUNTIME_DIR/mendrake.socket" ] && fail "a request without Mendrake left a socket"
run --version; [ "$STATUS" = 0 ] && grep -q '^Mendrake [0-9]' "$WORK/out" || fail "--version: $(cat "$WORK/out")"
run --help; [ "$STATUS" = 0 ] && grep -q -- '--pause' "$WORK/out" || fail "--help"
for bad in --pause=0 --pause=x "--show --quit" --nonsense extra; do
  # shellcheck disable=SC2086
  run $bad; [ "$STATUS" = 2 ] || fail "'$bad' exited $STATUS"
done

start_mendrake
run --show; answered 0 "Panel shown." || fail "--show: $(cat "$WORK/out" "$WORK/err")"
wait_for 5 panel_visible || fail "--show showed no panel"
run --toggle; answered 0 "Panel hidden." || fail "--toggle on a shown panel"
wait_for 5 panel_hidden || fail "--toggle did not hide the panel"
run --toggle; answered 0 "Panel shown." || fail "--toggle on a hidden panel"
wait_for 5 panel_visible || fail "--toggle did not show the panel"
xdotool key Escape; wait_for 5 panel_hidden || fail "Escape"
run --settings; answered 0 "Settings opened." || fail "--settings"
wait_for 5 xdotool search --onlyvisible --name '^General$' || fail "no settings window"

run --pause=5; answered 0 "Capture paused for 5 minutes." || fail "--pause=5: $(cat "$WORK/out")"
copy_text "copied while paused"; sleep 1
rows_are 0 || fail "recorded while paused"
run --resume; answered 0 "Capture resumed." || fail "--resume"
copy_text "copied after resuming"
wait_for 5 rows_are 1 || fail "not recorded after --resume"
run --pause; answered 0 "Capture paused until resumed." || fail "--pause"
grep -q '^pausedUntil=' "$XDG_CONFIG_HOME/Mendrake/Mendrake.conf" || fail "--pause stored no pause"
run --resume
run --quit; answered 0 "Mendrake is quitting." || fail "--quit"
wait_for 5 eval '! alive $MENDRAKE_PID' || fail "--quit left Mendrake running"
wait "$MENDRAKE_PID"; [ $? = 0 ] || fail "quit with a non-zero status"
MENDRAKE_PID=
[ -e "$XDG_RUNTIME_DIR/mendrake.socket" ] && fail "socket left after quitting"

# Two launches at the same moment: one runs, the other shows its panel and ends.
"$MENDRAKE" >"$WORK/first.log" 2>&1 & first=$!
"$MENDRAKE" >"$WORK/second.log" 2>&1 & second=$!
BG_PIDS+=("$first" "$second")
sleep 3
if alive "$first" && alive "$second"; then fail "two instances run"; fi
alive "$first" || alive "$second" || fail "no instance runs"
running=$first; alive "$first" || running=$second
history_whole 1 || fail "history damaged by two launches"
copy_text "after two launches"
wait_for 5 rows_are 2 || fail "the remaining instance does not record"

# A launch while the running one cannot answer (stopped for 6 s) gives up instead of starting.
kill -STOP "$running"
"$MENDRAKE" >"$WORK/third.log" 2>&1 & third=$!
BG_PIDS+=("$third")
sleep 6
kill -CONT "$running"
wait "$third"; status=$?
[ "$status" = 1 ] || fail "a launch that got no answer exited $status"
grep -q "did not answer" "$WORK/third.log" || fail "no reason given: $(cat "$WORK/third.log")"
alive "$running" || fail "the running instance is gone"
run --show; answered 0 "Panel shown." || fail "the instance no longer answers after being stopped"
history_whole 2 || fail "history damaged after the stopped instance"
kill "$running"
echo PASS
