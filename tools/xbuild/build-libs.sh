#!/usr/bin/env bash
# Builds the target libraries that the runtime library links statically (SDL2, SDL2_mixer
# with Ogg through its bundled stb_vorbis only, libpng, zlib) for a target other than this
# machine, from the sources that fetch-sources.sh unpacks, and installs them under
#
#   CACHE_DIR/<target>/<key>/{include,lib}
#
# where the key names every version and the recipe's revision: a second build finds them there
# and takes no time. Prints that folder.
#
#   tools/xbuild/build-libs.sh win64 CACHE_DIR
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 win64 CACHE_DIR" >&2
  exit 2
fi
TARGET=$1
CACHE=$2
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

SDL_VERSION=2.26.5
MIXER_VERSION=2.6.2
PNG_VERSION=1.6.39
ZLIB_VERSION=1.2.13
# Bumped whenever the flags below change, so that a cached build made otherwise is not reused.
RECIPE=1

case "$TARGET" in
  win64)
    CC=x86_64-w64-mingw32-gcc-posix
    AR=x86_64-w64-mingw32-ar
    CMAKE_TARGET=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/Win64Toolchain.cmake")
    ;;
  *)
    echo "build-libs: unknown target '$TARGET' (win64)" >&2
    exit 2
    ;;
esac
CFLAGS_TARGET=(-O2)

KEY="sdl2-$SDL_VERSION+mixer-$MIXER_VERSION+png-$PNG_VERSION+zlib-$ZLIB_VERSION-r$RECIPE"
PREFIX="$CACHE/$TARGET/$KEY"
if [ -f "$PREFIX/.complete" ]; then
  echo "$PREFIX"
  exit 0
fi

"$HERE/fetch-sources.sh" "$CACHE" >/dev/null
SRC="$CACHE/src"
WORK=$(mktemp -d "$CACHE/$TARGET.build.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
rm -rf "$PREFIX"
mkdir -p "$PREFIX/include" "$PREFIX/lib"
LOG="$WORK/build.log"

step() {
  echo "build-libs: $1" >&2
}

fail() {
  echo "build-libs: $1 failed; the end of its log:" >&2
  tail -n 30 "$LOG" >&2
  exit 1
}

# Compiles a list of C files into one static library; zlib and libpng need nothing more.
archive() {
  local name=$1 dir=$2
  shift 2
  local objects=()
  mkdir -p "$WORK/$name"
  for file in "$@"; do
    local object="$WORK/$name/$(basename "${file%.c}").o"
    "$CC" "${CFLAGS_TARGET[@]}" -I"$dir" -I"$PREFIX/include" -c "$dir/$file" -o "$object" >>"$LOG" 2>&1 ||
      fail "$name ($file)"
    objects+=("$object")
  done
  "$AR" rcs "$PREFIX/lib/lib$name.a" "${objects[@]}" >>"$LOG" 2>&1 || fail "$name (archive)"
}

# zlib: the static library only (Debian's tarball has no win32/ for the DLL).
step "zlib $ZLIB_VERSION"
ZDIR="$SRC/zlib-$ZLIB_VERSION"
archive z "$ZDIR" adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
  infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$ZDIR/zlib.h" "$ZDIR/zconf.h" "$PREFIX/include/"

# libpng, with its prebuilt default configuration.
step "libpng $PNG_VERSION"
PDIR="$SRC/libpng-$PNG_VERSION"
cp "$PDIR/scripts/pnglibconf.h.prebuilt" "$PREFIX/include/pnglibconf.h"
archive png "$PDIR" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c \
  pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
cp "$PDIR/png.h" "$PDIR/pngconf.h" "$PREFIX/include/"

cmake_build() {
  local name=$1 dir=$2
  shift 2
  cmake -S "$dir" -B "$WORK/$name" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DKELDO_WIN64_PREFIX="$PREFIX" -DCMAKE_PREFIX_PATH="$PREFIX" "${CMAKE_TARGET[@]}" "$@" \
    >>"$LOG" 2>&1 || fail "$name (configure)"
  cmake --build "$WORK/$name" -j"$JOBS" >>"$LOG" 2>&1 || fail "$name (build)"
  cmake --install "$WORK/$name" >>"$LOG" 2>&1 || fail "$name (install)"
}

step "SDL2 $SDL_VERSION"
cmake_build SDL2 "$SRC/SDL2-$SDL_VERSION" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON -DSDL_STATIC_PIC=OFF

# SDL2_mixer: Ogg through the bundled stb_vorbis, nothing else (its external/ folder is gone
# from Debian's tarball, so nothing vendored either).
step "SDL2_mixer $MIXER_VERSION"
cmake_build SDL2_mixer "$SRC/SDL2_mixer-$MIXER_VERSION" -DBUILD_SHARED_LIBS=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
  -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF \
  -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_WAVE=ON -DSDL2MIXER_VORBIS=STB \
  -DSDL2_DIR="$PREFIX/lib/cmake/SDL2"

touch "$PREFIX/.complete"
echo "$PREFIX"
