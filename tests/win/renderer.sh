#!/bin/sh
# The renderer under wine on a virtual display, where Direct3D draws through a software OpenGL:
# the adapter behind SDL's accelerated renderer reports a CPU rasteriser, so the library takes
# its software renderer, and a scripted game in a window gives the same screenshots, to the
# bit, with the library's own choice as with the software renderer forced (but for the frames
# per second in the top right corner, which go with the machine). Skipped (77) without Xvfb or
# openbox.
#
#   renderer.sh BIN_DIR ADAPTER_CHECK_EXE
set -eu
bin=$1
adapter_check=$2
for tool in Xvfb openbox; do
  command -v $tool >/dev/null || { echo "skip: no $tool"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
start_display
cd "$work"

run $WINE "$adapter_check"
name="adapter"
echo "$out"
expect_rc "$name" 0 && pass "$name: $out"

# Start a game, run right and swing; pictures of the title and of the fight.
printf '2 0\n4\n60 13\n80\n85 2\n88\n' >play.txt
for renderer in chosen software; do
  mkdir "$renderer"
  choice=
  [ $renderer = chosen ] || choice=$renderer
  run env TOLVEX_RENDERER="$choice" TOLVEX_SEED=7 TOLVEX_INPUT=play.txt TOLVEX_FRAMES=130 \
    TOLVEX_SHOT="40:$renderer/title.png,125:$renderer/game.png" $WINE "$bin/keldo.exe"
  expect_rc "window, $renderer renderer" 0 || exit 1
done
# The frames-per-second counter's line.
counter="rectangle 1370,150 1599,209"
for shot in title game; do
  name="$shot screenshot, chosen renderer against software"
  if [ ! -s "chosen/$shot.png" ] || [ ! -s "software/$shot.png" ]; then
    fail "$name" "no screenshot"
    continue
  fi
  for renderer in chosen software; do
    convert "$renderer/$shot.png" -fill black -draw "$counter" "$renderer/$shot.bmp"
  done
  if cmp -s "chosen/$shot.bmp" "software/$shot.bmp"; then
    pass "$name: the same pixels"
  else
    fail "$name" "the pictures differ"
  fi
done
[ "$failures" -eq 0 ]
