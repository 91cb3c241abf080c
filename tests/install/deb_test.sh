#!/usr/bin/env bash
# The .deb on this machine, as a player gets it: lintian finds no error, apt installs it,
# a player finds `keldo` on PATH and plays 600 headless frames from /tmp, and apt removes
# it without leaving a file behind.
#
#   deb_test.sh keldo_VERSION_ARCH.deb
#
# It installs and removes a system package, so it needs root and is run by CI (.ci/run),
# not by ctest. It refuses to touch a keldo that is already installed.
set -euo pipefail
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 keldo_VERSION_ARCH.deb" >&2; exit 2; }
deb=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || { echo "FAIL: installing a package needs root" >&2; exit 2; }
fail() {
  echo "FAIL: $*"
  exit 1
}
if dpkg-query -W -f='${Status}' keldo 2>/dev/null | grep -q "ok installed"; then
  fail "keldo is already installed here; remove it first (apt-get remove keldo)"
fi

export DEBIAN_FRONTEND=noninteractive
if ! command -v lintian >/dev/null; then
  apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends lintian ||
    { apt-get update -q && apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends lintian; }
fi

work=$(mktemp -d /tmp/keldo-deb-XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "ok: lintian reports no error"

# What is on the disk where the package puts things, before and after.
snapshot() {
  { find /usr /etc /var/lib/dpkg/info /var/games -xdev 2>/dev/null || true; } | LC_ALL=C sort
}
snapshot >"$work/before.txt"

apt-get -o DPkg::Lock::Timeout=600 install -y -q "$deb" >"$work/apt-install.log" 2>&1 ||
  { cat "$work/apt-install.log"; fail "apt-get install"; }
dpkg-query -L keldo | grep -qx /usr/games/keldo || fail "the package does not list /usr/games/keldo"

# A player: an ordinary account with the PATH its login shell gets, playing from /tmp.
player_home=$work/home
mkdir -p "$player_home"
chown nobody "$player_home"
su -s /bin/sh -l nobody -c "
  command -v keldo >'$player_home/which.txt' || exit 10
  cd /tmp && HOME='$player_home' TOLVEX_HEADLESS=1 TOLVEX_SEED=1 TOLVEX_FRAMES=600 \
    TOLVEX_TRACE='$player_home/trace.txt' keldo" 2>"$work/play-stderr.txt" || {
  code=$?
  cat "$work/play-stderr.txt"
  [ $code -eq 10 ] && fail "keldo is not on a player's PATH ($(su -s /bin/sh -l nobody -c 'echo $PATH'))"
  fail "the installed game exited with $code"
}
echo "ok: a player finds $(cat "$player_home/which.txt") on PATH"
grep -q "^frame 600$" "$player_home/trace.txt" || fail "the installed game did not reach frame 600"
echo "ok: 600 headless frames from /tmp"

apt-get -o DPkg::Lock::Timeout=600 remove -y -q keldo >"$work/apt-remove.log" 2>&1 ||
  { cat "$work/apt-remove.log"; fail "apt-get remove"; }
snapshot >"$work/after.txt"

# Every path the package holds is gone again, unless it was there before (shared folders).
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$work/paths.txt"
left=$(LC_ALL=C comm -13 "$work/before.txt" "$work/after.txt")
[ -z "$left" ] || { echo "$left"; fail "apt-get remove left the files above behind"; }
while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    grep -qxF "$path" "$work/before.txt" || fail "apt-get remove left $path behind"
  fi
done <"$work/paths.txt"
echo "ok: apt-get remove left no file behind"
