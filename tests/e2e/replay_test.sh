#!/usr/bin/env bash
# A live game in a real window under a virtual X server, keys typed by xdotool and recorded
# with TOLVEX_RECORD, then replayed headless from the recording alone (no TOLVEX_SEED): the two
# traces must be the same from frame 0 to the last frame. The one thing allowed to differ is
# the text of the frame-rate counter (measured live, exactly 60 headless), so its glyphs, the
# 30 x 60 font cells drawn at y 150, are left out of both before they are compared.
# A second live game is killed with SIGKILL halfway: its recording still replays up to the
# frame it reached. Skipped (77) where xvfb-run or xdotool is missing.
set -u
KELDO=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "skip: no xvfb-run/xdotool"; exit 77; }

work=$(mktemp -d /tmp/keldo-replay-XXXXXX)
mkdir -p "$work/home"
AWAIT_WINDOW=$(cd "$(dirname "$0")/../support" && pwd)/await_window.sh
export KELDO WORK=$work AWAIT_WINDOW
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -u
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_DATA_HOME= XDG_CONFIG_HOME=
  wait_frame() {  # wait_frame FILE N: until the trace has reached frame N (a minute at most)
    for i in $(seq 1 600); do
      grep -q "^frame $2\$" "$1" 2>/dev/null && return 0
      sleep 0.1
    done
    return 1
  }
  press() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; sleep 0.2; }
  play() {  # play NAME: starts a recorded game and plays a little of it
    TOLVEX_TRACE=$WORK/$1.trace TOLVEX_RECORD=$WORK/$1.rec "$KELDO" 2>$WORK/$1.err &
    pid=$!
    win=$("$AWAIT_WINDOW" 60 --onlyvisible --name "^KELDO var 0\.2$")
    [ -n "$win" ] || { echo "FAIL: no window"; kill $pid; exit 1; }
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    wait_frame $WORK/$1.trace 30 || { echo "FAIL: no frames"; exit 1; }
    press space 0.2
    wait_frame $WORK/$1.trace 120
    press Right 1.0
    press z 0.1; press z 0.1; press z 0.1
    press Up 0.1
    press Left 0.6
    press space 0.1
    press Down 0.1
    press z 0.3
  }
  play live
  xdotool key Escape Up Return  # Quit, from the pause menu
  for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid || { echo "FAIL: the live game did not end cleanly"; cat $WORK/live.err; exit 1; }

  play killed
  kill -9 $pid
  wait $pid 2>/dev/null
  exit 0
'
status=$?
[ $status -eq 0 ] || exit $status

fail() { echo "FAIL: $*"; exit 1; }
# The frame-rate counter aside, a trace is compared line for line.
steady() { grep -v -E "^draw font_128_64\.vstex( [^ ]+){4} [^ ]+ 150 30 60 " "$1"; }

for name in live killed; do
  rec=$work/$name.rec
  head -n 1 "$rec" | grep -q -E "^# seed [0-9]+$" || fail "$name: no seed line in the recording"
  grep -q -E "^[0-9]+ .*\b0\b" "$rec" || fail "$name: Space is not in the recording"
  grep -q -E "^[0-9]+ .*\b2\b" "$rec" || fail "$name: Z is not in the recording"
  last=$(grep "^frame " "$work/$name.trace" | tail -n 1 | cut -d" " -f2)
  TOLVEX_HEADLESS=null TOLVEX_INPUT=$rec TOLVEX_FRAMES=$last TOLVEX_TRACE=$work/$name.replay \
    HOME=$work/home SDL_AUDIODRIVER=dummy "$KELDO" 2>"$work/$name.replay.err" ||
    fail "$name: the replay failed: $(cat "$work/$name.replay.err")"
  steady "$work/$name.trace" > "$work/$name.a"
  steady "$work/$name.replay" > "$work/$name.b"
  [ "$(wc -l < "$work/$name.a")" -gt 1000 ] || fail "$name: the live trace is too short"
  grep -q "^draw_rot velquint256" "$work/$name.a" || fail "$name: the game never started"
  cmp -s "$work/$name.a" "$work/$name.b" ||
    fail "$name: the replay differs: $(diff "$work/$name.a" "$work/$name.b" | head -n 5)"
  echo "ok: $name: $last frames, replayed the same ($(wc -l < "$rec") recorded lines)"
done
rm -rf "$work"
