#!/usr/bin/env bash
# A live game in a real window under a virtual X server, keys typed by xdotool and recorded
# with TOLVEX_RECORD, then replayed headless from the recording alone (no TOLVEX_SEED): the two
# traces must be the same from frame 0 to the last frame. The one thing allowed to differ is
# the text of the frame-rate counter (measured live, exactly 60 headless), so its glyphs, the
# 30 x 60 font cells drawn at y 150, are left out of both before they are compared, and the
# pictures a busy machine skipped live (its trace's `skip` lines), which change no game.
# A second live game is killed with SIGKILL halfway: its recording still replays up to the
# frame it reached. Skipped (77) where xvfb-run or xdotool is missing.
set -u
KELDO=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "skip: no xvfb-run/xdotool"; exit 77; }

work=$(mktemp -d /tmp/keldo-replay-XXXXXX)
mkdir -p "$work/home"
SUPPORT=$(cd "$(dirname "$0")/../support" && pwd)
AWAIT_WINDOW=$SUPPORT/await_window.sh WINDOW_LIB=$SUPPORT/window_lib.sh
. "$WINDOW_LIB"
export KELDO WORK=$work AWAIT_WINDOW WINDOW_LIB
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -u
  . "$WINDOW_LIB"
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_DATA_HOME= XDG_CONFIG_HOME=
  press() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; sleep 0.2; }
  play() {  # play NAME: starts a recorded game and plays a little of it
    TOLVEX_TRACE=$WORK/$1.trace TOLVEX_RECORD=$WORK/$1.rec "$KELDO" 2>$WORK/$1.err &
    pid=$!
    win=$(await_game_window 60 --onlyvisible)
    [ -n "$win" ] || { echo "FAIL: no window"; kill $pid; exit 1; }
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    trace_reached $WORK/$1.trace 30 || { echo "FAIL: no frames"; exit 1; }
    press space 0.2
    trace_reached $WORK/$1.trace 120
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

# The frame-rate counter and the skipped pictures aside, a trace is compared line for line.
steady() { grep -v -E "^(skip|draw font_128_64\.vstex( [^ ]+){4} [^ ]+ 150 30 60 .*)$" "$1"; }

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
