#!/usr/bin/env bash
# A whole game in the web build, run by node through the automation interface, and how far
# it drifts from the desktop build's game.
#
#   tests/web/NodeGameTest.sh DESKTOP_BIN WEB_BIN OUT_DIR [SEED]
#
# DESKTOP_BIN holds keldo, keldo-bot and keldo-trace-summary; WEB_BIN holds keldo-node.js and
# its Data folder. The bot plays the desktop build and keeps the input it fed; that script is
# replayed on the web build twice, with the same seed. Fails unless both web runs clear the
# game, show "Retry?", return to the title and write the same trace. Prints the desktop and
# web summaries side by side and the first frame where their traces part.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 DESKTOP_BIN WEB_BIN OUT_DIR [SEED]" >&2
  exit 2
fi
desk=$1
web=$2
out=$3
seed=${4:-1}
mkdir -p "$out"
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

"$desk/keldo-bot" --keldo "$desk/keldo" --seed "$seed" --script-copy "$out/script.txt" \
  >"$out/bot.txt"
# Half a minute past the bot's last line: the title is back well before that.
frames=$(($(tail -n 1 "$out/script.txt" | cut -d' ' -f1) + 1800))

run() {
  local program=$1 trace=$2
  shift 2
  env TOLVEX_HEADLESS=null TOLVEX_SEED="$seed" TOLVEX_FRAMES="$frames" \
    TOLVEX_INPUT="$out/script.txt" TOLVEX_TRACE="$trace" "$@" "$program"
}

run "$desk/keldo" "$out/desktop.trace"
start=$(date +%s.%N)
run "$web/keldo-node.js" "$out/web-1.trace" node
end=$(date +%s.%N)
run "$web/keldo-node.js" "$out/web-2.trace" node

status=0
if ! cmp -s "$out/web-1.trace" "$out/web-2.trace"; then
  echo "FAIL the same seed and script gave two different traces on the web build"
  status=1
else
  echo "ok   the same seed and script give the same trace twice ($(wc -l <"$out/web-1.trace") lines)"
fi
if "$desk/keldo-trace-summary" "$out/web-1.trace" >"$out/web.summary"; then
  echo "ok   the web game cleared, showed Retry? and returned to the title"
else
  echo "FAIL the web game did not clear, show Retry? and return to the title"
  status=1
fi
"$desk/keldo-trace-summary" "$out/desktop.trace" >"$out/desktop.summary" || true

seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
echo "drift from the desktop build (seed $seed, $frames frames, web run ${seconds} s under node):"
paste -d'|' "$out/desktop.summary" "$out/web.summary" |
  awk -F'|' '{ printf "  %-34s %-34s %s\n", "desktop: " $1, "web: " $2, ($1 == $2 ? "" : "<- differs") }'
# One line per frame (what it drew, then "frame N"), everything in it; or the hero alone.
frames_of() {
  awk -v pick="$2" '/^frame / { print $2 "\t" body; body = ""; next }
                    pick == "" || index($0, pick) { body = body $0 ";" }' "$1"
}
frames_of "$out/desktop.trace" "" >"$out/desktop.frames"
frames_of "$out/web-1.trace" "" >"$out/web.frames"
frames_of "$out/desktop.trace" " velquint256.vstex " >"$out/desktop.hero"
frames_of "$out/web-1.trace" " velquint256.vstex " >"$out/web.hero"
compare() {
  paste -d'\n' "$1" "$2" | awk -F'\t' 'NR % 2 { a = $0; next }
    $0 != a { split(a, f, "\t"); if (!first) first = f[1]; n++ }
    END { printf "%d frames differ, the first frame %s\n", n, first ? first : "none" }'
}
if cmp -s "$out/desktop.trace" "$out/web-1.trace"; then
  echo "  the traces are identical"
else
  echo "  everything drawn: $(compare "$out/desktop.frames" "$out/web.frames")"
  echo "  the hero's place: $(compare "$out/desktop.hero" "$out/web.hero")"
fi
exit $status
