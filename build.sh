#!/usr/bin/env bash
# Set-up, build, play and test KELDO on a Debian machine.
#
#   ./build.sh play    install what is missing, build, and start the game in a window
#   ./build.sh test    install what is missing, build, and run the whole test suite
#   ./build.sh build   install what is missing and build only
#   ./build.sh bench   build and run the benchmarks
#   ./build.sh deb     build and make the Debian package build/keldo_VERSION_ARCH.deb
#   ./build.sh windows cross-build for Windows x64: build-win/bin/keldo.exe and its Data/,
#                      and build-win/keldo-win64.zip
#   ./build.sh windows-test  the Windows build's tests under wine (the whole-game comparison
#                      with the Linux build needs ./build.sh build first)
#   ./build.sh web     build the page into build-web/ (WebAssembly, with emscripten)
#   ./build.sh web-test    run the web build's tests (after build and web)
#   ./build.sh web-bench   measure the page in headless Chromium: first load, playing speed, CPU
#
# PRESET=debug (or sanitizers) builds and tests that preset of CMakePresets.json instead of
# release, in its own folder (build-debug/, build-asan/); BUILD_DIR names another folder.
set -euo pipefail

cd "$(dirname "$0")"
PRESET=${PRESET:-release}
case "$PRESET" in
  release) BUILD_DIR=${BUILD_DIR:-build} ;;
  debug) BUILD_DIR=${BUILD_DIR:-build-debug} ;;
  sanitizers) BUILD_DIR=${BUILD_DIR:-build-asan} ;;
  *) echo "PRESET must be release, debug or sanitizers, not '$PRESET'" >&2; exit 2 ;;
esac
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libpng-dev
  librsvg2-bin sox libsox-fmt-all fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  desktop-file-utils appstream man-db
)

# The Windows build: the cross compiler, wine for its tests, zip and unzip, GoogleTest's
# sources, and dpkg-dev for apt-get source (the target libraries are built from Debian's
# sources); icoutils to read the binaries' resources, openbox for the message boxes under Xvfb.
WINDOWS_PACKAGES=(
  cmake g++-mingw-w64-x86-64-posix wine wine64 zip unzip googletest dpkg-dev
  librsvg2-bin sox libsox-fmt-all fonts-dejavu-core
  xvfb xauth xdotool imagemagick icoutils openbox
)

install_missing() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
  else
    echo "These Debian packages are missing. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

# Builds the target libraries (once per version, cached outside the clone) and cross-builds
# into build-win; $@ goes to cmake.
build_windows() {
  local cache=${KELDO_CACHE:-$HOME/.cache/keldo}
  local prefix
  prefix=$(tools/xbuild/build-libs.sh win64 "$cache")
  KELDO_WIN64_PREFIX=$prefix cmake --preset windows "$@"
  cmake --build --preset windows -j"$JOBS"
}

# The zip's LICENSE.txt: what the zip holds under which licence, then every notice in full:
# musl's, each library's from its own sources, and the mingw-w64 runtime's as its package
# gives it.
zip_licence() {
  local cache=${KELDO_CACHE:-$HOME/.cache/keldo}
  local dir file
  notice() {
    printf '\n%s\n%s\n\n' "$1" "$(printf '%s' "$1" | tr -c '\n' -)"
    cat
  }
  cat packaging/windows/LICENSE.txt
  notice "musl" <tolvex/musl_math/COPYRIGHT
  for dir in $(tools/xbuild/fetch-sources.sh "$cache"); do
    file=
    for name in COPYING LICENSE LICENSE.txt; do
      if [ -f "$dir/$name" ]; then file=$dir/$name; fi
    done
    if [ -z "$file" ]; then
      echo "no licence file in $dir" >&2
      return 1
    fi
    notice "$(basename "$dir")" <"$file"
  done
  # Debian's copyright file: the paragraph for the whole of the runtime, its text indented.
  sed -n '/^Files: \*$/,/^$/p' /usr/share/doc/mingw-w64-common/copyright |
    sed -n -e 's/^Copyright: \(.*\)/Copyright (c) \1\n/p' -e '/^ /{s/^ //;s/^\.$//;p}' | notice "mingw-w64"
}

build() {
  cmake --preset "$PRESET" -B "$BUILD_DIR" "$@"
  cmake --build "$BUILD_DIR" -j"$JOBS"
}

# The web build: emscripten's own toolchain, target libraries built once into a cache
# outside the clone, the CMake tree in build-web-tree/ and the page installed in build-web/.
WEB_PACKAGES=(
  emscripten nodejs cmake dpkg-dev node-terser optipng webp
  librsvg2-bin sox libsox-fmt-all fonts-dejavu-core
)
WEB_TREE=${WEB_TREE:-build-web-tree}
LIGHTHOUSE_VERSION=12.8.2
WEB_DIR=${WEB_DIR:-build-web}

build_web() {
  install_missing "${WEB_PACKAGES[@]}"
  # Debian's emscripten runs its JavaScript tools with node and needs node's modules from here.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  local libs
  libs=$(tools/web/build-libs.sh "${KELDO_CACHE:-$HOME/.cache/keldo}")
  KELDO_WEB_LIBS=$libs emcmake cmake --preset web -B "$WEB_TREE"
  cmake --build "$WEB_TREE" -j"$JOBS"
  rm -rf "$WEB_DIR"
  cmake --install "$WEB_TREE" --component web --prefix "$WEB_DIR"
  echo "The page is in $WEB_DIR/: python3 -m http.server -d $WEB_DIR, then open http://localhost:8000/"
}

case "${1:-play}" in
  play)
    install_missing "${PACKAGES[@]}"
    build
    exec "$BUILD_DIR/bin/keldo"
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    build
    ctest --preset "$PRESET" --test-dir "$BUILD_DIR" -j"$JOBS"
    ;;
  build)
    install_missing "${PACKAGES[@]}"
    build
    ;;
  bench)
    install_missing "${PACKAGES[@]}"
    build
    for b in "$BUILD_DIR"/bin/bench_*; do
      [ -x "$b" ] && "$b"
    done
    ;;
  deb)
    # cpack reads the binaries' library needs with dpkg-shlibdeps, which needs file(1).
    PACKAGES+=(dpkg-dev file)
    install_missing "${PACKAGES[@]}"
    build
    (cd "$BUILD_DIR" && cpack -G DEB)
    ;;
  windows)
    install_missing "${WINDOWS_PACKAGES[@]}"
    build_windows -DKELDO_TESTS=OFF
    # The zip holds one folder to unpack anywhere: the program, its Data/, and the readme and
    # the licence, with every notice it names, with Windows line ends.
    rm -rf build-win/zip build-win/keldo-win64.zip
    mkdir -p build-win/zip/keldo
    cp -r build-win/bin/keldo.exe build-win/bin/Data build-win/zip/keldo/
    sed 's/$/\r/' packaging/windows/README.txt >build-win/zip/keldo/README.txt
    zip_licence | sed 's/$/\r/' >build-win/zip/keldo/LICENSE.txt
    (cd build-win/zip && zip -q -X -r ../keldo-win64.zip keldo)
    rm -rf build-win/zip
    echo "build-win/bin/keldo.exe, build-win/bin/Data/ and build-win/keldo-win64.zip are ready"
    ;;
  windows-test)
    install_missing "${WINDOWS_PACKAGES[@]}"
    linux_build=
    if [ -x "$BUILD_DIR/bin/keldo" ] && [ -x "$BUILD_DIR/bin/keldo-bot" ] && [ -x "$BUILD_DIR/bin/keldo-trace-summary" ]; then
      linux_build=$(cd "$BUILD_DIR" && pwd)
    fi
    build_windows -DKELDO_TESTS=ON -DKELDO_LINUX_BUILD="$linux_build"
    tools/xbuild/wine-tests.sh build-win -j1
    ;;
  web)
    build_web
    ;;
  web-test)
    # After `./build.sh build` and `./build.sh web`: the bot plays the desktop build.
    install_missing chromium nodejs
    tests/web/run.sh "$BUILD_DIR/bin" "$WEB_TREE" "$WEB_DIR"
    ;;
  web-bench)
    install_missing chromium nodejs
    # npm comes with some builds of node; Debian's own is a package of its own.
    command -v npm >/dev/null || install_missing npm
    # Lighthouse, which scores the page as a phone loads it, from npm into the cache outside
    # the clone (once per version).
    lighthouse_dir=${KELDO_CACHE:-$HOME/.cache/keldo}/npm
    if [ ! -f "$lighthouse_dir/node_modules/lighthouse/package.json" ] ||
       ! grep -q "\"version\": \"$LIGHTHOUSE_VERSION\"" "$lighthouse_dir/node_modules/lighthouse/package.json"; then
      mkdir -p "$lighthouse_dir"
      npm install --prefix "$lighthouse_dir" --no-audit --no-fund "lighthouse@$LIGHTHOUSE_VERSION"
    fi
    # Beside the page, the desktop build's cost of the same scenes when `./build.sh build` made it.
    KELDO_LIGHTHOUSE="$lighthouse_dir/node_modules/lighthouse/cli/index.js" \
      node --experimental-websocket --no-warnings bench/web/PageBench.mjs "$WEB_DIR" "$BUILD_DIR/bin"
    ;;
  *)
    echo "usage: $0 play|test|build|bench|deb|windows|windows-test|web|web-test|web-bench" >&2
    exit 2
    ;;
esac
