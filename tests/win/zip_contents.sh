#!/bin/sh
# The zip that ./build.sh windows makes: one keldo folder with the program, its Data folder, the
# readme and the licence (Windows line ends), and a licence that stands on its own: it names no
# file outside the zip and holds in full every notice it speaks of. Skipped (77) when the zip
# has not been made.
#
#   zip_contents.sh ZIP
set -eu
zip=$1
[ -f "$zip" ] || { echo "skip: no $zip (./build.sh windows makes it)"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/keldo-zip-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { printf 'FAIL %s\n' "$1" >&2; failures=$((failures + 1)); }

unzip -q "$zip" -d "$work"
for file in keldo.exe Data/Tolvex.vsd README.txt LICENSE.txt; do
  [ -f "$work/keldo/$file" ] || fail "keldo/$file is not in the zip"
done
licence=$work/keldo/LICENSE.txt
if [ -f "$licence" ]; then
  [ "$(grep -c "$(printf '\r')\$" "$licence")" -eq "$(wc -l <"$licence")" ] ||
    fail "LICENSE.txt has lines without Windows line ends"
  # Nothing of the sources' tree.
  for outside in "this repository" "assets/" "tolvex/" "musl_math" "packaging/"; do
    grep -qiF -- "$outside" "$licence" && fail "LICENSE.txt points outside the zip: '$outside'"
  done
  # Each notice it names, by words of its own.
  for notice in "Rich Felker" "Sam Lantinga" "PNG Reference Library" "Jean-loup Gailly" "mingw-w64 project" \
    "Permission is hereby granted" "Redistributions in binary form"; do
    grep -qF -- "$notice" "$licence" || fail "LICENSE.txt lacks '$notice'"
  done
fi
[ "$failures" -eq 0 ] && echo "ok   the zip and its licence"
[ "$failures" -eq 0 ]
