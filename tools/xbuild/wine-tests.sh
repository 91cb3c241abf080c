#!/usr/bin/env bash
# Runs the Windows build's tests (ctest in BUILD_DIR) under wine, in a wine prefix made for
# the run in a temporary folder and removed afterwards.
#
#   tools/xbuild/wine-tests.sh BUILD_DIR [ctest options...]
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [ctest options...]" >&2
  exit 2
fi
build=$1
shift

export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/keldo-wineprefix.XXXXXX")
export WINEDEBUG=-all SDL_AUDIODRIVER=dummy
# No offers to install .NET or the HTML engine: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# One server for the whole run, so that each test's start does not pay for it.
wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null || true
cd "$build"
ctest --output-on-failure "$@"
