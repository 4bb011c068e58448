# Shared by the end-to-end scripts: a private Xvfb display, a scratch working
# directory with the game's shaders and a config, and key presses sent to the
# game's window as real X events.
# Usage in a script: source common.bash "$exe" "$root"; then start_display,
# make_workdir, start_game, press, wait_game ...

set -u
exe=$1
root=$2
work=$(mktemp -d /tmp/vorlandis-e2e.XXXXXX)
xvfb_pid=
game_pid=

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $* (DISPLAY=${DISPLAY:-})" >&2
  if [ -f "$work/game/log.txt" ]; then
    echo "--- log.txt" >&2
    cat "$work/game/log.txt" >&2
  fi
  if [ -f "$work/stderr.txt" ]; then
    echo "--- stderr" >&2
    cat "$work/stderr.txt" >&2
  fi
  exit 1
}

start_display() {
  # Xvfb picks a free display itself and writes its number to the pipe;
  # -noreset keeps it from restarting (and refusing clients) whenever its
  # last client, such as the xdpyinfo probe, disconnects.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    if [ -s "$work/display" ]; then
      export DISPLAY=":$(head -n 1 "$work/display")"
      xdpyinfo >/dev/null 2>&1 && return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "no Xvfb display could be started"
}

# make_workdir "config text": a working directory with Shaders/ and config.ini
make_workdir() {
  mkdir -p "$work/game"
  cp -r "$root/Shaders" "$work/game/"
  printf '%s\n' "$1" > "$work/game/config.ini"
}

start_game() {
  unset SDL_VIDEODRIVER
  (cd "$work/game" && exec "$exe" >"$work/stdout.txt" 2>"$work/stderr.txt") &
  game_pid=$!
}

# The game's window id, found by its exact title.
find_window() {
  local id
  for _ in $(seq 100); do
    kill -0 "$game_pid" 2>/dev/null || fail "the game exited before showing its window"
    id=$(xdotool search --name '^Vorlandis$' 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  fail "no window titled Vorlandis"
}

# Waits until the game has entered its main loop: keys sent during start-up
# would all arrive in its first frame, where a press and its release cancel.
wait_main_loop() {
  for _ in $(seq 200); do
    grep -q 'Entering main loop' "$work/game/log.txt" 2>/dev/null && { sleep 0.5; return 0; }
    kill -0 "$game_pid" 2>/dev/null || fail "the game exited during start-up"
    sleep 0.1
  done
  fail "the game did not reach its main loop"
}

# press KEY: held for a moment, as a player would; long enough to span a
# frame even on a busy machine (a press and release within one frame is
# not seen as a press).
press() {
  xdotool keydown "$1"
  sleep 0.4
  xdotool keyup "$1"
  sleep 0.3
}

# wait_game SECONDS: the game's exit code, or failure when it keeps running.
wait_game() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$game_pid" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && fail "the game did not exit within $1 s"
    sleep 0.1
  done
  wait "$game_pid"
  local code=$?
  game_pid=
  return $code
}

# changed_pixels WINDOW: how many pixels differ between two shots of the
# window taken half a second apart.
changed_pixels() {
  import -window "$1" "$work/a.png" 2>/dev/null
  sleep 0.5
  import -window "$1" "$work/b.png" 2>/dev/null
  compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
}

# Log lines without their "[HH:MM:SS] " timestamps, CR removed.
log_lines() {
  sed -e 's/\r$//' -e 's/^\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\] //' "$work/game/log.txt"
}
