#!/usr/bin/env bash
# Set-up, build, play and test KELDO on a Debian machine.
#
#   ./build.sh play    install what is missing, build, and start the game in a window
#   ./build.sh test    install what is missing, build, and run the whole test suite
#   ./build.sh build   install what is missing and build only
#   ./build.sh bench   build and run the benchmarks
#   ./build.sh deb     build and make the Debian package build/keldo_VERSION_ARCH.deb
set -euo pipefail

cd "$(dirname "$0")"
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libpng-dev
  librsvg2-bin sox libsox-fmt-all fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  desktop-file-utils appstream man-db
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
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

build() {
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "$@"
  cmake --build "$BUILD_DIR" -j"$JOBS"
}

case "${1:-play}" in
  play)
    install_missing
    build
    exec "$BUILD_DIR/bin/keldo"
    ;;
  test)
    install_missing
    build
    cd "$BUILD_DIR"
    ctest --output-on-failure -j"$JOBS"
    ;;
  build)
    install_missing
    build
    ;;
  bench)
    install_missing
    build
    for b in "$BUILD_DIR"/bin/bench_*; do
      [ -x "$b" ] && "$b"
    done
    ;;
  deb)
    # cpack reads the binaries' library needs with dpkg-shlibdeps, which needs file(1).
    PACKAGES+=(dpkg-dev file)
    install_missing
    build
    (cd "$BUILD_DIR" && cpack -G DEB)
    ;;
  *)
    echo "usage: $0 play|test|build|bench|deb" >&2
    exit 2
    ;;
esac
