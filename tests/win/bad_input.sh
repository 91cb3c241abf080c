#!/bin/sh
# keldo.exe under wine, given bad input: each case ends with one clear line on stderr and a
# non-zero exit, never a crash dialog or a hang.
#
#   bad_input.sh BIN_DIR STUB_DIR
set -eu
bin=$1
stubs=$2
. "$(dirname "$0")/lib.sh"

# The program with a stand-in library of the given kind in place of ours.
run_with_stub() {
  fresh_tree "$bin"
  cp "$stubs/stub_runtime_$1.vsd" "$work/tree/Data/Tolvex.vsd"
  run $WINE "$work/tree/keldo.exe"
}

# No library beside the program.
fresh_tree "$bin"
rm "$work/tree/Data/Tolvex.vsd"
run env TOLVEX_HEADLESS=1 TOLVEX_FRAMES=5 $WINE "$work/tree/keldo.exe"
name="no Data/Tolvex.vsd"
expect_rc "$name" nonzero && expect_one_line "$name" &&
  expect_err_has "$name" "cannot load the runtime library Data\\Tolvex.vsd" &&
  expect_err_has "$name" "(code 3001)" && pass "$name"

# A library that is no DLL at all: the system's words for it name the file, with no insert
# left unfilled.
fresh_tree "$bin"
printf 'MZ but nothing more' >"$work/tree/Data/Tolvex.vsd"
run env TOLVEX_HEADLESS=1 TOLVEX_FRAMES=5 $WINE "$work/tree/keldo.exe"
name="damaged Data/Tolvex.vsd"
expect_rc "$name" nonzero && expect_one_line "$name" && expect_err_lacks "$name" "%1" &&
  expect_err_has "$name" "cannot load the runtime library Data\\Tolvex.vsd: " &&
  expect_err_has "$name" "(code 3001)" && pass "$name: $err"

# A foreign Data/Tolvex.vsd in the current folder is never loaded: neither in place of a
# missing one beside the program, nor ahead of ours.
mkdir -p "$work/cwd/Data"
cp "$stubs/stub_runtime_foreign.vsd" "$work/cwd/Data/Tolvex.vsd"
name="foreign library in the current folder, none beside the program"
(cd "$work/cwd" && run env TOLVEX_HEADLESS=1 TOLVEX_FRAMES=5 $WINE "$work/tree/keldo.exe"
  expect_rc "$name" nonzero && expect_err_lacks "$name" "foreign runtime" &&
  expect_err_has "$name" "(code 3001)" && pass "$name") || failures=$((failures + 1))
fresh_tree "$bin"
name="foreign library in the current folder, ours beside the program"
(cd "$work/cwd" && run env TOLVEX_HEADLESS=1 TOLVEX_FRAMES=5 $WINE "$work/tree/keldo.exe"
  expect_rc "$name" 0 && expect_err_lacks "$name" "foreign runtime" && pass "$name") ||
  failures=$((failures + 1))

# A picture missing from Data/.
fresh_tree "$bin"
rm "$work/tree/Data/font_128_64.vstex"
run env TOLVEX_HEADLESS=1 TOLVEX_FRAMES=5 $WINE "$work/tree/keldo.exe"
name="missing picture"
expect_rc "$name" nonzero && expect_one_line "$name" &&
  expect_err_has "$name" "font_128_64.vstex" && pass "$name"

# A library that lacks its last entry: 3001, and still freed and unloaded.
run_with_stub incomplete
name="library without StopBGMFade"
expect_rc "$name" nonzero && expect_err_has "$name" "has no entry StopBGMFade" &&
  expect_err_has "$name" "(code 3001)" && expect_err_has "$name" "incomplete runtime freed" &&
  expect_err_has "$name" "incomplete runtime unloaded" && pass "$name"

# A library whose Init divides 0.0 by 0.0 in the game's mode: the trap reaches the handler,
# which names the Windows code, calls Free and unloads the library.
run_with_stub faulting
name="invalid operation in Init"
expect_rc "$name" nonzero && expect_err_has "$name" "invalid floating-point operation" &&
  expect_err_has "$name" "(code 0xC0000090)" && expect_err_has "$name" "Tolvex.vsd" &&
  expect_err_has "$name" "faulting runtime freed" &&
  expect_err_has "$name" "faulting runtime unloaded" && pass "$name"

# A fault on another thread ends the process with one line naming it, without running the
# main thread's handler on that thread's stack.
run_with_stub faulting_on_thread
name="invalid memory access on another thread"
expect_rc "$name" nonzero && expect_err_has "$name" "invalid memory access" &&
  expect_err_has "$name" "on a worker thread" && expect_err_has "$name" "(code 0xC0000005)" &&
  expect_err_lacks "$name" "faulting_on_thread runtime freed" && pass "$name"

# A bad automation variable.
fresh_tree "$bin"
run env TOLVEX_HEADLESS=maybe $WINE "$work/tree/keldo.exe"
name="bad TOLVEX_HEADLESS"
expect_rc "$name" nonzero && expect_one_line "$name" && expect_err_has "$name" "TOLVEX_HEADLESS" &&
  pass "$name"

# Ctrl+C typed in the console the program was started from (a terminal, which wine makes its
# console): it ends the run at the next frame as closing the window does (without the program's
# handler the system's own would end it with STATUS_CONTROL_C_EXIT). wine hands a SIGINT to a
# program with a window as nothing at all, so the key goes through the terminal, as a player's
# would.
fresh_tree "$bin"
name="Ctrl+C"
mkfifo "$work/keys"
set +e
env TOLVEX_HEADLESS=1 TOLVEX_TRACE="$work/trace.txt" \
  script -qfec "$WINE '$work/tree/keldo.exe' 2>'$work/err'" /dev/null <"$work/keys" >"$work/out" &
pid=$!
exec 4>"$work/keys"
i=0
while [ $i -lt 1200 ] && ! grep -q "^frame 100$" "$work/trace.txt" 2>/dev/null; do
  sleep 0.1
  i=$((i + 1))
done
printf '\003' >&4
i=0
while [ $i -lt 600 ] && kill -0 $pid 2>/dev/null; do
  sleep 0.1
  i=$((i + 1))
done
ended=yes
if kill -0 $pid 2>/dev/null; then
  ended=no
  kill -KILL $pid
fi
exec 4>&-
wait $pid
rc=$?
set -e
err=$(tr -d '\r' <"$work/err")
{ [ $ended = yes ] || { fail "$name" "still running a minute after Ctrl+C"; false; }; } &&
  expect_rc "$name" 0 && expect_no_err "$name" &&
  { tail -n 1 "$work/trace.txt" | grep -q "^frame [0-9]*$" || { fail "$name" "the trace ends mid-frame"; false; }; } &&
  pass "$name"

[ "$failures" -eq 0 ]
