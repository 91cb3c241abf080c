#!/usr/bin/env bash
# The windowed game when its surroundings fail, under a virtual X server: with no sound
# device it plays on silently (nothing on standard error); when another program destroys its
# window or kills its connection, or the X server goes away or stops answering, it ends with
# one line of its own naming the cause (nothing of Xlib's) and a non-zero exit code; asked to
# stop while the display does not answer, it ends at once with 0. With no display, few file
# descriptors or little memory, the one line is ours alone. Skipped (77) without Xvfb or
# xdotool.
set -u
KELDO=$1
here=$(cd "$(dirname "$0")" && pwd)
AWAIT_WINDOW=$here/../support/await_window.sh
. "$here/../support/window_lib.sh"
command -v Xvfb >/dev/null && command -v xvfb-run >/dev/null || { echo "skip: no Xvfb"; exit 77; }
command -v xdotool >/dev/null || { echo "skip: no xdotool"; exit 77; }
work=$(mktemp -d /tmp/keldo-window-faults-XXXXXX)
xpid=
# A failed case leaves no X server behind.
trap '[ -z "$xpid" ] || kill $xpid 2>/dev/null; rm -rf "$work"' EXIT

# No sound device here (or one that works): either way, not a word.
env -u SDL_AUDIODRIVER TOLVEX_FRAMES=30 xvfb-run -a -s "-screen 0 1600x900x24" \
  "$KELDO" 2>"$work/quiet.txt"
code=$?
[ $code -eq 0 ] || { echo "FAIL: exit code $code"; cat "$work/quiet.txt"; exit 1; }
[ ! -s "$work/quiet.txt" ] || { echo "FAIL: said something:"; cat "$work/quiet.txt"; exit 1; }

# Starts the game on a display of its own, with the settings given (NAME=VALUE ...); sets
# display, xpid, pid and win.
start_on_own_display() {
  rm -f "$work/display" "$work/trace.txt"
  Xvfb -displayfd 3 -screen 0 1600x900x24 >/dev/null 2>&1 3>"$work/display" &
  xpid=$!
  for i in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=:$(head -n 1 "$work/display")
  DISPLAY=$display SDL_AUDIODRIVER=dummy TOLVEX_TRACE="$work/trace.txt" env "$@" "$KELDO" \
    2>"$work/said.txt" &
  pid=$!
  trace_reached "$work/trace.txt" 30
  win=$(DISPLAY=$display await_game_window 10 --onlyvisible)
  [ -n "$win" ] || { echo "FAIL: no window"; cat "$work/said.txt"; kill -9 $pid $xpid; exit 1; }
}

# Waits for the game to end; fails unless it ends non-zero with exactly the one line given.
expect_one_line() {
  for i in $(seq 1 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "FAIL: still running ($1)"; kill -9 $pid; exit 1; fi
  wait $pid; code=$?
  [ $code -ne 0 ] || { echo "FAIL: exit code 0 ($1)"; exit 1; }
  [ "$(wc -l < "$work/said.txt")" -eq 1 ] && grep -q "^keldo: $1" "$work/said.txt" \
    || { echo "FAIL: not the one line '$1':"; cat "$work/said.txt"; exit 1; }
}

# Another program's doing to the window, and the line the game must end with. A player's game
# pauses as its window goes (it is unmapped first); one driven by a script draws on into it;
# one already paused (its window unmapped) draws nothing. Killing the window kills our
# connection.
: >"$work/no-input.txt"
while IFS='|' read -r settings before action expected; do
  # Unquoted: no settings, or NAME=VALUE words.
  start_on_own_display $settings
  if [ -n "$before" ]; then
    DISPLAY=$display xdotool "$before" "$win"
    sleep 1
  fi
  DISPLAY=$display xdotool "$action" "$win"
  expect_one_line "$expected"
  kill $xpid
done <<CASES
||windowclose|Act: the display reported an error: BadWindow
TOLVEX_INPUT=$work/no-input.txt||windowclose|Act: the display reported an error: BadWindow
|windowunmap|windowclose|Act: the display reported an error: BadWindow
||windowkill|Act: the connection to the display was lost
CASES

# The X server dies under a running game.
start_on_own_display
kill $xpid
expect_one_line "Act: the connection to the display was lost"

# The X server stops answering under a game that draws every frame, and before the game opens
# its window. (A still title sends nothing to wait for.)
printf '2 0\n4\n' >"$work/play.txt"
start_on_own_display TOLVEX_INPUT=$work/play.txt
kill -STOP $xpid
expect_one_line "Act: the display stopped answering"
kill -CONT $xpid; kill $xpid
Xvfb -displayfd 3 -screen 0 1600x900x24 >/dev/null 2>&1 3>"$work/display" &
xpid=$!
for i in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
kill -STOP $xpid
DISPLAY=:$(head -n 1 "$work/display") SDL_AUDIODRIVER=dummy "$KELDO" 2>"$work/said.txt" &
pid=$!
expect_one_line "Init: the display stopped answering"
kill -CONT $xpid; kill $xpid

# Asked to stop while the display does not answer: ended within a second (a busy machine gets
# five), with 0, in silence, and the trace of whole frames.
start_on_own_display TOLVEX_INPUT=$work/play.txt
kill -STOP $xpid
sleep 0.5
start=$(date +%s%N)
kill -TERM $pid
for i in $(seq 1 600); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
took=$(( ($(date +%s%N) - start) / 1000000 ))
wait $pid; code=$?
kill -CONT $xpid; kill $xpid
[ $code -eq 0 ] && [ ! -s "$work/said.txt" ] || { echo "FAIL: stop with the display stopped: exit $code"; cat "$work/said.txt"; exit 1; }
[ $took -lt 5000 ] || { echo "FAIL: the stop took $took ms"; exit 1; }
[ "$(tail -c 1 "$work/trace.txt" | od -An -c | tr -d ' ')" = '\n' ] || { echo "FAIL: the trace ends mid-line"; exit 1; }

# Without a display (no X, no Wayland, no runtime folder, as under cron): our line alone.
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR "$KELDO" 2>"$work/said.txt" &
pid=$!
expect_one_line "Init: no display"

# Few file descriptors, or little memory: whatever gives way first, the one line is ours and
# no other library's (nor the C++ runtime's), or the game plays on in silence.
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  for limit in "--nofile=10" "--nofile=11" "--as=262144000" "--as=314572800" "--as=524288000" \
               "--as=576716800" "--as=681574400"; do
    TOLVEX_FRAMES=300 prlimit $limit "$0" 2>"$1/said.txt"
    code=$?
    lines=$(grep -c . "$1/said.txt")
    if [ $code -eq 0 ] && [ $lines -eq 0 ]; then continue; fi
    [ $code -eq 1 ] && [ $lines -eq 1 ] && grep -q "^keldo: " "$1/said.txt" ||
      { echo "FAIL: prlimit $limit: exit $code, said:"; cat "$1/said.txt"; exit 1; }
  done' "$KELDO" "$work" || exit 1
echo "ok: silent without a sound device; one line when the window, the connection or the display went away or stopped answering, and without a display, descriptors or memory; a stop while the display does not answer"
