#!/usr/bin/env bash
# Builds the libraries that the web build links (zlib, libpng, SDL2, SDL2_mixer with its own
# Ogg Vorbis decoder, and libwebp's decoder) with emscripten, from Debian's source packages,
# into a cache outside the clone. A second run with the same versions finds them there and
# returns at once. The WebP decoder has a folder of its own, so that a new version of it does
# not build the others again.
#
#   tools/web/build-libs.sh CACHE_DIR
#
# Prints the folders that hold include/ and lib/, separated by ';' (the CMake list of prefixes
# the web build is given).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 CACHE_DIR" >&2
  exit 2
fi
CACHE=$(mkdir -p "$1" && cd "$1" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

EMVER=$(emcc --version | sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p')
# "lean": SDL without the code for what the page never draws (see SDL_LEAN below).
KEY="em${EMVER}-SDL2-2.26.5-lean-SDL2_mixer-2.6.2-libpng-1.6.39-zlib-1.2.13"
PREFIX=$CACHE/web/$KEY
WEBP_KEY="em${EMVER}-libwebp-1.2.4"
WEBP_PREFIX=$CACHE/web/$WEBP_KEY
LOG=

step() {
  echo "web libraries: $1" >&2
}
run() {
  if ! "$@" >>"$LOG" 2>&1; then
    echo "web libraries: failed: $*" >&2
    tail -n 30 "$LOG" >&2
    exit 1
  fi
}
# A clean folder to build in, with its log, and the prefix emptied for the build.
begin() {
  WORK=$CACHE/web/.build-$1
  rm -rf "$WORK" "$2"
  mkdir -p "$WORK" "$2"
  LOG=$WORK/build.log
  : >"$LOG"
}

FLAGS="-O2"
SRC=$CACHE/src

if [ ! -f "$PREFIX/.complete" ]; then
  "$HERE/../xbuild/fetch-sources.sh" "$CACHE" >/dev/null
  begin "$KEY" "$PREFIX"
  CMAKE_COMMON=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX"
    -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" -DBUILD_SHARED_LIBS=OFF
    -DCMAKE_C_FLAGS="$FLAGS")

  step "zlib"
  cp -a "$SRC/zlib-1.2.13" "$WORK/zlib"
  (cd "$WORK/zlib" && CFLAGS="$FLAGS" run emconfigure ./configure --static --prefix="$PREFIX" &&
    run emmake make -j"$JOBS" libz.a && run emmake make install)

  step "libpng"
  run emcmake cmake -S "$SRC/libpng-1.6.39" -B "$WORK/libpng" "${CMAKE_COMMON[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF \
    -DZLIB_INCLUDE_DIR="$PREFIX/include" -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DM_LIBRARY=
  run cmake --build "$WORK/libpng" -j"$JOBS"
  run cmake --install "$WORK/libpng"

  step "SDL2"
  # No threads: a page served by any static server cannot have shared memory, so the audio
  # callback and everything else run on the browser's main thread.
  # The game's pictures are decoded to 32 bits a pixel and it plays no video: SDL's copies from
  # 1- and 8-bit pictures, its run-length coding (only for pictures without transparency) and
  # its YUV formats would only make the program larger. A copy they were needed for fails with
  # SDL's error; it never draws differently.
  SDL_LEAN="-DSDL_HAVE_BLIT_0=0 -DSDL_HAVE_BLIT_1=0 -DSDL_HAVE_RLE=0 -DSDL_HAVE_YUV=0"
  run emcmake cmake -S "$SRC/SDL2-2.26.5" -B "$WORK/SDL2" "${CMAKE_COMMON[@]}" \
    -DCMAKE_C_FLAGS="$FLAGS $SDL_LEAN" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF
  run cmake --build "$WORK/SDL2" -j"$JOBS"
  run cmake --install "$WORK/SDL2"

  step "SDL2_mixer"
  run emcmake cmake -S "$SRC/SDL2_mixer-2.6.2" -B "$WORK/SDL2_mixer" "${CMAKE_COMMON[@]}" \
    -DSDL2_DIR="$PREFIX/lib/cmake/SDL2" -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
    -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF \
    -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_WAVPACK=OFF -DSDL2MIXER_CMD=OFF
  run cmake --build "$WORK/SDL2_mixer" -j"$JOBS"
  run cmake --install "$WORK/SDL2_mixer"

  rm -rf "$WORK"
  touch "$PREFIX/.complete"
fi

if [ ! -f "$WEBP_PREFIX/.complete" ]; then
  "$HERE/../xbuild/fetch-sources.sh" "$CACHE" libwebp >/dev/null
  step "libwebp (decoder)"
  begin "$WEBP_KEY" "$WEBP_PREFIX"
  # The decoder alone: no encoder, no tools, no threads (a page has none), and none of the
  # SIMD code, which not every browser runs. Built for size, without the scaling and the
  # colour spaces the library never asks for: the page downloads every byte of it, and built
  # so it decodes the page's pictures as fast as built for speed.
  run emcmake cmake -S "$SRC/libwebp-1.2.4" -B "$WORK/libwebp" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-Os -DNDEBUG -DWEBP_REDUCE_SIZE -DWEBP_REDUCE_CSP" \
    -DBUILD_SHARED_LIBS=OFF -DWEBP_ENABLE_SIMD=OFF -DWEBP_USE_THREAD=OFF \
    -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_WEBPMUX=OFF \
    -DWEBP_BUILD_EXTRAS=OFF
  run cmake --build "$WORK/libwebp" --target webpdecoder -j"$JOBS"
  # Installed by hand: the project's own install step wants the encoder too.
  mkdir -p "$WEBP_PREFIX/lib" "$WEBP_PREFIX/include/webp"
  cp "$WORK/libwebp/libwebpdecoder.a" "$WEBP_PREFIX/lib/"
  cp "$SRC/libwebp-1.2.4/src/webp/decode.h" "$SRC/libwebp-1.2.4/src/webp/types.h" \
    "$WEBP_PREFIX/include/webp/"
  rm -rf "$WORK"
  touch "$WEBP_PREFIX/.complete"
fi

echo "$PREFIX;$WEBP_PREFIX"
