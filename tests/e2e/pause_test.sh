#!/usr/bin/env bash
# Pause in a real window under a virtual X server, keys typed by xdotool:
#  - P: no new frame line reaches the trace for a second, the window shows the picture dimmed
#    under "PAUSED" and the pause menu, and the game uses little CPU meanwhile; P again and the frames go on;
#  - the window losing its focus to another one pauses it the same way;
#  - a click on the picture beside the pause menu goes on;
#  - a button held through a pause keeps counting, one let go during it reads 0 on resume
#    (seen in the game's own recording of its buttons, TOLVEX_RECORD).
# Skipped (77) where xvfb-run, xdotool, xmessage or ImageMagick is missing.
set -u
KELDO=$1
DATA=$(dirname "$KELDO")/Data
for tool in xvfb-run xdotool xmessage import convert; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done

work=$(mktemp -d /tmp/keldo-pause-XXXXXX)
mkdir -p "$work/home"
SUPPORT=$(cd "$(dirname "$0")/../support" && pwd)
AWAIT_WINDOW=$SUPPORT/await_window.sh WINDOW_LIB=$SUPPORT/window_lib.sh
. "$WINDOW_LIB"
export KELDO DATA WORK=$work AWAIT_WINDOW WINDOW_LIB
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -u
  . "$WINDOW_LIB"
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_DATA_HOME= XDG_CONFIG_HOME=
  last_frame() { grep "^frame " $WORK/trace.txt | tail -n 1 | cut -d" " -f2; }
  wait_frame() {  # until the trace is past frame N (a minute at most)
    for i in $(seq 1 600); do
      [ "$(last_frame)" -gt "$1" ] 2>/dev/null && return 0
      sleep 0.1
    done
    return 1
  }
  cpu_ticks() { awk "{print \$14 + \$15}" /proc/$pid/stat; }
  # paused_for WHAT: the game must be paused now, and stay so for a second.
  paused_for() {
    sleep 0.5  # the pause takes hold at the end of the frame under way
    local before=$(last_frame) ticks=$(cpu_ticks)
    sleep 1
    [ "$(last_frame)" = "$before" ] || fail "$1: frames went on ($before to $(last_frame))"
    local used=$(( $(cpu_ticks) - ticks ))
    # Clock ticks are 1/100 s: a running game here uses a whole core, a paused one next to
    # nothing. 30 allows for a slow, busy machine.
    [ $used -le 30 ] || fail "$1: $used ticks of CPU in a paused second"
    echo "ok: $1: paused at frame $before, $used/100 s of CPU in a second"
  }
  resumed() {
    local before=$(last_frame)
    wait_frame $((before + 30)) || fail "$1: the frames did not go on"
  }

  TOLVEX_TRACE=$WORK/trace.txt TOLVEX_RECORD=$WORK/rec.txt "$KELDO" >$WORK/out.txt 2>$WORK/err.txt &
  pid=$!
  # Only the window shown: a first one may be opened and closed unseen while the renderer is chosen.
  win=$(await_game_window 60 --onlyvisible)
  [ -n "$win" ] || fail "no window"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  wait_frame 30 || fail "no frames"
  xdotool key space
  wait_frame 100 || fail "no game"

  xdotool key p
  paused_for "P"
  eval $(xdotool getwindowgeometry --shell "$win")
  import -window root $WORK/screen.png
  convert $WORK/screen.png -crop 720x200+$((X + 440))+$((Y + 40)) +repage $WORK/label.png
  xdotool key p
  resumed "P again"

  xmessage -name other -geometry +0+0 "another window" 2>/dev/null &
  other=$!
  owin=$("$AWAIT_WINDOW" 30 --pid $other)
  xdotool windowfocus "$owin" 2>/dev/null
  paused_for "focus lost"
  kill $other
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool key p
  resumed "focus back and P"

  # A click on the dimmed picture beside the menu (at the top left of the window) goes on.
  xdotool key p
  paused_for "P before a click"
  xdotool mousemove --window "$win" 20 20 click 1
  resumed "a click beside the menu"

  xdotool keydown Right; sleep 0.3
  xdotool key p; sleep 0.5
  echo "held $(last_frame)" > $WORK/held.txt
  sleep 0.5; xdotool key p; sleep 0.5
  xdotool keyup Right
  resumed "held through"
  xdotool keydown Left; sleep 0.3
  xdotool key p; sleep 0.5
  echo "released $(last_frame)" > $WORK/released.txt
  xdotool keyup Left; sleep 0.5; xdotool key p
  resumed "let go during"

  xdotool key Escape Up Return  # Quit, from the pause menu
  for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid || fail "the game did not end cleanly: $(cat $WORK/err.txt)"
'
status=$?
[ $status -eq 0 ] || exit $status

# The label's light letters are in the middle of the dimmed window, and nowhere else.
white() { convert "$1" -background black -flatten -fuzz 10% -fill white -opaque "#f4f8ff" \
            -fill black +opaque white -format "%[fx:mean]" info:; }
want=$(white "$DATA/paused.png")
got=$(white "$work/label.png")
awk -v g="$got" -v w="$want" "BEGIN { exit !(g > w * 0.9 && g < w * 1.1 && w > 0.05) }" ||
  fail "no PAUSED on the screen (light share $got, the label has $want)"
echo "ok: the screen shows PAUSED"

# The buttons as the game saw them, frame by frame, from its recording.
read -r _ held < "$work/held.txt"
read -r _ released < "$work/released.txt"
line_at() { awk -v f="$1" "\$1 == f" "$work/rec.txt"; }
# Right was down before the pause and stays down on the first frame after it.
awk -v f="$held" "\$1 <= f && \$1 !~ /^#/" "$work/rec.txt" | tail -n 1 | grep -q -w 13 ||
  fail "Right was not down when the game paused"
[ -z "$(line_at $((held + 1)))" ] || fail "Right changed when the game resumed: $(line_at $((held + 1)))"
# Left was down before the pause and reads up on the first frame after it.
awk -v f="$released" "\$1 <= f && \$1 !~ /^#/" "$work/rec.txt" | tail -n 1 | grep -q -w 12 ||
  fail "Left was not down when the game paused"
line_at $((released + 1)) | grep -q -w 12 && fail "Left still down after the pause"
[ -n "$(line_at $((released + 1)))" ] || fail "Left was not let go on the first frame after the pause"
echo "ok: a held button keeps counting through a pause, a released one reads 0 after it"
rm -rf "$work"
