#!/usr/bin/env bash
# A failing start-up step under a real X server shows its two message boxes
# one after the other; closing them ends the game with exit code 1 and a log
# that stops at the failing step. Without any display the game refuses to
# run invisibly: a message on standard error and exit code 1.
source "$(dirname "$0")/common.bash" "$1" "$2"
start_display

make_workdir '[display]
WindowWidth=640
WindowHeight=400'
rm -rf "$work/game/Shaders"
unset VORLANDIS_NO_MESSAGE_BOXES
start_game
find_window >/dev/null || exit 1

# Close each "Error" box with Return, as a player would. SDL's X11 box is
# not found by a name search; list the top-level windows instead.
boxes=0
for _ in $(seq 150); do
  kill -0 "$game_pid" 2>/dev/null || break
  box=$(xwininfo -root -children | awk '$2 == "\"Error\":" {print $1; exit}')
  if [ -n "$box" ]; then
    xdotool windowfocus --sync "$box" key --window "$box" Return 2>/dev/null
    boxes=$((boxes + 1))
    sleep 0.7
  fi
  sleep 0.2
done
wait_game 10
code=$?
[ "$code" -eq 1 ] || fail "exit code $code after a failed start-up"
[ "$boxes" -ge 2 ] || fail "expected two message boxes, closed $boxes"
grep -q 'Unable to compile shader from file.' "$work/stderr.txt" || fail "no detailed message on standard error"
grep -q 'Shaders initialization failed! Program will now terminate.' "$work/stderr.txt" || fail "no step message"
log_lines | tail -n 2 | head -n 1 | grep -q '^Loading shaders... ERROR: 0x[0-9A-F]*$' || fail "log does not end at the failing step"
log_lines | grep -q 'END OF DEBUG CONSOLE' && fail "a failed start-up ran the shut-down"

# No display at all.
rm -rf "$work/game"
make_workdir ''
(cd "$work/game" && env -u DISPLAY -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY timeout 20 "$exe" \
  >"$work/stdout.txt" 2>"$work/stderr.txt")
code=$?
[ "$code" -eq 1 ] || fail "exit code $code without a display"
grep -q 'Error' "$work/stderr.txt" || fail "no message on standard error without a display"
echo "startup_failure: passed"
