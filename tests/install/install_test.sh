#!/usr/bin/env bash
# The installed game, as `cmake --install` lays it out under a temporary DESTDIR.
#
#   install_test.sh tree BUILD_DIR       the runnable tree is whole, bin/keldo is a relative
#                                        link that starts the game from another folder, and
#                                        nothing installed points back into the build folder
#   install_test.sh metadata BUILD_DIR   the menu entry, icons, software-centre data and
#                                        manual page pass their validators
#
# Exit 77 (skipped) when a validator is not installed.
set -u
mode=$1
build=$(cd "$2" && pwd)
app_id=org.keldo.Keldo
icon_sizes="16 32 48 64 128 256"

work=$(mktemp -d /tmp/keldo-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

dest=$work/dest
usr=$dest/usr
DESTDIR=$dest cmake --install "$build" --prefix /usr --strip >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; }

check_tree() {
  # The command: a relative link, so the tree can move with its prefix.
  [ -L "$usr/bin/keldo" ] || fail "bin/keldo is not a link"
  case $(readlink "$usr/bin/keldo") in
    /*) fail "bin/keldo is an absolute link: $(readlink "$usr/bin/keldo")" ;;
  esac
  [ "$(realpath "$usr/bin/keldo")" = "$usr/lib/keldo/keldo" ] ||
    fail "bin/keldo leads to $(realpath "$usr/bin/keldo"), not lib/keldo/keldo"
  [ -x "$usr/lib/keldo/keldo" ] || fail "lib/keldo/keldo is not executable"

  # Everything the build put beside its game is installed beside the installed one.
  local name
  for f in "$build"/bin/Data/*; do
    name=${f##*/}
    [ -f "$usr/lib/keldo/Data/$name" ] || fail "Data/$name is built but not installed"
  done
  for name in "$app_id.desktop:applications" "$app_id.metainfo.xml:metainfo" \
    "keldo.6.gz:man/man6" "copyright:doc/keldo" "changelog.gz:doc/keldo" \
    "$app_id.svg:icons/hicolor/scalable/apps" "title.png:keldo/screenshots" \
    "game.png:keldo/screenshots"; do
    [ -s "$usr/share/${name#*:}/${name%%:*}" ] || fail "share/${name#*:}/${name%%:*} is missing"
  done
  # Each themed icon has the size its folder claims (the width and height of the PNG header).
  local png dims
  for size in $icon_sizes; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -s "$png" ] || fail "no ${size} px icon"
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size} px icon is $dims"
  done

  # No installed file names the build folder (a run path, a data path baked in).
  local leaked
  leaked=$(grep -rlF "$build" "$dest")
  [ -z "$leaked" ] || fail "installed files name the build folder: $leaked"

  # Started through the link from an unrelated folder, headless with a script, it leaves the
  # title for the game scene, with its library and pictures taken from the install.
  mkdir -p "$work/elsewhere" "$work/home"
  printf '30 0\n32\n' >"$work/script.txt"
  (
    cd "$work/elsewhere" &&
      HOME=$work/home XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home \
        LD_DEBUG=files LD_DEBUG_OUTPUT=$work/ld \
        TOLVEX_HEADLESS=1 TOLVEX_SEED=1 TOLVEX_FRAMES=120 \
        TOLVEX_INPUT=$work/script.txt TOLVEX_TRACE=$work/trace.txt \
        "$usr/bin/keldo" 2>"$work/stderr.txt"
  )
  local code=$?
  [ $code -eq 0 ] || { cat "$work/stderr.txt"; fail "the installed game exited with $code"; }
  grep -q "^frame 120$" "$work/trace.txt" || fail "the run did not reach frame 120"
  grep -q "^load_tex velquint256.vstex" "$work/trace.txt" || fail "the game scene never started"
  grep -q "^draw_rot velquint256.vstex" "$work/trace.txt" || fail "the hero was never drawn"
  grep -qsF "file=$usr/lib/keldo/Data/Tolvex.vsd " "$work"/ld.* ||
    fail "the runtime library was not loaded from the install"
  echo "ok: the installed tree is whole and plays through bin/keldo from another folder"
}

check_metadata() {
  local tool
  for tool in desktop-file-validate appstreamcli man lexgrog; do
    command -v $tool >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
  done
  desktop-file-validate "$usr/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate"
  grep -qx "Categories=Game;ActionGame;" "$usr/share/applications/$app_id.desktop" ||
    fail "the menu entry is not filed under Game;ActionGame;"
  grep -qx "Icon=$app_id" "$usr/share/applications/$app_id.desktop" ||
    fail "the menu entry does not name the themed icon $app_id"
  # Checks the metainfo file and, beside it in the tree, its desktop entry and icons.
  appstreamcli validate-tree --no-net "$dest" || fail "appstreamcli validate-tree"

  local page=$usr/share/man/man6/keldo.6.gz
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man-warnings.txt" ||
    fail "man could not render the page"
  [ ! -s "$work/man-warnings.txt" ] || { cat "$work/man-warnings.txt"; fail "man warned"; }
  for heading in "HOW TO PLAY" CONTROLS ENVIRONMENT FILES "EXIT STATUS"; do
    grep -q "^$heading" "$work/man.txt" || fail "the manual page has no $heading"
  done
  # The NAME line as the manual's index reads it.
  lexgrog "$page" | grep -q '"keldo - ' || fail "lexgrog cannot read the NAME line"
  echo "ok: menu entry, software-centre data and manual page validate"
}

case $mode in
  tree) check_tree ;;
  metadata) check_metadata ;;
  *) fail "unknown mode $mode" ;;
esac
