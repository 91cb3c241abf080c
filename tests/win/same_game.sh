#!/bin/sh
# One game, the same on Linux and on Windows: the Linux bot plays a seed in lock-step and keeps
# the input it sent; keldo.exe under wine replays that input from a file with the same seed.
# Both must clear the game, show "Retry?" and return to the title on the same frames with the
# same score, and their traces must be the same to the byte. Given a FOLDER name, keldo.exe
# reads its script, writes its trace and keeps its best score (TOLVEX_SAVE_DIR) in a folder of
# that name, which may be in any script.
#
#   same_game.sh LINUX_BIN_DIR WIN_BIN_DIR SEED FRAMES [FOLDER]
set -eu
linux=$1
win=$2
seed=$3
frames=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
name="seed $seed${5:+ in '$5'}"
# wine reads the variables' bytes in the locale's character set.
export LC_ALL=C.UTF-8

cd "$work"
files=$work/${5:-files}
mkdir -p "$files"
"$linux/keldo-bot" --keldo "$linux/keldo" --seed "$seed" --frames "$frames" \
  --trace-copy linux.trace --script-copy script.txt >bot.txt ||
  { echo "FAIL $name: the Linux bot did not clear the game:" >&2; cat bot.txt >&2; exit 1; }
cat bot.txt

cp script.txt "$files/script.txt"
save=
if [ -n "${5:-}" ]; then save=$files; fi
run env TOLVEX_HEADLESS=null TOLVEX_SEED="$seed" TOLVEX_FRAMES="$frames" TOLVEX_SAVE_DIR="$save" \
  TOLVEX_INPUT="$files/script.txt" TOLVEX_TRACE="$files/windows.trace" $WINE "$win/keldo.exe"
expect_rc "$name" 0 || exit 1
cp "$files/windows.trace" windows.trace
if [ -n "$save" ] && [ ! -s "$files/best.sav" ]; then
  fail "$name" "no best score saved in the folder"
fi

summary="$linux/keldo-trace-summary"
linux_whole=0
"$summary" linux.trace >linux.moments || linux_whole=$?
"$summary" windows.trace >windows.moments || true
echo "Linux:   $(paste -sd ';' linux.moments)"
echo "Windows: $(paste -sd ';' windows.moments)"
if [ "$linux_whole" -ne 0 ]; then
  fail "$name" "the Linux trace lacks a moment of the game"
elif ! cmp -s linux.moments windows.moments; then
  fail "$name" "the games went differently"
fi
if cmp -s linux.trace windows.trace; then
  echo "the traces are the same: $(wc -l <linux.trace) lines, $(wc -c <linux.trace) bytes"
else
  cmp linux.trace windows.trace || true
  diff linux.trace windows.trace | head -n 10
  fail "$name" "the traces differ"
fi
[ "$failures" -eq 0 ]
