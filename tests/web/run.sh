#!/usr/bin/env bash
# The web build's tests: the table of rounding cases against the desktop's, the page's pictures
# through the web build's decoder against the desktop's (and broken ones), whole scripted
# games under node against the desktop's traces (tests/web/NodeGameTest.sh), then
# the page in headless Chromium (tests/web/PageTest.mjs) against pictures of the same scenes
# that the node-run program draws headless.
#
#   tests/web/run.sh DESKTOP_BIN WEB_TREE PAGE_DIR
#
# Leaves traces, summaries and screenshots in WEB_TREE/test-out.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 DESKTOP_BIN WEB_TREE PAGE_DIR" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
desk=$1
web=$2/bin
page=$3
out=$2/test-out
rm -rf "$out"
mkdir -p "$out/references"
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

status=0
echo "== rounding in the game's mode: the desktop's table and the web build's"
"$desk/keldo-fpu-table" >"$out/fpu-desktop.txt"
node "$web/keldo-fpu-table.js" >"$out/fpu-web.txt"
if cmp -s "$out/fpu-desktop.txt" "$out/fpu-web.txt"; then
  echo "ok   $(wc -l <"$out/fpu-desktop.txt") cases give the same bits and the same invalid operations"
else
  echo "FAIL the web build rounds differently:"
  diff "$out/fpu-desktop.txt" "$out/fpu-web.txt" | head -20
  status=1
fi

set +e
fault=$(node "$web/keldo-fault-probe.js" 2>&1)
code=$?
set -e
if [ $code = 1 ] &&
  [[ $fault =~ ^keldo:\ fault:\ invalid\ floating-point\ operation\ at\ 0x[0-9a-f]+\ \(code\ 8\)$ ]]; then
  echo "ok   0 / 0 in the game's mode ends the run as on the desktop: $fault"
else
  echo "FAIL 0 / 0 in the game's mode: exit code $code, said: $fault"
  status=1
fi

echo "== the page's pictures through the web build's decoder"
node "$web/keldo-picture-check.js" "$2/web/data" "$desk/Data" || status=1

echo "== whole games under node, traced as on the desktop"
"$here/NodeGameTest.sh" "$desk" "$web" "$out/game" 1 2 3 || status=1

echo "== the page in headless Chromium"
# The title a moment after start, and the game two seconds after Space (the page test shows a
# scene like it, and the very same frame).
printf '30 0\n32\n' >"$out/references/script.txt"
TOLVEX_HEADLESS=1 TOLVEX_SEED=1 TOLVEX_FRAMES=160 TOLVEX_INPUT="$out/references/script.txt" \
  TOLVEX_SHOT="20:$out/references/title.png,155:$out/references/game.png" \
  node "$web/keldo-node.js"
# The desktop build's own picture of the game's frame 155, to be matched pixel for pixel.
TOLVEX_HEADLESS=1 TOLVEX_SEED=1 TOLVEX_FRAMES=160 TOLVEX_INPUT="$out/references/script.txt" \
  TOLVEX_SHOT="155:$out/references/desktop-game.png" "$desk/keldo"
# A best score saved by the desktop build's whole game, and the game scene showing it.
mkdir -p "$out/references/save"
TOLVEX_HEADLESS=null TOLVEX_SEED=1 TOLVEX_INPUT="$out/game/script.txt" \
  TOLVEX_FRAMES=$(($(tail -n 1 "$out/game/script.txt" | cut -d' ' -f1) + 60)) \
  TOLVEX_SAVE_DIR="$out/references/save" "$desk/keldo"
TOLVEX_HEADLESS=1 TOLVEX_SEED=1 TOLVEX_FRAMES=160 TOLVEX_INPUT="$out/references/script.txt" \
  TOLVEX_SAVE_DIR="$out/references/save" TOLVEX_SHOT="155:$out/references/game-best.png" \
  node "$web/keldo-node.js"
node --experimental-websocket --no-warnings "$here/PageTest.mjs" "$page" "$out/references" \
  "$out/page" || status=1
for test in TouchTest:"$web" FailureTest EmbedTest:- OfflineTest:- MenuTest:- LaterFilesTest:-; do
  name=${test%%:*}
  echo "== ${name%Test}"
  args=("$page")
  case $test in
    *:-) args+=("$out/$name") ;;
    *:*) args+=("${test#*:}" "$out/$name") ;;
  esac
  mkdir -p "$out/$name"
  node --experimental-websocket --no-warnings "$here/$name.mjs" "${args[@]}" || status=1
done
exit $status
