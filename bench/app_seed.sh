# Sourced by the app_*.sh benchmarks: fills a fresh history database with N text rows.
# seed_history N creates $XDG_DATA_HOME/Mendrake/history.sqlite by running mendrake once, then
# inserts N rows of typical text with distinct hashes and increasing use times.
seed_history() {
  local n=$1 dir="$XDG_DATA_HOME/Mendrake"
  mkdir -p "$XDG_CONFIG_HOME/Mendrake"
  printf '[General]\nhasCompletedOnboarding=true\nmaxItems=1000000\n' >"$XDG_CONFIG_HOME/Mendrake/Mendrake.conf"
  "$MENDRAKE" >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 200); do [ -f "$dir/history.sqlite" ] && break; sleep 0.05; done
  sleep 0.5
  kill "$pid"; wait "$pid" 2>/dev/null
  sqlite3 "$dir/history.sqlite" <<SQL
WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < $n)
INSERT INTO clips (kind, text, hash, source_bundle, source_name, created_at, last_used_at, pinned, blob, size)
SELECT 'text',
       'Meeting notes ' || i || ': review the quarterly figures, reply to ' || (i % 97) || ' emails and ship build ' || (i * 7 % 1000),
       printf('%064x', i), 'org.gnome.TextEditor', 'Text Editor',
       1700000000 + i, 1700000000 + i, 0, NULL, 120
FROM seq;
SQL
}
