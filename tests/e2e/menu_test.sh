#!/usr/bin/env bash
# The pause menu in a real window under a virtual X server, worked with keys typed by xdotool:
#  - the volume turned down to nothing in the menu: the captured sound (TOLVEX_AUDIO_OUT) has
#    the game's sounds before and silence after, while the trace shows the game still playing
#    them;
#  - attack bound to K in the menu: K attacks and Z no longer does (the game's own recording
#    of its buttons, TOLVEX_RECORD), keys.conf says so, and so does the next run;
#  - a key already used (Down, for up) is swapped, never shared;
#  - settings.conf damaged, a folder or a pipe: one warning each, the game plays with the
#    default sound, M still mutes, and only the damaged file is set aside and replaced;
#  - every run ends with the menu's Quit.
# Skipped (77) where xvfb-run, xdotool or python3 is missing.
set -u
KELDO=$1
for tool in xvfb-run xdotool python3; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done

work=$(mktemp -d /tmp/keldo-menu-XXXXXX)
conf=$work/home/.config/keldo
mkdir -p "$conf"
AWAIT_WINDOW=$(cd "$(dirname "$0")/../support" && pwd)/await_window.sh
export KELDO WORK=$work CONF=$conf AWAIT_WINDOW
xvfb-run -a -s "-screen 0 1600x900x24 -noreset" bash -c '
  set -u
  export SDL_AUDIODRIVER=dummy HOME=$WORK/home XDG_DATA_HOME= XDG_CONFIG_HOME=
  fail() { echo "FAIL: $*"; kill -9 $pid 2>/dev/null; exit 1; }
  last_frame() { grep "^frame " $WORK/$name.trace | tail -n 1 | cut -d" " -f2; }
  wait_frame() {
    for i in $(seq 1 600); do
      [ "$(last_frame)" -ge "$1" ] 2>/dev/null && return 0
      sleep 0.1
    done
    return 1
  }
  run() {  # run NAME [VARIABLE=VALUE...]: a game in the window, started and played a little
    name=$1; shift
    env "$@" TOLVEX_TRACE=$WORK/$name.trace TOLVEX_RECORD=$WORK/$name.rec "$KELDO" \
      >$WORK/$name.out 2>$WORK/$name.err &
    pid=$!
    win=$("$AWAIT_WINDOW" 60 --onlyvisible --name "^KELDO var 0\.2$")
    [ -n "$win" ] || fail "$name: no window ($(cat $WORK/$name.err))"
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    wait_frame 30 || fail "$name: no frames"
    press space
    wait_frame $(( $(last_frame) + 60 )) || fail "$name: no game"
  }
  press() { xdotool keydown "$1"; sleep 0.3; xdotool keyup "$1"; sleep 0.3; }
  # menu KEY...: opened with Escape, worked with the keys, each in its own moment.
  menu() {
    for key in Escape "$@"; do xdotool key "$key"; sleep 0.3; done
  }
  quit() {
    menu Up Return
    for i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "$name: the menu'"'"'s Quit did not end the game"
    wait $pid || fail "$name: the game did not end cleanly: $(cat $WORK/$name.err)"
  }

  # run_until_heard [FRAME]: runs until the game plays a sound after FRAME: a run is heard in
  # its footsteps at once, where the sword is heard only when a monster has come near, which
  # with the seed of the clock may take longer than a test can wait.
  run_until_heard() {
    for i in $(seq 1 100); do
      awk -v f="${1:-0}" "/^frame /{n=\$2} /^play /{ if (n > f) found=1 } END {exit !found}" \
        $WORK/$name.trace && return 0
      press Right
    done
    fail "$name: no sound played after frame ${1:-0}"
  }
  run volume TOLVEX_AUDIO_OUT=$WORK/volume.wav
  run_until_heard
  sleep 1
  # Volume is the second row; Enter at 100 % goes round to nothing. Escape resumes.
  menu Down Return Escape
  echo "$(last_frame)" > $WORK/volume.changed
  # Long enough for the last seconds of the capture to hold only what comes after the change.
  sleep 3
  run_until_heard "$(cat $WORK/volume.changed)"
  sleep 0.5
  quit

  run bind
  # Controls is the fifth row, attack its second.
  menu Down Down Down Down Return Down Return k Escape Escape
  echo "$(last_frame)" > $WORK/bind.changed
  press k; press k; press z
  quit

  run again
  press k; press z
  # Up is the fifth of the controls; Down is down'"'"'s key.
  menu Down Down Down Down Return Down Down Down Down Return Down Escape Escape
  quit

  for kind in damaged folder pipe; do
    case $kind in
      damaged) printf "volume = loud\n" > $CONF/settings.conf ;;
      folder) rm -f $CONF/settings.conf; mkdir $CONF/settings.conf ;;
      pipe) rmdir $CONF/settings.conf; mkfifo $CONF/settings.conf ;;
    esac
    run settings-$kind
    press m
    quit
  done
'
status=$?
[ $status -eq 0 ] || exit $status
fail() { echo "FAIL: $*"; exit 1; }

# The sound: heard before the change, and nothing at all in the last seconds after it, though
# the game played a sound there.
changed=$(cat "$work/volume.changed")
plays_after=$(awk -v f="$changed" '/^frame /{n=$2} /^play /{ if (n > f) c++ } END {print c+0}' "$work/volume.trace")
[ "$plays_after" -gt 0 ] || fail "the game played no sound after the volume changed"
python3 - "$work/volume.wav" <<'PY' || fail "the captured sound did not follow the volume"
import struct, sys, wave
w = wave.open(sys.argv[1])
rate, n = w.getframerate(), w.getnframes()
samples = struct.unpack("<%dh" % (n * w.getnchannels()), w.readframes(n))
loud = [i for i, s in enumerate(samples) if abs(s) > 0]
# The sound played after the change is in the last three seconds; those before it are older.
tail = samples[-3 * rate * w.getnchannels():]
print("ok: %d sounding samples, the last %.1f s before the end; the last 3 s, with a sound played, peak at %d"
      % (len(loud), (len(samples) - (loud[-1] if loud else 0)) / rate / w.getnchannels(),
         max(abs(s) for s in tail)))
sys.exit(0 if loud and max(abs(s) for s in tail) == 0 else 1)
PY

# Attack on K: from the frame of the change on, K attacks (button 2) and Z does not.
attacks_after() { awk -v f="$(cat "$work/$1.changed" 2>/dev/null || echo 0)" \
  '!/^#/ && $1 > f { for (i = 2; i <= NF; i++) if ($i == 2) c++ } END {print c+0}' "$work/$1.rec"; }
[ "$(attacks_after bind)" -eq 2 ] || fail "K did not attack twice (or Z still did): $(cat "$work/bind.rec")"
grep -qx "attack = K" "$work/home/.config/keldo/keys.conf" ||
  fail "keys.conf does not keep attack on K: $(cat "$work/home/.config/keldo/keys.conf")"
[ "$(attacks_after again)" -eq 1 ] || fail "the next run did not attack with K alone: $(cat "$work/again.rec")"
echo "ok: attack bound to K in the menu, kept in keys.conf and by the next run"
grep -qx "up = Down" "$work/home/.config/keldo/keys.conf" && grep -qx "down = Up" "$work/home/.config/keldo/keys.conf" ||
  fail "Down for up was not swapped with down: $(cat "$work/home/.config/keldo/keys.conf")"
echo "ok: a key already used was swapped: $(grep -c = "$work/home/.config/keldo/keys.conf") lines in keys.conf"

conf=$work/home/.config/keldo
check_settings() {  # KIND WARNING-PART: one warning, naming the file
  local err=$work/settings-$1.err
  [ "$(grep -c . "$err")" -eq 1 ] || fail "$1: not one warning: $(cat "$err")"
  grep -qF "$2" "$err" || fail "$1: the warning does not say '$2': $(cat "$err")"
  echo "ok: $1 settings.conf: $(cat "$err")"
}
check_settings damaged "settings.conf is damaged (line 1: the volume is not 0 to 100 in steps of 10)"
grep -qx "volume = loud" "$conf/settings.conf.bad" || fail "the damaged file was not set aside"
check_settings folder "settings.conf is not an ordinary file"
check_settings pipe "settings.conf is not an ordinary file"
[ -p "$conf/settings.conf" ] || fail "the pipe was not left alone"
rm -rf "$work"
