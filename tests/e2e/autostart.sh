#!/usr/bin/env bash
# "Launch at login" follows the binary: the installed mendrake writes an autostart entry that runs
# it (and that desktop-file-validate accepts); once the installation moves, the next start rewrites
# the entry for the binary's new place.
. "$(dirname "$0")/lib.sh"

prefs hasCompletedOnboarding true
cmake --install "$MENDRAKE_BUILD_DIR" --prefix "$WORK/prefix" >/dev/null || fail "cmake --install failed"
MENDRAKE="$WORK/prefix/bin/mendrake"
entry="$XDG_CONFIG_HOME/autostart/io.github.mendrake.Mendrake.desktop"
desktop-file-validate "$WORK/prefix/share/applications/io.github.mendrake.Mendrake.desktop" || fail "desktop entry"

start_mendrake
"$MENDRAKE" --settings >/dev/null || fail "--settings"
wait_for 5 xdotool search --onlyvisible --name '^General$' || fail "no settings window"
settings=$(xdotool search --onlyvisible --name '^General$' | head -1)
# The "Launch at login" switch, the first row of the General page.
xdotool mousemove --window "$settings" 689 37 click 1
wait_for 5 test -f "$entry" || fail "switching on wrote no autostart entry"
grep -qx "Exec=$MENDRAKE" "$entry" || fail "Exec is not the installed binary: $(grep Exec= "$entry")"
desktop-file-validate "$entry" || fail "autostart entry"

"$MENDRAKE" --quit >/dev/null || fail "--quit"
wait "$MENDRAKE_PID"; MENDRAKE_PID=
mv "$WORK/prefix" "$WORK/moved"
MENDRAKE="$WORK/moved/bin/mendrake"
start_mendrake
wait_for 5 grep -qx "Exec=$MENDRAKE" "$entry" || fail "entry not rewritten: $(grep Exec= "$entry")"
"$MENDRAKE" --settings >/dev/null
wait_for 5 xdotool search --onlyvisible --name '^General$' || fail "no settings window after the move"
echo PASS
