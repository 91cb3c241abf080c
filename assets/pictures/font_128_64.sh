#!/bin/sh
# Writes the drawing of the bitmap font: printable ASCII from the space (code 32)
# to code 127, sixteen 64 x 128 cells to a row, left to right, top to bottom.
# White bold glyphs with a dark outline, so text reads on the sky, the ground and
# the dark title screen alike. Code 127 stays blank.
#
#   sh font_128_64.sh OUT.svg [CELL_W CELL_H]
#
# The game's sheet has 64 x 128 cells; the library's menu draws its own text from a
# smaller sheet laid out the same way, so that it never leans on the game's pictures.
set -eu
out=$1
tmp=$out.tmp

cell_w=${2:-64}
cell_h=${3:-128}
# The baseline sits so that capitals are centred in the cell and descenders
# still end inside it; the glyphs and their outline grow with the cell.
baseline=$((cell_h * 3 / 4))
font_size=$((cell_h * 86 / 128))
stroke=$((cell_h * 9 / 128))

{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n'
  printf '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n' \
    $((cell_w * 16)) $((cell_h * 6)) $((cell_w * 16)) $((cell_h * 6))
  printf '<g font-family="DejaVu Sans Mono" font-weight="bold" font-size="%d" text-anchor="middle"\n' "$font_size"
  printf '   fill="#ffffff" stroke="#1b1530" stroke-width="%d" stroke-linejoin="round" paint-order="stroke">\n' "$stroke"
  code=33
  while [ "$code" -le 126 ]; do
    i=$((code - 32))
    x=$(( (i % 16) * cell_w + cell_w / 2 ))
    y=$(( (i / 16) * cell_h + baseline ))
    ch=$(printf "\\$(printf '%03o' "$code")")
    case $ch in
      '&') ch='&amp;' ;;
      '<') ch='&lt;' ;;
      '>') ch='&gt;' ;;
    esac
    printf '<text x="%d" y="%d">%s</text>\n' "$x" "$y" "$ch"
    code=$((code + 1))
  done
  printf '</g>\n</svg>\n'
} > "$tmp"
mv "$tmp" "$out"
