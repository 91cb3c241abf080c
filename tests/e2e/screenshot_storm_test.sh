#!/usr/bin/env bash
# The screenshot key hammered in a real window under a virtual X server: the game goes on
# making frames while the pictures are written (the presses land in many frames of its own
# recording, not in a few between long stalls), the pictures it keeps are whole, and those it
# drops are named in one warning. A pictures folder whose files' paths are too long for the
# system is one warning, and the game goes on. Skipped (77) where xvfb-run, xdotool or identify
# is missing.
set -u
KELDO=$1
for tool in xvfb-run xdotool identify; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done
presses=300

work=$(mktemp -d /tmp/keldo-storm-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config/keldo" "$work/shots"
# A folder whose path is a little shorter than the longest a path may be: it can be made, a
# picture's name in it cannot.
deep=$work/deep
while [ ${#deep} -lt 4060 ]; do deep=$deep/$(printf "%0200d" 0); done
deep=${deep:0:4070}
mkdir -p "$deep"
# Z takes a picture as well as attacking: the recording shows the frame of every press.
printf 'screenshot = F12, Z\n' >"$work/home/.config/keldo/keys.conf"
SUPPORT=$(cd "$(dirname "$0")/../support" && pwd)
AWAIT_WINDOW=$SUPPORT/await_window.sh WINDOW_LIB=$SUPPORT/window_lib.sh
. "$WINDOW_LIB"
export KELDO WORK=$work PRESSES=$presses DEEP=$deep AWAIT_WINDOW WINDOW_LIB
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -u
  . "$WINDOW_LIB"
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_CONFIG_HOME= XDG_DATA_HOME= \
    XDG_PICTURES_DIR=$WORK/shots
  TOLVEX_TRACE=$WORK/trace TOLVEX_RECORD=$WORK/rec "$KELDO" >$WORK/out 2>$WORK/err &
  pid=$!
  win=$(await_game_window 60)
  [ -n "$win" ] || fail "no window"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  trace_reached $WORK/trace 30
  xdotool key --delay 5 $(yes z | head -n $PRESSES)
  sleep 2
  xdotool key Escape Up Return  # Quit, from the pause menu
  for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid || fail "the game did not end cleanly: $(cat $WORK/err)"

  XDG_PICTURES_DIR=$DEEP "$KELDO" >$WORK/deep.out 2>$WORK/deep.err &
  pid=$!
  win=$(await_game_window 60)
  [ -n "$win" ] || fail "no window"
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  sleep 1
  xdotool key F12
  sleep 1
  xdotool key Escape Up Return  # Quit, from the pause menu
  for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  wait $pid || fail "a path too long ended the game: $(cat $WORK/deep.err)"
'
status=$?
[ $status -eq 0 ] || exit $status

# The frames that saw attack (button 2) down: presses a few milliseconds apart keep it down
# from frame to frame as long as frames go on; a game stalled by its pictures would see the
# whole burst in a handful of frames.
frames=$(awk '!/^#/ { if (down) total += $1 - since; down = 0
                      for (i = 2; i <= NF; i++) if ($i == 2) { down = 1; since = $1 } }
              END { print total + 0 }' "$work/rec")
[ "$frames" -ge 20 ] || fail "the presses landed in only $frames frames"
saved=$(grep -c . "$work/out")
[ "$saved" -ge 1 ] || fail "no picture saved"
while read -r path; do
  [ "$(identify -format "%m %w %h" "$path")" = "PNG 1600 900" ] || fail "$path is not a whole picture"
done <"$work/out"
[ "$(ls "$work/shots" | grep -c .)" -eq "$saved" ] || fail "other files in the folder: $(ls "$work/shots")"
[ "$(grep -c . "$work/err")" -eq 1 ] &&
  grep -q "^tolvex: warning: [0-9]* screenshots were not saved: the key came faster than pictures could be written$" "$work/err" ||
  fail "not the one warning: $(cat "$work/err")"
[ "$(grep -c . "$work/deep.err")" -eq 1 ] && grep -q "^tolvex: warning: cannot write in .*: File name too long; the screenshot is not saved$" "$work/deep.err" ||
  fail "not the one warning for a path too long: $(cut -c1-200 "$work/deep.err")"
echo "ok: presses in $frames frames, $saved pictures saved, the rest named once: $(cat "$work/err")"
