# Shared by the window tests (sh or bash): sourced by each script, and again by the shell it
# runs under the virtual X server. $AWAIT_WINDOW names await_window.sh beside this file.

# The game's window, found by its title.
KELDO_TITLE='^KELDO var 0\.2$'

# fail WHY: says so and ends the script, and the game it started ($pid) with it.
fail() {
  echo "FAIL: $*"
  [ -z "${pid:-}" ] || kill -9 "$pid" 2>/dev/null
  exit 1
}

# await_game_window SECONDS [xdotool search options]: prints the game window's id, waiting up
# to SECONDS for it; fails (status 1, nothing printed) if none came.
await_game_window() {
  _seconds=$1
  shift
  "$AWAIT_WINDOW" "$_seconds" "$@" --name "$KELDO_TITLE"
}

# trace_reached TRACE N: waits until the trace has shown frame N, a minute at most.
trace_reached() {
  _tenths=0
  while [ $_tenths -lt 600 ]; do
    grep -q "^frame $2\$" "$1" 2>/dev/null && return 0
    sleep 0.1
    _tenths=$((_tenths + 1))
  done
  return 1
}
