#!/bin/sh
# What Windows reads from the binaries themselves, before running a line of them: the program is
# a GUI one with its manifest (per-monitor DPI awareness, the UTF-8 code page, long paths,
# Windows 10 and 11) and its icon group at 16, 32, 48 and 256 px; both binaries carry version
# information with the project's version and name.
#
#   check_resources.sh OBJDUMP VERSION PROGRAM LIBRARY
set -eu
objdump=$1
version=$2
program=$3
library=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/keldo-resources.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL $1" >&2
  failures=$((failures + 1))
}

# check NAME FILE PATTERN: FILE holds PATTERN (a fixed string).
check() {
  if grep -qF -- "$3" "$2"; then
    echo "ok   $1"
  else
    fail "$1: no '$3'"
  fi
}

"$objdump" -p "$program" >"$work/headers"
check "keldo.exe is a GUI program" "$work/headers" "Subsystem		00000002	(Windows GUI)"

wrestool -x --raw -t 24 "$program" >"$work/manifest" 2>/dev/null || true
tr -d '\r' <"$work/manifest" | tr -s ' \n' ' ' >"$work/manifest.flat"
while IFS='|' read -r name text; do
  check "manifest: $name" "$work/manifest.flat" "$text"
done <<'TABLE'
per-monitor v2 DPI awareness|<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2</dpiAwareness>
per-monitor DPI awareness before Windows 10 1607|>true/pm</dpiAware>
UTF-8 code page|<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
long paths|<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>
Windows 10 and 11|<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
TABLE

# The version strings are UTF-16; the numbers in the fixed part must agree with them.
for binary in "$program" "$library"; do
  name=$(basename "$binary")
  wrestool -x --raw -t 16 "$binary" >"$work/version" 2>/dev/null || true
  strings -el "$work/version" >"$work/version.text"
  check "$name: product name" "$work/version.text" "KELDO"
  check "$name: version $version" "$work/version.text" "$version"
  check "$name: copyright" "$work/version.text" "Copyright"
  major=${version%%.*} rest=${version#*.}
  minor=${rest%%.*} patch=${rest#*.}
  # VS_FIXEDFILEINFO: signature FEEF04BD, structure version, then the file version as
  # MS = major << 16 | minor and LS = patch << 16, little-endian.
  fixed=$(od -An -tx1 -v "$work/version" | tr -d ' \n')
  expected=$(printf 'bd04effe00000100%02x%02x%02x%02x%02x%02x%02x%02x' \
    $((minor % 256)) $((minor / 256)) $((major % 256)) $((major / 256)) 0 0 $((patch % 256)) $((patch / 256)))
  case $fixed in
    *"$expected"*) echo "ok   $name: file version $version in the fixed part" ;;
    *) fail "$name: the fixed part's file version is not $version" ;;
  esac
done

wrestool -x -t 14 "$program" >"$work/icon.ico" 2>/dev/null || true
icotool -l "$work/icon.ico" >"$work/icons" 2>/dev/null || true
for size in 16 32 48 256; do
  check "icon at $size px" "$work/icons" "--width=$size --height=$size"
done

[ "$failures" -eq 0 ]
