#!/bin/sh
# keldo.exe started as a player starts it, with no console (wine start, on a virtual display
# with a window manager): a start that fails shows a message box titled KELDO that says what to
# do in plain words and then its one line (a path in it starting a line of its own), adds the
# line with the date to %LOCALAPPDATA%\keldo\keldo.log, and exits non-zero once the box is
# closed. The same start from a console prints the line and shows no box; a run that a program
# drives (TOLVEX_HEADLESS) shows none either and leaves the player's log alone. Skipped (77)
# without Xvfb, openbox or xdotool.
#
#   player_errors.sh BIN_DIR STUB_DIR BOX_TEXT_EXE
set -eu
bin=$1
stubs=$2
box_text=$3
for tool in Xvfb openbox xdotool; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

# Long enough for a start under wine on a busy machine; a box nobody closes never ends.
limit=120

start_display

log_dir=$(winepath -u "$($WINE cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
log="$log_dir/keldo/keldo.log"
log_lines() { if [ -f "$log" ]; then grep -c . "$log"; else echo 0; fi; }

# spoil CASE: makes $work/tree a copy of the build with the case's fault in it.
spoil() {
  fresh_tree "$bin"
  case $1 in
    no-data) rm -rf "$work/tree/Data" ;;
    damaged-picture) printf 'not a picture' >"$work/tree/Data/font_128_64.vstex" ;;
    missing-entry) cp "$stubs/stub_runtime_incomplete.vsd" "$work/tree/Data/Tolvex.vsd" ;;
  esac
}

# NAME|CASE|what the line says|how the box's advice begins
while IFS='|' read -r name kind says advises; do
  # No console: the box, the log, the exit code.
  spoil "$kind"
  before=$(log_lines)
  set +e
  timeout $limit $WINE start /wait /unix "$work/tree/keldo.exe" &
  pid=$!
  set -e
  box=$("$AWAIT_WINDOW" $limit --name '^KELDO$')
  text=
  if [ -n "$box" ]; then
    text=$($WINE "$box_text" KELDO | tr -d '\r')
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    xdotool key Return
  fi
  set +e
  wait $pid
  rc=$?
  set -e
  # The advice, a blank line, and the line: broken only where a bracket starts.
  advice=$(printf '%s\n' "$text" | head -n 1)
  err=$(printf '%s\n' "$text" | tail -n +3 | paste -sd ' ')
  last=$(tail -n 1 "$log" 2>/dev/null | tr -d '\r')
  dated=no
  case $last in
    [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\ [0-9][0-9]:[0-9][0-9]:[0-9][0-9]\ "$err") dated=yes ;;
  esac
  case_name="$name, no console"
  if [ -z "$box" ]; then
    fail "$case_name" "no message box titled KELDO"
  elif [ "${advice#"$advises"}" = "$advice" ] || [ -n "$(printf '%s\n' "$text" | sed -n 2p)" ]; then
    fail "$case_name" "the box does not begin with the advice '$advises...': '$text'"
  elif ! printf '%s\n' "$text" | tail -n +3 | grep -q '^(.*[\\/]' ||
    ! expect_err_has "$case_name" "$says"; then
    fail "$case_name" "the box does not hold the line with its path on a line of its own: '$text'"
  elif [ $rc -eq 124 ] || [ $rc -eq 0 ]; then
    fail "$case_name" "exit code $rc after the box was closed"
  elif [ "$(log_lines)" -ne $((before + 1)) ] || [ $dated = no ]; then
    fail "$case_name" "keldo.log does not end with the dated line: '$last'"
  else
    pass "$case_name: '$advice' '$err'"
  fi

  # From a console (standard error handed over): the line there, no box to wait for.
  text=$err
  spoil "$kind"
  run timeout $limit $WINE "$work/tree/keldo.exe"
  case_name="$name, from a console"
  if [ $rc -eq 124 ]; then
    fail "$case_name" "still waiting after ${limit}s: a box?"
  else
    # The same line as in the box (a stand-in library says a word of its own before it).
    expect_rc "$case_name" nonzero && expect_err_has "$case_name" "$says" &&
      { printf '%s\n' "$err" | grep -qxF -- "$text" || fail "$case_name" "not the box's line"; } &&
      pass "$case_name"
  fi

  # Driven by a program, with no console: neither a box nor the player's log.
  spoil "$kind"
  before=$(log_lines)
  set +e
  env TOLVEX_HEADLESS=1 timeout $limit $WINE start /wait /unix "$work/tree/keldo.exe"
  rc=$?
  set -e
  err=
  case_name="$name, automation"
  if [ $rc -eq 124 ]; then
    fail "$case_name" "still waiting after ${limit}s: a box?"
  elif expect_rc "$case_name" nonzero; then
    if [ "$(log_lines)" -ne "$before" ]; then
      fail "$case_name" "wrote to the player's keldo.log"
    else
      pass "$case_name"
    fi
  fi
done <<'TABLE'
Data folder missing|no-data|cannot load the runtime library Data\Tolvex.vsd|The game's Data folder is missing or damaged: unpack the whole zip again.
damaged picture|damaged-picture|font_128_64.vstex|The game's Data folder is missing or damaged
missing entry|missing-entry|has no entry StopBGMFade|The game's Data folder holds a library from another version
TABLE

[ "$failures" -eq 0 ]
