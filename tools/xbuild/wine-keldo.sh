#!/bin/sh
# The Windows build's keldo.exe under wine, as a program that takes the place of the Linux
# build's keldo (for bench_pacing OTHER, say): KELDO_EXE names it, build-win's by default.
here=$(cd "$(dirname "$0")" && pwd)
exec "${WINE:-wine}" "${KELDO_EXE:-$here/../../build-win/bin/keldo.exe}" "$@"
