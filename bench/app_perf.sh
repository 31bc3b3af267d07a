#!/usr/bin/env bash
# Whole-process figures of the real mendrake binary, run inside a private X session:
#   tests/support/with-x11 bench/app_perf.sh build/src/app/mendrake
# (with build/bench/bench_tray_start and bench_shortcut_latency built)
# Prints: cold start to the tray icon with a 100,000-row history; shortcut press to the panel
# visible and focused, also while a clipboard owner never answers; resident memory after start
# and after a search of the whole history, and with 5,000 items in the window; idle CPU over 60 s; copy to recorded row for text and a 10 MiB
# PNG. Each start is a fresh process with the database already on disk.
set -u
MENDRAKE=$(readlink -f "$1")
. "$(dirname "$0")/app_seed.sh"

ms_now() { echo $(( $(date +%s%N) / 1000000 )); }

trayer --edge top --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
TRAYER=$!
for _ in $(seq 1 100); do xdotool search --name '^panel$' >/dev/null 2>&1 && break; sleep 0.05; done
TRAY=$(xdotool search --name '^panel$' | head -1)

seed_history 100000
BENCH=$(dirname "$MENDRAKE")/../../bench
for attempt in 1 2 3; do
  read -r ms PID < <("$BENCH/bench_tray_start" "$TRAY" "$MENDRAKE")
  echo "cold start to tray icon, 100000 rows (try $attempt): $ms ms"
  [ $attempt -lt 3 ] && { kill "$PID"; while kill -0 "$PID" 2>/dev/null; do sleep 0.05; done; sleep 0.5; }
done

# Shortcut press to the panel being the active window, over an xterm that has the focus.
xterm -geometry 80x24+100+100 &
XTERM=$!
sleep 1.5
"$BENCH/bench_shortcut_latency" 10
# The same while the clipboard's owner never answers (its capture is dropped at the deadline).
"$BENCH/../tests/capture/clip_owner" --hang TARGETS text/plain=/dev/null &
HUNG=$!
sleep 0.3
echo "with a clipboard owner that never answers:"
"$BENCH/bench_shortcut_latency" 10
kill $HUNG
kill $XTERM
echo "resident memory, 100000 rows: $(awk '/VmRSS/ {print $2 / 1024 " MB"}' /proc/$PID/status)"
# A query with few matches in the panel's window searches the whole history on the search
# connection, which then holds its own page cache.
xdotool key super+shift+v; sleep 0.5
xdotool type --delay 60 'figures 4242'; sleep 1.5
xdotool key Escape; sleep 0.5
echo "resident memory, 100000 rows, after a search of the whole history: $(awk '/VmRSS/ {print $2 / 1024 " MB"}' /proc/$PID/status)"
kill $PID; while kill -0 "$PID" 2>/dev/null; do sleep 0.05; done

# Resident memory and idle CPU with 5,000 rows.
rm -rf "$XDG_DATA_HOME/Mendrake"
seed_history 5000
"$MENDRAKE" >/dev/null 2>&1 &
PID=$!
sleep 3
echo "resident memory, 5000 rows: $(awk '/VmRSS/ {print $2 / 1024 " MB"}' /proc/$PID/status)"
ticks() { awk '{print $14 + $15}' /proc/$PID/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep 60
t1=$(ticks)
echo "idle CPU over 60 s: $(awk -v d=$(( t1 - t0 )) -v hz=$hz 'BEGIN { printf "%.3f%%", 100 * d / hz / 60 }') of one core"

# Copy to recorded row: from xclip taking the clipboard to the row being in the database (polled
# every few milliseconds, so figures are a little high).
copy_to_row() {  # LABEL MIME FILE ROUNDS; the file's first bytes are rewritten to make each copy new
  local label=$1 mime=$2 file=$3 rounds=$4 times=() before t0 xclip
  for i in $(seq 1 "$rounds"); do
    if [ "$mime" = text/plain ]; then printf 'copy to row %s %s' "$i" "$RANDOM" >"$file"; else
      printf '%08d' "$RANDOM$i" | dd of="$file" bs=1 seek=100 conv=notrunc status=none; fi
    before=$(sqlite3 -readonly "$XDG_DATA_HOME/Mendrake/history.sqlite" "SELECT max(id) FROM clips")
    t0=$(ms_now)
    xclip -selection clipboard -t "$mime" -i "$file" &
    xclip=$!
    until [ "$(sqlite3 -readonly "$XDG_DATA_HOME/Mendrake/history.sqlite" "SELECT max(id) FROM clips" 2>/dev/null)" != "$before" ]; do
      [ $(( $(ms_now) - t0 )) -gt 10000 ] && break; sleep 0.002; done
    times+=($(( $(ms_now) - t0 )))
    sleep 0.2
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v l="$label" '{ a[NR] = $1 } END { printf "copy to row, %s: median %d ms, worst %d ms (%d rounds)\n", l, a[int((NR + 1) / 2)], a[NR], NR }'
}
copy_to_row text text/plain "$XDG_RUNTIME_DIR/copy.txt" 15
convert -size 1620x1620 xc: +noise Random -depth 8 "PNG24:$XDG_RUNTIME_DIR/copy.png" 2>/dev/null
copy_to_row "10 MiB PNG" image/png "$XDG_RUNTIME_DIR/copy.png" 5
kill $PID; wait $PID 2>/dev/null
kill $TRAYER
