#!/usr/bin/env bash
# Soak: the real mendrake under a private Xvfb + openbox takes COPIES copies (default 10000) from
# another X client (bench/SoakCopier.cpp: mixed kinds, 5 MiB images, marked password copies), while
# the panel is opened with the global shortcut and searched every 100 copies. Every 1000 copies it
# prints mendrake's resident memory and open file descriptors; at the end it checks that every copy
# that should be recorded was, and that no marked copy was. Takes about COPIES x 0.3 s. Not part of
# scripts/test.
#   bench/soak.sh [COPIES] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
copies=${1:-10000}
build=${2:-build}
if [ -z "${MENDRAKE_SOAK_INSIDE:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMENDRAKE_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target mendrake soak_copier
  MENDRAKE_SOAK_INSIDE=1 exec tests/support/with-x11 "$0" "$copies" "$build"
fi

mendrake=$build/src/app/mendrake
copier=$build/bench/soak_copier
work=$(mktemp -d /tmp/mendrake-soak.XXXXXX)
db=$XDG_DATA_HOME/Mendrake/history.sqlite
mkdir -p "$XDG_CONFIG_HOME/Mendrake"
printf '[General]\nmaxItems=1000000\nhasCompletedOnboarding=true\nplaySound=false\n' >"$XDG_CONFIG_HOME/Mendrake/Mendrake.conf"

"$mendrake" >"$work/mendrake.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT
for _ in $(seq 200); do [ -S "$XDG_RUNTIME_DIR/mendrake.socket" ] && [ -f "$db" ] && break; sleep 0.05; done
[ -f "$db" ] || { echo "soak: mendrake did not start"; cat "$work/mendrake.log"; exit 1; }

rss_mib() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
fds() { ls "/proc/$pid/fd" | wc -l; }
rows() { sqlite3 -readonly "$db" "SELECT count(*) FROM clips" 2>/dev/null || echo "?"; }
panel_visible() { xdotool search --onlyvisible --name '^Mendrake$' >/dev/null 2>&1; }
wait_until() { for _ in $(seq 100); do "$@" && return 0; sleep 0.05; done; return 1; }

start=$(date +%s)
panel_failures=0
printf '%8s %9s %8s %5s %8s\n' copies rss_MiB seconds fds rows
printf '%8d %9s %8d %5d %8s\n' 0 "$(rss_mib)" 0 "$(fds)" "$(rows)"
for ((first = 0; first < copies; first += 100)); do
  batch=$((copies - first < 100 ? copies - first : 100))
  "$copier" "$first" "$batch" >>"$work/copies.log" 2>>"$work/copier.err"
  kill -0 $pid 2>/dev/null || { echo "soak: mendrake died after $first copies"; tail "$work/mendrake.log"; exit 1; }
  # Open the panel with the global shortcut, search, close it.
  xdotool key super+shift+v
  if wait_until panel_visible; then
    xdotool type --delay 20 "soak $((first % 97))"
    sleep 0.2
    # The first Escape clears the search, the second closes the panel.
    xdotool key Escape Escape
    wait_until bash -c '! xdotool search --onlyvisible --name "^Mendrake$" >/dev/null 2>&1' ||
      panel_failures=$((panel_failures + 1))
  else
    panel_failures=$((panel_failures + 1))
  fi
  done_copies=$((first + batch))
  if ((done_copies % 1000 == 0 || done_copies == copies)); then
    printf '%8d %9s %8d %5d %8s\n' "$done_copies" "$(rss_mib)" $(($(date +%s) - start)) "$(fds)" "$(rows)"
  fi
done
sleep 1
expected=$(awk '$3 == 1' "$work/copies.log" | wc -l)
unread=$(awk '$3 == 1 && $4 == 0' "$work/copies.log" | wc -l)
recorded=$(rows)
secrets=$(sqlite3 -readonly "$db" "SELECT count(*) FROM clips WHERE text LIKE '%secret%'")
images=$(sqlite3 -readonly "$db" "SELECT count(*) FROM clips WHERE kind = 'image' AND size > 5000000")
echo "soak: $copies copies, $expected to record, $recorded recorded, $unread never read by mendrake," \
  "$secrets marked copies recorded, $images 5 MiB images stored, panel failed to open or close $panel_failures times"
echo "soak: store $(du -sh "$XDG_DATA_HOME/Mendrake" | cut -f1)"
[ "$recorded" = "$expected" ] && [ "$secrets" = 0 ] && [ "$panel_failures" = 0 ]
