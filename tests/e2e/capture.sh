#!/usr/bin/env bash
# Copies made in other X clients land in the history database with their blob files; a second
# launch reaches the running instance, shows its panel and exits 0.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true
start_mendrake
rows_are 0 || fail "history not empty at start"

copy_text "hello from xclip"
wait_for 5 rows_are 1 || fail "text copy not recorded"

printf '<b>bold</b> words' >"$WORK/copy.html"
printf 'bold words' >"$WORK/copy.plain"
copy_many text/html="$WORK/copy.html" text/plain="$WORK/copy.plain"
wait_for 5 rows_are 2 || fail "html copy not recorded"

# A 2 x 2 red PNG.
base64 -d >"$WORK/copy.png" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEklEQVR4nGP4z8DAwMDAwMAAAA0AAf9tB2oAAAAASUVORK5CYII=
PNG
copy image/png "$WORK/copy.png"
wait_for 5 rows_are 3 || fail "png copy not recorded"

mkdir -p "$WORK/files"; touch "$WORK/files/one.txt" "$WORK/files/two.txt"
printf 'file://%s\r\nfile://%s\r\n' "$WORK/files/one.txt" "$WORK/files/two.txt" >"$WORK/copy.uris"
copy text/uri-list "$WORK/copy.uris"
wait_for 5 rows_are 4 || fail "file copy not recorded"

kinds=$(sql "SELECT group_concat(kind, ' ') FROM (SELECT kind FROM clips ORDER BY id)")
[ "$kinds" = "text richText image file" ] || fail "kinds recorded: $kinds"
[ "$(sql "SELECT text FROM clips WHERE kind='text'")" = "hello from xclip" ] || fail "text row"

# Every row names a blob file that exists.
for blob in $(sql "SELECT blob FROM clips"); do
  [ -s "$XDG_DATA_HOME/Mendrake/Blobs/$blob" ] || fail "missing blob $blob"
done
[ "$(sql "SELECT count(*) FROM clips WHERE blob IS NULL")" = 0 ] || fail "rows without blob"

# The same text again merges with its row instead of adding one.
copy_text "hello from xclip"
sleep 1
rows_are 4 || fail "repeat made a new row"

# The application that copied quits: its copy stays on the clipboard, with no new row. clip_owner
# stays in the foreground (xclip forks, so its pid is no owner) and serves no UTF8_STRING, which
# `clipboard_is` asks for: only the copy served again after its owner quit can pass.
printf 'outlives its owner' >"$WORK/owner.txt"
copy_many text/plain="$WORK/owner.txt"
wait_for 5 rows_are 5 || fail "copy not recorded"
kill "${BG_PIDS[-1]}"
wait "${BG_PIDS[-1]}" 2>/dev/null
wait_for 5 clipboard_is "outlives its owner" || fail "the clipboard emptied when its owner quit"
sleep 0.5
rows_are 5 || fail "serving the copy again made a row"

# A second launch asks this one to show its panel and exits 0 at once.
start=$(date +%s%N)
timeout 5 "$MENDRAKE" || fail "second launch exited $?"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
echo "second launch returned in ${elapsed} ms"
wait_for 5 panel_visible || fail "panel not shown by the second launch"
kill -0 "$MENDRAKE_PID" || fail "first instance died"
echo PASS
