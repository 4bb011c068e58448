#!/usr/bin/env bash
# Starts the real game under Xvfb and plays it from the keyboard: P pauses
# and resumes; with Debug off Escape asks first and a second Escape quits;
# with Debug on one Escape quits. Checks the exit code and log.txt.
source "$(dirname "$0")/common.bash" "$1" "$2"
start_display

config='[display]
WindowWidth=640
WindowHeight=400
WindowX=20
WindowY=20
[game]
Debug=0'
make_workdir "$config"
start_game
window=$(find_window) || exit 1
xdotool mousemove --window "$window" 100 100 windowfocus --sync "$window" 2>/dev/null
wait_main_loop
# Paused, the world stands still; running, the platforms move.
press p
sleep 0.5
[ "$(changed_pixels "$window")" -eq 0 ] || fail "the picture changes while paused"
press p
[ "$(changed_pixels "$window")" -gt 0 ] || fail "the picture stands still after resuming"
press Escape
kill -0 "$game_pid" 2>/dev/null || fail "one Escape quit with Debug off"
press Escape
wait_game 20
code=$?
[ "$code" -eq 0 ] || fail "exit code $code after Escape twice"

expected='---> START OF DEBUG CONSOLE <---
Loading config files... done!
Creating main window handle... done!
Enumerating hardware...'
[ "$(log_lines | head -n 4)" = "$expected" ] || fail "log does not start with the banner and the first steps"
for line in 'Initializing D3D11... done!' 'Initializing RID objects... done!' 'Loading shaders... done!' \
  'Loading starting graphics... done!' 'Initializing physics... done!' 'Entering main loop...' \
  'Main loop terminated!' 'Cleaning D3D11... done!' 'Releasing files... done!'; do
  log_lines | grep -qxF "$line" || fail "log has no line '$line'"
done
[ "$(log_lines | tail -n 1)" = '----> END OF DEBUG CONSOLE <----' ] || fail "log does not end with the end banner"
grep -q $'\r$' "$work/game/log.txt" || fail "log lines do not end in CR LF"
log_lines | awk '/^Initializing physics/ {a=NR} /^Entering main loop/ {b=NR} /^Main loop terminated/ {c=NR}
  /^Releasing files/ {d=NR} END {exit !(a && a < b && b < c && c < d)}' || fail "log lines out of order"

# Debug on: a single Escape quits at once.
rm -rf "$work/game"
make_workdir '[display]
WindowWidth=640
WindowHeight=400
[game]
Debug=1'
start_game
window=$(find_window) || exit 1
xdotool mousemove --window "$window" 100 100 windowfocus --sync "$window" 2>/dev/null
wait_main_loop
press Escape
wait_game 20
code=$?
[ "$code" -eq 0 ] || fail "exit code $code after Escape with Debug on"
grep -q 'Camera: 1 (entity 1) -- ' "$work/stdout.txt" || fail "no status line on the debug console"
echo "quit_and_pause: passed"
