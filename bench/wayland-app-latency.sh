#!/usr/bin/env bash
# Times the real binary under a private headless sway: a wl-copy of text to its recorded row (from
# just before wl-copy starts, so its own start-up is counted, to the row's own timestamp), and
# `mendrake --toggle` (which asks the running instance to show its panel) to the panel being sway's
# focused window. Prints the median and the maximum of each.
#   bench/wayland-app-latency.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(readlink -f "${1:-$root/build}")"
rounds="${2:-30}"
if [ -z "${SWAYSOCK:-}" ]; then
  exec "$root/tests/support/with-sway" bash "$0" "$build" "$rounds"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$XDG_CONFIG_HOME/Mendrake"
printf '[General]\nhasCompletedOnboarding=true\n' >"$XDG_CONFIG_HOME/Mendrake/Mendrake.conf"
db="$XDG_DATA_HOME/Mendrake/history.sqlite"
"$build/src/app/mendrake" >"$work/mendrake.log" 2>&1 &
for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/mendrake.socket" ] && [ -f "$db" ] && break; sleep 0.05; done
now() { date +%s.%N; }
median_max() { sort -n | awk '{v[NR]=$1} END {printf "median %.1f ms, max %.1f ms (%d rounds)\n", v[int((NR+1)/2)], v[NR], NR}'; }

for i in $(seq 1 "$rounds"); do
  start=$(now)
  printf 'bench copy %s %s' "$i" "$RANDOM" | wl-copy
  for _ in $(seq 1 200); do
    created=$(sqlite3 -readonly "$db" "SELECT created_at FROM clips WHERE text LIKE 'bench copy $i %'" 2>/dev/null || true)
    [ -n "$created" ] && break
    sleep 0.01
  done
  awk -v a="$created" -v b="$start" 'BEGIN {print (a - b) * 1000}'
  sleep 0.1
done | median_max | sed 's/^/copy to recorded row, text: /'

# Focus events of the panel (the window titled Mendrake), stamped as they arrive.
swaymsg -t subscribe -m '["window"]' | jq --unbuffered -r 'select(.change == "focus" and .container.name == "Mendrake") | "focus"' |
  while read -r _; do now; done >"$work/focus.log" &
sleep 0.3
for i in $(seq 1 "$rounds"); do
  before=$(wc -l <"$work/focus.log")
  start=$(now)
  "$build/src/app/mendrake" --toggle >/dev/null
  for _ in $(seq 1 200); do [ "$(wc -l <"$work/focus.log")" -gt "$before" ] && break; sleep 0.005; done
  awk -v a="$(tail -n1 "$work/focus.log")" -v b="$start" 'BEGIN {print (a - b) * 1000}'
  wtype -k Escape
  sleep 0.3
done | median_max | sed 's/^/show command to panel focused: /'
