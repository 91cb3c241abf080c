#!/usr/bin/env bash
# Unpacks Debian's own source packages of the libraries that the library links (the same
# upstream versions as the Linux build uses) into a cache folder outside the clone, once per
# version, for the Windows and web builds to build their target libraries from.
#
#   tools/xbuild/fetch-sources.sh CACHE_DIR [NAME...]
#
# Without NAMEs, the libraries that every build links; with them, those named (by the name the
# cache keeps them under), which may be one that only some builds link. Leaves
# CACHE_DIR/src/<name>-<version>/ for each and prints those folders, one a line.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 CACHE_DIR [NAME...]" >&2
  exit 2
fi
CACHE=$1
shift
mkdir -p "$CACHE/src"

# source package, upstream version, the name the cache keeps it under
SOURCES=(
  "libsdl2 2.26.5 SDL2"
  "libsdl2-mixer 2.6.2 SDL2_mixer"
  "libpng1.6 1.6.39 libpng"
  "zlib 1.2.13 zlib"
)
# Linked by the web build alone (its pictures come as WebP), so fetched only when named.
NAMED_ONLY=(
  "libwebp 1.2.4 libwebp"
)
if [ $# -gt 0 ]; then
  wanted=()
  for name in "$@"; do
    found=
    for entry in "${SOURCES[@]}" "${NAMED_ONLY[@]}"; do
      if [ "${entry##* }" = "$name" ]; then
        wanted+=("$entry")
        found=1
      fi
    done
    if [ -z "$found" ]; then
      echo "fetch-sources: no library named $name" >&2
      exit 2
    fi
  done
  SOURCES=("${wanted[@]}")
fi

SRC_LIST=/etc/apt/sources.list.d/keldo-deb-src.sources
updated=0

ensure_deb_src() {
  [ "$updated" -eq 1 ] && return 0
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
    ! grep -qs '^deb-src' /etc/apt/sources.list; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "fetch-sources: no deb-src entry in apt's sources; as root this script adds one" >&2
      exit 1
    fi
    # The same archive and keys as the binary entries, for source packages. The security
    # archive is left out: it does not serve every source its index lists.
    awk -v RS= -v ORS='\n\n' '!/security/ { sub(/Types: deb\n/, "Types: deb-src\n"); print }' \
      /etc/apt/sources.list.d/debian.sources >"$SRC_LIST"
  fi
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -q >/dev/null
  fi
  updated=1
}

for entry in "${SOURCES[@]}"; do
  read -r package version name <<<"$entry"
  dest="$CACHE/src/$name-$version"
  if [ ! -f "$dest/.complete" ]; then
    ensure_deb_src
    work=$(mktemp -d "$CACHE/src/.fetch.XXXXXX")
    (cd "$work" && apt-get source -q --only-source "$package" >fetch.log 2>&1) || {
      echo "fetch-sources: apt-get source $package failed:" >&2
      tail -n 5 "$work/fetch.log" >&2
      rm -rf "$work"
      exit 1
    }
    unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    case "$(basename "$unpacked")" in
      *-"$version" | *-"$version".dfsg | *-"$version"+dfsg) ;;
      *)
        echo "fetch-sources: $package unpacked as $(basename "$unpacked"), expected version $version" >&2
        rm -rf "$work"
        exit 1
        ;;
    esac
    rm -rf "$dest"
    mv "$unpacked" "$dest"
    rm -rf "$work"
    touch "$dest/.complete"
  fi
  echo "$dest"
done
