#!/bin/sh
# Packs PNG pictures of the icon, one per size, into a Windows icon file (each entry keeps
# its PNG as it is, which every Windows since Vista reads).
#
#   sh icon_ico.sh OUT.ico SIZE:PICTURE.png...
set -eu
out=$1
shift
tmp=$out.tmp

# A number as little-endian bytes, `count` of them.
le() {
  value=$1 count=$2
  while [ "$count" -gt 0 ]; do
    printf "\\$(printf '%03o' $((value % 256)))"
    value=$((value / 256))
    count=$((count - 1))
  done
}

{
  le 0 2        # reserved
  le 1 2        # an icon
  le $# 2       # entries
  offset=$((6 + 16 * $#))
  for entry in "$@"; do
    size=${entry%%:*}
    file=${entry#*:}
    bytes=$(wc -c <"$file")
    side=$size
    [ "$side" -ge 256 ] && side=0   # 256 is written as 0
    le "$side" 1
    le "$side" 1
    le 0 1        # no palette
    le 0 1
    le 1 2        # planes
    le 32 2       # bits per pixel
    le "$bytes" 4
    le "$offset" 4
    offset=$((offset + bytes))
  done
  for entry in "$@"; do
    cat "${entry#*:}"
  done
} >"$tmp"
mv "$tmp" "$out"
