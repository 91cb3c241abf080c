#!/usr/bin/env bash
# The real windowed game under a virtual X server: the window opens with its title, a
# typed Space leaves the title screen for a game with the hero on the screen, Escape opens
# the pause menu and its Quit (Up from Resume) closes the game with exit code 0. Skipped (77) where xvfb-run or xdotool is missing.
set -u
KELDO=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "skip: no xvfb-run/xdotool"; exit 77; }

work=$(mktemp -d /tmp/keldo-window-XXXXXX)
SUPPORT=$(cd "$(dirname "$0")/../support" && pwd)
AWAIT_WINDOW=$SUPPORT/await_window.sh WINDOW_LIB=$SUPPORT/window_lib.sh
. "$WINDOW_LIB"
export KELDO WORK=$work AWAIT_WINDOW WINDOW_LIB
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -u
  . "$WINDOW_LIB"
  export SDL_AUDIODRIVER=dummy
  TOLVEX_TRACE=$WORK/trace.txt TOLVEX_SHOT=200:$WORK/game.png "$KELDO" 2>$WORK/stderr.txt &
  pid=$!
  win=$(await_game_window 60 --onlyvisible)
  [ -n "$win" ] || fail "no window titled $KELDO_TITLE"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  sleep 1
  xdotool keydown space; sleep 0.3; xdotool keyup space
  # Wait until the game has drawn well past the screenshot frame.
  for i in $(seq 1 600); do  # up to a minute on a slow machine
    grep -q "^frame 260$" $WORK/trace.txt 2>/dev/null && break
    sleep 0.1
  done
  xdotool windowfocus "$win" 2>/dev/null || true
  xdotool key Escape Up Return
  for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "FAIL: the Quit of the pause menu did not close the game"; kill -9 $pid; exit 1; fi
  wait $pid; code=$?
  [ $code -eq 0 ] || { echo "FAIL: exit code $code"; cat $WORK/stderr.txt; exit 1; }
'
status=$?
[ $status -eq 0 ] || exit $status
grep -q "load_tex velquint256.vstex" "$work/trace.txt" || { echo "FAIL: the game scene never started"; exit 1; }
grep -q "^draw_rot velquint256.vstex" "$work/trace.txt" || { echo "FAIL: the hero was never drawn"; exit 1; }
[ -s "$work/game.png" ] || { echo "FAIL: no screenshot of the game"; exit 1; }
echo "ok: window opened, game started, hero drawn, the pause menu's Quit closed it"
rm -rf "$work"
