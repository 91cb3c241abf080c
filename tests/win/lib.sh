# Shared by the wine tests: running keldo.exe headless under wine and checking what it said.
# The caller runs in a wine prefix of its own (tools/xbuild/wine-tests.sh makes one).

: "${WINE:=wine}"
export WINEDEBUG=-all SDL_AUDIODRIVER=dummy
# Waits for a window and prints its id (the scripts run under `sh -c` use it too).
AWAIT_WINDOW=$(cd "$(dirname "$0")/../support" && pwd)/await_window.sh
# The game window's title and the ways to wait for it, for the shells run on a virtual display.
WINDOW_LIB=$(cd "$(dirname "$0")/../support" && pwd)/window_lib.sh
export AWAIT_WINDOW WINDOW_LIB

failures=0
work=$(mktemp -d "${TMPDIR:-/tmp}/keldo-wine-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

# wine's desktop process belongs to the display it started on: one left from a headless run
# cannot make windows on another, and one started under a virtual display is no use once that
# display is gone.
restart_wine() {
  [ -n "${WINEPREFIX:-}" ] || return 0  # not someone's own prefix
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p 2>/dev/null || true
}

# A virtual display of our own with a window manager, and wine restarted on it; both go, and
# wine is restarted again, when the script ends.
start_display() {
  Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  display_pid=$!
  i=0
  while [ ! -s "$work/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  openbox >/dev/null 2>&1 &
  manager_pid=$!
  restart_wine
  trap 'restart_wine; kill $manager_pid $display_pid 2>/dev/null; rm -rf "$work"' EXIT
}

# A fresh copy of the built folder to spoil.
fresh_tree() {
  rm -rf "$work/tree"
  cp -r "$1" "$work/tree"
}

# Runs the rest of the line in the background of the case: stdout, stderr and exit code land
# in $out, $err and $rc.
run() {
  set +e
  "$@" >"$work/out" 2>"$work/err"
  rc=$?
  set -e
  out=$(cat "$work/out")
  err=$(tr -d '\r' <"$work/err")
}

pass() { printf 'ok   %s\n' "$1"; }

fail() {
  printf 'FAIL %s: %s\n' "$1" "$2" >&2
  printf '     exit %s; stderr: %s\n' "$rc" "$err" >&2
  failures=$((failures + 1))
}

# expect NAME "stderr has" PATTERN... ; "stderr lacks" PATTERN... ; "exit" 0|nonzero
expect_rc() {
  case "$2" in
    0) [ "$rc" -eq 0 ] ;;
    nonzero) [ "$rc" -ne 0 ] ;;
  esac || { fail "$1" "exit code $rc, expected $2"; return 1; }
}

expect_err_has() {
  printf '%s\n' "$err" | grep -qF -- "$2" || { fail "$1" "stderr lacks '$2'"; return 1; }
}

expect_err_lacks() {
  if printf '%s\n' "$err" | grep -qF -- "$2"; then
    fail "$1" "stderr has '$2'"
    return 1
  fi
}

expect_one_line() {
  [ "$(printf '%s\n' "$err" | grep -c .)" -eq 1 ] || { fail "$1" "more than one line on stderr"; return 1; }
}

expect_no_err() {
  [ -z "$err" ] || { fail "$1" "something on stderr"; return 1; }
}
