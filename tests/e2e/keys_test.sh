#!/usr/bin/env bash
# The player's keys and the screenshot key in a real window under a virtual X server:
#  - a key file that moves attack to J (and Z with it): J and Z both attack; a broken line
#    warns once, naming the file and the line, and its action keeps its default key; a key
#    file that is a device is refused with one warning;
#  - F12 saves a 1600 x 900 PNG named keldo-YYYYMMDD-HHMMSS.png in the folder named by
#    XDG_PICTURES_DIR, and prints its path; with no such variable, in ~/Pictures (the
#    desktop's user-dirs.dirs, a device here, left out with one warning).
# What the game saw of the keys is read from its own recording (TOLVEX_RECORD).
# Skipped (77) where xvfb-run, xdotool or ImageMagick's identify is missing.
set -u
KELDO=$1
for tool in xvfb-run xdotool identify; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done

work=$(mktemp -d /tmp/keldo-keys-XXXXXX)
mkdir -p "$work/home/.config/keldo" "$work/shots" "$work/home/Pictures"
# Saved with a byte-order mark, which must not cost the first line; a key name with terminal
# escapes in it, which the warning shows rather than sends.
printf '\xEF\xBB\xBFattack = J, Z\n# attack on J as well as Z\nhop = NoSuchKey\e[2J\a\n' \
  > "$work/home/.config/keldo/keys.conf"
SUPPORT=$(cd "$(dirname "$0")/../support" && pwd)
AWAIT_WINDOW=$SUPPORT/await_window.sh WINDOW_LIB=$SUPPORT/window_lib.sh
. "$WINDOW_LIB"
export KELDO WORK=$work AWAIT_WINDOW WINDOW_LIB
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -u
  . "$WINDOW_LIB"
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_DATA_HOME= XDG_CONFIG_HOME=
  run() {  # run NAME: a game in the window, until the trace reaches frame 30
    TOLVEX_TRACE=$WORK/$1.trace TOLVEX_RECORD=$WORK/$1.rec "$KELDO" >$WORK/$1.out 2>$WORK/$1.err &
    pid=$!
    win=$(await_game_window 60 --onlyvisible)
    [ -n "$win" ] || fail "no window ($(cat $WORK/$1.err))"
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    trace_reached $WORK/$1.trace 30 || fail "no frames"
  }
  end() {
    xdotool key Escape Up Return  # Quit, from the pause menu
    for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    wait $pid || fail "the game did not end cleanly: $(cat $WORK/$1.err)"
  }
  press() { xdotool keydown "$1"; sleep 0.3; xdotool keyup "$1"; sleep 0.3; }

  run keys
  press j; press z; press space
  end keys

  XDG_PICTURES_DIR=$WORK/shots run shot
  xdotool key F12; sleep 1
  end shot
  # The desktop list of folders as a device: left out with one warning, ~/Pictures taken.
  ln -s /dev/zero $WORK/home/.config/user-dirs.dirs
  run home
  xdotool key F12; sleep 1
  end home

  # A key file that never ends: refused at once, and the game starts with its default keys.
  ln -sf /dev/zero $WORK/home/.config/keldo/keys.conf
  run zero
  end zero
'
status=$?
[ $status -eq 0 ] || exit $status

rec=$work/keys.rec
buttons_pressed() { grep -v "^#" "$rec" | cut -d" " -f2- | tr " " "\n" | grep -c -x "$1"; }
[ "$(buttons_pressed 2)" -ge 2 ] || fail "J and Z did not both attack: $(cat "$rec")"
[ "$(buttons_pressed 0)" -ge 1 ] || fail "Space no longer hops: $(cat "$rec")"
[ "$(grep -c . "$work/keys.err")" -eq 1 ] || fail "not one warning: $(cat "$work/keys.err")"
grep -qF 'keys.conf line 3: NoSuchKey\x1B[2J\x07 is not a key name; hop keeps its default keys' "$work/keys.err" ||
  fail "the warning does not name the file and line: $(cat "$work/keys.err")"
echo "ok: attack on J and Z, a broken line warned once and hop kept Space"
[ "$(cat "$work/zero.err")" = "tolvex: warning: keys.conf is not an ordinary file; the keys are the default ones ($work/home/.config/keldo/keys.conf)" ] ||
  fail "a key file that never ends: $(cat "$work/zero.err")"
echo "ok: a key file that never ends was refused with one warning"
[ "$(grep -v "keys.conf line 3" "$work/home.err")" = "tolvex: warning: user-dirs.dirs is not an ordinary file; it is left out ($work/home/.config/user-dirs.dirs)" ] ||
  fail "a list of folders that never ends: $(cat "$work/home.err")"
echo "ok: a list of folders that never ends was left out with one warning"

for run in shot home; do
  path=$(cat "$work/$run.out")
  folder=$([ $run = shot ] && echo "$work/shots" || echo "$work/home/Pictures")
  [[ $path =~ ^$folder/keldo-[0-9]{8}-[0-9]{6}\.png$ ]] || fail "$run: printed '$path'"
  [ "$(identify -format "%m %w %h" "$path")" = "PNG 1600 900" ] || fail "$run: $path is not a 1600 x 900 PNG"
  echo "ok: F12 saved $path"
done
rm -rf "$work"
