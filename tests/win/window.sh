#!/bin/sh
# keldo.exe in a real window, under wine on a virtual X server: the window titled
# "KELDO var 0.2" appears, Space starts a game, a screenshot at a later frame shows the game
# scene with the hero, and closing the window (Alt+F4, which Windows turns into a close
# request) ends the program with exit code 0. Skipped (77) without xvfb-run or xdotool.
#
#   window.sh BIN_DIR
set -eu
bin=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "skip: no xvfb-run/xdotool"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

restart_wine
trap 'restart_wine; rm -rf "$work"' EXIT

# Screenshots every 100 frames; the one checked is the first well after the game started, which
# under wine on a busy machine (a few frames a second) may be late.
shots=
for f in $(seq 100 100 3000); do shots="$shots${shots:+,}$f:shot$f.png"; done
cd "$work"
export KELDO_EXE="$bin/keldo.exe" SHOTS="$shots" WINE
set +e
xvfb-run -a -s "-screen 0 1600x900x24" sh -c '
  . "$WINDOW_LIB"
  TOLVEX_TRACE=trace.txt TOLVEX_SHOT=$SHOTS $WINE "$KELDO_EXE" 2>stderr.txt &
  pid=$!
  win=$(await_game_window 120)
  [ -n "$win" ] || fail "no window titled $KELDO_TITLE"
  # Space until the game scene starts: the window may take input only a while after it shows.
  i=0
  while [ $i -lt 120 ] && ! grep -q "^load_tex velquint256.vstex" trace.txt 2>/dev/null; do
    xdotool windowfocus "$win" 2>/dev/null || true
    xdotool keydown space; sleep 0.3; xdotool keyup space; sleep 0.7
    i=$((i + 1))
  done
  # The frame the game scene started in, and the screenshot 30 or more frames later.
  started=$(awk "/^frame /{f=\$2} /^load_tex velquint256.vstex/{print f; exit}" trace.txt)
  [ -n "$started" ] || { echo "FAIL: Space did not start a game"; kill $pid; exit 1; }
  shot=$(( (started + 30 + 99) / 100 * 100 ))
  echo $shot >shot_frame_number
  i=0
  while [ $i -lt 3000 ] && ! grep -q "^frame $((shot + 2))\$" trace.txt 2>/dev/null; do
    sleep 0.1; i=$((i + 1))
  done
  xdotool windowfocus "$win" 2>/dev/null || true
  xdotool key alt+F4
  i=0
  while [ $i -lt 300 ] && kill -0 $pid 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
  if kill -0 $pid 2>/dev/null; then echo "FAIL: closing the window did not end the game"; kill -9 $pid; exit 1; fi
  wait $pid
'
status=$?
set -e
err=$(tr -d '\r' <stderr.txt 2>/dev/null || true)
rc=$status
name="window"
expect_rc "$name" 0 || exit 1
# What the game drew in the screenshot's frame: the game scene, with the hero.
shot=$(cat shot_frame_number)
sed -n "/^frame $shot\$/,/^frame $((shot + 1))\$/p" trace.txt >shot_frame.txt
grep -q "^draw_rot velquint256.vstex" shot_frame.txt || fail "$name" "no hero drawn in frame $shot"
grep -q "^draw_rot ground.vstex" shot_frame.txt || fail "$name" "no stage drawn in frame $shot"
[ -s "shot$shot.png" ] || fail "$name" "no screenshot of frame $shot"
colours=$(identify -format %k "shot$shot.png" 2>/dev/null || echo 0)
[ "$colours" -gt 100 ] || fail "$name" "the screenshot is nearly blank ($colours colours)"
if [ -n "${KELDO_KEEP_SHOT:-}" ]; then cp "shot$shot.png" "$KELDO_KEEP_SHOT"; fi
[ "$failures" -eq 0 ] && pass "$name: window opened, game started, hero drawn in frame $shot ($colours colours in its shot), closed with 0"
[ "$failures" -eq 0 ]
