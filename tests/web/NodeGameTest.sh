#!/usr/bin/env bash
# Whole games in the web build, run by node through the automation interface, against the
# desktop build's games.
#
#   tests/web/NodeGameTest.sh DESKTOP_BIN WEB_BIN OUT_DIR [SEED...]
#
# DESKTOP_BIN holds keldo, keldo-bot and keldo-trace-summary; WEB_BIN holds keldo-node.js and
# its Data folder. For each seed (1 when none is given) the bot plays the desktop build and
# keeps the input it fed; that script is replayed on the web build (the first seed's twice).
# Fails unless every web game clears, shows "Retry?", returns to the title and writes the
# desktop's trace byte for byte (and the first seed's two runs the same trace). Where a trace
# differs, prints the desktop and web summaries side by side and the first frame where they
# part.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 DESKTOP_BIN WEB_BIN OUT_DIR [SEED...]" >&2
  exit 2
fi
desk=$1
web=$2
root=$3
shift 3
seeds=("${@:-1}")
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
status=0

# The game of $seed with the bot's script, headless, on the given program, into a trace.
run() {
  local program=$1 trace=$2
  shift 2
  env TOLVEX_HEADLESS=null TOLVEX_SEED="$seed" TOLVEX_FRAMES="$frames" \
    TOLVEX_INPUT="$out/script.txt" TOLVEX_TRACE="$trace" "$@" "$program"
}

# One line per frame (what it drew, then "frame N"), everything in it; or the hero alone.
frames_of() {
  awk -v pick="$2" '/^frame / { print $2 "\t" body; body = ""; next }
                    pick == "" || index($0, pick) { body = body $0 ";" }' "$1"
}

compare() {
  paste -d'\n' "$1" "$2" | awk -F'\t' 'NR % 2 { a = $0; next }
    $0 != a { split(a, f, "\t"); if (!first) first = f[1]; n++ }
    END { printf "%d frames differ, the first frame %s\n", n, first ? first : "none" }'
}

# Where the web game parts from the desktop's: the summaries side by side, the first frame.
report_drift() {
  "$desk/keldo-trace-summary" "$out/desktop.trace" >"$out/desktop.summary" || true
  echo "FAIL seed $seed: the web game's trace differs from the desktop's ($frames frames):"
  paste -d'|' "$out/desktop.summary" "$out/web.summary" |
    awk -F'|' '{ printf "  %-34s %-34s %s\n", "desktop: " $1, "web: " $2, ($1 == $2 ? "" : "<- differs") }'
  frames_of "$out/desktop.trace" "" >"$out/desktop.frames"
  frames_of "$out/web-1.trace" "" >"$out/web.frames"
  frames_of "$out/desktop.trace" " velquint256.vstex " >"$out/desktop.hero"
  frames_of "$out/web-1.trace" " velquint256.vstex " >"$out/web.hero"
  echo "  everything drawn: $(compare "$out/desktop.frames" "$out/web.frames")"
  echo "  the hero's place: $(compare "$out/desktop.hero" "$out/web.hero")"
}

# One seed's game into $out; the first seed's is played twice on the web build.
play() {
  local first=$1
  "$desk/keldo-bot" --keldo "$desk/keldo" --seed "$seed" --script-copy "$out/script.txt" \
    >"$out/bot.txt"
  # Half a minute past the bot's last line: the title is back well before that.
  frames=$(($(tail -n 1 "$out/script.txt" | cut -d' ' -f1) + 1800))

  run "$desk/keldo" "$out/desktop.trace"
  local start end seconds
  start=$(date +%s.%N)
  run "$web/keldo-node.js" "$out/web-1.trace" node
  end=$(date +%s.%N)
  seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  if [ "$first" = 1 ]; then
    run "$web/keldo-node.js" "$out/web-2.trace" node
    if ! cmp -s "$out/web-1.trace" "$out/web-2.trace"; then
      echo "FAIL the same seed and script gave two different traces on the web build"
      status=1
    else
      echo "ok   the same seed and script give the same trace twice ($(wc -l <"$out/web-1.trace") lines)"
    fi
  fi
  if "$desk/keldo-trace-summary" "$out/web-1.trace" >"$out/web.summary"; then
    echo "ok   seed $seed: the web game cleared, showed Retry? and returned to the title"
  else
    echo "FAIL seed $seed: the web game did not clear, show Retry? and return to the title"
    status=1
  fi
  if cmp -s "$out/desktop.trace" "$out/web-1.trace"; then
    echo "ok   seed $seed: the web game's trace is the desktop's, byte for byte" \
      "($frames frames, $(wc -c <"$out/desktop.trace") bytes, ${seconds} s under node)"
  else
    status=1
    report_drift
  fi
}

first=1
for seed in "${seeds[@]}"; do
  # The first seed's files stay where the page's tests take the script from.
  out=$root
  [ "$first" = 1 ] || out=$root/seed-$seed
  mkdir -p "$out"
  play "$first"
  first=0
done
exit $status
