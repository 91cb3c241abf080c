#!/usr/bin/env bash
# The windowed game when its surroundings fail, under a virtual X server: with no sound
# device it plays on silently (nothing on standard error); when another program destroys its
# window or kills its connection, or the X server goes away, it ends with one line of its own
# naming the cause (nothing of Xlib's) and a non-zero exit code. Skipped (77) without Xvfb or
# xdotool.
set -u
KELDO=$1
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
  for i in $(seq 1 600); do grep -q "^frame 30$" "$work/trace.txt" 2>/dev/null && break; sleep 0.1; done
  win=$(DISPLAY=$display xdotool search --onlyvisible --name "^KELDO var 0\.2$" | head -n 1)
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
echo "ok: silent without a sound device; one line when the window, the connection or the display went away"
